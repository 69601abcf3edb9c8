#include "RelinkSummary.h"

#include "AliasScanner.h"
#include "PrintableText.h"

#include <algorithm>
#include <cstring>

namespace korvex {

std::string RelinkSummary::text(const RepairResult& result, const TextCatalog& catalog) {
    std::string text = catalog.translate("RelinkSummary", "Relinked %n aliases.\n", nullptr,
                                         result.relinked.size());
    for (const RelinkedAlias& relinked : result.relinked) {
        appendPrintable(text, relinked.aliasPath);
        text += " -> ";
        appendPrintable(text, relinked.macPath);
        if (relinked.macPath != relinked.targetPath) {
            text += fillText(catalog.translate("RelinkSummary", " (here: %1)"),
                             {printable(relinked.targetPath)});
        }
        text += '\n';
    }
    for (const RelinkedAlias& relinked : result.relinked) {
        const std::string note = printable(relinked.aliasPath + std::string(brokenSuffix));
        switch (relinked.brokenNote) {
        case AliasRelinker::BrokenNote::none:
            break;
        case AliasRelinker::BrokenNote::removed:
            text += fillText(catalog.translate("RelinkSummary", "Removed %1\n"), {note});
            break;
        case AliasRelinker::BrokenNote::kept:
            text += fillText(
                catalog.translate("RelinkSummary", "Kept %1: it isn't the one a scan wrote\n"),
                {note});
            break;
        case AliasRelinker::BrokenNote::failed:
            text += fillText(catalog.translate("RelinkSummary", "Couldn't remove %1: %2\n"),
                             {note, std::strerror(relinked.brokenNoteError)});
            break;
        }
    }
    for (const FailedRelink& failed : result.failed) {
        text += fillText(catalog.translate("RelinkSummary", "Couldn't relink %1: %2\n"),
                         {printable(failed.aliasPath), printable(reason(failed.reason, catalog))});
    }
    for (const std::string& path : result.unreadable) {
        text +=
            fillText(catalog.translate("RelinkSummary", "Couldn't read %1\n"), {printable(path)});
    }
    return text;
}

std::string RelinkSummary::reason(const std::string& reason, const TextCatalog& catalog) {
    std::string whole = catalog.translate("RelinkReason", reason.c_str());
    const std::size_t colon = reason.find(": ");
    if (whole != reason || colon == std::string::npos) {
        return whole;
    }
    const std::string words = reason.substr(0, colon);
    const std::string detail = reason.substr(colon + 2);
    return catalog.translate("RelinkReason", words.c_str()) + ": " +
           catalog.translate("WriteResult", detail.c_str());
}

bool RelinkSummary::sidecarFailed(const RepairResult& result) {
    return std::any_of(result.relinked.begin(), result.relinked.end(), [](const RelinkedAlias& r) {
        return r.brokenNote == AliasRelinker::BrokenNote::failed;
    });
}

} // namespace korvex
