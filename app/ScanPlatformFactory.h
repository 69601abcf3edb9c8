#pragma once

#include "PlatformFactory.h"

namespace korvex {

/// The platform every scan of the program runs on.
PlatformFactory scanPlatformFactory();

} // namespace korvex
