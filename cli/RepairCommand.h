#pragma once

#include "AliasPlatform.h"
#include "Arguments.h"
#include "ProgressLine.h"

#include <ostream>
#include <stop_token>
#include <string>
#include <vector>

namespace korvex {

/// The repair modes of korvex-scan: --suggest, --relink, --json (any together) and
/// --undo-relink. Returns exit statuses like CommandLine: 0 nothing (left) broken, 1 broken
/// aliases (left), 2 the folder can't be walked, 3 something couldn't be done.
class RepairCommand {
public:
    RepairCommand(const Arguments& arguments, std::string folder, std::vector<PathMapping> mappings,
                  std::string journalPath);

    /// Scans through `platform`, then searches, suggests and relinks as asked.
    /// `stop` ends the scan early (nothing is searched or relinked then).
    int run(AliasPlatform& platform, ProgressLine& progress, std::stop_token stop,
            std::ostream& out, std::ostream& err);

    /// --undo-relink FOLDER.
    static int undo(const Arguments& arguments, const std::string& journalPath, std::ostream& out,
                    std::ostream& err);

private:
    const Arguments& arguments_;
    std::string folder_;
    std::vector<PathMapping> mappings_;
    std::string journalPath_;
};

} // namespace korvex
