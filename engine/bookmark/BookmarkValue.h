#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvex::bookmark {

/// Record type words of bookmark data (high 24 bits: kind, low 8 bits: subtype).
namespace recordType {
inline constexpr std::uint32_t string = 0x0101;
inline constexpr std::uint32_t data = 0x0201;
inline constexpr std::uint32_t number = 0x0300; // | subtype 1..16 (CFNumber types)
inline constexpr std::uint32_t date = 0x0400;
inline constexpr std::uint32_t boolFalse = 0x0500;
inline constexpr std::uint32_t boolTrue = 0x0501;
inline constexpr std::uint32_t array = 0x0601;
inline constexpr std::uint32_t dictionary = 0x0701;
inline constexpr std::uint32_t uuid = 0x0801;
inline constexpr std::uint32_t url = 0x0901;
inline constexpr std::uint32_t relativeUrl = 0x0902;
inline constexpr std::uint32_t null = 0x0A01;
inline constexpr std::uint32_t toc = 0xFFFFFFFE;
} // namespace recordType

/// Number subtypes (the CFNumber types) that the codec writes.
namespace numberType {
inline constexpr std::uint8_t sInt8 = 1;
inline constexpr std::uint8_t sInt16 = 2;
inline constexpr std::uint8_t sInt32 = 3;
inline constexpr std::uint8_t sInt64 = 4;
inline constexpr std::uint8_t float32 = 5;
inline constexpr std::uint8_t float64 = 6;
} // namespace numberType

enum class BookmarkValueKind {
    string,
    data,
    integer, ///< a number record of an integer subtype
    real,    ///< a number record of a floating-point subtype
    date,
    boolean,
    array,
    dictionary,
    uuid,
    url,
    relativeUrl,
    null,
    unknown, ///< a type (or a malformed payload) the codec does not interpret: kept as bytes
};

/// One record of bookmark data, of any type. Plain value; arrays, dictionaries and relative
/// URLs hold their parts as child values.
class BookmarkValue {
public:
    BookmarkValue() = default; // null

    static BookmarkValue makeString(std::string text);
    static BookmarkValue makeData(std::vector<std::uint8_t> bytes);
    /// An integer number record of `subtype` (1, 2, 3, 4 or 7..11, 14, 15).
    static BookmarkValue makeInteger(std::int64_t value, std::uint8_t subtype = numberType::sInt64);
    /// A floating-point number record of `subtype` (5, 6, 12, 13 or 16).
    static BookmarkValue makeReal(double value, std::uint8_t subtype = numberType::float64);
    /// A date: seconds since 2001-01-01 00:00:00 UTC.
    static BookmarkValue makeDate(double seconds);
    static BookmarkValue makeBool(bool value);
    static BookmarkValue makeArray(std::vector<BookmarkValue> items);
    /// A dictionary from (key, value) pairs in the order given; keys are normally strings.
    static BookmarkValue makeDictionary(std::vector<std::pair<BookmarkValue, BookmarkValue>> pairs);
    /// A UUID record; `bytes` must hold 16 bytes.
    static BookmarkValue makeUuid(std::vector<std::uint8_t> bytes);
    static BookmarkValue makeUrl(std::string url);
    static BookmarkValue makeRelativeUrl(BookmarkValue base, BookmarkValue relative);
    static BookmarkValue makeNull();
    /// A record kept as it was: its type word and payload bytes.
    static BookmarkValue makeUnknown(std::uint32_t type, std::vector<std::uint8_t> payload);

    BookmarkValueKind kind() const { return kind_; }
    /// The record type word this value is written with.
    std::uint32_t type() const { return type_; }

    /// Text of a string or URL record (UTF-8 as stored, not checked).
    const std::string& text() const { return text_; }
    /// Payload of a data, UUID or unknown record.
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::int64_t integer() const { return integer_; }
    /// A real number, or a date in seconds since 2001-01-01 UTC.
    double real() const { return real_; }
    bool boolean() const { return boolean_; }
    /// Elements of an array; alternating key, value of a dictionary; base, relative part of a
    /// relative URL.
    const std::vector<BookmarkValue>& items() const { return items_; }
    std::vector<BookmarkValue>& items() { return items_; }

    bool isString() const { return kind_ == BookmarkValueKind::string; }
    bool isInteger() const { return kind_ == BookmarkValueKind::integer; }

    /// Where the record sat in the data area it was read from (0: made in memory). The writer
    /// keeps records in this order, so unchanged data is written back byte for byte.
    std::uint32_t sourceOffset() const { return sourceOffset_; }
    void setSourceOffset(std::uint32_t offset) { sourceOffset_ = offset; }

    /// Same type word and same content; the source offset is ignored, reals compare bitwise.
    bool operator==(const BookmarkValue& other) const;

private:
    BookmarkValueKind kind_ = BookmarkValueKind::null;
    std::uint32_t type_ = recordType::null;
    std::uint32_t sourceOffset_ = 0;
    bool boolean_ = false;
    std::int64_t integer_ = 0;
    double real_ = 0;
    std::string text_;
    std::vector<std::uint8_t> bytes_;
    std::vector<BookmarkValue> items_;
};

} // namespace korvex::bookmark
