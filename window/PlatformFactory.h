#pragma once

#include "AliasPlatform.h"

#include <functional>
#include <memory>

namespace korvex {

/// Makes the platform one scan runs on. Called once per scan, on the scan's own thread; the
/// platform lives exactly as long as that scan. May answer none, and the scan then reports
/// that the folder can't be walked.
using PlatformFactory = std::function<std::unique_ptr<AliasPlatform>()>;

} // namespace korvex
