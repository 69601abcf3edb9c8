#include "ResourceFork.h"

#include "BigEndian.h"

#include <optional>

namespace korvex::classic {

namespace {

using bookmark::BookmarkError;

constexpr std::size_t headerSize = 16;
constexpr std::size_t mapHeaderSize = 28; // header copy, next map, file ref, attributes, 2 offsets
constexpr std::size_t typeEntrySize = 8;  // type, count - 1, offset of the reference list
constexpr std::size_t referenceSize =
    12; // id, name offset, attributes + 24-bit data offset, handle

BookmarkError error(const char* message, std::size_t offset) {
    return BookmarkError{message, offset};
}

struct Header {
    std::uint32_t dataOffset, mapOffset, dataLength, mapLength;
};

std::optional<Header> headerOf(std::span<const std::uint8_t> fork) {
    if (fork.size() < headerSize) {
        return std::nullopt;
    }
    Header h{readBigEndian32(fork, 0), readBigEndian32(fork, 4), readBigEndian32(fork, 8),
             readBigEndian32(fork, 12)};
    if (!rangeFits(fork.size(), h.dataOffset, h.dataLength) ||
        !rangeFits(fork.size(), h.mapOffset, h.mapLength) || h.mapLength < mapHeaderSize) {
        return std::nullopt;
    }
    return h;
}

} // namespace

bool ResourceFork::looksLikeFork(std::span<const std::uint8_t> bytes) {
    return headerOf(bytes).has_value();
}

bookmark::BookmarkResult<std::span<const std::uint8_t>>
ResourceFork::find(std::span<const std::uint8_t> fork, std::uint32_t type,
                   std::int16_t preferredId) {
    const std::optional<Header> header = headerOf(fork);
    if (!header) {
        return error("resource fork header does not fit the fork", 0);
    }
    const std::span<const std::uint8_t> map = fork.subspan(header->mapOffset, header->mapLength);
    const std::span<const std::uint8_t> data = fork.subspan(header->dataOffset, header->dataLength);

    const std::size_t typeList = readBigEndian16(map, 24);
    if (!rangeFits(map.size(), typeList, 2)) {
        return error("resource type list lies outside the map", header->mapOffset + 24);
    }
    // Counts are stored less one: 0xFFFF is an empty list.
    const std::size_t typeCount = (readBigEndian16(map, typeList) + 1u) & 0xFFFFu;
    if (!rangeFits(map.size(), typeList + 2, typeCount * typeEntrySize)) {
        return error("resource type list runs past the map", header->mapOffset + typeList);
    }
    // A sound map names each type once: the first entry for `type` is the only one read.
    std::size_t entry = typeList + 2;
    std::size_t end = entry + typeCount * typeEntrySize;
    for (; entry < end; entry += typeEntrySize) {
        if (readBigEndian32(map, entry) == type) {
            break;
        }
    }
    if (entry == end) {
        return error("resource fork holds no resource of the type asked for", 0);
    }
    const std::size_t referenceCount = readBigEndian16(map, entry + 4) + 1u;
    const std::size_t references = typeList + readBigEndian16(map, entry + 6);
    if (!rangeFits(map.size(), references, referenceCount * referenceSize)) {
        return error("resource reference list runs past the map", header->mapOffset + entry);
    }
    std::size_t chosen = references; // the first, unless one has the preferred ID
    for (std::size_t i = 0; i < referenceCount; ++i) {
        const std::size_t at = references + i * referenceSize;
        if (static_cast<std::int16_t>(readBigEndian16(map, at)) == preferredId) {
            chosen = at;
            break;
        }
    }
    const std::size_t dataAt = readBigEndian32(map, chosen + 4) & 0xFFFFFFu;
    if (!rangeFits(data.size(), dataAt, 4)) {
        return error("resource data offset lies outside the data", header->mapOffset + chosen);
    }
    const std::size_t length = readBigEndian32(data, dataAt);
    if (!rangeFits(data.size(), dataAt + 4, length)) {
        return error("resource data runs past the fork", header->dataOffset + dataAt);
    }
    return data.subspan(dataAt + 4, length);
}

} // namespace korvex::classic
