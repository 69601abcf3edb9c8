#pragma once

#include "bookmark/BookmarkReader.h"
#include "bookmark/BookmarkWriter.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvex::test {

using Bytes = std::vector<std::uint8_t>;

/// A temporary folder under $TMPDIR (or /tmp), removed with everything in it at the end.
class TempTree {
public:
    TempTree() {
        const char* tmp = std::getenv("TMPDIR");
        root_ = std::string(tmp && *tmp ? tmp : "/tmp") + "/korvex-test-XXXXXX";
        if (!::mkdtemp(root_.data())) {
            throw std::runtime_error("mkdtemp failed");
        }
    }
    ~TempTree() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::string& root() const { return root_; }
    std::string path(const std::string& relative) const { return root_ + "/" + relative; }
    /// Writes a file (making its folders); its path.
    std::string file(const std::string& relative, const std::string& content = "x") const {
        const std::string full = path(relative);
        std::filesystem::create_directories(std::filesystem::path(full).parent_path());
        std::ofstream(full, std::ios::binary) << content;
        return full;
    }

private:
    std::string root_;
};

/// The whole content of a file, or "<missing>".
inline std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return in ? text.str() : "<missing>";
}

inline Bytes readBytes(const std::string& path) {
    const std::string text = readAll(path);
    return {text.begin(), text.end()};
}

inline void writeBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

/// Alias-file bytes made with the project's writer for a target stored at `targetPath` on the
/// volume at `volumePath` named `volumeName`.
inline Bytes aliasBytes(const std::string& targetPath, const std::string& volumePath = "/",
                        const std::string& volumeName = "Macintosh HD") {
    bookmark::BookmarkInfo info;
    for (const auto& part : std::filesystem::path(targetPath)) {
        if (part != "/") {
            info.pathComponents.push_back(part.string());
        }
    }
    info.volumePath = volumePath;
    info.volumeName = volumeName;
    info.volumeUUID = "0A1B2C3D-0000-4000-8000-00000000CAFE";
    return bookmark::BookmarkWriter::write(info, bookmark::BookmarkContainer::aliasFile);
}

/// The typed view of bookmark bytes (empty when they can't be read).
inline bookmark::BookmarkInfo infoOf(const Bytes& bytes) {
    auto parsed = bookmark::BookmarkReader::read(bytes);
    return parsed ? bookmark::BookmarkInfo::from(parsed.value()) : bookmark::BookmarkInfo{};
}

} // namespace korvex::test
