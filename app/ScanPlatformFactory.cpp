#include "ScanPlatformFactory.h"

#include "PosixAliasPlatform.h"

namespace korvex {

// The one place where the program chooses the platform its scans run on.
PlatformFactory scanPlatformFactory() {
    return [](std::vector<PathMapping> mappings) {
        return std::make_unique<PosixAliasPlatform>(std::move(mappings));
    };
}

} // namespace korvex
