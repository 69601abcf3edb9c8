// Classic Alias Manager records (resource 'alis', bookmark key 0xFE00): never read out of
// bounds; whatever record is read can be described and resolved without surprises.
#include "BookmarkDescription.h"
#include "BookmarkInfo.h"
#include "ClassicAlias.h"
#include "ClassicAliasRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const auto record = korvex::classic::AliasRecord::read(bytes);
    if (record) {
        const auto bookmark = korvex::classic::ClassicAlias::toBookmark(record.value());
        (void)korvex::bookmark::BookmarkDescription::describe(bookmark);
        (void)korvex::bookmark::BookmarkInfo::from(bookmark).targetPath();
    }
    (void)korvex::classic::ClassicAlias::describeEmbedded(bytes);
    return 0;
}
