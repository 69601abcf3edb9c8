#pragma once

#include "AliasPlatform.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace korvex::test {

/// An in-memory AliasPlatform: a tree of named entries with type identifiers, bookmark bytes,
/// resolution outcomes and stored-property answers, places that can't be written, a failure
/// switch for every operation, and a record of the calls it receives.
class MemoryAliasPlatform : public AliasPlatform {
public:
    struct Entry {
        std::string relativePath;
        std::optional<std::string> type;      // none: the type lookup fails
        std::optional<BookmarkData> bookmark; // none: the bookmark data can't be read
        bool unreadableFolder = false;        // a folder whose content can't be walked
        ReadFailure typeFailure{};            // why the type lookup fails (default: gone)
        ReadFailure readFailure = ReadFailure::damaged(); // why the data can't be read
    };

    /// The folder that can be walked; every other path gives no walk.
    std::string folder = "/f";
    std::vector<Entry> entries;
    /// Bookmark bytes -> resolved target; data not listed does not resolve.
    std::map<BookmarkData, FileUrl> targets;
    /// Bookmark bytes -> stored-properties description; data not listed gives none.
    std::map<BookmarkData, std::string> properties;
    /// Bookmark bytes that a refresh keeps as they are.
    std::set<BookmarkData> keptAsIs;
    /// Bookmark bytes whose fresh data is the same bytes again (already up to date).
    std::set<BookmarkData> upToDate;
    /// Paths into which neither text nor bookmark data can be written (EACCES).
    std::set<std::string> unwritable;
    /// Bookmark bytes whose resolution the system refuses (a folder on the way: EACCES).
    std::set<BookmarkData> targetUnreadable;
    /// Why `fail.make` fails (default: damaged).
    ReadFailure makeFailure = ReadFailure::damaged();

    struct Failures {
        bool walk = false, type = false, read = false, resolve = false, properties = false,
             make = false, writeBookmark = false, writeText = false;
    } fail;

    /// Every call received, as "operation argument" lines, in order.
    std::vector<std::string> calls;
    /// Text written by writeText, by path (last write wins).
    std::map<std::string, std::string> texts;
    /// Bookmark data written by writeBookmarkData, by alias path.
    std::map<std::string, BookmarkData> bookmarks;

    /// Adds an alias entry with bookmark bytes made from its name; `target` empty: broken.
    BookmarkData addAlias(const std::string& relativePath, const std::string& target = "");
    void addPlain(const std::string& relativePath, const std::string& type = "public.data");

    std::unique_ptr<FolderWalk> openWalk(const std::string& folderPath) override;
    void itemUrl(const WalkEntry& entry, const FileUrl& folderUrl, FileUrl& into) override;
    ReadResult<std::string_view> typeIdentifier(const FileUrl& item) override;
    ReadResult<BookmarkData> readBookmarkData(const FileUrl& item) override;
    ReadResult<FileUrl> resolveBookmarkData(const BookmarkData& data, std::uint32_t options,
                                            bool& isStale) override;
    std::optional<std::string> storedProperties(std::string_view key,
                                                const BookmarkData& data) override;
    bool refreshable(const BookmarkData& data) override;
    ReadResult<BookmarkData> makeBookmarkData(const FileUrl& target, std::uint32_t options,
                                              const BookmarkData& previous) override;
    WriteResult writeBookmarkData(const BookmarkData& data, const FileUrl& item) override;
    WriteResult writeText(std::string_view text, const FileUrl& beside,
                          std::string_view suffix) override;

private:
    const Entry* find(const FileUrl& item) const;
};

std::string text(const BookmarkData& data);
BookmarkData bytes(std::string_view text);

} // namespace korvex::test
