#include "ProgressPacer.h"

#include "VectorRegisters.h"

namespace korvex {

void ProgressPacer::tell(std::string_view relativePath, std::int64_t aliases) {
    // The folder being read is the folder of the entry at hand.
    const std::size_t slash = relativePath.rfind('/');
    ScanProgressCounts counts;
    counts.entries = entries_;
    counts.aliases = aliases;
    counts.folder =
        slash == std::string_view::npos ? std::string_view() : relativePath.substr(0, slash);
    progress_->scanProgressed(counts);
    // The listener may have run code that leaves the vector registers in use (the window's
    // posts an event through Qt): the scan goes on with them cleared.
    VectorRegisters::clearUpperHalves();
}

} // namespace korvex
