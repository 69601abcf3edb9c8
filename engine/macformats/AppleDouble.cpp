#include "AppleDouble.h"

#include "BigEndian.h"

namespace korvex::AppleDouble {

std::optional<Entry> findEntry(std::span<const std::uint8_t> head, std::uint64_t totalSize,
                               std::uint32_t id) {
    if (head.size() < headerSize || head.size() > totalSize) {
        return std::nullopt;
    }
    if (readBigEndian32(head, 0) != magic || readBigEndian32(head, 4) != version2) {
        return std::nullopt;
    }
    const std::size_t count = readBigEndian16(head, 24);
    if (count == 0 || count > (head.size() - headerSize) / entrySize) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = headerSize + i * entrySize;
        if (readBigEndian32(head, at) != id) {
            continue;
        }
        Entry entry{readBigEndian32(head, at + 4), readBigEndian32(head, at + 8)};
        if (std::uint64_t{entry.offset} + entry.length > totalSize) {
            return std::nullopt;
        }
        return entry;
    }
    return std::nullopt;
}

std::optional<FinderInfo> finderInfo(std::span<const std::uint8_t> blob) {
    std::optional<Entry> entry = findEntry(blob, blob.size(), finderInfoEntry);
    if (!entry || entry->length < FinderInfo::size) {
        return std::nullopt;
    }
    return FinderInfo::fromPrefix(blob.subspan(entry->offset, FinderInfo::size));
}

std::optional<double> creationDate(std::span<const std::uint8_t> blob) {
    constexpr std::uint32_t unknown = 0x80000000;
    constexpr double from2000To2001 = 366.0 * 86400.0;
    std::optional<Entry> entry = findEntry(blob, blob.size(), fileDatesEntry);
    if (!entry || entry->length < 4) {
        return std::nullopt;
    }
    const std::uint32_t created = readBigEndian32(blob, entry->offset);
    if (created == unknown) {
        return std::nullopt;
    }
    return static_cast<double>(static_cast<std::int32_t>(created)) - from2000To2001;
}

} // namespace korvex::AppleDouble
