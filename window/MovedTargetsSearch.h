#pragma once

#include "MovedTargetsSession.h"
#include "PathMapping.h"
#include "StopFlag.h"

#include <memory>
#include <string>
#include <vector>

namespace korvex {

/// The search of Find Moved Targets: scans `folder` (only reading), then looks for the new
/// targets of the broken aliases it found in that folder's tree and in the local folders of
/// `mappings`. Runs on the caller's thread (a pool's); a stop ends the scan or the search
/// early, and the session then holds what was found before it (see AliasRepair::search).
class MovedTargetsSearch {
public:
    static std::shared_ptr<MovedTargetsSession> run(const std::string& folder, bool mark,
                                                    std::vector<PathMapping> mappings,
                                                    const StopFlag& stop = {});
};

} // namespace korvex
