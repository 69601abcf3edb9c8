#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvex {

/// The key under which a path sorts: its canonical (NFC) normal form in UTF-8, whose byte order
/// is code-point order. A path that is not valid UTF-8 sorts by its own bytes.
std::string pathSortKey(std::string_view path);

/// Sorts `paths` ascending by `pathSortKey`, comparing whole paths; stable, so paths that are
/// equal after normalisation keep their order.
void sortPaths(std::vector<std::string>& paths);

} // namespace korvex
