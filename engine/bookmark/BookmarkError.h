#pragma once

#include <cstddef>
#include <string>

namespace korvex::bookmark {

/// Why bookmark bytes could not be read: a sentence for people and the byte offset (from the
/// start of the given bytes) where the reader found the fault.
struct BookmarkError {
    std::string message;
    std::size_t offset = 0;
};

} // namespace korvex::bookmark
