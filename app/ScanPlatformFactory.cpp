#include "ScanPlatformFactory.h"

// The one place where the program chooses the platform its scans run on: the Linux platform
// when this build has it, else none at all.
#if __has_include("posix/PosixAliasPlatform.h")
#include "posix/PosixAliasPlatform.h"
#define KORVEX_WINDOW_HAS_LINUX_PLATFORM 1
#endif

namespace korvex {

PlatformFactory scanPlatformFactory() {
#ifdef KORVEX_WINDOW_HAS_LINUX_PLATFORM
    return [](std::vector<PathMapping> mappings) {
        return std::make_unique<PosixAliasPlatform>(std::move(mappings));
    };
#else
    // NOT WIRED: without the Linux platform in the build, no platform is made, and every scan
    // of the window answers that the folder can't be found.
    return [](std::vector<PathMapping>) { return std::unique_ptr<AliasPlatform>(); };
#endif
}

} // namespace korvex
