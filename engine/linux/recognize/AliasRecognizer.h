#pragma once

#include "ReadResult.h"
#include "XattrSource.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace korvex {

class FolderListing;

/// Static type identifiers the recognizer answers with.
namespace TypeIds {
inline constexpr std::string_view alias = "com.apple.alias-file";
inline constexpr std::string_view folder = "public.folder";
inline constexpr std::string_view symlink = "public.symlink";
inline constexpr std::string_view data = "public.data";
inline constexpr std::string_view item = "public.item"; ///< pipes, sockets, devices

/// An answer of the recognizer in one byte, and back: 0 when the entry is gone, a code of its
/// own for each identifier, and one per errno for an entry that could not be examined.
std::uint8_t code(const ReadResult<std::string_view>& answer);
ReadResult<std::string_view> fromCode(std::uint8_t code);
} // namespace TypeIds

/// Decides what an entry on a Linux disk is, in the type identifiers the scan engine knows;
/// above all whether it is a Finder alias ("com.apple.alias-file"):
/// - only regular files can be aliases; `._NAME` sidecars, the temporary files of safe writes
///   and everything inside the metadata folders `.AppleDouble` and `__MACOSX` never are;
/// - the first non-zero FinderInfo found decides by its alias flag; the carriers are looked at
///   in this order: `osx.com.apple.FinderInfo`, `user.com.apple.FinderInfo`,
///   `user.DosStream.AFP_AfpInfo:$DATA`, `user.org.netatalk.Metadata`, then the AppleDouble
///   files `._NAME` beside it, `.AppleDouble/NAME`, `ROOT/__MACOSX/REL/._NAME` (see
///   AppleDoubleFiles);
/// - with no FinderInfo anywhere (lost in copying) the data fork decides: the alias magic with
///   header lengths that fit the file.
/// No identifier when the entry vanished (gone), or when the system did not let it be examined
/// (unreadable, with the errno of the call that failed): a FinderInfo, AppleDouble file or
/// data fork that exists but can't be read makes the answer unknown, never "not an alias",
/// unless a place believed before it has decided already. Safe to use from several threads
/// at once; every answer views static storage.
class AliasRecognizer {
public:
    /// Uses the system's extended attributes.
    AliasRecognizer();
    /// Uses `xattrs` (kept alive by the recognizer).
    explicit AliasRecognizer(std::shared_ptr<const XattrSource> xattrs);
    ~AliasRecognizer();

    /// One entry as a walk sees it.
    struct Entry {
        int folderFd = -1;      ///< the open folder holding the entry
        std::string_view name;  ///< the entry's name in that folder (NUL-terminated)
        unsigned char type = 0; ///< d_type from the listing (DT_UNKNOWN: look it up)
        /// The entry's path for attribute calls: absolute, or relative to the calling thread's
        /// working folder (the walk's threads sit in the entry's folder); null: the calls go
        /// through `folderFd` (see XattrSource::byDescriptor).
        const char* path = nullptr;
        /// The folder's names; null: probe the AppleDouble files on the disk (then `path` must
        /// be absolute for the `__MACOSX` trees above the folder to be found).
        const FolderListing* listing = nullptr;
        bool xattrs = true; ///< the folder's file system keeps attributes
    };

    /// The type identifier of the entry at `absolutePath`, looked up afresh.
    ReadResult<std::string_view> typeIdentifier(const std::string& absolutePath) const;

    /// The type identifier of the entry `name` in the open folder `folderFd`, looked up afresh
    /// through the descriptor.
    ReadResult<std::string_view> typeIdentifierAt(int folderFd, const std::string& name) const;

    /// The type identifier of one walked entry. Gives the same answer as the path variant.
    ReadResult<std::string_view> typeIdentifier(const Entry& entry) const;

    /// Whether the file system of the open folder `folderFd` (on `device`) keeps extended
    /// attributes; asked of the file system once per device.
    bool xattrsSupported(int folderFd, dev_t device) const;

    /// Whether an entry's attributes are reached through its folder's descriptor alone, so
    /// that a walk need give no path (see XattrSource::byDescriptor).
    bool xattrsByDescriptor() const { return xattrs_->byDescriptor(); }

private:
    std::shared_ptr<const XattrSource> xattrs_;
    mutable std::mutex devicesMutex_;
    mutable std::vector<std::pair<dev_t, bool>> devices_;
};

} // namespace korvex
