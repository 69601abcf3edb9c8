#pragma once

#include "bookmark/BookmarkInfo.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvex::test {

/// A temporary folder under $TMPDIR (or /tmp), removed with everything in it at the end.
class TempTree {
public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::string& root() const { return root_; }
    /// root + "/" + relative.
    std::string path(const std::string& relative) const;

    /// Writes a file (making its folders), returns its path.
    std::string file(const std::string& relative, const std::string& content = "x") const;
    std::string folder(const std::string& relative) const;

private:
    std::string root_;
};

/// The whole content of a file, or "<missing>".
std::string readAll(const std::string& path);

/// The components of an absolute path.
std::vector<std::string> componentsOf(const std::string& path);

/// Alias-file bytes made with the project's writer for a target at `targetPath` on the volume
/// `volumePath` named `volumeName`.
std::vector<std::uint8_t> aliasBytes(const std::string& targetPath,
                                     const std::string& volumePath = "/",
                                     const std::string& volumeName = "Macintosh HD");

/// The typed view of bookmark bytes (empty when they can't be read).
bookmark::BookmarkInfo infoOf(const std::vector<std::uint8_t>& bytes);

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> readBytes(const std::string& path);

} // namespace korvex::test
