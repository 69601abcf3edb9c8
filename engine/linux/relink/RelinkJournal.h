#pragma once

#include "RelinkRecord.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>

namespace korvex {

/// The undo journal of relinks, the one source an undo trusts: a text file in the user's own data
/// folder, one line per relink (see RelinkRecord) and one per record settled (undone, or never
/// applied). Lines are only ever appended, under an exclusive lock and flushed, so that runs at
/// the same time never lose each other's records; it is read as a stream, so its size is bounded
/// by the disk only. A record is named by the byte offset of its line.
class RelinkJournal {
public:
    /// Lines longer than this can't be records (the old data of an alias is at most 16 MiB).
    static constexpr std::size_t defaultLineLimit = 32u << 20;

    /// `filePath`: where the journal is kept; by default `defaultFilePath()`.
    explicit RelinkJournal(std::string filePath = defaultFilePath(),
                           std::size_t lineLimit = defaultLineLimit);

    /// `$XDG_DATA_HOME/korvex/relink-journal` when that variable holds an absolute path to a
    /// folder of the user running (by effective id), else `HOME/.local/share/korvex/...`, with
    /// HOME the same way, else the home folder the password database gives that user: so root's
    /// journal stays root's when it runs with another user's environment. Empty without one.
    static std::string defaultFilePath();

    const std::string& filePath() const { return filePath_; }

    /// Whether the journal can be written and read back (making it and its folders when
    /// missing); a relink asks before touching any alias. `why` says what failed.
    bool usable(std::string& why) const;

    /// Appends a record and flushes it to the disk; the offset of its line, none on failure.
    std::optional<std::uint64_t> append(const RelinkRecord& record) const;
    /// Appends that the record at `offset` is settled; false on failure.
    bool settle(std::uint64_t offset) const;

    /// One record as read by `read`: without its old data, which `recordAt` reads.
    struct Entry {
        std::uint64_t offset = 0;
        std::uint64_t length = 0;
        RelinkRecord record;
    };
    /// What a read found.
    struct Reading {
        std::unordered_set<std::uint64_t> settled; ///< offsets of the records settled
        std::size_t unreadableLines = 0;           ///< lines that are no record (nor a settling)
    };
    /// Streams the journal, oldest first: `each` gets every record. A missing journal reads as
    /// empty. False (with `why`) when it exists but can't be read through.
    bool read(const std::function<void(Entry&&)>& each, Reading& reading, std::string& why) const;
    /// The record of `entry` with its old data; none when its line reads otherwise now.
    std::optional<RelinkRecord> recordAt(const Entry& entry) const;

private:
    bool makeFolder() const;
    bool appendLine(const std::string& line, std::uint64_t& offset) const;

    std::string filePath_;
    std::size_t lineLimit_;
};

} // namespace korvex
