#include "RelinkSummary.h"

namespace korvex {

std::string RelinkSummary::text(const RepairResult& result) {
    std::string text = "Relinked " + std::to_string(result.relinked.size()) + " aliases.\n";
    for (const RelinkedAlias& relinked : result.relinked) {
        text += relinked.aliasPath;
        text += " -> ";
        text += relinked.macPath;
        if (relinked.macPath != relinked.targetPath) {
            text += " (here: ";
            text += relinked.targetPath;
            text += ')';
        }
        text += '\n';
    }
    for (const FailedRelink& failed : result.failed) {
        text += "Couldn't relink ";
        text += failed.aliasPath;
        text += ": ";
        text += failed.reason;
        text += '\n';
    }
    return text;
}

} // namespace korvex
