#pragma once

// A temporary folder tree for the walk and recognition tests, and Mac metadata to put in it.

#include "SystemXattrSource.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <sys/xattr.h>
#include <vector>

namespace korvex::test {

using Bytes = std::vector<std::uint8_t>;

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

/// A fresh folder below the system's temporary folder, removed with everything in it.
class TempTree {
public:
    TempTree() {
        std::string pattern = std::filesystem::temp_directory_path() / "korvex-walk-XXXXXX";
        root_ = ::mkdtemp(pattern.data());
    }
    ~TempTree() {
        std::error_code ignored;
        std::filesystem::permissions(root_ + "/closed", std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(root_, ignored);
    }

    const std::string& root() const { return root_; }
    std::string path(const std::string& relative) const { return root_ + "/" + relative; }
    void folder(const std::string& relative) const {
        std::filesystem::create_directories(path(relative));
    }
    void file(const std::string& relative, const Bytes& bytes) const {
        std::ofstream(path(relative), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    void text(const std::string& relative, const std::string& text) const {
        file(relative, Bytes(text.begin(), text.end()));
    }
    /// False when the file system keeps no user attributes.
    bool xattr(const std::string& relative, const char* name, const Bytes& value) const {
        return ::lsetxattr(path(relative).c_str(), name, value.data(), value.size(), 0) == 0;
    }

private:
    std::string root_;
};

/// The system's attributes, plus `osx.com.apple.FinderInfo` values (which ext4 cannot hold)
/// kept in memory.
class OsxXattrSource final : public XattrSource {
public:
    void add(const std::string& path, const Bytes& value) {
        std::lock_guard lock(mutex_);
        values_[path] = value;
    }
    Result list(const char* path, std::span<char> buffer, std::size_t& length) const override {
        const Result result = system_.list(path, buffer, length);
        std::lock_guard lock(mutex_);
        if (result != Result::ok || !values_.count(path) || length + sizeof name > buffer.size()) {
            return result;
        }
        std::copy(name, name + sizeof name, buffer.begin() + static_cast<long>(length));
        length += sizeof name;
        return Result::ok;
    }
    Result get(const char* path, const char* wanted, std::span<std::uint8_t> buffer,
               std::size_t& length) const override {
        std::lock_guard lock(mutex_);
        auto it = values_.find(path);
        if (std::string_view(wanted) != name || it == values_.end()) {
            return system_.get(path, wanted, buffer, length);
        }
        length = std::min(it->second.size(), buffer.size());
        std::copy_n(it->second.begin(), length, buffer.begin());
        return Result::ok;
    }
    bool supported(int folderFd) const override { return system_.supported(folderFd); }

private:
    static constexpr char name[] = "osx.com.apple.FinderInfo";
    SystemXattrSource system_;
    mutable std::mutex mutex_;
    std::map<std::string, Bytes> values_;
};

} // namespace korvex::test
