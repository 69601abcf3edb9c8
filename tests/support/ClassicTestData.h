#pragma once

// Builders of classic alias records and resource forks, laid out as the Alias Manager and the
// Resource Manager store them (big-endian), for tests that need bytes no sample holds.

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace korvex::classictest {

using Bytes = std::vector<std::uint8_t>;

inline void put16(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v >> 8);
    b[at + 1] = static_cast<std::uint8_t>(v);
}
inline void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    put16(b, at, v >> 16);
    put16(b, at + 2, v & 0xFFFF);
}
inline void append16(Bytes& b, std::uint32_t v) {
    b.resize(b.size() + 2);
    put16(b, b.size() - 2, v);
}
inline void append32(Bytes& b, std::uint32_t v) {
    b.resize(b.size() + 4);
    put32(b, b.size() - 4, v);
}
inline Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}
/// Tags 14 and 15: unit count, then UTF-16BE (ASCII and Latin-1 text only).
inline Bytes unicodeName(const std::u16string& text) {
    Bytes b;
    append16(b, static_cast<std::uint32_t>(text.size()));
    for (char16_t c : text) {
        append16(b, c);
    }
    return b;
}

/// An alias record of version 2 or 3 with the given tagged fields.
struct RecordBuilder {
    std::uint16_t version = 2;
    std::uint16_t kind = 0;
    std::string volumeName = "Macintosh HD"; // version 2's Pascal name
    std::string targetName = "Report.txt";
    std::uint32_t parentCNID = 0x1234;
    std::uint32_t targetCNID = 0x5678;
    std::uint32_t targetCreated = 0xB5000000; // seconds since 1904
    std::int16_t levelsToTarget = -1;
    std::vector<std::pair<std::int16_t, Bytes>> tags;
    bool terminate = true;

    RecordBuilder& tag(std::int16_t id, Bytes value) {
        tags.emplace_back(id, std::move(value));
        return *this;
    }
    RecordBuilder& text(std::int16_t id, const std::string& value) {
        return tag(id, bytesOf(value));
    }

    Bytes build() const {
        Bytes b(version == 2 ? 150 : 58, 0);
        put16(b, 6, version);
        put16(b, 8, kind);
        if (version == 2) {
            b[10] = static_cast<std::uint8_t>(volumeName.size());
            std::copy(volumeName.begin(), volumeName.end(), b.begin() + 11);
            put32(b, 38, 0xB4000000);
            put16(b, 42, 0x482B); // 'H+'
            put32(b, 46, parentCNID);
            b[50] = static_cast<std::uint8_t>(targetName.size());
            std::copy(targetName.begin(), targetName.end(), b.begin() + 51);
            put32(b, 114, targetCNID);
            put32(b, 118, targetCreated);
            put32(b, 122, 0x74747874); // 'ttxt'
            put32(b, 126, 0x54455854); // 'TEXT'
            put16(b, 130, 0xFFFF);
            put16(b, 132, static_cast<std::uint16_t>(levelsToTarget));
        } else {
            put32(b, 18, 0x482B0000);
            put32(b, 24, parentCNID);
            put32(b, 28, targetCNID);
        }
        for (const auto& [id, value] : tags) {
            append16(b, static_cast<std::uint16_t>(id));
            append16(b, static_cast<std::uint32_t>(value.size()));
            b.insert(b.end(), value.begin(), value.end());
            if (value.size() % 2) {
                b.push_back(0);
            }
        }
        if (terminate) {
            append32(b, 0xFFFF0000);
        }
        put16(b, 4, static_cast<std::uint32_t>(b.size()));
        return b;
    }
};

/// One resource of a fork.
struct Resource {
    std::uint32_t type;
    std::int16_t id;
    Bytes data;
};

/// A resource fork holding `resources` (grouped by type in the order first met): data at 16,
/// the map after it, type list at offset 28 of the map.
inline Bytes resourceFork(const std::vector<Resource>& resources) {
    Bytes data;
    std::vector<std::uint32_t> dataOffsets;
    for (const Resource& r : resources) {
        dataOffsets.push_back(static_cast<std::uint32_t>(data.size()));
        append32(data, static_cast<std::uint32_t>(r.data.size()));
        data.insert(data.end(), r.data.begin(), r.data.end());
    }
    std::vector<std::uint32_t> types;
    for (const Resource& r : resources) {
        if (std::find(types.begin(), types.end(), r.type) == types.end()) {
            types.push_back(r.type);
        }
    }
    Bytes map(28, 0);
    put16(map, 24, 28);
    Bytes typeList;
    append16(typeList, static_cast<std::uint32_t>(types.size() - 1));
    Bytes references;
    const std::size_t referencesAt = 2 + types.size() * 8;
    for (std::uint32_t type : types) {
        std::size_t count = 0;
        const std::size_t listAt = referencesAt + references.size();
        for (std::size_t i = 0; i < resources.size(); ++i) {
            if (resources[i].type != type) {
                continue;
            }
            ++count;
            append16(references, static_cast<std::uint16_t>(resources[i].id));
            append16(references, 0xFFFF);
            append32(references, dataOffsets[i]);
            append32(references, 0);
        }
        append32(typeList, type);
        append16(typeList, static_cast<std::uint32_t>(count - 1));
        append16(typeList, static_cast<std::uint32_t>(listAt));
    }
    map.insert(map.end(), typeList.begin(), typeList.end());
    map.insert(map.end(), references.begin(), references.end());
    put16(map, 26, static_cast<std::uint32_t>(map.size()));

    Bytes fork(16, 0);
    put32(fork, 0, 16);
    put32(fork, 4, static_cast<std::uint32_t>(16 + data.size()));
    put32(fork, 8, static_cast<std::uint32_t>(data.size()));
    put32(fork, 12, static_cast<std::uint32_t>(map.size()));
    fork.insert(fork.end(), data.begin(), data.end());
    fork.insert(fork.end(), map.begin(), map.end());
    return fork;
}

inline constexpr std::uint32_t alis = 0x616C6973;

} // namespace korvex::classictest
