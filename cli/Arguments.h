#pragma once

#include "PathMapping.h"
#include "TextCatalog.h"

#include <string>
#include <vector>

namespace korvex {

/// The parsed command line of korvex-scan.
struct Arguments {
    enum class Action { scan, help, version, inspect, demo, undoRelink, resolve };

    Action action = Action::scan;
    bool mark = false;
    bool rewrite = false;
    std::vector<PathMapping> mappings;
    /// Repairs: list possible new targets (--suggest), relink the sure ones (--relink), report
    /// as JSON lines (--json), and further folders to search (--search DIR).
    bool suggest = false;
    bool relink = false;
    bool json = false;
    std::vector<std::string> searchFolders;
    /// --relink as root: relink to a candidate of another owner than the alias's too.
    bool anyOwner = false;
    /// The threads the walk reads ahead with (`--threads N`); 0: the walk's default.
    std::size_t threads = 0;
    /// The folder to scan, absolute (relative ones are taken from `currentFolder`).
    std::string folder;
    /// The files to inspect, or the aliases to resolve.
    std::vector<std::string> files;
    /// Why the arguments are wrong; empty when they are fine.
    std::string error;

    /// The most `--threads` allowed.
    static constexpr std::size_t maxThreads = 256;

    /// Parses `args` (without the program name); relative paths are made absolute against
    /// `currentFolder`, without resolving links. The error is in `catalog`'s language.
    static Arguments parse(const std::vector<std::string>& args, const std::string& currentFolder,
                           const TextCatalog& catalog = TextCatalog::english());
};

/// `path` made absolute against `currentFolder`: "." and empty components dropped, ".." kept
/// (resolving it would need the links on the way), no trailing slash but for "/".
std::string absolutePath(const std::string& path, const std::string& currentFolder);

} // namespace korvex
