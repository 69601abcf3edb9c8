#pragma once

#include <sys/resource.h>

namespace korvex {

/// What the calling thread has waited for so far, -1 each when the system can't tell:
/// `waits`, its voluntary context switches (for the disk, above all, or for a lock; work during
/// which they did not grow was served from memory, however long a busy machine made it take);
/// `diskReads`, the blocks it had read from a disk (file system metadata included).
struct ThreadWaits {
    long waits = -1;
    long diskReads = -1;

    static ThreadWaits now() {
        struct rusage usage {};
        if (::getrusage(RUSAGE_THREAD, &usage) != 0) {
            return {};
        }
        return {usage.ru_nvcsw, usage.ru_inblock};
    }
};

/// The calling thread's voluntary context switches so far (see ThreadWaits).
inline long threadWaitsSoFar() {
    return ThreadWaits::now().waits;
}

} // namespace korvex
