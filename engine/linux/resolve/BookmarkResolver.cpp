#include "BookmarkResolver.h"

#include "FileUrl.h"
#include "PathText.h"
#include "UnicodeNames.h"

#include <algorithm>

namespace korvex {

namespace {

std::vector<std::string_view> components(std::string_view path) {
    return splitNonEmpty(path, '/');
}

// A stored name that can stand in a path here: not empty, not "." or "..", no slash, no NUL.
bool isPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

// `path` below `prefix`, matching whole components in any normalisation: the rest of `path`
// after the prefix ("" when equal, else starting with a slash), or none.
std::optional<std::string> restBelow(const std::string& path, std::string_view prefix) {
    const std::vector<std::string_view> prefixParts = components(prefix);
    const std::vector<std::string_view> pathParts = components(path);
    if (prefix.empty() || prefix[0] != '/' || prefixParts.size() > pathParts.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < prefixParts.size(); ++i) {
        if (!sameName(prefixParts[i], pathParts[i])) {
            return std::nullopt;
        }
    }
    std::string rest;
    for (std::size_t i = prefixParts.size(); i < pathParts.size(); ++i) {
        rest += '/';
        rest += pathParts[i];
    }
    return rest;
}

// What a name is compared by: its normalisation form C, or its bytes when it isn't UTF-8 (such
// bytes never equal a well-formed form C, so the two kinds can't be confused).
std::string keyOf(std::string_view name) {
    std::optional<std::string> composed = composedName(name);
    return composed ? std::move(*composed) : std::string(name);
}

std::string joined(const std::string& folder, const std::string& rest) {
    if (rest.empty()) {
        return folder;
    }
    return folder == "/" ? rest : folder + rest;
}

} // namespace

BookmarkResolver::BookmarkResolver(std::vector<PathMapping> mappings, const MountTable& mounts)
    : mappings_(std::move(mappings)), mounts_(mounts), locator_(mounts) {
    for (PathMapping& mapping : mappings_) {
        mapping.macPrefix = withoutTrailingSlashes(mapping.macPrefix);
        mapping.localFolder = withoutTrailingSlashes(mapping.localFolder);
    }
    std::vector<std::pair<std::size_t, PathMapping>> counted;
    counted.reserve(mappings_.size());
    for (PathMapping& mapping : mappings_) {
        counted.emplace_back(components(mapping.macPrefix).size(), std::move(mapping));
    }
    std::stable_sort(counted.begin(), counted.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    for (std::size_t i = 0; i < counted.size(); ++i) {
        mappings_[i] = std::move(counted[i].second);
    }
    for (std::size_t i = 0; i < mappings_.size(); ++i) {
        const PathMapping& mapping = mappings_[i];
        if (mapping.macPrefix.empty() || mapping.macPrefix[0] != '/' ||
            mapping.localFolder.empty() || mapping.localFolder[0] != '/') {
            continue;
        }
        std::string key;
        for (std::string_view part : components(mapping.macPrefix)) {
            key.append(keyOf(part)).push_back('/');
        }
        byPrefix_[key].push_back(i);
    }
}

std::optional<std::string> BookmarkResolver::storedPath(const bookmark::BookmarkInfo& info) {
    if (!info.pathKnown) {
        return std::nullopt; // empty components then say nothing, least of all "the root"
    }
    if (info.pathComponents.empty()) {
        if (!info.volumePath || info.volumePath->empty() || (*info.volumePath)[0] != '/') {
            return std::nullopt;
        }
        for (std::string_view part : components(*info.volumePath)) {
            if (!isPlainName(part)) {
                return std::nullopt;
            }
        }
        return withoutTrailingSlashes(*info.volumePath);
    }
    std::string path;
    for (const std::string& part : info.pathComponents) {
        if (!isPlainName(part)) {
            return std::nullopt;
        }
        path += '/';
        path += part;
    }
    return path;
}

std::vector<ResolutionCandidate>
BookmarkResolver::candidates(const bookmark::BookmarkInfo& info) const {
    std::vector<ResolutionCandidate> found;
    const std::optional<std::string> stored = storedPath(info);
    if (!stored) {
        return found;
    }
    found.push_back({*stored, FoundVia::storedPath});

    // Longest prefix first, as the mappings are sorted.
    const std::vector<std::string_view> parts = components(*stored);
    std::vector<std::string> prefixKeys(1);
    for (std::string_view part : parts) {
        prefixKeys.push_back(prefixKeys.back() + keyOf(part) + '/');
    }
    for (std::size_t length = parts.size() + 1; length-- > 0;) {
        auto matching = byPrefix_.find(prefixKeys[length]);
        if (matching == byPrefix_.end()) {
            continue;
        }
        std::string rest;
        for (std::size_t i = length; i < parts.size(); ++i) {
            rest.append("/").append(parts[i]);
        }
        for (std::size_t index : matching->second) {
            found.push_back({joined(mappings_[index].localFolder, rest), FoundVia::mapping});
        }
    }

    if (info.volumeName && info.volumePath) {
        if (std::optional<std::string> rest = restBelow(*stored, *info.volumePath)) {
            for (const std::string& mountPath : mounts_.mountsNamed(*info.volumeName)) {
                found.push_back({joined(mountPath, *rest), FoundVia::sameNameVolume});
            }
        }
    }
    return found;
}

ReadResult<Resolution> BookmarkResolver::resolve(const bookmark::BookmarkInfo& info) const {
    const std::vector<ResolutionCandidate> places = candidates(info);
    ReadFailure failure = ReadFailure::damaged(); // leads nowhere, unless a look was refused
    const auto refused = [&failure](const ReadResult<LocatedEntry>& entry) {
        if (entry.unreadable() && failure.kind != ReadFailure::Kind::unreadable) {
            failure = entry.failure();
        }
    };
    for (const ResolutionCandidate& place : places) {
        ReadResult<LocatedEntry> entry = locator_.exact(place.path);
        if (entry) {
            return Resolution{std::move(*entry), place.via, false};
        }
        refused(entry);
    }
    for (const ResolutionCandidate& place : places) {
        ReadResult<LocatedEntry> entry = locator_.anyNormalisation(place.path);
        if (entry) {
            return Resolution{std::move(*entry), place.via, true};
        }
        refused(entry);
    }
    return failure;
}

} // namespace korvex
