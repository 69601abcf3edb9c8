#include "BookmarkReader.h"

#include "BookmarkBytes.h"
#include "BookmarkKeys.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace korvex::bookmark {

namespace {

using bytes::fits;
using bytes::le32;

std::string hex(std::uint64_t v) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(v));
    return buf;
}

bool startsWith(std::span<const std::uint8_t> b, const char* text, std::size_t n) {
    return b.size() >= n && std::memcmp(b.data(), text, n) == 0;
}

/// Reads the data area: records and the chain of tables. Offsets are relative to the area;
/// errors report them relative to the whole buffer.
class DataAreaParser {
public:
    DataAreaParser(std::span<const std::uint8_t> area, std::size_t base)
        : area_(area), base_(base), budget_(area.size() + 1024),
          decodedLeft_(BookmarkReader::decodedLimit(area.size())) {}

    bool readTables(std::vector<BookmarkTable>& tables) {
        if (area_.size() < 4)
            return fail("the data area is too short to hold the offset of its first table", 0);
        std::uint32_t offset = le32(area_, 0);
        std::vector<std::uint32_t> seen;
        do {
            if (offset == 0)
                return fail("the offset of the first table of contents is 0", 0);
            if (std::find(seen.begin(), seen.end(), offset) != seen.end())
                return fail("the chain of tables of contents loops back to " + hex(offset), offset);
            if (seen.size() >= std::size_t(BookmarkReader::maxTables))
                return fail("more than " + std::to_string(BookmarkReader::maxTables) +
                                " tables of contents",
                            offset);
            seen.push_back(offset);
            BookmarkTable table;
            std::uint32_t next = 0;
            if (!readTable(offset, table, next))
                return false;
            tables.push_back(std::move(table));
            offset = next;
        } while (offset != 0);
        return true;
    }

    const BookmarkError& error() const { return error_; }

private:
    bool fail(std::string message, std::uint64_t areaOffset) {
        error_.message = std::move(message);
        error_.offset = base_ + std::min<std::uint64_t>(areaOffset, area_.size());
        return false;
    }

    bool readTable(std::uint32_t offset, BookmarkTable& table, std::uint32_t& next) {
        if (!fits(offset, 20, area_.size()))
            return fail("the table of contents at " + hex(offset) + " lies outside the data",
                        offset);
        if (le32(area_, offset + 4) != recordType::toc)
            return fail("no table of contents at " + hex(offset) + " (its marker is " +
                            hex(le32(area_, offset + 4)) + ")",
                        offset);
        table.id = le32(area_, offset + 8);
        table.sourceOffset = offset;
        next = le32(area_, offset + 12);
        std::uint32_t count = le32(area_, offset + 16);
        // The size field is not trusted (some writers get it wrong); the count decides.
        if (!fits(std::uint64_t(offset) + 20, std::uint64_t(count) * 12, area_.size()))
            return fail("the table of contents at " + hex(offset) + " claims " +
                            std::to_string(count) + " entries, more than the data holds",
                        offset);
        if (!charge(std::uint64_t(count) * sizeof(BookmarkEntry), offset))
            return false;
        table.entries.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            std::size_t at = std::size_t(offset) + 20 + std::size_t(i) * 12;
            BookmarkEntry entry;
            std::uint32_t code = le32(area_, at);
            if (code & key::namedKeyBit) {
                if (!readKeyName(code & ~key::namedKeyBit, entry.key))
                    return false;
            } else {
                entry.key.code = code;
            }
            if (!readValue(le32(area_, at + 4), 0, entry.value))
                return false;
            table.entries.push_back(std::move(entry));
        }
        return true;
    }

    bool readKeyName(std::uint32_t offset, BookmarkKey& key) {
        BookmarkValue name;
        if (!readValue(offset, 0, name))
            return false;
        if (!name.isString())
            return fail("the key name at " + hex(offset) + " is not a string", offset);
        key.named = true;
        key.name = name.text();
        key.nameSourceOffset = offset;
        return true;
    }

    bool readValue(std::uint32_t offset, int depth, BookmarkValue& out) {
        if (budget_ == 0)
            return fail("the records refer to each other too often", offset);
        --budget_;
        if (!fits(offset, 8, area_.size()))
            return fail("a record offset (" + hex(offset) + ") lies outside the data", offset);
        std::uint32_t length = le32(area_, offset);
        std::uint32_t type = le32(area_, offset + 4);
        if (!fits(std::uint64_t(offset) + 8, length, area_.size()))
            return fail("the record at " + hex(offset) + " claims " + std::to_string(length) +
                            " bytes, past the end of the data",
                        offset);
        std::span<const std::uint8_t> payload = area_.subspan(offset + 8, length);
        // A shared record is copied wherever it is referred to, so it is paid for each time.
        // The payload is counted whatever the type: at most it is copied once.
        if (!charge(length, offset))
            return false;
        if (!decode(offset, type, payload, depth, out))
            return false;
        out.setSourceOffset(offset);
        return true;
    }

    /// Takes `bytes` of decoded size from the budget; fails once the records would cost more
    /// memory than a bookmark of this size may.
    bool charge(std::uint64_t bytes, std::uint32_t offset) {
        if (bytes > decodedLeft_)
            return fail("the records would take more than " +
                            std::to_string(BookmarkReader::decodedLimit(area_.size())) +
                            " bytes once read, too much for " + std::to_string(area_.size()) +
                            " bytes of data",
                        offset);
        decodedLeft_ -= bytes;
        return true;
    }

    bool readChildren(std::uint32_t offset, std::span<const std::uint8_t> payload, int depth,
                      std::vector<BookmarkValue>& items) {
        if (depth >= BookmarkReader::maxDepth)
            return fail("records nested more than " + std::to_string(BookmarkReader::maxDepth) +
                            " deep at " + hex(offset),
                        offset);
        if (std::find(path_.begin(), path_.end(), offset) != path_.end())
            return fail("the record at " + hex(offset) + " contains itself", offset);
        path_.push_back(offset);
        std::size_t count = payload.size() / 4;
        if (!charge(std::uint64_t(count) * sizeof(BookmarkValue), offset))
            return false;
        items.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            if (!readValue(le32(payload, i * 4), depth + 1, items[i]))
                return false;
        }
        path_.pop_back();
        return true;
    }

    bool decode(std::uint32_t offset, std::uint32_t type, std::span<const std::uint8_t> payload,
                int depth, BookmarkValue& out) {
        auto raw = [&] {
            out = BookmarkValue::makeUnknown(
                type, std::vector<std::uint8_t>(payload.begin(), payload.end()));
            return true;
        };
        auto text = [&] { return std::string(payload.begin(), payload.end()); };
        std::size_t n = payload.size();
        switch (type) {
        case recordType::string:
            out = BookmarkValue::makeString(text());
            return true;
        case recordType::url:
            out = BookmarkValue::makeUrl(text());
            return true;
        case recordType::data:
            out = BookmarkValue::makeData({payload.begin(), payload.end()});
            return true;
        case recordType::date:
            if (n != 8)
                return raw();
            out = BookmarkValue::makeDate(std::bit_cast<double>(bytes::be64(payload, 0)));
            return true;
        case recordType::boolFalse:
        case recordType::boolTrue:
            if (n != 0)
                return raw();
            out = BookmarkValue::makeBool(type == recordType::boolTrue);
            return true;
        case recordType::null:
            if (n != 0)
                return raw();
            out = BookmarkValue::makeNull();
            return true;
        case recordType::uuid:
            if (n != 16)
                return raw();
            out = BookmarkValue::makeUuid({payload.begin(), payload.end()});
            return true;
        case recordType::array:
            if (n % 4 != 0)
                return raw();
            out = BookmarkValue::makeArray({});
            return readChildren(offset, payload, depth, out.items());
        case recordType::dictionary:
            if (n % 8 != 0)
                return raw();
            out = BookmarkValue::makeDictionary({});
            return readChildren(offset, payload, depth, out.items());
        case recordType::relativeUrl: {
            if (n != 8)
                return raw();
            out = BookmarkValue::makeRelativeUrl({}, {});
            return readChildren(offset, payload, depth, out.items());
        }
        default:
            break;
        }
        if ((type & ~0xFFu) == recordType::number) {
            std::uint32_t subtype = type & 0xFF;
            if (n == 0 || n != bytes::numberSize(subtype))
                return raw();
            std::uint64_t bits = 0;
            for (std::size_t i = 0; i < n; ++i)
                bits |= std::uint64_t(payload[i]) << (8 * i);
            if (bytes::numberIsReal(subtype)) {
                double value = n == 4 ? double(std::bit_cast<float>(std::uint32_t(bits)))
                                      : std::bit_cast<double>(bits);
                out = BookmarkValue::makeReal(value, std::uint8_t(subtype));
            } else {
                if (n < 8 && (bits >> (8 * n - 1)) & 1)
                    bits |= ~std::uint64_t(0) << (8 * n); // sign-extend
                out = BookmarkValue::makeInteger(std::int64_t(bits), std::uint8_t(subtype));
            }
            return true;
        }
        return raw();
    }

    std::span<const std::uint8_t> area_;
    std::size_t base_;
    std::size_t budget_;
    std::uint64_t decodedLeft_;
    std::vector<std::uint32_t> path_;
    BookmarkError error_;
};

} // namespace

BookmarkResult<Bookmark> BookmarkReader::read(std::span<const std::uint8_t> input) {
    Bookmark bookmark;
    std::size_t headerLength = 0;
    std::uint64_t end = 0;
    if (input.size() < 16)
        return BookmarkError{
            "too short for bookmark data (" + std::to_string(input.size()) + " bytes)", 0};
    if (!startsWith(input, "book", 4) && !startsWith(input, "alis", 4))
        return BookmarkError{"not bookmark data: it does not begin with \"book\"", 0};

    if (le32(input, 4) == 0 && std::memcmp(input.data() + 8, "mark\0\0\0\0", 8) == 0) {
        bookmark.container = BookmarkContainer::aliasFile;
        if (input.size() < 56)
            return BookmarkError{"too short for the 56-byte header of an alias file", 0};
        headerLength = le32(input, 16);
        if (headerLength != 56)
            return BookmarkError{"the alias file's header length is " +
                                     std::to_string(headerLength) + ", not 56",
                                 16};
        std::uint32_t dataLength = le32(input, 24);
        end = std::uint64_t(56) + dataLength;
        if (end > input.size())
            return BookmarkError{"truncated: the alias file header announces " +
                                     std::to_string(dataLength) + " bytes of bookmark data, " +
                                     std::to_string(input.size() - 56) + " are present",
                                 24};
    } else {
        end = le32(input, 4);
        if (end > input.size())
            return BookmarkError{"truncated: the header says " + std::to_string(end) +
                                     " bytes, there are " + std::to_string(input.size()),
                                 4};
        headerLength = le32(input, 12);
        if (headerLength == 48)
            bookmark.container = BookmarkContainer::raw;
        else if (headerLength == 16)
            bookmark.container = BookmarkContainer::legacy;
        else
            return BookmarkError{"unknown header length " + std::to_string(headerLength) +
                                     " (expected 48 or 16)",
                                 12};
        if (end < headerLength)
            return BookmarkError{"the header says " + std::to_string(end) +
                                     " bytes in all, less than its own length",
                                 4};
    }

    bookmark.header.assign(input.begin(), input.begin() + headerLength);
    DataAreaParser parser(input.subspan(headerLength, end - headerLength), headerLength);
    if (!parser.readTables(bookmark.tables))
        return parser.error();
    return bookmark;
}

} // namespace korvex::bookmark
