#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

/// Marks `text` for the catalogue under `context` where it is written down, for a
/// `translate(context, text)` elsewhere (like Qt's QT_TRANSLATE_NOOP; lupdate is told of it).
#define KORVEX_TRANSLATE_NOOP(context, text) text

namespace korvex {

/// Where the texts people read come from: the English written in the code, or its translation
/// into the one language the process speaks. Texts are looked up by `translate` with literal
/// arguments, which is also how `lupdate` finds them (the context first, as in Qt).
/// Placeholders: `%1` ... `%9` filled by `fillText`, `%n` the count of a plural text.
/// This base speaks English: every text is its source.
class TextCatalog {
public:
    virtual ~TextCatalog() = default;

    /// `source` in the catalogue's language. With `n` >= 0 the text is a plural one: the form
    /// for `n`, with every `%n` replaced by `n`. `comment` tells apart equal sources of one
    /// context with different meanings.
    std::string translate(const char* context, const char* source, const char* comment = nullptr,
                          std::int64_t n = -1) const;

    /// The language of the texts as an ISO 639 code, "en" for the English of the sources. Dates
    /// are written in it too.
    virtual std::string language() const;

    /// The catalogue of the sources themselves.
    static const TextCatalog& english();

protected:
    /// The translation of `source` (for `n`, when >= 0), or an empty string when there is none.
    virtual std::string lookUp(const char* context, const char* source, const char* comment,
                               std::int64_t n) const;
};

/// `pattern` with `%1` ... `%9` replaced by the values in order, in one pass: a value holding a
/// placeholder (a path with "%2" in it) stays as it is. A placeholder without a value stays too.
std::string fillText(std::string_view pattern, std::initializer_list<std::string_view> values);

} // namespace korvex
