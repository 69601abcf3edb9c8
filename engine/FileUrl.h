#pragma once

#include <string>

namespace korvex {

/// A file URL, held as its absolute path. `path` never ends in a slash except for the root
/// folder "/" itself; `isDirectory` marks a folder URL, the base for relative item URLs.
struct FileUrl {
    std::string path;
    bool isDirectory = false;

    friend bool operator==(const FileUrl&, const FileUrl&) = default;
};

/// The file URL of `path`, with any trailing slashes removed (the root stays "/").
FileUrl fileUrlWithPath(std::string path, bool isDirectory = false);

/// Makes the item URL of `relativePath` below the folder `folderUrl` into `into`, reusing its
/// storage: folder path, one slash, relative path.
void makeItemUrl(std::string_view relativePath, const FileUrl& folderUrl, FileUrl& into);

} // namespace korvex
