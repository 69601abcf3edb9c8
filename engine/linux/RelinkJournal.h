#pragma once

#include "relink/RelinkRecord.h"

#include <string>
#include <vector>

namespace korvex {

/// The undo journal of relinks made with mark off: a text file in the user's data folder, one
/// line per relink (see RelinkRecord), appended and flushed before the alias is replaced.
class RelinkJournal {
public:
    /// `filePath`: where the journal is kept; by default `defaultFilePath()`.
    explicit RelinkJournal(std::string filePath = defaultFilePath());

    /// `$XDG_DATA_HOME/korvex/relink-journal` when that variable holds an absolute path, else
    /// `HOME/.local/share/korvex/relink-journal`; empty without a home folder.
    static std::string defaultFilePath();

    const std::string& filePath() const { return filePath_; }

    /// Adds a record and flushes it to the disk; false when that fails.
    bool append(const RelinkRecord& record) const;

    /// Every record (at most 64 MiB of journal are read).
    std::vector<RelinkRecord> load() const;

    /// Replaces the journal with `records`, through a temporary file; false on failure.
    bool replaceAll(const std::vector<RelinkRecord>& records) const;

private:
    bool makeFolder() const;

    std::string filePath_;
};

} // namespace korvex
