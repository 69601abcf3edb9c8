#pragma once

#include "AliasRepair.h"

#include <string>

namespace korvex {

/// What a relink did, as korvex-scan prints it and the window shows it:
///   Relinked N aliases.
///   ALIAS -> MAC PATH (here: LOCAL PATH)      one per alias relinked; "(here: ...)" only when
///                                             the path written differs from the one found here
///   Couldn't relink ALIAS: REASON             one per alias left as it was
class RelinkSummary {
public:
    static std::string text(const RepairResult& result);
};

} // namespace korvex
