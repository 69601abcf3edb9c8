// The one language of a process: which is chosen, and that the report, its date, the relink
// summary and the numbers all speak it, German or (for any language without a catalogue)
// English.
#include "UiLanguage.h"
#include "RelinkSummary.h"
#include "ScanHarness.h"

#include <QLocale>
#include <unicode/locid.h>

#include <gtest/gtest.h>

namespace korvex::test {
namespace {

const char* const germanDays[] = {"Montag",  "Dienstag", "Mittwoch", "Donnerstag",
                                  "Freitag", "Samstag",  "Sonntag"};
const char* const englishDays[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                   "Friday", "Saturday", "Sunday"};

bool hasAnyOf(const std::string& text, const char* const (&words)[7]) {
    for (const char* word : words) {
        if (text.find(word) != std::string::npos) {
            return true;
        }
    }
    return false;
}

/// A scan of /f in the language chosen last: `broken` broken aliases and one that resolves.
std::string reportOfScan(int broken) {
    MemoryAliasPlatform platform;
    for (int i = 0; i < broken; ++i) {
        platform.addAlias("gone " + std::to_string(i));
    }
    platform.addAlias("fine", "/t/fine");
    ScanOptions options = scanOptionsForFolder(platform.folder);
    options.catalog = &UiLanguage::catalog();
    CountingResponder responder;
    auto report = std::make_shared<ScanReport>();
    AliasScanner(platform).runScan(options, report, responder);
    return report->reportText;
}

class UiLanguageTest : public ::testing::Test {
protected:
    void TearDown() override { UiLanguage::choose({QStringLiteral("en")}); }
};

TEST_F(UiLanguageTest, FirstOfTheUsersLanguagesWithACatalogueElseEnglish) {
    EXPECT_TRUE(UiLanguage::translatedLanguages().contains(QStringLiteral("de")));
    const struct {
        QStringList preferred;
        const char* chosen;
    } cases[] = {
        {{"de-DE", "de"}, "de"},
        {{"de_AT.UTF-8@euro"}, "de"},
        {{"fr-FR", "ja", "de"}, "de"}, // LANGUAGE=fr:ja:de
        {{"fr-FR", "fr"}, "en"},
        {{"ja-JP"}, "en"},
        {{"en-GB", "de"}, "en"}, // English wanted first
        {{"C"}, "en"},
        {{}, "en"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UiLanguage::choose(c.preferred), QString::fromLatin1(c.chosen))
            << c.preferred.join(QLatin1Char(':')).toStdString();
        EXPECT_EQ(UiLanguage::language(), QString::fromLatin1(c.chosen));
        EXPECT_EQ(UiLanguage::catalog().language(), c.chosen);
    }
}

TEST_F(UiLanguageTest, GermanReportWithItsPluralsDateAndNumbers) {
    UiLanguage::choose({QStringLiteral("de-DE")});
    const std::string one = reportOfScan(1);
    EXPECT_EQ(one.rfind("Prüfung aller Finder-Aliasse im Ordner /f:\n\nAls defekt gefundene "
                        "Aliasse:\n/f/gone 0\n\n1 defekten Alias gefunden und 0 neu geschrieben, "
                        "von 2 geprüften in /f\nGeprüft am ",
                        0),
              0u)
        << one;
    EXPECT_TRUE(hasAnyOf(one.substr(one.rfind('\n')), germanDays)) << one;
    const std::string two = reportOfScan(2);
    EXPECT_NE(two.find("\n2 defekte Aliasse gefunden und 0 neu geschrieben, von 3 geprüften"),
              std::string::npos)
        << two;
    EXPECT_EQ(QLocale().toString(10050), QStringLiteral("10.050"));

    RepairResult relinked;
    relinked.relinked.push_back({});
    relinked.relinked.back().aliasPath = "/f/a";
    relinked.relinked.back().macPath = "/Volumes/M/t";
    relinked.relinked.back().targetPath = "/mnt/m/t";
    // The relinker's words are translated, the system's after them stay.
    relinked.failed.push_back({"/f/b", "it couldn't be written: Permission denied"});
    relinked.failed.push_back({"/f/c", "it can't be read again: its data is gone or damaged"});
    EXPECT_EQ(RelinkSummary::text(relinked, UiLanguage::catalog()),
              "1 Alias neu verknüpft.\n/f/a -> /Volumes/M/t (hier: /mnt/m/t)\n"
              "Konnte /f/b nicht neu verknüpfen: er konnte nicht geschrieben werden: Permission "
              "denied\n"
              "Konnte /f/c nicht neu verknüpfen: er lässt sich nicht erneut lesen: seine Daten "
              "sind fort oder beschädigt\n");
}

TEST_F(UiLanguageTest, UntranslatedLanguageIsEnglishThroughoutDateAndNumbersToo) {
    // The user's locale is French: the date is English all the same.
    const icu::Locale user = icu::Locale::getDefault();
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale("fr_FR"), status);
    for (const char* language : {"fr-FR", "ja-JP"}) {
        UiLanguage::choose({QString::fromLatin1(language)});
        const std::string report = reportOfScan(1);
        EXPECT_EQ(report.rfind("Scan of all Finder Aliases in the folder /f:\n\nAliases found "
                               "broken:\n/f/gone 0\n\nFound 1 broken Aliases, and rewrote 0, out "
                               "of 2 scanned in /f\nChecked at ",
                               0),
                  0u)
            << report;
        EXPECT_TRUE(hasAnyOf(report.substr(report.rfind('\n')), englishDays)) << report;
        // English grouping, or none (the C locale's), never a French or Japanese one.
        const QString number = QLocale().toString(10050);
        EXPECT_TRUE(number == QStringLiteral("10,050") || number == QStringLiteral("10050"))
            << number.toStdString();
    }
    icu::Locale::setDefault(user, status);
}

} // namespace
} // namespace korvex::test
