#pragma once

#include "AliasRepair.h"
#include "TextCatalog.h"

#include <string>

namespace korvex {

/// What a relink did, as korvex-scan prints it and the window shows it:
///   Relinked N aliases.
///   ALIAS -> MAC PATH (here: LOCAL PATH)      one per alias relinked; "(here: ...)" only when
///                                             the path written differs from the one found here
///   Removed ALIAS-korvex-broken.text          the sidecar of a marking scan beside an alias
///                                             relinked: it no longer tells the truth
///   Kept ALIAS-korvex-broken.text: it isn't the one a scan wrote   (edited, or someone's)
///   Couldn't remove ALIAS-korvex-broken.text: REASON
///   Couldn't relink ALIAS: REASON             one per alias left as it was
class RelinkSummary {
public:
    /// The summary in `catalog`'s language (the reasons of failed relinks stay as given).
    static std::string text(const RepairResult& result,
                            const TextCatalog& catalog = TextCatalog::english());
    /// A reason of the relinks (a failed relink's, a journal's problem) in `catalog`'s language:
    /// the relinker's words, marked for the catalogue under "RelinkReason", and after ": " the
    /// platform's (under "WriteResult") or the system's, which stay as they are.
    static std::string reason(const std::string& reason, const TextCatalog& catalog);
    /// Whether a sidecar of an alias relinked could not be removed (a "Couldn't" line).
    static bool sidecarFailed(const RepairResult& result);
};

} // namespace korvex
