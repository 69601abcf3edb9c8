#include "BookmarkInfo.h"

#include "BookmarkBytes.h"
#include "BookmarkKeys.h"

#include <algorithm>

namespace korvex::bookmark {

namespace {

std::optional<std::string> stringAt(const Bookmark& b, std::uint32_t toc, std::uint32_t k) {
    const BookmarkValue* v = b.find(toc, k);
    if (v && (v->kind() == BookmarkValueKind::string || v->kind() == BookmarkValueKind::url))
        return v->text();
    return std::nullopt;
}

std::optional<std::int64_t> integerAt(const Bookmark& b, std::uint32_t toc, std::uint32_t k) {
    const BookmarkValue* v = b.find(toc, k);
    if (v && v->kind() == BookmarkValueKind::integer)
        return v->integer();
    return std::nullopt;
}

std::optional<double> dateAt(const Bookmark& b, std::uint32_t toc, std::uint32_t k) {
    const BookmarkValue* v = b.find(toc, k);
    if (v && v->kind() == BookmarkValueKind::date)
        return v->real();
    return std::nullopt;
}

std::optional<bool> boolAt(const Bookmark& b, std::uint32_t toc, std::uint32_t k) {
    const BookmarkValue* v = b.find(toc, k);
    if (v && v->kind() == BookmarkValueKind::boolean)
        return v->boolean();
    return std::nullopt;
}

std::optional<std::array<std::uint64_t, 3>> flagsAt(const Bookmark& b, std::uint32_t toc,
                                                    std::uint32_t k) {
    const BookmarkValue* v = b.find(toc, k);
    if (!v || v->kind() != BookmarkValueKind::data || v->bytes().size() != 24)
        return std::nullopt;
    std::span<const std::uint8_t> d(v->bytes());
    return std::array<std::uint64_t, 3>{bytes::le64(d, 0), bytes::le64(d, 8), bytes::le64(d, 16)};
}

/// The components of an array of strings; none when it is anything else.
std::optional<std::vector<std::string>> componentsAt(const Bookmark& b, std::uint32_t toc,
                                                     std::uint32_t k) {
    const BookmarkValue* v = b.find(toc, k);
    if (!v || v->kind() != BookmarkValueKind::array)
        return std::nullopt;
    std::vector<std::string> out;
    for (const BookmarkValue& item : v->items()) {
        if (!item.isString())
            return std::nullopt;
        out.push_back(item.text());
    }
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

/// The path components of a `file://` URL (percent escapes decoded); none for other URLs.
std::optional<std::vector<std::string>> componentsOfFileUrl(const std::string& url) {
    std::string_view rest(url);
    if (!rest.starts_with("file://"))
        return std::nullopt;
    rest.remove_prefix(7);
    if (rest.starts_with("localhost"))
        rest.remove_prefix(9);
    if (!rest.starts_with('/'))
        return std::nullopt;
    std::vector<std::string> out;
    std::string current;
    for (std::size_t i = 1; i <= rest.size(); ++i) {
        if (i == rest.size() || rest[i] == '/') {
            if (!current.empty())
                out.push_back(std::move(current));
            current.clear();
        } else if (rest[i] == '%' && i + 2 < rest.size() && hexDigit(rest[i + 1]) >= 0 &&
                   hexDigit(rest[i + 2]) >= 0) {
            current += char(hexDigit(rest[i + 1]) * 16 + hexDigit(rest[i + 2]));
            i += 2;
        } else {
            current += rest[i];
        }
    }
    return out;
}

BookmarkVolumeInfo volumeOf(const Bookmark& b, std::uint32_t toc) {
    BookmarkVolumeInfo v;
    v.path = stringAt(b, toc, key::volPath);
    v.url = stringAt(b, toc, key::volUrl);
    v.name = stringAt(b, toc, key::volName);
    v.uuid = stringAt(b, toc, key::volUuid);
    v.capacity = integerAt(b, toc, key::volCapacity);
    v.creationDate = dateAt(b, toc, key::volCreationDate);
    v.props = flagsAt(b, toc, key::volProps);
    v.wasBoot = boolAt(b, toc, key::volWasBoot);
    return v;
}

BookmarkValue flagsValue(const std::array<std::uint64_t, 3>& words) {
    std::vector<std::uint8_t> out;
    for (std::uint64_t w : words)
        bytes::putLe64(out, w);
    return BookmarkValue::makeData(std::move(out));
}

BookmarkValue componentsValue(const std::vector<std::string>& components) {
    std::vector<BookmarkValue> items;
    for (const std::string& c : components)
        items.push_back(BookmarkValue::makeString(c));
    return BookmarkValue::makeArray(std::move(items));
}

void applyVolume(const BookmarkVolumeInfo& v, std::uint32_t toc, Bookmark& b) {
    if (v.pathComponents)
        b.set(toc, key::pathComponents, componentsValue(*v.pathComponents));
    if (v.path)
        b.set(toc, key::volPath, BookmarkValue::makeString(*v.path));
    if (v.url)
        b.set(toc, key::volUrl, BookmarkValue::makeUrl(*v.url));
    if (v.name)
        b.set(toc, key::volName, BookmarkValue::makeString(*v.name));
    if (v.uuid)
        b.set(toc, key::volUuid, BookmarkValue::makeString(*v.uuid));
    if (v.capacity)
        b.set(toc, key::volCapacity, BookmarkValue::makeInteger(*v.capacity, numberType::sInt64));
    if (v.creationDate)
        b.set(toc, key::volCreationDate, BookmarkValue::makeDate(*v.creationDate));
    if (v.props)
        b.set(toc, key::volProps, flagsValue(*v.props));
    if (v.wasBoot)
        b.set(toc, key::volWasBoot, BookmarkValue::makeBool(*v.wasBoot));
}

} // namespace

std::string BookmarkInfo::targetPath() const {
    if (pathComponents.empty())
        return "/";
    std::string path;
    for (const std::string& c : pathComponents) {
        path += '/';
        path += c;
    }
    return path;
}

BookmarkVolumeInfo BookmarkInfo::volume() const {
    BookmarkVolumeInfo v;
    v.path = volumePath;
    v.url = volumeURL;
    v.name = volumeName;
    v.uuid = volumeUUID;
    v.capacity = volumeCapacity;
    v.creationDate = volumeCreationDate;
    v.props = volumeProps;
    v.wasBoot = volumeWasBoot;
    return v;
}

BookmarkInfo BookmarkInfo::from(const Bookmark& b) {
    BookmarkInfo info;
    const std::uint32_t t = tocId::target;
    if (auto components = componentsAt(b, t, key::pathComponents)) {
        info.pathComponents = std::move(*components);
        info.pathKnown = true;
    } else if (auto url = stringAt(b, t, key::targetUrl)) {
        if (auto fromUrl = componentsOfFileUrl(*url)) {
            info.pathComponents = std::move(*fromUrl);
            info.pathKnown = true;
        }
    }
    if (const BookmarkValue* ids = b.find(t, key::fileIDs);
        ids && ids->kind() == BookmarkValueKind::array) {
        for (const BookmarkValue& id : ids->items()) {
            info.fileIDs.push_back(id.isInteger() ? std::optional(id.integer()) : std::nullopt);
        }
    }
    info.resourceProps = flagsAt(b, t, key::resourceProps);
    info.creationDate = dateAt(b, t, key::creationDate);
    info.fileName = stringAt(b, t, key::fileName);

    BookmarkVolumeInfo v = volumeOf(b, t);
    info.volumePath = v.path;
    info.volumeURL = v.url;
    info.volumeName = v.name;
    info.volumeUUID = v.uuid;
    info.volumeCapacity = v.capacity;
    info.volumeCreationDate = v.creationDate;
    info.volumeProps = v.props;
    info.volumeWasBoot = v.wasBoot;

    info.homeRelativeComponentCount = integerAt(b, t, key::homeRelativeComponentCount);
    info.creatorUser = stringAt(b, t, key::userName);
    info.creatorUid = integerAt(b, t, key::userUid);
    info.wasFileIDFormat = boolAt(b, t, key::wasFileIdFormat);
    info.creationOptions = integerAt(b, t, key::creationOptions);
    info.displayName = stringAt(b, t, key::displayName);
    if (const BookmarkValue* binding = b.find(t, key::typeBindingData);
        binding && binding->kind() == BookmarkValueKind::data)
        info.typeBindingData = binding->bytes();

    if (b.table(tocId::bootVolume))
        info.bootVolume = volumeOf(b, tocId::bootVolume);
    if (b.table(tocId::diskImage)) {
        info.diskImage = volumeOf(b, tocId::diskImage);
        info.diskImage->pathComponents = componentsAt(b, tocId::diskImage, key::pathComponents);
    }
    return info;
}

void BookmarkInfo::applyTo(Bookmark& b) const {
    const std::uint32_t t = tocId::target;
    if (!b.table(t))
        b.tables.insert(b.tables.begin(), BookmarkTable{t, {}, 0});

    // An unknown path (empty components, not known) is no root: what is stored stays.
    if (pathKnown || !pathComponents.empty() || !b.find(t, key::pathComponents))
        b.set(t, key::pathComponents, componentsValue(pathComponents));
    if (!fileIDs.empty()) {
        std::vector<BookmarkValue> ids;
        for (const std::optional<std::int64_t>& id : fileIDs)
            ids.push_back(id ? BookmarkValue::makeInteger(*id, numberType::sInt64)
                             : BookmarkValue::makeNull());
        b.set(t, key::fileIDs, BookmarkValue::makeArray(std::move(ids)));
    }
    if (resourceProps)
        b.set(t, key::resourceProps, flagsValue(*resourceProps));
    if (fileName)
        b.set(t, key::fileName, BookmarkValue::makeString(*fileName));
    if (creationDate)
        b.set(t, key::creationDate, BookmarkValue::makeDate(*creationDate));

    if (bootVolume) {
        std::vector<BookmarkValue> depths;
        for (std::int64_t n : {std::int64_t(tocId::bootVolume), std::int64_t(0),
                               std::int64_t(tocId::target), std::int64_t(0)})
            depths.push_back(BookmarkValue::makeInteger(n, numberType::sInt32));
        b.set(t, key::volInfoDepths, BookmarkValue::makeArray(std::move(depths)));
    }
    applyVolume(volume(), t, b);
    if (diskImage)
        b.set(t, key::volBookmark,
              BookmarkValue::makeInteger(tocId::diskImage, numberType::sInt32));

    if (homeRelativeComponentCount)
        b.set(t, key::homeRelativeComponentCount,
              BookmarkValue::makeInteger(*homeRelativeComponentCount, numberType::sInt64));
    if (creatorUser)
        b.set(t, key::userName, BookmarkValue::makeString(*creatorUser));
    if (creatorUid)
        b.set(t, key::userUid, BookmarkValue::makeInteger(*creatorUid, numberType::sInt32));
    if (wasFileIDFormat)
        b.set(t, key::wasFileIdFormat, BookmarkValue::makeBool(*wasFileIDFormat));
    if (creationOptions)
        b.set(t, key::creationOptions,
              BookmarkValue::makeInteger(*creationOptions, numberType::sInt32));
    if (displayName)
        b.set(t, key::displayName, BookmarkValue::makeString(*displayName));
    if (typeBindingData)
        b.set(t, key::typeBindingData, BookmarkValue::makeData(*typeBindingData));

    if (bootVolume)
        applyVolume(*bootVolume, tocId::bootVolume, b);
    if (diskImage)
        applyVolume(*diskImage, tocId::diskImage, b);
}

} // namespace korvex::bookmark
