#include "BookmarkValue.h"

#include <cstring>

namespace korvex::bookmark {

BookmarkValue BookmarkValue::makeString(std::string text) {
    BookmarkValue v;
    v.kind_ = BookmarkValueKind::string;
    v.type_ = recordType::string;
    v.text_ = std::move(text);
    return v;
}

BookmarkValue BookmarkValue::makeData(std::vector<std::uint8_t> bytes) {
    BookmarkValue v;
    v.kind_ = BookmarkValueKind::data;
    v.type_ = recordType::data;
    v.bytes_ = std::move(bytes);
    return v;
}

BookmarkValue BookmarkValue::makeInteger(std::int64_t value, std::uint8_t subtype) {
    BookmarkValue v;
    v.kind_ = BookmarkValueKind::integer;
    v.type_ = recordType::number | subtype;
    v.integer_ = value;
    return v;
}

BookmarkValue BookmarkValue::makeReal(double value, std::uint8_t subtype) {
    BookmarkValue v;
    v.kind_ = BookmarkValueKind::real;
    v.type_ = recordType::number | subtype;
    v.real_ = value;
    return v;
}

BookmarkValue BookmarkValue::makeDate(double seconds) {
    BookmarkValue v;
    v.kind_ = BookmarkValueKind::date;
    v.type_ = recordType::date;
    v.real_ = seconds;
    return v;
}

BookmarkValue BookmarkValue::makeBool(bool value) {
    BookmarkValue v;
    v.kind_ = BookmarkValueKind::boolean;
    v.type_ = value ? recordType::boolTrue : recordType::boolFalse;
    v.boolean_ = value;
    return v;
}

BookmarkValue BookmarkValue::makeArray(std::vector<BookmarkValue> items) {
    BookmarkValue v;
    v.kind_ = BookmarkValueKind::array;
    v.type_ = recordType::array;
    v.items_ = std::move(items);
    return v;
}

BookmarkValue
BookmarkValue::makeDictionary(std::vector<std::pair<BookmarkValue, BookmarkValue>> pairs) {
    BookmarkValue v;
    v.kind_ = BookmarkValueKind::dictionary;
    v.type_ = recordType::dictionary;
    v.items_.reserve(pairs.size() * 2);
    for (auto& [key, value] : pairs) {
        v.items_.push_back(std::move(key));
        v.items_.push_back(std::move(value));
    }
    return v;
}

BookmarkValue BookmarkValue::makeUuid(std::vector<std::uint8_t> bytes) {
    BookmarkValue v;
    v.kind_ = BookmarkValueKind::uuid;
    v.type_ = recordType::uuid;
    v.bytes_ = std::move(bytes);
    return v;
}

BookmarkValue BookmarkValue::makeUrl(std::string url) {
    BookmarkValue v;
    v.kind_ = BookmarkValueKind::url;
    v.type_ = recordType::url;
    v.text_ = std::move(url);
    return v;
}

BookmarkValue BookmarkValue::makeRelativeUrl(BookmarkValue base, BookmarkValue relative) {
    BookmarkValue v;
    v.kind_ = BookmarkValueKind::relativeUrl;
    v.type_ = recordType::relativeUrl;
    v.items_.push_back(std::move(base));
    v.items_.push_back(std::move(relative));
    return v;
}

BookmarkValue BookmarkValue::makeNull() {
    return BookmarkValue();
}

BookmarkValue BookmarkValue::makeUnknown(std::uint32_t type, std::vector<std::uint8_t> payload) {
    BookmarkValue v;
    v.kind_ = BookmarkValueKind::unknown;
    v.type_ = type;
    v.bytes_ = std::move(payload);
    return v;
}

bool BookmarkValue::operator==(const BookmarkValue& other) const {
    if (kind_ != other.kind_ || type_ != other.type_)
        return false;
    switch (kind_) {
    case BookmarkValueKind::string:
    case BookmarkValueKind::url:
        return text_ == other.text_;
    case BookmarkValueKind::data:
    case BookmarkValueKind::uuid:
    case BookmarkValueKind::unknown:
        return bytes_ == other.bytes_;
    case BookmarkValueKind::integer:
        return integer_ == other.integer_;
    case BookmarkValueKind::real:
    case BookmarkValueKind::date:
        return std::memcmp(&real_, &other.real_, sizeof real_) == 0;
    case BookmarkValueKind::boolean:
        return boolean_ == other.boolean_;
    case BookmarkValueKind::array:
    case BookmarkValueKind::dictionary:
    case BookmarkValueKind::relativeUrl:
        return items_ == other.items_;
    case BookmarkValueKind::null:
        return true;
    }
    return false;
}

} // namespace korvex::bookmark
