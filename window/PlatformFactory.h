#pragma once

#include "AliasPlatform.h"
#include "PathMapping.h"

#include <functional>
#include <memory>
#include <vector>

namespace korvex {

/// Makes the platform one scan runs on, resolving through the user's path mappings as they
/// were when the scan started. Called once per scan, on the scan's own thread; the platform
/// lives exactly as long as that scan. May answer none, and the scan then reports that the
/// folder can't be walked.
using PlatformFactory =
    std::function<std::unique_ptr<AliasPlatform>(std::vector<PathMapping> mappings)>;

} // namespace korvex
