#include "RelinkSummary.h"

#include "AliasScanner.h"
#include "PrintableText.h"

#include <algorithm>
#include <cstring>

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
    for (const RelinkedAlias& relinked : result.relinked) {
        const std::string note = relinked.aliasPath + std::string(brokenSuffix);
        switch (relinked.brokenNote) {
        case AliasRelinker::BrokenNote::none:
            break;
        case AliasRelinker::BrokenNote::removed:
            text += "Removed ";
            appendPrintable(text, note);
            text += '\n';
            break;
        case AliasRelinker::BrokenNote::kept:
            text += "Kept ";
            appendPrintable(text, note);
            text += ": it isn't the one a scan wrote\n";
            break;
        case AliasRelinker::BrokenNote::failed:
            text += "Couldn't remove ";
            appendPrintable(text, note);
            text += ": ";
            text += std::strerror(relinked.brokenNoteError);
            text += '\n';
            break;
        }
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

bool RelinkSummary::sidecarFailed(const RepairResult& result) {
    return std::any_of(result.relinked.begin(), result.relinked.end(), [](const RelinkedAlias& r) {
        return r.brokenNote == AliasRelinker::BrokenNote::failed;
    });
}

} // namespace korvex
