#include "ScanOptions.h"

namespace korvex {

ScanOptions scanOptionsForFolder(std::string folderPath, bool mark, bool rewrite) {
    ScanOptions options;
    options.folderURL = fileUrlWithPath(std::move(folderPath), true);
    options.folderPath = options.folderURL.path;
    options.mark = mark;
    options.rewrite = rewrite;
    return options;
}

} // namespace korvex
