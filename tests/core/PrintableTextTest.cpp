// How names are printed: control characters and bad bytes escaped, everything else as it is.
#include "PrintableText.h"

#include <gtest/gtest.h>

#include <set>

namespace korvex {
namespace {

TEST(PrintableText, ControlCharactersBackslashesAndBadBytesAreEscaped) {
    const struct {
        std::string raw;
        const char* shown;
    } cases[] = {
        {"a\x1b[1A\x1b[2Kb", "a\\u{1B}[1A\\u{1B}[2Kb"}, // CSI: cursor up, erase line
        {"\x1b]0;title\x07", "\\u{1B}]0;title\\u{7}"},  // OSC: window title
        {"two\nlines\r\tx", "two\\nlines\\r\\tx"},      // LF, CR, tab
        {std::string("nul\0end", 7), "nul\\u{0}end"},   // NUL
        {"del\x7f", "del\\u{7F}"},                      // DEL
        {"c1\xc2\x9b"
         "2J\xc2\x80\xc2\x9f",
         "c1\\u{9B}2J\\u{80}\\u{9F}"},                         // C1 as UTF-8
        {"raw\x9b", "raw\\x9B"},                               // a C1 byte alone: not UTF-8
        {"\xff\xfe", "\\xFF\\xFE"},                            // never UTF-8
        {"cut\xe2\x82", "cut\\xE2\\x82"},                      // a sequence cut short
        {"\xc0\xaf\xed\xa0\x80", "\\xC0\\xAF\\xED\\xA0\\x80"}, // overlong, surrogate
        {"\xf4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},          // past U+10FFFF
        {"back\\slash \\x41 \\u{1B}", "back\\\\slash \\\\x41 \\\\u{1B}"},
        {"say \"hi\"", "say \"hi\""}, // quotes only when asked
    };
    for (const auto& c : cases) {
        EXPECT_EQ(printable(c.raw), c.shown);
        for (char byte : printable(c.raw)) {
            const auto b = static_cast<unsigned char>(byte);
            EXPECT_TRUE(b >= 0x20 && b != 0x7F) << c.shown;
        }
    }
    std::string quoted;
    EXPECT_TRUE(appendPrintable(quoted, "say \"hi\"", '"'));
    EXPECT_EQ(quoted, "say \\\"hi\\\"");
}

TEST(PrintableText, OrdinaryNamesOfAnyScriptStayAsTheyAre) {
    for (const char* name : {"/Volumes/Archive/Plan alias", "Café crème – Résumé.pages",
                             "Ünïcödé\xc2\xa0no-break space", "日本語のファイル", "😀 party 🎉",
                             "\xf4\x8f\xbf\xbf last code point", ""}) {
        EXPECT_EQ(printable(name), name);
    }
}

TEST(PrintableText, DifferentNamesNeverLookTheSame) {
    // Each escape could also be typed as plain text; the escaped backslash keeps them apart.
    const std::string names[] = {"\x1b", "\\u{1B}", "\\\\u{1B}", "\n",       "\\n",     "\\\n",
                                 "\xff", "\\xFF",   "\xc3\xbf",  "\xc2\x9b", "\\u{9B}", "\x9b",
                                 "\\",   "\\\\",    "\t",        "\\t"};
    std::set<std::string> shown;
    for (const std::string& name : names) {
        EXPECT_TRUE(shown.insert(printable(name)).second) << printable(name);
    }
}

TEST(PrintableText, ACapStopsAtACharactersEndAndSaysSo) {
    std::string out = "12";
    EXPECT_FALSE(appendPrintable(out,
                                 "ab\x1b"
                                 "cd",
                                 '\0', 3));
    EXPECT_EQ(out, "12ab"); // stops once past the cap, never inside an escape
    out.clear();
    EXPECT_TRUE(appendPrintable(out, "é😀", '\0', 100));
}

} // namespace
} // namespace korvex
