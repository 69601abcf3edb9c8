// The report in the scan's language: every line from the catalogue, the count of plural texts,
// the date in the catalogue's language whatever the user's locale, and the placeholders.
#include "DateText.h"
#include "ScanHarness.h"
#include "TextCatalog.h"

#include <gtest/gtest.h>
#include <unicode/locid.h>

#include <cerrno>
#include <map>

namespace korvex::test {
namespace {

/// Marks every text it gives with "»" (after leading line feeds) and remembers the counts of
/// the plural ones.
class MarkingCatalog : public TextCatalog {
public:
    std::string language() const override { return "de"; }
    mutable std::map<std::string, std::int64_t> counts;

protected:
    std::string lookUp(const char*, const char* source, const char*,
                       std::int64_t n) const override {
        std::string text = source;
        text.insert(text.find_first_not_of('\n'), "»");
        if (n >= 0) {
            counts[source] = n;
        }
        return text;
    }
};

/// The ICU default locale (the user's) set for one test.
class UserLocale {
public:
    explicit UserLocale(const char* name) : saved_(icu::Locale::getDefault()) {
        UErrorCode status = U_ZERO_ERROR;
        icu::Locale::setDefault(icu::Locale(name), status);
    }
    ~UserLocale() {
        UErrorCode status = U_ZERO_ERROR;
        icu::Locale::setDefault(saved_, status);
    }

private:
    icu::Locale saved_;
};

bool startsWithAny(const std::string& text, std::initializer_list<const char*> words) {
    for (const char* word : words) {
        if (text.rfind(word, 0) == 0) {
            return true;
        }
    }
    return false;
}

TEST(ReportLanguage, EveryLineButTheNamesComesFromTheCatalogue) {
    MemoryAliasPlatform platform;
    platform.addAlias("broken one");
    platform.addAlias("broken two");
    platform.addAlias("fine", "/t/fine");
    platform.entries.push_back(
        {"locked", std::nullopt, std::nullopt, false, ReadFailure::unreadable(EACCES)});
    MemoryAliasPlatform::Entry closed;
    closed.relativePath = "closed";
    closed.unreadableFolder = true;
    platform.entries.push_back(closed);
    platform.unwritable.insert("/f/broken one-korvex-broken.text");

    MarkingCatalog catalog;
    AliasScanner scanner(platform);
    ScanOptions options = scanOptionsForFolder(platform.folder, true);
    options.catalog = &catalog;
    CountingResponder responder;
    auto report = std::make_shared<ScanReport>();
    scanner.runScan(options, report, responder);

    std::vector<std::string> lines(1);
    for (char c : report->reportText) {
        c == '\n' ? void(lines.emplace_back()) : lines.back().push_back(c);
    }
    int marked = 0;
    for (const std::string& line : lines) {
        if (line.empty() || line == "/f/broken one" || line == "/f/broken two") {
            continue; // the broken list holds names only
        }
        EXPECT_EQ(line.rfind("»", 0), 0u) << "not from the catalogue: " << line;
        ++marked;
    }
    // Heading, three problems (folder, entry, sidecar), list heading, summary, date.
    EXPECT_EQ(marked, 7) << report->reportText;
    EXPECT_EQ(catalog.counts.at("Found %n broken Aliases, and rewrote %1, out of %2 scanned in %3"),
              2);
    EXPECT_NE(report->reportText.find("»Found 2 broken Aliases, and rewrote 0, out of 3 scanned "
                                      "in /f"),
              std::string::npos)
        << report->reportText;
    // The catalogue speaks German: so does the date, though the user's locale is English.
    EXPECT_TRUE(startsWithAny(lines.back(),
                              {"»Checked at Montag", "»Checked at Dienstag", "»Checked at Mittwoch",
                               "»Checked at Donnerstag", "»Checked at Freitag",
                               "»Checked at Samstag", "»Checked at Sonntag"}))
        << lines.back();
}

TEST(ReportLanguage, DateSpeaksTheLanguageAskedInTheUsersRegionalFormWhenItIsOfIt) {
    const auto moment = std::chrono::system_clock::from_time_t(1710000000); // 9 March 2024
    {
        UserLocale user("fr_FR");
        EXPECT_NE(dateText(moment, "en").find("March"), std::string::npos) << dateText(moment);
        EXPECT_NE(dateText(moment, "de").find("März"), std::string::npos);
    }
    {
        UserLocale user("en_GB");
        EXPECT_NE(dateText(moment, "en").find("9 March 2024"), std::string::npos)
            << dateText(moment, "en"); // British order, the user's own
    }
    {
        UserLocale user("de_DE");
        EXPECT_NE(dateText(moment, "en").find("March 9, 2024"), std::string::npos)
            << dateText(moment, "en"); // English text, never the user's German
    }
}

TEST(TextCatalogText, PlaceholdersAndCounts) {
    // One pass: a value holding a placeholder stays as it is; a missing value leaves its mark.
    EXPECT_EQ(fillText("%1 then %2", {"/a %2 b", "x"}), "/a %2 b then x");
    EXPECT_EQ(fillText("100% of %3, %1", {"a"}), "100% of %3, a");
    EXPECT_EQ(fillText("%1%", {"50"}), "50%");
    const TextCatalog& english = TextCatalog::english();
    EXPECT_EQ(english.language(), "en");
    EXPECT_EQ(english.translate("C", "Found %n, %n again", nullptr, 12), "Found 12, 12 again");
    EXPECT_EQ(english.translate("C", "Found %n"), "Found %n"); // no count: no plural text
}

} // namespace
} // namespace korvex::test
