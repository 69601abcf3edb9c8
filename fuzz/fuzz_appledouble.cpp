// AppleDouble headers from `._NAME` sidecars and netatalk metadata: never read out of bounds,
// and an entry that is found always lies inside the file it was found in.
#include "AppleDouble.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    (void)korvex::AppleDouble::finderInfo(bytes);
    // As the recognizer reads a sidecar: the first bytes of a file that may be larger.
    for (std::uint64_t total : {std::uint64_t{size}, std::uint64_t{size} + 4096}) {
        const auto entry = korvex::AppleDouble::findEntry(bytes, total, 9);
        if (entry && std::uint64_t{entry->offset} + entry->length > total) {
            std::abort();
        }
    }
    return 0;
}
