#pragma once

// A temporary folder tree, and the Mac metadata and alias bytes the tests put in it.

#include "BookmarkReader.h"
#include "BookmarkWriter.h"
#include "FileDescriptor.h"
#include "FileUrl.h"
#include "FolderWalk.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/xattr.h>
#include <vector>

namespace korvex::test {

using Bytes = std::vector<std::uint8_t>;

/// A temporary folder under $TMPDIR (or /tmp), removed with everything in it at the end.
class TempTree {
public:
    TempTree() {
        std::string pattern = std::filesystem::temp_directory_path() / "korvex-test-XXXXXX";
        if (!::mkdtemp(pattern.data())) {
            throw std::runtime_error("mkdtemp failed");
        }
        root_ = pattern;
    }
    ~TempTree() {
        std::error_code ignored;
        std::filesystem::permissions(root_ + "/closed", std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(root_, ignored);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::string& root() const { return root_; }
    std::string path(const std::string& relative) const { return root_ + "/" + relative; }
    void folder(const std::string& relative) const {
        std::filesystem::create_directories(path(relative));
    }
    /// Writes a file (making its folders); its path.
    std::string file(const std::string& relative, const std::string& content = "x") const {
        const std::string full = path(relative);
        std::filesystem::create_directories(std::filesystem::path(full).parent_path());
        std::ofstream(full, std::ios::binary) << content;
        return full;
    }
    std::string file(const std::string& relative, const Bytes& bytes) const {
        return file(relative, std::string(bytes.begin(), bytes.end()));
    }
    /// False when the file system keeps no user attributes.
    bool xattr(const std::string& relative, const char* name, const Bytes& value) const {
        return ::lsetxattr(path(relative).c_str(), name, value.data(), value.size(), 0) == 0;
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

/// Alias-file bytes made with the project's writer for a target stored at `targetPath` on the
/// volume at `volumePath` named `volumeName`, created at `created` (seconds since 2001).
inline Bytes aliasBytes(const std::string& targetPath, const std::string& volumePath = "/",
                        const std::string& volumeName = "Macintosh HD",
                        std::optional<double> created = std::nullopt) {
    bookmark::BookmarkInfo info;
    info.creationDate = created;
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

inline Bytes finderInfoBytes(bool alias) {
    Bytes info{'a', 'l', 'i', 's', 'M', 'A', 'C', 'S', std::uint8_t(alias ? 0x80 : 0x01)};
    info.resize(32, 0);
    return info;
}

inline void put32(Bytes& out, std::size_t at, std::uint32_t value, bool bigEndian = true) {
    for (int i = 0; i < 4; ++i) {
        out[at + static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(value >> (bigEndian ? 24 - 8 * i : 8 * i));
    }
}

/// An AppleDouble v2 blob of `size` bytes with the entries {id, offset, length} and
/// `payload` at `payloadAt`.
inline Bytes appleDouble(const std::vector<std::array<std::uint32_t, 3>>& entries, std::size_t size,
                         std::size_t payloadAt, const Bytes& payload) {
    Bytes out(std::max<std::size_t>({size, 26 + 12 * entries.size(), payloadAt + payload.size()}),
              0);
    put32(out, 0, 0x00051607);
    put32(out, 4, 0x00020000);
    out[25] = static_cast<std::uint8_t>(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        for (std::size_t field = 0; field < 3; ++field) {
            put32(out, 26 + 12 * i + 4 * field, entries[i][field]);
        }
    }
    std::copy(payload.begin(), payload.end(), out.begin() + static_cast<long>(payloadAt));
    return out;
}

/// The `._NAME` file macOS writes: FinderInfo at 50, an empty resource fork at 82.
inline Bytes macSidecar(bool alias) {
    return appleDouble({{9, 50, 32}, {2, 82, 0}}, 82, 50, finderInfoBytes(alias));
}

/// netatalk's 402-byte metadata: FinderInfo third of eight entries, at 122.
inline Bytes netatalkMetadata(bool alias) {
    return appleDouble({{4, 154, 0},
                        {8, 354, 16},
                        {9, 122, 32},
                        {14, 370, 4},
                        {0x80444556, 374, 8},
                        {0x80494E4F, 382, 8},
                        {0x8053594E, 390, 8},
                        {0x8053567E, 398, 4}},
                       402, 122, finderInfoBytes(alias));
}

/// The AFP_AfpInfo stream as streams_xattr stores it (60 bytes and one extra).
inline Bytes afpInfo(bool alias) {
    Bytes out{'A', 'F', 'P', 0, 0, 0, 1, 0};
    out.resize(16, 0);
    Bytes info = finderInfoBytes(alias);
    out.insert(out.end(), info.begin(), info.end());
    out.resize(61, 0);
    return out;
}

/// An alias data fork: the 56-byte header and `bodyLength` bytes of (fake) bookmark data.
inline Bytes aliasDataFork(std::uint32_t bodyLength = 600) {
    Bytes out{'b', 'o', 'o', 'k', 0, 0, 0, 0, 'm', 'a', 'r', 'k', 0, 0, 0, 0};
    out.resize(56 + bodyLength, 0x11);
    put32(out, 16, 0x38, false);
    put32(out, 20, 0x38, false);
    put32(out, 24, bodyLength, false);
    put32(out, 28, 0x10040000, false);
    return out;
}

/// The item URL of the file at `path` as a walk hands it out: with its open folder and name.
class WalkedItem {
public:
    explicit WalkedItem(const std::string& path)
        : folder_(::open(std::filesystem::path(path).parent_path().c_str(),
                         O_RDONLY | O_DIRECTORY | O_CLOEXEC)),
          name_(std::filesystem::path(path).filename()) {
        entry_.relativePath = name_;
        entry_.name = name_;
        entry_.folderFd = folder_.get();
        url_ = fileUrlWithPath(path);
        url_.entry = &entry_;
    }
    WalkedItem(const WalkedItem&) = delete;
    WalkedItem& operator=(const WalkedItem&) = delete;

    const FileUrl& url() const { return url_; }
    int folderFd() const { return folder_.get(); }

private:
    FileDescriptor folder_;
    std::string name_;
    WalkEntry entry_;
    FileUrl url_;
};

} // namespace korvex::test
