#pragma once

#include <string>
#include <string_view>

namespace korvex {

struct WalkEntry;

/// A file URL, held as its absolute path. `path` never ends in a slash except for the root
/// folder "/" itself; `isDirectory` marks a folder URL, the base for relative item URLs.
struct FileUrl {
    std::string path;
    bool isDirectory = false;
    /// For the item URL of a walked entry: the walk's entry (folder descriptor and name), valid
    /// while the walk stays on it. Null for every other URL.
    const WalkEntry* entry = nullptr;

    friend bool operator==(const FileUrl& a, const FileUrl& b) {
        return a.path == b.path && a.isDirectory == b.isDirectory;
    }
};

/// The file URL of `path`, with any trailing slashes removed (the root stays "/").
FileUrl fileUrlWithPath(std::string path, bool isDirectory = false);

/// Makes the item URL of `relativePath` below the folder `folderUrl` into `into`, reusing its
/// storage: folder path, one slash, relative path.
void makeItemUrl(std::string_view relativePath, const FileUrl& folderUrl, FileUrl& into);

/// The `file://` URL text of the absolute `path`: every byte but the letters, digits and the
/// characters a URL path may hold as they are (`-._~/!$&'()*+,;=:@`) percent-encoded. The URL
/// of a folder ends in a slash.
std::string fileUrlText(std::string_view path, bool folder = false);

/// `path` without its trailing slashes; the root "/" stays as it is.
std::string withoutTrailingSlashes(std::string path);

} // namespace korvex
