#include "BrokenAlias.h"

#include "BookmarkInfo.h"
#include "ClassicAlias.h"

namespace korvex {

namespace {

// Resource-flag bits, as the valid mask vouches for them.
constexpr std::uint64_t regularFileBit = 0x1;
constexpr std::uint64_t directoryBit = 0x2;

} // namespace

std::string BrokenAlias::storedPath() const {
    std::string path;
    for (const std::string& part : storedComponents) {
        path += '/';
        path += part;
    }
    return path.empty() ? "/" : path;
}

std::optional<BrokenAlias> BrokenAlias::from(std::string aliasPath, std::string relativePath,
                                             const BookmarkData& data) {
    bookmark::BookmarkResult<classic::AliasContent> parsed = classic::ClassicAlias::read(data);
    if (!parsed) {
        return std::nullopt;
    }
    const bookmark::BookmarkInfo info = bookmark::BookmarkInfo::from(parsed.value().bookmark);
    if (info.pathComponents.empty()) {
        return std::nullopt;
    }
    for (const std::string& part : info.pathComponents) {
        if (part.empty() || part == "." || part == ".." ||
            part.find_first_of(std::string_view("/\0", 2)) != std::string::npos) {
            return std::nullopt; // no name that could stand on a disk here
        }
    }
    BrokenAlias alias;
    alias.aliasPath = std::move(aliasPath);
    alias.relativePath = std::move(relativePath);
    alias.digest = sha256(data);
    alias.classic = parsed.value().record.has_value();
    alias.storedComponents = info.pathComponents;
    if (info.resourceProps) {
        const auto& props = *info.resourceProps;
        if (props[1] & directoryBit) {
            alias.isDirectory = (props[0] & directoryBit) != 0;
        } else if (props[1] & regularFileBit) {
            alias.isDirectory = (props[0] & regularFileBit) == 0;
        }
    }
    alias.creationDate = info.creationDate;
    alias.volumeName = info.volumeName;
    alias.volumePath = info.volumePath;
    return alias;
}

} // namespace korvex
