// AfpInfo streams and bare FinderInfo attribute values.
#include "AfpInfo.h"
#include "FinderInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    if (auto info = korvex::AfpInfo::finderInfo(bytes)) {
        (void)info->isAlias();
    }
    if (auto info = korvex::FinderInfo::fromRaw(bytes)) {
        (void)info->isZero();
    }
    return 0;
}
