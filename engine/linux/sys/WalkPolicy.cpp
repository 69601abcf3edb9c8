#include "WalkPolicy.h"

#include "FolderListing.h"
#include "PseudoFileSystems.h"

#include <algorithm>
#include <sys/resource.h>

namespace korvex {

bool WalkPolicy::entersFileSystem(long magic) {
    return !isPseudoFileSystem(magic);
}

bool WalkPolicy::examinesBelowAlone(const FolderListing& listing) {
    return listing.archiveRoots().empty() && !listing.holdsMacArchiveFolder();
}

std::size_t WalkPolicy::processDescriptors() {
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        return static_cast<std::size_t>(limit.rlim_cur);
    }
    return 1024;
}

std::size_t WalkPolicy::folderDescriptors(std::size_t least) {
    return std::clamp<std::size_t>(processDescriptors() / 4, least, 256);
}

} // namespace korvex
