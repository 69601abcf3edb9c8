#pragma once

#include "FileCalls.h"
#include "RelinkJournal.h"
#include "StopFlag.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace korvex {

/// What an undo did.
struct UndoResult {
    std::vector<std::string> restored; ///< alias paths given their old data back
    std::vector<std::string> changed;  ///< changed since the relink (or gone): left alone
    std::vector<std::string> failed;   ///< could not be written
    bool stopped = false; ///< the stop came before the end: the rest is left for another undo
    /// Why the journal couldn't be read (nothing was undone then); empty when it could.
    std::string journalProblem;
    /// Lines of the journal that are no record: they can't be undone.
    std::size_t unreadableLines = 0;
    /// When the folder asked for has no records left: the folders that have, in path order.
    std::vector<std::string> foldersWithRecords;
};

/// Undoes the relinks made in a folder, from the records of the user's journal alone (files in
/// the tree, such as relink sidecars, are records for people, never instructions). The records
/// of one alias are applied newest first, so any number of relinks unwinds to the original:
/// each applies when the alias holds exactly what that relink wrote, and gives it the data it
/// held before, byte for byte, with the same safe write. A record that doesn't apply (the alias
/// changed since) is kept, and so are the older ones of that alias; one whose relink never
/// happened (the alias still holds the data before it) is settled. Records are settled by
/// appending to the journal, never by rewriting it, so records added meanwhile are never lost.
/// The records of a folder are found by its path or by its device and inode (through a link).
class RelinkUndo {
public:
    /// False when `folder` can't be opened. `stop` is looked at right before each alias is
    /// restored: once it is requested, no further alias is, and their records stay.
    /// `fileCalls`: the calls the restores go through. `afterReading` (tests): called between
    /// reading the journal and the first write. `only`, when given: the records (offsets) to
    /// undo, those of one relink (see RepairResult::journalRecords); the folder's others stay.
    static bool run(const std::string& folder, const RelinkJournal& journal, UndoResult& result,
                    const StopFlag& stop = {}, FileCalls& fileCalls = FileCalls::system(),
                    const std::function<void()>& afterReading = {},
                    const std::vector<std::uint64_t>* only = nullptr);
};

} // namespace korvex
