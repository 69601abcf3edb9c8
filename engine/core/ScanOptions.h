#pragma once

#include "AliasPlatform.h"
#include "FileUrl.h"
#include "TextCatalog.h"

#include <cstdint>
#include <string>

namespace korvex {

/// The inputs of one scan, fixed for its whole run.
struct ScanOptions {
    /// The folder to scan as an absolute path, without a trailing slash (but for "/").
    std::string folderPath;
    /// The same folder as a directory URL: the base of every item URL.
    FileUrl folderURL;
    /// Write a sidecar file beside every broken alias (and before every refresh).
    bool mark = false;
    /// Refresh every alias that still resolves.
    bool rewrite = false;
    /// Always without UI and without mounting.
    std::uint32_t resolutionOptions = korvex::resolutionOptions;
    /// The language of the report; it outlives the scan.
    const TextCatalog* catalog = &TextCatalog::english();
};

/// Options for a scan of the folder at `folderPath` (trailing slashes dropped).
ScanOptions scanOptionsForFolder(std::string folderPath, bool mark = false, bool rewrite = false);

} // namespace korvex
