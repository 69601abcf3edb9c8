#pragma once

#include "FileCalls.h"
#include "RelinkJournal.h"
#include "StopFlag.h"

#include <string>
#include <vector>

namespace korvex {

/// What an undo did.
struct UndoResult {
    std::vector<std::string> restored; ///< alias paths given their old data back
    std::vector<std::string> changed;  ///< changed since the relink (or gone): left alone
    std::vector<std::string> failed;   ///< could not be written
    bool stopped = false; ///< the stop came before the end: the rest is left for another undo
};

/// Undoes the relinks made in a folder: from the journal's records of that folder and from
/// the relink sidecars found in it, each alias that still holds exactly the data the relink
/// wrote gets its old data back, byte for byte, with the same safe write. Restored records
/// leave the journal; restored sidecars are removed.
class RelinkUndo {
public:
    /// False when `folder` can't be opened. `stop` is looked at right before each alias is
    /// restored: once it is requested, no further alias is, and their records stay.
    /// `fileCalls`: the calls the restores go through.
    static bool run(const std::string& folder, const RelinkJournal& journal, UndoResult& result,
                    const StopFlag& stop = {}, FileCalls& fileCalls = FileCalls::system());
};

} // namespace korvex
