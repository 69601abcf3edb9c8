#pragma once

#include <sys/resource.h>

namespace korvex {

/// The times the calling thread has had to wait so far (voluntary context switches: for the
/// disk, above all). Work during which it did not grow was served from memory, however long a
/// busy machine made it take. -1 when the system can't tell.
inline long threadWaitsSoFar() {
    struct rusage usage {};
    return ::getrusage(RUSAGE_THREAD, &usage) == 0 ? usage.ru_nvcsw : -1;
}

} // namespace korvex
