// The alias data-fork header check, with the file size both honest and lying.
#include "AliasDataFork.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    for (std::uint64_t fileSize : {std::uint64_t{size}, std::uint64_t{size} & ~std::uint64_t{3},
                                   std::uint64_t{0xFFFFFFFFFFFFFFFC}}) {
        if (korvex::AliasDataFork::headerFits(bytes, fileSize) &&
            !korvex::AliasDataFork::sizeFits(fileSize)) {
            std::abort();
        }
    }
    return 0;
}
