#pragma once

#include "BookmarkData.h"
#include "BookmarkResolver.h"
#include "FileUrl.h"
#include "MountTable.h"
#include "ReadResult.h"

#include <optional>

namespace korvex {

/// Makes the fresh bookmark data of a refresh, in the terms of the Mac that uses the alias, so
/// that the refresh never makes the alias worse there:
/// - target found at exactly its stored path: the file's own facts replace the stored ones:
///   its kind, its creation date (MacCreationDate), and the file ids of the components on its
///   own file system unless that keeps no persistent ids (PathFileIds; the stored volume's
///   flags are believed); and so does its volume as the mount table shows it when a file
///   system mounted below the stored volume's mount point holds it (BookmarkVolumeChange; a
///   stored volume whose mount point is just a folder here keeps its description). Values
///   that come out the same keep their records: a second refresh changes no byte;
/// - target found only through a path mapping, a same-name volume or equivalent names: the
///   stored path and volume are those of the Mac, and nothing of this machine may replace
///   them; the data is written back as it was read.
/// Every entry the refresh does not set is kept (unknown keys included), and so is the
/// container form and its header.
class BookmarkRefresher {
public:
    BookmarkRefresher(const BookmarkResolver& resolver, const MountTable& mounts)
        : resolver_(resolver), mounts_(mounts) {}

    /// Fresh data for `target`, which `previous` resolved to; else damaged when `previous` can't
    /// be read or says no path, gone when it no longer resolves to `target`, unreadable with the
    /// errno when the system refused a look on the way.
    ReadResult<BookmarkData> refresh(const FileUrl& target, const BookmarkData& previous) const;

private:
    /// The file's ids, creation date (MacCreationDate) and kind into `info`, which holds the
    /// stored data (volume flags included) on entry.
    void describeFile(const std::string& path, bool volumeChanged,
                      bookmark::BookmarkInfo& info) const;
    /// The volume that holds `path`, when it is not the stored one; true when it changed.
    bool describeVolume(const std::string& path, bookmark::BookmarkInfo& info,
                        bookmark::Bookmark& bookmark) const;

    const BookmarkResolver& resolver_;
    const MountTable& mounts_;
};

} // namespace korvex
