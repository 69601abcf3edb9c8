#pragma once

// A temporary folder tree for the walk and recognition tests, and the bytes of the Mac
// metadata that the tests put into it.

#include "SystemXattrSource.h"

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
    Bytes info(32, 0);
    const char* type = alias ? "alisMACS" : "TEXTttxt";
    std::copy(type, type + 8, info.begin());
    info[8] = alias ? 0x80 : 0x01;
    return info;
}

inline void appendBigEndian(Bytes& out, std::uint32_t value, int bytes) {
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

/// An AppleDouble v2 blob with the given entries {id, offset, length}, padded with zeros to
/// `size`; `payloadAt` receives `payload`.
inline Bytes appleDouble(const std::vector<std::array<std::uint32_t, 3>>& entries, std::size_t size,
                         std::size_t payloadAt, const Bytes& payload) {
    Bytes out;
    appendBigEndian(out, 0x00051607, 4);
    appendBigEndian(out, 0x00020000, 4);
    const char* filler = "Mac OS X        ";
    out.insert(out.end(), filler, filler + 16);
    appendBigEndian(out, static_cast<std::uint32_t>(entries.size()), 2);
    for (const auto& entry : entries) {
        for (std::uint32_t field : entry) {
            appendBigEndian(out, field, 4);
        }
    }
    out.resize(std::max(size, out.size()), 0);
    if (payloadAt + payload.size() > out.size()) {
        out.resize(payloadAt + payload.size(), 0);
    }
    std::copy(payload.begin(), payload.end(), out.begin() + static_cast<long>(payloadAt));
    return out;
}

/// The `._NAME` file macOS writes: FinderInfo at 50, an empty resource fork at 82.
inline Bytes macSidecar(bool alias) {
    return appleDouble({{9, 50, 32}, {2, 82, 0}}, 82, 50, finderInfoBytes(alias));
}

/// netatalk's 402-byte metadata with FinderInfo at 122, entries in its own order.
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
    for (std::uint32_t field : {0x38u, 0x38u, bodyLength, 0x10040000u}) {
        for (int i = 0; i < 4; ++i) {
            out.push_back(static_cast<std::uint8_t>(field >> (8 * i)));
        }
    }
    out.resize(56 + bodyLength, 0x11);
    return out;
}

/// A fresh folder below the system's temporary folder, removed with everything in it.
class TempTree {
public:
    TempTree() {
        std::string pattern = (std::filesystem::temp_directory_path() / "korvex-walk-XXXXXX");
        root_ = ::mkdtemp(pattern.data());
    }
    ~TempTree() {
        std::error_code ignored;
        std::filesystem::permissions(root_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(root_, ignored);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::string& root() const { return root_; }
    std::string path(const std::string& relative) const { return root_ + "/" + relative; }

    void folder(const std::string& relative) const {
        std::filesystem::create_directories(path(relative));
    }
    void file(const std::string& relative, const Bytes& bytes = {}) const {
        std::ofstream out(path(relative), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    void text(const std::string& relative, const std::string& text) const {
        file(relative, Bytes(text.begin(), text.end()));
    }
    /// False when the file system keeps no user attributes (the caller skips).
    bool xattr(const std::string& relative, const char* name, const Bytes& value) const {
        return ::lsetxattr(path(relative).c_str(), name, value.data(), value.size(), 0) == 0;
    }

private:
    std::string root_;
};

/// The system's attributes, plus `osx.` attributes (which ext4 cannot hold) kept in memory.
class OsxXattrSource final : public XattrSource {
public:
    void add(const std::string& path, const Bytes& value) {
        std::lock_guard lock(mutex_);
        values_[path] = value;
    }

    Result list(const char* path, std::span<char> buffer, std::size_t& length) const override {
        Result result = system_.list(path, buffer, length);
        std::lock_guard lock(mutex_);
        if (result != Result::ok || !values_.count(path)) {
            return result;
        }
        static constexpr char name[] = "osx.com.apple.FinderInfo";
        if (length + sizeof name > buffer.size()) {
            return Result::tooSmall;
        }
        std::copy(name, name + sizeof name, buffer.begin() + static_cast<long>(length));
        length += sizeof name;
        return Result::ok;
    }

    Result get(const char* path, const char* name, std::span<std::uint8_t> buffer,
               std::size_t& length) const override {
        std::unique_lock lock(mutex_);
        auto it = values_.find(path);
        if (std::string_view(name) != "osx.com.apple.FinderInfo" || it == values_.end()) {
            lock.unlock();
            return system_.get(path, name, buffer, length);
        }
        if (it->second.size() > buffer.size()) {
            return Result::tooSmall;
        }
        std::copy(it->second.begin(), it->second.end(), buffer.begin());
        length = it->second.size();
        return Result::ok;
    }

    bool supported(int folderFd) const override { return system_.supported(folderFd); }

private:
    SystemXattrSource system_;
    mutable std::mutex mutex_;
    std::map<std::string, Bytes> values_;
};

} // namespace korvex::test
