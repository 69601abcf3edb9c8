#pragma once

#include <string_view>

namespace korvex {

/// One walk of a folder tree: every entry below the folder, at every depth, once, folders
/// included, each as a path relative to the folder, in the walk's own order.
class FolderWalk {
public:
    virtual ~FolderWalk() = default;

    /// Steps to the next entry. Returns false when the walk is over; otherwise `relativePath`
    /// views the entry's relative path, valid until the next call.
    virtual bool next(std::string_view& relativePath) = 0;
};

} // namespace korvex
