#pragma once

#include "BookmarkData.h"
#include "FileCalls.h"
#include "FileDescriptor.h"
#include "PosixAliasPlatform.h"
#include "Sha256.h"

#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>

namespace korvex {

/// Replaces the bookmark data of aliases met by an earlier walk of a folder, without ever
/// writing outside that folder: the folder is opened once (before the walk), every alias is
/// reached again from that descriptor one folder at a time, never through a link, and only
/// the very file that holds the expected bytes is replaced, with the platform's safe write.
class AliasRelinker {
public:
    enum class Outcome {
        replaced,
        changed,    ///< the alias is gone or no longer holds the expected data: left alone
        unreadable, ///< the system did not let the alias be read: left alone
        failed,     ///< it could not be written (or its sidecar could not be)
    };

    /// Opens `folderPath` (absolute).
    explicit AliasRelinker(std::string folderPath, FileCalls& fileCalls = FileCalls::system());

    /// Whether the folder could be opened.
    bool isOpen() const { return static_cast<bool>(root_); }
    /// Whether `folderPath` still names the folder opened (nobody swapped it meanwhile).
    bool stillSameFolder() const;
    const std::string& folderPath() const { return folderPath_; }

    /// The data of the alias at `relativePath` as it is now (read as the scan reads it), and
    /// what fstat says of it; none when it is gone or can't be read (and why).
    ReadResult<BookmarkData> read(std::string_view relativePath, struct stat* status = nullptr);

    /// Replaces the data of the alias at `relativePath` with `fresh` when it holds exactly the
    /// bytes of digest `expected`. With `sidecarText`, first writes it beside the alias (name +
    /// "-korvex-relink.text"), after the text of an earlier sidecar there, which is never lost
    /// (it may hold the original data); when that fails, the alias is left as it is. `error`,
    /// when given, receives the errno of an `unreadable` outcome.
    Outcome replace(std::string_view relativePath, const Digest& expected,
                    const BookmarkData& fresh, const std::string* sidecarText = nullptr,
                    int* error = nullptr);

    /// Why the last `replace` left the alias as it was ("it changed since it was read", the
    /// system's error, ...); empty after one that replaced it.
    const std::string& failure() const { return failure_; }

    /// Removes the relink sidecar of the alias at `relativePath` when it holds `line` (what an
    /// undo of the oldest relink recorded in it expects): a file of someone else is never taken
    /// for one. False when it was not removed.
    bool removeSidecar(std::string_view relativePath, std::string_view line);

    /// What became of the "-korvex-broken.text" sidecar of an alias a relink fixed.
    enum class BrokenNote {
        none,    ///< there is none
        removed, ///< it was the one a marking scan wrote for the old data: removed
        kept,    ///< it holds something else (edited, or not ours): left as it is
        failed,  ///< it could not be read or removed (see `error`)
    };
    /// Removes the broken alias's sidecar of the alias at `relativePath` when it holds exactly
    /// what a marking scan writes for `before` (the data the relink replaced); anything else
    /// there is someone's file and stays. Through the folder's descriptor, never a link.
    BrokenNote removeBrokenNote(std::string_view relativePath, const BookmarkData& before,
                                int* error = nullptr);

    /// The folder's device and inode.
    dev_t device() const { return device_; }
    ino_t inode() const { return inode_; }

    /// The folder holding `relativePath`, reached component by component from the opened
    /// folder with O_NOFOLLOW; `name` gets the last component. Invalid when any step fails or
    /// a component is empty, "." or "..".
    FileDescriptor folderOf(std::string_view relativePath, std::string& name) const;
    /// The item URL of the alias `name` (at `relativePath`) in the open folder `folderFd`, for
    /// the platform's calls; `entry` keeps what the URL refers to.
    FileUrl itemAt(std::string_view relativePath, const std::string& name, int folderFd,
                   WalkEntry& entry) const;

private:
    std::string folderPath_;
    FileDescriptor root_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    PosixAliasPlatform platform_;
    std::string failure_;
};

} // namespace korvex
