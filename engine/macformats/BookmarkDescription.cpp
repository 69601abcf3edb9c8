#include "BookmarkDescription.h"

#include "BookmarkBytes.h"
#include "BookmarkInfo.h"
#include "BookmarkKeys.h"
#include "BookmarkReader.h"
#include "ClassicAlias.h"
#include "FileUrl.h"
#include "PrintableText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <utility>

namespace korvex::bookmark {

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

/// What a cut piece of text ends with.
constexpr std::string_view cutMark = "...";

/// Key-value pairs that stop taking more once their text passes `cap` bytes in all, so a
/// description never builds much more text than it may show.
class BoundedPairs {
public:
    explicit BoundedPairs(std::size_t cap) : cap_(cap) {}

    bool full() const { return size_ > cap_; }
    /// What the next value may still take.
    std::size_t room() const { return full() ? 0 : cap_ - size_; }
    void add(std::string key, std::string value) {
        if (full())
            return;
        size_ += key.size() + value.size() + 4;
        pairs_.emplace_back(std::move(key), std::move(value));
    }
    void append(BoundedPairs other) {
        for (auto& [key, value] : other.pairs_)
            add(std::move(key), std::move(value));
    }
    Pairs& pairs() { return pairs_; }

private:
    std::size_t cap_;
    std::size_t size_ = 0;
    Pairs pairs_;
};

std::string hexWord(std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%04X", v);
    return buf;
}

/// Appends `s` printable (see `appendPrintable`), double quotes escaped too, so the result is
/// always valid UTF-8 and prints as one line. Once `out` is longer than `cap` bytes the rest is
/// left out, and the cut is marked.
void appendEscaped(std::string& out, std::string_view s, std::size_t cap) {
    if (!appendPrintable(out, s, '"', cap)) {
        out += cutMark;
    }
}

/// Text in double quotes, escaped; past `cap` bytes it is cut.
std::string quoted(std::string_view s, std::size_t cap = SIZE_MAX) {
    std::string out = "\"";
    appendEscaped(out, s, cap);
    return out + "\"";
}

/// Data as hex in angle brackets; more than 32 bytes are cut, with the full length.
std::string dataText(const std::vector<std::uint8_t>& d) {
    static constexpr std::size_t shown = 32;
    std::string out = "<";
    char buf[4];
    for (std::size_t i = 0; i < d.size() && i < shown; ++i) {
        std::snprintf(buf, sizeof buf, "%02x", d[i]);
        out += buf;
    }
    if (d.size() > shown)
        out += "... " + std::to_string(d.size()) + " bytes";
    return out + ">";
}

std::string realText(double v) {
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return ec == std::errc() ? std::string(buf, end) : std::string("nan");
}

std::string uuidText(const std::vector<std::uint8_t>& d) {
    std::string out;
    char buf[4];
    for (std::size_t i = 0; i < d.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            out += '-';
        std::snprintf(buf, sizeof buf, "%02X", d[i]);
        out += buf;
    }
    return out;
}

std::string dictionaryText(BoundedPairs bounded, std::size_t cap) {
    Pairs& pairs = bounded.pairs();
    if (pairs.empty())
        return "[:]";
    // By key, then value: keys shown alike (a name and a number, or a key stored twice) come
    // out the same whatever order the table stored them in.
    std::sort(pairs.begin(), pairs.end());
    std::string out = "[";
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (out.size() > cap) {
            out += cutMark;
            break;
        }
        if (i > 0)
            out += ", ";
        out += pairs[i].first + ": " + pairs[i].second;
    }
    if (bounded.full() && !out.ends_with(cutMark))
        out += cutMark;
    return out + "]";
}

std::string valueText(const BookmarkValue& v, std::size_t cap);

/// `text` cut to at most `limit` bytes, ending in the cut mark when cut, on a UTF-8 boundary.
std::string cutTo(std::string text, std::size_t limit) {
    if (text.size() <= limit)
        return text;
    std::size_t keep = limit > cutMark.size() ? limit - cutMark.size() : 0;
    while (keep > 0 && (static_cast<unsigned char>(text[keep]) & 0xC0) == 0x80)
        --keep;
    text.resize(keep);
    if (text.size() + cutMark.size() <= limit)
        text += cutMark;
    return text;
}

/// The names the bookmark services give to bits of the resource flag word.
constexpr std::pair<std::uint64_t, const char*> resourceFlagNames[] = {
    {0x1, "NSURLIsRegularFileKey"},        {0x2, "NSURLIsDirectoryKey"},
    {0x4, "NSURLIsSymbolicLinkKey"},       {0x8, "NSURLIsVolumeKey"},
    {0x10, "NSURLIsPackageKey"},           {0x20, "NSURLIsSystemImmutableKey"},
    {0x40, "NSURLIsUserImmutableKey"},     {0x80, "NSURLIsHiddenKey"},
    {0x100, "NSURLHasHiddenExtensionKey"}, {0x200, "NSURLIsApplicationKey"},
    {0x1000, "NSURLIsReadableKey"},        {0x2000, "NSURLIsWritableKey"},
    {0x4000, "NSURLIsExecutableKey"},      {0x8000, "NSURLIsAliasFileKey"},
    {0x10000, "NSURLIsMountTriggerKey"},
};

constexpr std::pair<std::uint64_t, const char*> volumeFlagNames[] = {
    {0x1, "NSURLVolumeIsLocalKey"},
    {0x2, "NSURLVolumeIsAutomountedKey"},
    {0x8, "NSURLVolumeIsReadOnlyKey"},
    {0x20, "NSURLVolumeIsEjectableKey"},
    {0x40, "NSURLVolumeIsRemovableKey"},
    {0x80, "NSURLVolumeIsInternalKey"},
    {0x4000000, "NSURLVolumeIsRootFileSystemKey"},
    {0x8000000, "NSURLVolumeIsEncryptedKey"},
    {0x100000000, "NSURLVolumeSupportsPersistentIDsKey"},
};
constexpr std::uint64_t volumeDontBrowse = 0x4;

/// Names of keys that have no property name of their own: the names of the bookmark
/// services' detailed description.
const char* detailName(std::uint32_t k) {
    switch (k) {
    case key::fileIDs:
        return "fileIDs";
    case key::fileID:
        return "fileID";
    case key::relativeDirsUp:
        return "relativeDirsUp";
    case key::relativeDirsDown:
        return "relativeDirsDown";
    case key::createdWithRelativeUrl:
        return "createdWithRelativeURL";
    case key::volInfoDepths:
        return "volInfoDepths";
    case key::volPath:
        return "volPath";
    case key::volWasBoot:
        return "volWasBoot";
    case key::volBookmark:
        return "volBookmark";
    case key::volMountUrl:
        return "volMountURL";
    case key::homeRelativeComponentCount:
        return "volHomeDirRelativePathComponentCount";
    case key::userName:
        return "userName";
    case key::userUid:
        return "userUID";
    case key::wasFileIdFormat:
        return "wasFileIDFormat";
    case key::creationOptions:
        return "creationOptions";
    case key::urlLengths:
        return "urlLengths";
    case key::effectiveIconData:
        return "effectiveIconData";
    case key::iconRef:
        return "iconRef";
    case key::typeBindingData:
        return "typeBindingData";
    case key::creationTime:
        return "bookmarkCreationTime";
    case key::sandboxRwExtension:
        return "sandboxRWExtension";
    case key::sandboxRoExtension:
        return "sandboxROExtension";
    case key::aliasData:
        return "aliasData";
    default:
        return nullptr;
    }
}

/// Names of keys that are properties of the bookmark services.
const char* propertyName(std::uint32_t k) {
    switch (k) {
    case key::targetUrl:
        return "_NSURLBookmarkURLStringKey";
    case key::creationDate:
        return "NSURLCreationDateKey";
    case key::fileName:
        return "NSURLNameKey";
    case key::volUrl:
        return "NSURLVolumeURLKey";
    case key::volName:
        return "NSURLVolumeNameKey";
    case key::volUuid:
        return "NSURLVolumeUUIDStringKey";
    case key::volCapacity:
        return "NSURLVolumeTotalCapacityKey";
    case key::volCreationDate:
        return "NSURLVolumeCreationDateKey";
    case key::displayName:
        return "NSURLLocalizedNameKey";
    default:
        return nullptr;
    }
}

void addFlags(BoundedPairs& out, const BookmarkValue& v, bool volume) {
    if (v.kind() != BookmarkValueKind::data || v.bytes().size() != 24) {
        out.add(quoted(volume ? "volProps" : "resourceProps"), valueText(v, out.room()));
        return;
    }
    std::span<const std::uint8_t> d(v.bytes());
    std::uint64_t flags = bytes::le64(d, 0), valid = bytes::le64(d, 8);
    auto add = [&](std::uint64_t bit, const char* name, bool invert) {
        if (valid & bit)
            out.add(quoted(name), ((flags & bit) != 0) != invert ? "true" : "false");
    };
    if (volume) {
        for (auto [bit, name] : volumeFlagNames)
            add(bit, name, false);
        add(volumeDontBrowse, "NSURLVolumeIsBrowsableKey", true);
    } else {
        for (auto [bit, name] : resourceFlagNames)
            add(bit, name, false);
    }
}

/// Whether `v` is an array of strings: path components the path can be derived from.
bool isNameList(const BookmarkValue& v) {
    return v.kind() == BookmarkValueKind::array &&
           std::all_of(v.items().begin(), v.items().end(),
                       [](const BookmarkValue& item) { return item.isString(); });
}

/// The entries of one table, named; the target table adds what it derives from the path.
BoundedPairs tablePairs(const Bookmark& bookmark, const BookmarkTable& table, bool target,
                        std::size_t cap) {
    BoundedPairs out(cap);
    for (const BookmarkEntry& e : table.entries) {
        if (out.full())
            return out;
        if (e.key.named) {
            out.add(quoted(e.key.name, out.room()), valueText(e.value, out.room()));
            continue;
        }
        std::uint32_t k = e.key.code;
        if (k == key::resourceProps || k == key::volProps) {
            addFlags(out, e.value, k == key::volProps);
            continue;
        }
        if (k == key::pathComponents && target) {
            continue; // derived below
        }
        if (k == key::aliasData && e.value.kind() == BookmarkValueKind::data) {
            // The classic alias record of 10.6 to 10.11 bookmarks, described like bookmark data.
            if (std::optional<std::string> record =
                    classic::ClassicAlias::describeEmbedded(e.value.bytes())) {
                out.add(quoted("aliasData"), *record);
                continue;
            }
        }
        if (k == key::volName && target)
            out.add(quoted("NSURLBookmarkOriginalVolumeNameKey"), valueText(e.value, out.room()));
        const char* name = propertyName(k);
        if (!name)
            name = k == key::pathComponents ? "pathComponents" : detailName(k);
        out.add(name ? quoted(name) : quoted(hexWord(k)), valueText(e.value, out.room()));
    }
    const BookmarkValue* components =
        target ? bookmark.find(tocId::target, key::pathComponents) : nullptr;
    if (!components)
        return out;
    if (!isNameList(*components)) {
        // No path to derive (the target may still be known from its URL): shown as stored.
        out.add(quoted("pathComponents"), valueText(*components, out.room()));
        return out;
    }

    // The path is these components (BookmarkInfo reads the same record).
    BookmarkInfo info = BookmarkInfo::from(bookmark);
    std::string path = info.targetPath();
    out.add(quoted("_NSURLPathKey"), quoted(path, out.room()));
    // Relative to the volume's mount point when it is a prefix of the path.
    std::size_t skip = 0;
    if (info.volumePath && *info.volumePath != "/") {
        std::string_view mount(*info.volumePath);
        while (mount.ends_with('/'))
            mount.remove_suffix(1);
        std::string prefix;
        for (std::size_t i = 0; i < info.pathComponents.size() && prefix.size() < mount.size();
             ++i) {
            prefix += "/" + info.pathComponents[i];
            if (prefix == mount) {
                skip = i + 1;
                break;
            }
        }
    }
    std::vector<BookmarkValue> relative;
    std::string relativePath;
    for (std::size_t i = skip; i < info.pathComponents.size(); ++i) {
        relative.push_back(BookmarkValue::makeString(info.pathComponents[i]));
        relativePath += (i > skip ? "/" : "") + info.pathComponents[i];
    }
    out.add(quoted("NSURLBookmarkOriginalRelativePathComponentsArrayKey"),
            valueText(BookmarkValue::makeArray(std::move(relative)), out.room()));
    out.add(quoted("NSURLBookmarkOriginalRelativePathKey"), quoted(relativePath, out.room()));
    if (!info.fileName && !info.pathComponents.empty())
        out.add(quoted("NSURLNameKey"), quoted(info.pathComponents.back(), out.room()));
    if (!bookmark.find(tocId::target, key::targetUrl)) {
        bool directory = info.resourceProps && ((*info.resourceProps)[0] & 0x2) &&
                         ((*info.resourceProps)[1] & 0x2);
        std::string url = fileUrlText(path);
        if (directory && path != "/")
            url += '/';
        out.add(quoted("_NSURLBookmarkURLStringKey"), quoted(url, out.room()));
    }
    return out;
}

void civilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

} // namespace

std::string BookmarkDescription::dateText(double seconds) {
    double unix = seconds + bytes::appleEpochOffset;
    // Years 1 to 9999 only; anything else is shown as the stored number.
    if (!std::isfinite(unix) || unix < -62135596800.0 || unix >= 253402300800.0)
        return realText(seconds);
    double whole = std::floor(unix);
    std::int64_t secs = static_cast<std::int64_t>(whole);
    std::int64_t micros = std::llround((unix - whole) * 1e6);
    if (micros >= 1000000) {
        micros -= 1000000;
        secs += 1;
    }
    std::int64_t days = secs >= 0 ? secs / 86400 : -((-secs + 86399) / 86400);
    std::int64_t rest = secs - days * 86400;
    std::int64_t y;
    unsigned m, d;
    civilFromDays(days, y, m, d);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04lld-%02u-%02uT%02lld:%02lld:%02lld",
                  static_cast<long long>(y), m, d, static_cast<long long>(rest / 3600),
                  static_cast<long long>(rest / 60 % 60), static_cast<long long>(rest % 60));
    std::string out = buf;
    if (micros > 0) {
        std::snprintf(buf, sizeof buf, ".%06lld", static_cast<long long>(micros));
        std::string fraction = buf;
        while (fraction.back() == '0')
            fraction.pop_back();
        out += fraction;
    }
    return out + "Z";
}

namespace {

std::string valueText(const BookmarkValue& v, std::size_t cap) {
    switch (v.kind()) {
    case BookmarkValueKind::string:
    case BookmarkValueKind::url:
        return quoted(v.text(), cap);
    case BookmarkValueKind::data:
        return dataText(v.bytes());
    case BookmarkValueKind::integer:
        return std::to_string(v.integer());
    case BookmarkValueKind::real:
        return realText(v.real());
    case BookmarkValueKind::date:
        return BookmarkDescription::dateText(v.real());
    case BookmarkValueKind::boolean:
        return v.boolean() ? "true" : "false";
    case BookmarkValueKind::array: {
        std::string out = "[";
        for (std::size_t i = 0; i < v.items().size(); ++i) {
            if (out.size() > cap) {
                out += cutMark;
                break;
            }
            out += (i > 0 ? ", " : "") + valueText(v.items()[i], cap - out.size());
        }
        return out + "]";
    }
    case BookmarkValueKind::dictionary: {
        BoundedPairs pairs(cap);
        for (std::size_t i = 0; i + 1 < v.items().size() && !pairs.full(); i += 2) {
            std::string key = valueText(v.items()[i], pairs.room());
            pairs.add(std::move(key), valueText(v.items()[i + 1], pairs.room()));
        }
        return dictionaryText(std::move(pairs), cap);
    }
    case BookmarkValueKind::uuid:
        return uuidText(v.bytes());
    case BookmarkValueKind::relativeUrl:
        if (v.items().size() != 2)
            return "<relative URL>";
        return valueText(v.items()[1], cap) + " -- " + valueText(v.items()[0], cap);
    case BookmarkValueKind::null:
        return "<null>";
    case BookmarkValueKind::unknown: {
        char buf[32];
        std::snprintf(buf, sizeof buf, "<type 0x%X ", v.type());
        return buf + dataText(v.bytes()) + ">";
    }
    }
    return "<null>";
}

} // namespace

std::string BookmarkDescription::escaped(std::string_view text) {
    std::string out;
    appendEscaped(out, text, SIZE_MAX);
    return out;
}

std::string BookmarkDescription::valueText(const BookmarkValue& value, std::size_t limit) {
    return cutTo(korvex::bookmark::valueText(value, limit), limit);
}

std::string BookmarkDescription::describe(const Bookmark& bookmark, std::size_t limit) {
    BoundedPairs pairs(limit);
    bool targetSeen = false;
    for (const BookmarkTable& table : bookmark.tables) {
        if (pairs.full())
            break;
        if (table.id == tocId::target && !targetSeen) {
            targetSeen = true;
            pairs.append(tablePairs(bookmark, table, true, pairs.room()));
        } else {
            char name[32];
            std::snprintf(name, sizeof name, "table 0x%04X", table.id);
            std::size_t room = pairs.room();
            pairs.add(quoted(name), dictionaryText(tablePairs(bookmark, table, false, room), room));
        }
    }
    return cutTo(dictionaryText(std::move(pairs), limit), limit);
}

std::optional<std::string> BookmarkDescription::describe(std::span<const std::uint8_t> bytes,
                                                         std::size_t limit) {
    BookmarkResult<Bookmark> read = BookmarkReader::read(bytes);
    if (!read)
        return std::nullopt;
    return describe(read.value(), limit);
}

} // namespace korvex::bookmark
