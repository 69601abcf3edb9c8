#include "PathMappingStore.h"

#include "AtomicFile.h"
#include "FileDescriptor.h"
#include "FileUrl.h"
#include "RegularFileReader.h"
#include "TextFields.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvex {

namespace {

constexpr std::size_t largestFile = 1 << 20;
constexpr std::string_view fileName = "path-mappings.conf";
constexpr std::string_view header =
    "# Korvex path mappings: Mac path prefix, a tab, local folder; one mapping a line.\n"
    "# In either path \\\\ is a backslash, \\t a tab, \\n a line feed, \\r a carriage return.\n";

std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home == '/') {
        return home;
    }
    // No usable HOME (a service, a stripped environment): the password database.
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::string buffer(size > 0 ? static_cast<std::size_t>(size) : 16384, '\0');
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && *found->pw_dir == '/') {
        return found->pw_dir;
    }
    return {};
}

/// `path` as kept: absolute, no NUL, trailing slashes dropped ("/" stays); empty when unusable.
std::string cleanedPath(std::string_view path) {
    if (path.empty() || path[0] != '/' || path.find('\0') != std::string_view::npos) {
        return {};
    }
    return withoutTrailingSlashes(std::string(path));
}

/// Makes `folder` and its missing parents, private to the user as settings folders are.
bool makeFolders(const std::string& folder) {
    struct stat info {};
    if (folder.empty() || ::stat(folder.c_str(), &info) == 0) {
        if (folder.empty() || S_ISDIR(info.st_mode)) {
            return true;
        }
        errno = ENOTDIR;
        return false;
    }
    const std::size_t slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !makeFolders(folder.substr(0, slash))) {
        return false;
    }
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

PathMappingStore::PathMappingStore(std::string filePath) : filePath_(std::move(filePath)) {}

std::string PathMappingStore::defaultFilePath() {
    std::string folder;
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the XDG base directory rules say.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') {
        folder = config;
    } else {
        const std::string home = homeFolder();
        if (home.empty()) {
            return {};
        }
        folder = home + "/.config";
    }
    return folder + "/Korvex/" + std::string(fileName);
}

std::vector<PathMapping> PathMappingStore::cleaned(const std::vector<PathMapping>& mappings) {
    std::vector<PathMapping> kept;
    kept.reserve(mappings.size());
    for (const PathMapping& mapping : mappings) {
        PathMapping clean{cleanedPath(mapping.macPrefix), cleanedPath(mapping.localFolder)};
        if (!clean.macPrefix.empty() && !clean.localFolder.empty()) {
            kept.push_back(std::move(clean));
        }
    }
    return kept;
}

std::string PathMappingStore::format(const std::vector<PathMapping>& mappings) {
    std::string text(header);
    for (const PathMapping& mapping : mappings) {
        appendEscapedField(text, mapping.macPrefix);
        text += '\t';
        appendEscapedField(text, mapping.localFolder);
        text += '\n';
    }
    return text;
}

PathMappingStore::Loaded PathMappingStore::parse(std::string_view text) {
    Loaded loaded;
    std::string mac, local;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1); // the file was edited on a system with CR LF line ends
        }
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const std::size_t tab = line.find('\t');
        const bool split =
            tab != std::string_view::npos && line.find('\t', tab + 1) == std::string_view::npos;
        if (!split || !unescapeField(line.substr(0, tab), mac) ||
            !unescapeField(line.substr(tab + 1), local)) {
            ++loaded.skippedLines;
            continue;
        }
        PathMapping clean{cleanedPath(mac), cleanedPath(local)};
        if (clean.macPrefix.empty() || clean.localFolder.empty()) {
            ++loaded.skippedLines;
            continue;
        }
        loaded.mappings.push_back(std::move(clean));
    }
    return loaded;
}

PathMappingStore::Loaded PathMappingStore::load() const {
    if (filePath_.empty()) {
        return {};
    }
    // Never blocks on a pipe put in the file's place, never follows a link to a device; a
    // link to a regular file (a shared dotfile, say) is followed.
    const FileDescriptor fd(
        ::open(filePath_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    bool cut = false;
    const std::optional<std::vector<std::uint8_t>> bytes =
        fd ? RegularFileReader::readOpen(fd.get(), largestFile, nullptr, nullptr, &cut)
           : std::nullopt;
    if (!bytes) {
        return {};
    }
    std::string text(bytes->begin(), bytes->end());
    if (cut) {
        // Cut off: only whole lines count.
        const std::size_t lastEnd = text.find_last_of('\n');
        text.resize(lastEnd == std::string::npos ? 0 : lastEnd + 1);
    }
    return parse(text);
}

bool PathMappingStore::save(const std::vector<PathMapping>& mappings, std::string& error) const {
    if (filePath_.empty()) {
        error = "there is no home folder to keep the settings in";
        return false;
    }
    // A settings file that is a link (a shared dotfile, say) is replaced where it points to.
    std::string target = filePath_;
    if (char* real = ::realpath(filePath_.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    const std::string folder = folderOf(target);
    if (!makeFolders(folder)) {
        error = "can't make the folder " + folder + ": " + std::strerror(errno);
        return false;
    }
    // The new file keeps the permissions the user gave the old one; a first one is private.
    const std::string text = format(cleaned(mappings));
    errno = 0;
    if (!AtomicFile().writeAtPath(target,
                                  {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()},
                                  true, 0600)) {
        error = "can't save " + target + ": " + std::strerror(errno ? errno : EIO);
        return false;
    }
    return true;
}

std::vector<PathMapping> PathMappingStore::merged(const std::vector<PathMapping>& base,
                                                  const std::vector<PathMapping>& edited,
                                                  const std::vector<PathMapping>& current) {
    auto holds = [](const std::vector<PathMapping>& list, const PathMapping& mapping) {
        return std::find(list.begin(), list.end(), mapping) != list.end();
    };
    std::vector<PathMapping> result;
    for (const PathMapping& mapping : edited) {
        if (!holds(base, mapping) || holds(current, mapping)) {
            result.push_back(mapping); // not removed by someone else meanwhile
        }
    }
    for (const PathMapping& mapping : current) {
        if (!holds(base, mapping) && !holds(edited, mapping)) {
            result.push_back(mapping); // added by someone else meanwhile
        }
    }
    return result;
}

bool PathMappingStore::saveEdits(const std::vector<PathMapping>& base,
                                 const std::vector<PathMapping>& edited, std::string& error,
                                 std::vector<PathMapping>* stored) const {
    std::vector<PathMapping> result = merged(cleaned(base), cleaned(edited), load().mappings);
    if (!save(result, error)) {
        return false;
    }
    if (stored) {
        *stored = std::move(result);
    }
    return true;
}

} // namespace korvex
