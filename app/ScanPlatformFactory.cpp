#include "ScanPlatformFactory.h"

namespace korvex {

// The one place where the program chooses the platform its scans run on.
//
// NOT WIRED YET: the Linux platform (PosixAliasPlatform) is not part of this build. Until it
// is, this factory makes no platform, and every scan of the window answers that the folder
// can't be found. Once it lands, this becomes:
//
//     return [] { return std::make_unique<PosixAliasPlatform>(std::vector<PathMapping>{}); };
PlatformFactory scanPlatformFactory() {
    return [] { return std::unique_ptr<AliasPlatform>(); };
}

} // namespace korvex
