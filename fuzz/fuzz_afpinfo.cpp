// What SMB servers keep for their clients: AfpInfo streams, bare FinderInfo attribute values
// and Samba's DOS attributes.
#include "AfpInfo.h"
#include "DosAttributes.h"
#include "FinderInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    if (auto info = korvex::AfpInfo::finderInfo(bytes)) {
        (void)info->isAlias();
    }
    if (auto info = korvex::FinderInfo::fromRaw(bytes)) {
        (void)info->isZero();
    }
    if (auto date = korvex::DosAttributes::creationDate(bytes)) {
        (void)*date;
    }
    return 0;
}
