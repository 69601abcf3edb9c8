#pragma once

#include "bookmark/BookmarkInfo.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvex::test {

using Bytes = std::vector<std::uint8_t>;

/// A temporary folder under $TMPDIR (or /tmp), removed with everything in it at the end.
class TempTree {
public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::string& root() const { return root_; }
    std::string path(const std::string& relative) const { return root_ + "/" + relative; }
    /// Writes a file (making its folders); its path.
    std::string file(const std::string& relative, const std::string& content = "x") const;

private:
    std::string root_;
};

/// The whole content of a file, or "<missing>".
std::string readAll(const std::string& path);
Bytes readBytes(const std::string& path);
void writeBytes(const std::string& path, const Bytes& bytes);

/// Alias-file bytes made with the project's writer for a target stored at `targetPath` on the
/// volume at `volumePath` named `volumeName`.
Bytes aliasBytes(const std::string& targetPath, const std::string& volumePath = "/",
                 const std::string& volumeName = "Macintosh HD");
/// The typed view of bookmark bytes (empty when they can't be read).
bookmark::BookmarkInfo infoOf(const Bytes& bytes);

} // namespace korvex::test
