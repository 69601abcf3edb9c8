#pragma once

#include "BookmarkData.h"
#include "FileCalls.h"
#include "FileDescriptor.h"
#include "PosixAliasPlatform.h"

#include <string>
#include <string_view>
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

    /// Replaces the data of the alias at `relativePath` with `fresh` when it holds exactly
    /// `expected`. With `sidecarText`, first writes it beside the alias (name +
    /// "-korvex-relink.text"); when that fails, the alias is left as it is. `error`, when
    /// given, receives the errno of an `unreadable` outcome.
    Outcome replace(std::string_view relativePath, const BookmarkData& expected,
                    const BookmarkData& fresh, const std::string* sidecarText = nullptr,
                    int* error = nullptr);

    /// Why the last `replace` left the alias as it was ("it changed since it was read", the
    /// system's error, ...); empty after one that replaced it.
    const std::string& failure() const { return failure_; }

    /// The folder holding `relativePath`, reached component by component from the opened
    /// folder with O_NOFOLLOW; `name` gets the last component. Invalid when any step fails or
    /// a component is empty, "." or "..".
    FileDescriptor folderOf(std::string_view relativePath, std::string& name) const;

private:
    std::string folderPath_;
    FileDescriptor root_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    PosixAliasPlatform platform_;
    std::string failure_;
};

} // namespace korvex
