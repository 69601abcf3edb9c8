#pragma once

#include "PathMapping.h"

#include <string>
#include <string_view>
#include <vector>

namespace korvex {

/// The user's path mappings, kept in a small text file in the settings folder so that the
/// window and the command line (which has no Qt) read the same list.
///
/// The file holds one mapping per line: the Mac path prefix, a tab, the local folder. Inside
/// either, a backslash is written `\\`, a tab `\t`, a line feed `\n` and a carriage return
/// `\r`; no other byte is changed (paths are bytes, not necessarily UTF-8). Lines that are empty or
/// start with `#` are comments. A line that can't be read is skipped; the others still count.
class PathMappingStore {
public:
    /// What a load found.
    struct Loaded {
        std::vector<PathMapping> mappings;
        /// Lines that held something but no usable mapping (they are dropped by the next save).
        int skippedLines = 0;
    };

    /// `filePath`: where the list is kept; by default `path-mappings.conf` in the user's settings
    /// folder (see `defaultFilePath`).
    explicit PathMappingStore(std::string filePath = defaultFilePath());

    /// `$XDG_CONFIG_HOME/Korvex/path-mappings.conf` when that variable holds an absolute path,
    /// else `HOME/.config/Korvex/path-mappings.conf`; empty when there is no home folder at all.
    /// The same folder the window's other settings are kept in.
    static std::string defaultFilePath();

    const std::string& filePath() const { return filePath_; }

    /// The stored mappings. A missing file is no mappings; a file that can't be read (not a
    /// regular file, no permission) is no mappings too. Only the first 1 MiB is read.
    Loaded load() const;

    /// Replaces the stored list with `mappings` (cleaned, see `cleaned`), atomically: the new
    /// list is written to a temporary file beside the old one and renamed over it, so a failed
    /// save leaves the old list as it was. Makes the settings folder when it is missing. False,
    /// with `error` set, when it fails.
    bool save(const std::vector<PathMapping>& mappings, std::string& error) const;

    /// Stores the edits that turned `base` (the list as it was loaded) into `edited`, on top of
    /// the list stored now, so that no save drops a change saved meanwhile by another window
    /// or program: what `edited` holds stays, in its order, except a mapping that was in
    /// `base` and has been removed from the store since; then come the mappings stored since
    /// `base` was loaded that `edited` doesn't hold. `stored`, when given, receives the list
    /// saved. False, with `error` set, when the save fails.
    bool saveEdits(const std::vector<PathMapping>& base, const std::vector<PathMapping>& edited,
                   std::string& error, std::vector<PathMapping>* stored = nullptr) const;
    /// That merge alone: `current` is the list stored now.
    static std::vector<PathMapping> merged(const std::vector<PathMapping>& base,
                                           const std::vector<PathMapping>& edited,
                                           const std::vector<PathMapping>& current);

    /// The mappings worth keeping, in their order: both sides absolute paths (the local folder
    /// too: a relative one would depend on where the program was started), trailing slashes
    /// dropped (but "/" stays "/"), without NUL bytes; other rows are left out. Two rows may share
    /// a Mac prefix: both folders are tried, in this order.
    static std::vector<PathMapping> cleaned(const std::vector<PathMapping>& mappings);

    /// The file's text for `mappings` (not cleaned), and the parse of such a text.
    static std::string format(const std::vector<PathMapping>& mappings);
    static Loaded parse(std::string_view text);

private:
    std::string filePath_;
};

} // namespace korvex
