// Resource forks from `._NAME` entry 2, `.AppleDouble/NAME`, stream and fork attributes: never
// read out of bounds, and a resource that is found always lies inside the fork.
#include "ClassicAlias.h"
#include "ResourceFork.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> fork(data, size);
    const auto found =
        korvex::classic::ResourceFork::find(fork, korvex::classic::ResourceFork::aliasType);
    if (found && (found.value().data() < data ||
                  found.value().data() + found.value().size() > data + size)) {
        std::abort();
    }
    (void)korvex::classic::ClassicAlias::read(fork);
    return 0;
}
