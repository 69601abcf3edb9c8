#pragma once

#include "AliasPlatform.h"
#include "Arguments.h"
#include "ProgressLine.h"
#include "StopFlag.h"
#include "TextCatalog.h"

#include <ostream>
#include <string>
#include <vector>

namespace korvex {

/// The repair modes of korvex-scan: --suggest, --relink, --json (any together) and
/// --undo-relink. Returns exit statuses like CommandLine: 0 nothing (left) broken, 1 broken
/// aliases (left), 2 the folder can't be walked, 3 something couldn't be done.
class RepairCommand {
public:
    /// Speaks `catalog`'s language (it must outlive the command).
    RepairCommand(const Arguments& arguments, std::string folder, std::vector<PathMapping> mappings,
                  std::string journalPath, const TextCatalog& catalog = TextCatalog::english());

    /// Scans through `platform`, then searches, suggests and relinks as asked.
    /// `stop` ends the scan early (nothing is searched or relinked then), the search (nothing
    /// is relinked then) or the relinks (after the alias at hand); what was done is printed
    /// and the status is `CommandLine::interrupted`.
    int run(AliasPlatform& platform, ProgressLine& progress, const StopFlag& stop,
            std::ostream& out, std::ostream& err);

    /// --undo-relink FOLDER; `stop` ends it after the alias at hand, as above.
    static int undo(const Arguments& arguments, const std::string& journalPath,
                    const StopFlag& stop, std::ostream& out, std::ostream& err,
                    const TextCatalog& catalog = TextCatalog::english());

private:
    Arguments arguments_;
    std::string folder_;
    std::vector<PathMapping> mappings_;
    std::string journalPath_;
    const TextCatalog& catalog_;
};

} // namespace korvex
