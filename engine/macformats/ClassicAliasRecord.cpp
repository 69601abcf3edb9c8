#include "ClassicAliasRecord.h"

#include "BigEndian.h"
#include "MacText.h"

namespace korvex::classic {

namespace {

using bookmark::BookmarkError;

constexpr std::int16_t endTag = -1;

double highResolution(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<double>(readBigEndian64(b, at)) / 65536.0;
}

/// A Pascal string of at most `capacity` bytes (length byte included) at `at`.
std::string pascal(std::span<const std::uint8_t> b, std::size_t at, std::size_t capacity) {
    const std::size_t length = std::min<std::size_t>(b[at], capacity - 1);
    return MacText::fromMacRoman(b.subspan(at + 1, length));
}

std::string utf8(std::span<const std::uint8_t> value) {
    return std::string(value.begin(), value.end());
}

/// Tags 14 and 15: a count of UTF-16 units, then the units.
std::optional<std::string> unicodeName(std::span<const std::uint8_t> value) {
    if (value.size() < 2) {
        return std::nullopt;
    }
    const std::size_t units = readBigEndian16(value, 0);
    if (!rangeFits(value.size(), 2, units * 2)) {
        return std::nullopt;
    }
    return MacText::fromUtf16BigEndian(value.subspan(2, units * 2));
}

void readFixed2(std::span<const std::uint8_t> r, AliasRecord& a) {
    a.volumeName = pascal(r, 10, 28);
    a.volumeCreated = readBigEndian32(r, 38);
    a.fileSystem = std::uint32_t{readBigEndian16(r, 42)} << 16;
    a.diskType = readBigEndian16(r, 44);
    a.parentCNID = readBigEndian32(r, 46);
    a.targetName = pascal(r, 50, 64);
    a.targetCNID = readBigEndian32(r, 114);
    a.targetCreated = readBigEndian32(r, 118);
    a.targetCreator = readBigEndian32(r, 122);
    a.targetType = readBigEndian32(r, 126);
    a.levelsFromAlias = static_cast<std::int16_t>(readBigEndian16(r, 130));
    a.levelsToTarget = static_cast<std::int16_t>(readBigEndian16(r, 132));
    a.volumeAttributes = readBigEndian32(r, 134);
    a.fileSystemID = readBigEndian16(r, 138);
}

void readFixed3(std::span<const std::uint8_t> r, AliasRecord& a) {
    a.volumeCreated = highResolution(r, 10);
    a.fileSystem = readBigEndian32(r, 18);
    a.diskType = readBigEndian16(r, 22);
    a.parentCNID = readBigEndian32(r, 24);
    a.targetCNID = readBigEndian32(r, 28);
    a.targetCreated = highResolution(r, 32);
    a.volumeAttributes = readBigEndian32(r, 40);
}

void readTag(std::int16_t tag, std::span<const std::uint8_t> value, AliasRecord& a) {
    switch (tag) {
    case 0:
        a.folderName = MacText::fromMacRoman(value);
        return;
    case 1:
        for (std::size_t at = 0; at + 4 <= value.size(); at += 4) {
            a.cnidPath.push_back(readBigEndian32(value, at));
        }
        return;
    case 2:
        a.carbonPath = MacText::fromMacRoman(value);
        return;
    case 3:
        a.appleShareZone = MacText::fromMacRoman(value);
        return;
    case 4:
        a.appleShareServer = MacText::fromMacRoman(value);
        return;
    case 5:
        a.appleShareUser = MacText::fromMacRoman(value);
        return;
    case 6:
        a.driverName = MacText::fromMacRoman(value);
        return;
    case 14:
        if ((a.unicodeTargetName = unicodeName(value))) {
            return;
        }
        break;
    case 15:
        if ((a.unicodeVolumeName = unicodeName(value))) {
            return;
        }
        break;
    case 16:
    case 17:
        if (value.size() == 8) {
            (tag == 16 ? a.volumeCreatedUtc : a.targetCreatedUtc) = highResolution(value, 0);
            return;
        }
        break;
    case 18:
        a.posixPath = utf8(value);
        return;
    case 19:
        a.volumeMountPoint = utf8(value);
        return;
    case 20:
        a.diskImageAlias.emplace(value.begin(), value.end());
        return;
    case 21:
        if (value.size() == 2) {
            a.userHomePrefixLength = readBigEndian16(value, 0);
            return;
        }
        break;
    default:
        break;
    }
    a.otherTags.emplace_back(tag, std::vector<std::uint8_t>(value.begin(), value.end()));
}

} // namespace

bool AliasRecord::looksLikeRecord(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 8) {
        return false;
    }
    const std::size_t size = readBigEndian16(bytes, 4);
    const std::uint16_t version = readBigEndian16(bytes, 6);
    return (version == 2 && size >= fixedSize2 && size <= bytes.size()) ||
           (version == 3 && size >= fixedSize3 && size <= bytes.size());
}

bookmark::BookmarkResult<AliasRecord> AliasRecord::read(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 8) {
        return BookmarkError{"alias record shorter than its header", 0};
    }
    AliasRecord a;
    a.appCode = readBigEndian32(bytes, 0);
    a.recordSize = readBigEndian16(bytes, 4);
    a.version = readBigEndian16(bytes, 6);
    if (a.version != 2 && a.version != 3) {
        return BookmarkError{"alias record of unknown version " + std::to_string(a.version), 6};
    }
    const std::size_t fixed = a.version == 2 ? fixedSize2 : fixedSize3;
    if (a.recordSize < fixed) {
        return BookmarkError{"alias record size smaller than its fixed part", 4};
    }
    if (a.recordSize > bytes.size()) {
        return BookmarkError{"alias record size runs past the data", 4};
    }
    const std::span<const std::uint8_t> r = bytes.first(a.recordSize);
    a.kind = readBigEndian16(r, 8);
    if (a.version == 2) {
        readFixed2(r, a);
    } else {
        readFixed3(r, a);
    }

    std::size_t at = fixed;
    while (at < r.size()) {
        if (!rangeFits(r.size(), at, 4)) {
            return BookmarkError{"alias record field header runs past the record", at};
        }
        const auto tag = static_cast<std::int16_t>(readBigEndian16(r, at));
        const std::size_t length = readBigEndian16(r, at + 2);
        if (tag == endTag) {
            break;
        }
        if (!rangeFits(r.size(), at + 4, length)) {
            return BookmarkError{
                "alias record field " + std::to_string(tag) + " runs past the record", at};
        }
        readTag(tag, r.subspan(at + 4, length), a);
        at += 4 + length + (length & 1);
    }
    if (a.unicodeTargetName) {
        a.targetName = *a.unicodeTargetName;
    }
    if (a.unicodeVolumeName) {
        a.volumeName = *a.unicodeVolumeName;
    }
    return a;
}

} // namespace korvex::classic
