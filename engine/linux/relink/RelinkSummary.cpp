#include "RelinkSummary.h"

#include "PrintableText.h"

namespace korvex {

std::string RelinkSummary::text(const RepairResult& result) {
    std::string text = "Relinked " + std::to_string(result.relinked.size()) + " aliases.\n";
    for (const RelinkedAlias& relinked : result.relinked) {
        appendPrintable(text, relinked.aliasPath);
        text += " -> ";
        appendPrintable(text, relinked.macPath);
        if (relinked.macPath != relinked.targetPath) {
            text += " (here: ";
            appendPrintable(text, relinked.targetPath);
            text += ')';
        }
        text += '\n';
    }
    for (const FailedRelink& failed : result.failed) {
        text += "Couldn't relink ";
        appendPrintable(text, failed.aliasPath);
        text += ": ";
        appendPrintable(text, failed.reason);
        text += '\n';
    }
    for (const std::string& path : result.unreadable) {
        text += "Couldn't read ";
        appendPrintable(text, path);
        text += '\n';
    }
    return text;
}

} // namespace korvex
