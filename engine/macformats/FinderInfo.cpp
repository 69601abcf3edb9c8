#include "FinderInfo.h"

#include <algorithm>

namespace korvex {

bool FinderInfo::isZero() const {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

std::optional<FinderInfo> FinderInfo::fromRaw(std::span<const std::uint8_t> blob) {
    if (blob.size() != size && blob.size() != size + 1) {
        return std::nullopt;
    }
    return fromPrefix(blob);
}

std::optional<FinderInfo> FinderInfo::fromPrefix(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < size) {
        return std::nullopt;
    }
    FinderInfo info;
    std::copy_n(bytes.begin(), size, info.bytes.begin());
    return info;
}

} // namespace korvex
