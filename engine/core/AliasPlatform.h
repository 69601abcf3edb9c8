#pragma once

#include "BookmarkData.h"
#include "FileUrl.h"
#include "FolderWalk.h"
#include "ReadResult.h"
#include "WriteResult.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace korvex {

/// Bookmark resolution option bits.
enum ResolutionOption : std::uint32_t {
    resolutionWithoutUI = 0x100,
    resolutionWithoutMounting = 0x200,
};

/// Bookmark creation option: include what a Finder alias file needs.
inline constexpr std::uint32_t bookmarkCreationSuitableForBookmarkFile = 1024;

/// Every resolution of a scan: no dialog is ever shown, no volume is ever mounted.
inline constexpr std::uint32_t resolutionOptions = resolutionWithoutUI | resolutionWithoutMounting;

/// The type identifier of a Finder alias file.
inline constexpr std::string_view aliasFileType = "com.apple.alias-file";

/// The key under which the bookmark services answer with every stored property.
inline constexpr std::string_view allPropertiesKey = "NSURLBookmarkAllPropertiesKey";

/// The longest description of stored properties a platform hands over: longer ones are cut.
/// Well above what a sidecar holds, so that a sidecar cut to its size can say how long the
/// whole description was.
inline constexpr std::size_t storedPropertiesLimit = 8 << 20;

/// The file-system and bookmark operations the scan engine needs, and nothing else.
/// Every operation that can fail for more than one reason says why (ReadFailure, WriteResult),
/// so that what the system refused is never taken for something the file is, and the report
/// can give the reason.
class AliasPlatform {
public:
    virtual ~AliasPlatform() = default;

    /// Opens a walk of the folder at `folderPath`; none when the folder can't be walked.
    virtual std::unique_ptr<FolderWalk> openWalk(const std::string& folderPath) = 0;

    /// The item URL of a walked entry: folder path, slash, relative path (into `into`). The
    /// URL keeps the entry, so that the operations below reach the very file the walk met.
    virtual void itemUrl(const WalkEntry& entry, const FileUrl& folderUrl, FileUrl& into) = 0;

    /// The entry's type identifier; else why the lookup failed: gone, or unreadable when the
    /// entry could not be examined (whatever it is, it can't be said whether it is an alias).
    /// The view stays valid until the next call on this platform.
    virtual ReadResult<std::string_view> typeIdentifier(const FileUrl& item) = 0;

    /// The bookmark data stored in the alias file; else why there is none: damaged when what
    /// the file holds is no bookmark data that can be read, unreadable when the system did not
    /// let it be read, gone when the file vanished.
    virtual ReadResult<BookmarkData> readBookmarkData(const FileUrl& item) = 0;

    /// Resolves bookmark data with `options`, never asking and never mounting. Sets `isStale`
    /// when the target was not where the data says. Else why not: damaged when the data leads
    /// nowhere (it names no target, or no target is where it leads: the alias is broken);
    /// unreadable, with the errno, when the system refused a look on the way (a folder that may
    /// not be searched, an I/O error) and the target was found nowhere else: whether the alias
    /// is broken is unknown then.
    virtual ReadResult<FileUrl> resolveBookmarkData(const BookmarkData& data, std::uint32_t options,
                                                    bool& isStale) = 0;

    /// The text form of the stored properties asked for with `key` (the engine always passes
    /// `allPropertiesKey`): the description of the answered dictionary, or none. A description
    /// is at most `storedPropertiesLimit` bytes long (hostile data could ask for any length):
    /// one that long was cut there.
    virtual std::optional<std::string> storedProperties(std::string_view key,
                                                        const BookmarkData& data) = 0;

    /// Whether a refresh may replace `data` with fresh bookmark data. False for data that is
    /// kept as it is (the platform says which); such an alias is neither refreshed nor failed.
    virtual bool refreshable(const BookmarkData& data) = 0;

    /// Fresh bookmark data for `target` with the creation `options`. `previous` is the
    /// bookmark data the target was resolved from: on a disk away from the Mac that uses the
    /// alias, only it tells how that Mac names the target, so fresh data keeps its terms.
    /// Else why not: unreadable, with the errno, when the target could not be examined;
    /// damaged when no bookmark data can be made for it (unsupported options, a target that
    /// can't be described); gone when the target vanished.
    virtual ReadResult<BookmarkData> makeBookmarkData(const FileUrl& target, std::uint32_t options,
                                                      const BookmarkData& previous) = 0;

    /// Writes `data` as the bookmark data of the alias file `item`; else says why not.
    virtual WriteResult writeBookmarkData(const BookmarkData& data, const FileUrl& item) = 0;

    /// Creates or replaces the text file named like the item `beside` plus `suffix`, in the same
    /// folder (path: `beside.path` + `suffix`), with `text` (UTF-8); else says why not.
    virtual WriteResult writeText(std::string_view text, const FileUrl& beside,
                                  std::string_view suffix) = 0;
};

} // namespace korvex
