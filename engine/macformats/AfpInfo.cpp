#include "AfpInfo.h"

#include "BigEndian.h"

namespace korvex::AfpInfo {

std::optional<FinderInfo> finderInfo(std::span<const std::uint8_t> blob) {
    if (blob.size() != size && blob.size() != size + 1) {
        return std::nullopt;
    }
    if (blob[0] != 'A' || blob[1] != 'F' || blob[2] != 'P' || blob[3] != 0 ||
        readBigEndian32(blob, 4) != 0x00000100) {
        return std::nullopt;
    }
    return FinderInfo::fromPrefix(blob.subspan(finderInfoOffset, FinderInfo::size));
}

} // namespace korvex::AfpInfo
