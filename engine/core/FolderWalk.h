#pragma once

#include "ReadResult.h"

#include <optional>
#include <stop_token>
#include <string_view>

namespace korvex {

/// One entry of a walk, as the walk hands it out. Every view stays valid until the next step.
struct WalkEntry {
    /// The entry's path relative to the walked folder.
    std::string_view relativePath;
    /// The entry's name in its folder (NUL-terminated where the walk holds a descriptor).
    std::string_view name;
    /// The open folder that holds the entry, or -1 when the walk has none to offer. Every file
    /// operation on the entry goes through it, by name, never through a path that someone could
    /// swap in the meantime.
    int folderFd = -1;
    /// The walk's own record of that folder, for the platform that made the walk; may be null.
    const void* folder = nullptr;
    /// The walk's own answer to the type lookup, when it classified the entry on the way
    /// (the failure too: an entry that could not be examined stays one).
    bool typeKnown = false;
    ReadResult<std::string_view> type;
    /// A folder that could not be opened or read: its content was not walked.
    bool unreadableFolder = false;
    /// Why (the errno of the call that failed), where the walk knows; 0 otherwise.
    int folderError = 0;
};

/// One walk of a folder tree: every entry below the folder, at every depth, once, folders
/// included, in the walk's own order. A folder whose content can't be walked (to the end) is
/// handed out once more, marked `unreadableFolder`, where the walk gave up on it.
class FolderWalk {
public:
    virtual ~FolderWalk() = default;

    /// Steps to the next entry. Returns false when the walk is over; otherwise `entry` describes
    /// the entry, valid until the next call.
    virtual bool next(WalkEntry& entry) = 0;

    /// A stop requested through `stop` from now on ends a wait inside `next` (which then
    /// answers false): the caller's look at its stop between entries can't reach into one.
    /// Walks that never wait need not hear of it.
    virtual void stopOn(std::stop_token stop) { (void)stop; }
};

} // namespace korvex
