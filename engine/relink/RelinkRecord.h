#pragma once

#include "BookmarkData.h"
#include "Sha256.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvex {

/// Suffix of the sidecar written beside an alias before it is relinked (with mark on): a record
/// for people to read, never read back by an undo.
inline constexpr std::string_view relinkSuffix = "-korvex-relink.text";

/// What undoing one relink needs: where the alias is, what it held before (the bytes and their
/// digest) and the digest of what the relink wrote.
struct RelinkRecord {
    std::string folder;       ///< the scanned folder (absolute), as given
    std::string relativePath; ///< the alias, below it
    /// The scanned folder's device and inode, and the alias's before the relink (0: unknown, in
    /// records written before they were kept).
    std::uint64_t folderDevice = 0;
    std::uint64_t folderInode = 0;
    std::uint64_t aliasDevice = 0;
    std::uint64_t aliasInode = 0;
    BookmarkData before; ///< empty when read without the data (see fromJournalLine)
    Digest beforeDigest{};
    Digest afterDigest{};
    /// What the relink wrote: only for the sidecar; the journal keeps its digest.
    BookmarkData after;

    friend bool operator==(const RelinkRecord&, const RelinkRecord&) = default;

    /// A record of `before` replaced by `after` (both digests taken).
    static RelinkRecord of(std::string folder, std::string relativePath, BookmarkData before,
                           BookmarkData after);

    /// The lines that close a relink sidecar (after the description of the old data): the old
    /// and new data in base64.
    std::string sidecarLines() const;
    /// The first of those lines (without its line feed): the old data.
    std::string sidecarBeforeLine() const;

    /// One line of the undo journal (ends in a line feed).
    std::string journalLine() const;
    /// The record of one journal line (without its line feed): this format, or the one of
    /// earlier versions (tag "relink", both data in full). `withData`: decode the old data too
    /// (else `before` stays empty, and only the digests are there). None for any other line.
    static std::optional<RelinkRecord> fromJournalLine(std::string_view line, bool withData);

    /// The journal line that says the record starting at byte `offset` of the journal no longer
    /// applies: undone, or never applied (a relink that failed or was stopped).
    static std::string settledLine(std::uint64_t offset);
    /// The offset a settled line names; none for any other line.
    static std::optional<std::uint64_t> settledOffset(std::string_view line);
};

} // namespace korvex
