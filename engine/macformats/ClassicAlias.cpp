#include "ClassicAlias.h"

#include "BookmarkDescription.h"
#include "BookmarkKeys.h"
#include "BookmarkReader.h"
#include "ResourceFork.h"

#include <cstdio>
#include <string_view>

namespace korvex::classic {

namespace {

using bookmark::BookmarkKey;
using bookmark::BookmarkValue;

/// Nested records (disk images holding disk images) described at most this deep.
constexpr int maxNesting = 4;

std::vector<std::string> split(std::string_view text, char separator) {
    std::vector<std::string> parts;
    while (!text.empty()) {
        const std::size_t end = text.find(separator);
        if (end != 0) {
            parts.emplace_back(text.substr(0, end));
        }
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return parts;
}

/// The low `bytes` bytes of `code` (a four- or two-character code) as text when printable,
/// else as hex. Trailing zero bytes pad a shorter code (version 3 stores the file system 'H+'
/// as 48 2B 00 00): they are no part of the text.
std::string codeText(std::uint32_t code, int bytes = 4) {
    int last = 0; // the lowest byte that belongs to the code
    while (last < bytes && (code >> (8 * last) & 0xFF) == 0) {
        ++last;
    }
    std::string text;
    for (int i = bytes - 1; i >= last; --i) {
        const auto c = static_cast<unsigned char>(code >> (8 * i) & 0xFF);
        if (c < 0x20 || c > 0x7E) {
            text.clear();
            break;
        }
        text += static_cast<char>(c);
    }
    if (text.empty()) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%0*X", bytes * 2, static_cast<unsigned>(code));
        return hex;
    }
    return text;
}

std::optional<double> bookmarkDate(std::optional<double> utc, std::optional<double> stored) {
    const std::optional<double> seconds = utc ? utc : stored;
    if (!seconds || *seconds == 0) {
        return std::nullopt;
    }
    return *seconds - AliasRecord::epochTo2001;
}

bookmark::Bookmark toBookmarkAt(const AliasRecord& r, int depth);

} // namespace

bookmark::BookmarkInfo ClassicAlias::infoOf(const AliasRecord& r) {
    bookmark::BookmarkInfo info;
    info.resourceProps = std::array<std::uint64_t, 3>{r.kind == 1 ? 0x2u : 0x1u, 0x3, 0};
    info.creationDate = bookmarkDate(r.targetCreatedUtc, r.targetCreated);
    info.volumeCreationDate = bookmarkDate(r.volumeCreatedUtc, r.volumeCreated);

    std::vector<std::string> below; // components below the volume's mount point
    bool known = false;
    std::string volume = r.volumeName;
    if (r.posixPath) {
        below = split(*r.posixPath, '/');
        known = true;
    } else if (r.carbonPath) {
        std::vector<std::string> parts = split(*r.carbonPath, ':');
        if (!parts.empty()) {
            if (volume.empty()) {
                volume = parts.front();
            }
            for (std::size_t i = 1; i < parts.size(); ++i) {
                std::string name = parts[i];
                for (char& c : name) {
                    c = c == '/' ? ':' : c; // a slash in a Mac name is a colon in a path
                }
                below.push_back(std::move(name));
            }
            if (r.unicodeTargetName && !below.empty()) {
                below.back() = *r.unicodeTargetName; // the Carbon path may have lost letters
            }
            known = true;
        }
    } else if (r.levelsToTarget == 1 && !r.targetName.empty()) {
        below.push_back(r.targetName);
        known = true;
    }
    if (!volume.empty()) {
        info.volumeName = volume;
    }
    std::optional<std::string> mount = r.volumeMountPoint;
    if (!mount && !volume.empty() && volume.find('/') == std::string::npos) {
        mount = "/Volumes/" + volume;
    }
    if (!known || !mount || mount->empty() || mount->front() != '/') {
        return info; // where the target is can't be told
    }
    info.volumePath = *mount;
    if (*mount == "/") {
        info.volumeWasBoot = true;
    }
    info.pathComponents = split(*mount, '/');
    info.pathComponents.insert(info.pathComponents.end(), below.begin(), below.end());
    info.pathKnown = true;
    return info;
}

bookmark::Bookmark ClassicAlias::toBookmark(const AliasRecord& record) {
    return toBookmarkAt(record, 0);
}

namespace {

bookmark::Bookmark toBookmarkAt(const AliasRecord& r, int depth) {
    bookmark::Bookmark b;
    b.container = bookmark::BookmarkContainer::raw;
    const bookmark::BookmarkInfo info = ClassicAlias::infoOf(r);
    info.applyTo(b);
    const std::uint32_t t = bookmark::tocId::target;
    if (!info.pathKnown) {
        b.erase(t, bookmark::key::pathComponents);
    }
    auto named = [&](const char* name, BookmarkValue value) {
        b.set(t, BookmarkKey::makeNamed(name), std::move(value));
    };
    auto text = [&](const char* name, const std::optional<std::string>& value) {
        if (value) {
            named(name, BookmarkValue::makeString(*value));
        }
    };
    auto number = [](std::int64_t n) { return BookmarkValue::makeInteger(n); };

    named("aliasVersion", number(r.version));
    named("aliasKind", BookmarkValue::makeString(r.kind == 0   ? "file"
                                                 : r.kind == 1 ? "folder"
                                                               : std::to_string(r.kind)));
    if (r.appCode != 0) {
        named("appCode", BookmarkValue::makeString(codeText(r.appCode)));
    }
    if (!info.pathKnown && !r.targetName.empty()) {
        named("targetName", BookmarkValue::makeString(r.targetName));
    }
    named("volumeSignature",
          BookmarkValue::makeString(r.version == 2 ? codeText(r.fileSystem >> 16, 2)
                                                   : codeText(r.fileSystem)));
    named("volumeDiskType", number(r.diskType));
    named("volumeAttributes", number(r.volumeAttributes));
    if (r.fileSystemID) {
        named("volumeFileSystemID", number(*r.fileSystemID));
    }
    named("parentCNID", number(r.parentCNID));
    named("targetCNID", number(r.targetCNID));
    if (r.targetType) {
        named("targetType", BookmarkValue::makeString(codeText(*r.targetType)));
    }
    if (r.targetCreator) {
        named("targetCreator", BookmarkValue::makeString(codeText(*r.targetCreator)));
    }
    if (r.levelsFromAlias) {
        named("levelsFromAlias", number(*r.levelsFromAlias));
    }
    if (r.levelsToTarget) {
        named("levelsToTarget", number(*r.levelsToTarget));
    }
    text("folderName", r.folderName);
    if (!r.cnidPath.empty()) {
        std::vector<BookmarkValue> ids;
        for (std::uint32_t id : r.cnidPath) {
            ids.push_back(number(id));
        }
        named("cnidPath", BookmarkValue::makeArray(std::move(ids)));
    }
    text("carbonPath", r.carbonPath);
    text("appleShareZone", r.appleShareZone);
    text("appleShareServer", r.appleShareServer);
    text("appleShareUser", r.appleShareUser);
    text("driverName", r.driverName);
    text("posixPath", r.posixPath);
    text("volumeMountPoint", r.volumeMountPoint);
    if (r.userHomePrefixLength) {
        named("userHomePrefixLength", number(*r.userHomePrefixLength));
    }
    if (r.diskImageAlias) {
        bookmark::BookmarkResult<AliasRecord> nested = AliasRecord::read(*r.diskImageAlias);
        if (nested && depth < maxNesting) {
            named("diskImageAlias",
                  BookmarkValue::makeString(bookmark::BookmarkDescription::describe(
                      toBookmarkAt(nested.value(), depth + 1))));
        } else {
            named("diskImageAlias", BookmarkValue::makeData(*r.diskImageAlias));
        }
    }
    for (const auto& [tag, value] : r.otherTags) {
        const char* name = tag == 9 ? "networkMountInfo" : tag == 10 ? "dialupInfo" : nullptr;
        named(name ? name : ("tag " + std::to_string(tag)).c_str(), BookmarkValue::makeData(value));
    }
    return b;
}

} // namespace

bookmark::BookmarkResult<AliasContent> ClassicAlias::read(std::span<const std::uint8_t> bytes) {
    bookmark::BookmarkResult<bookmark::Bookmark> data = bookmark::BookmarkReader::read(bytes);
    if (data) {
        return AliasContent{std::move(data.value()), std::nullopt};
    }
    std::span<const std::uint8_t> recordBytes = bytes;
    if (!AliasRecord::looksLikeRecord(bytes) && ResourceFork::looksLikeFork(bytes)) {
        bookmark::BookmarkResult<std::span<const std::uint8_t>> found =
            ResourceFork::find(bytes, ResourceFork::aliasType);
        if (!found) {
            return found.error();
        }
        recordBytes = found.value();
    } else if (!AliasRecord::looksLikeRecord(bytes)) {
        return data.error();
    }
    bookmark::BookmarkResult<AliasRecord> record = AliasRecord::read(recordBytes);
    if (!record) {
        return record.error();
    }
    return AliasContent{toBookmark(record.value()), std::move(record.value())};
}

std::optional<std::string> ClassicAlias::describeEmbedded(std::span<const std::uint8_t> bytes) {
    bookmark::BookmarkResult<AliasRecord> record = AliasRecord::read(bytes);
    if (!record) {
        return std::nullopt;
    }
    return bookmark::BookmarkDescription::describe(toBookmarkAt(record.value(), 1));
}

} // namespace korvex::classic
