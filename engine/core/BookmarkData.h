#pragma once

#include <cstdint>
#include <vector>

namespace korvex {

/// Bookmark data as stored in an alias file. The scan engine never looks inside it.
using BookmarkData = std::vector<std::uint8_t>;

} // namespace korvex
