#pragma once

#include "AliasRepair.h"
#include "MountTable.h"

#include <memory>
#include <vector>

namespace korvex {

/// One "Find Moved Targets" of a window: what was asked, what the search found, and the folder
/// opened before the scan, from which a relink reaches the aliases. Made on a pool thread,
/// then only read and changed on the GUI thread, or by the one relink job it is handed to.
struct MovedTargetsSession {
    RepairRequest request;
    RepairResult result;
    std::shared_ptr<AliasRelinker> relinker;
    MountTable mounts;
    /// For each alias and each of its candidates: whether the candidate leads back to a path
    /// of the Mac (else only a path mapping can fix the alias).
    std::vector<std::vector<bool>> leadsBack;
};

} // namespace korvex
