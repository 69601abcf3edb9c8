// The report text: its pieces, the order of the broken list and the date line.
#include "DateText.h"
#include "PathOrder.h"
#include "PrintableText.h"
#include "ScanHarness.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace korvex::test {
namespace {

TEST(ScanReportText, WorkedExampleLineByLine) {
    MemoryAliasPlatform platform;
    platform.folder = "/Volumes/Archive/Projects";
    platform.addAlias("old/Plan alias");
    platform.addAlias("a", "/t/a");
    platform.addAlias("Budget alias");
    platform.addAlias("b", "/t/b");
    platform.addAlias("c", "/t/c");
    platform.addPlain("notes.txt");

    ScanRun run(platform);
    const std::vector<std::string> lines = run.lines();
    ASSERT_EQ(lines.size(), 8u) << run.report->reportText;
    EXPECT_EQ(lines[0], "Scan of all Finder Aliases in the folder /Volumes/Archive/Projects:");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "Aliases found broken:");
    EXPECT_EQ(lines[3], "/Volumes/Archive/Projects/Budget alias");
    EXPECT_EQ(lines[4], "/Volumes/Archive/Projects/old/Plan alias");
    EXPECT_EQ(lines[5], "");
    EXPECT_EQ(lines[6], "Found 2 broken Aliases, and rewrote 0, out of 5 scanned in "
                        "/Volumes/Archive/Projects");
    EXPECT_EQ(lines[7].rfind("Checked at ", 0), 0u);
    EXPECT_GT(lines[7].size(), std::string("Checked at ").size());
    EXPECT_NE(run.report->reportText.back(), '\n');
}

TEST(ScanReportText, EmptyListAndPluralWording) {
    const struct {
        const char* alias;
        const char* target; // empty: broken
        const char* fragment;
    } cases[] = {
        {"x", "/t", // aliases but none broken: still two empty lines
         "Aliases found broken:\n\n\nFound 0 broken Aliases, and rewrote 0, out of 1 scanned in "
         "/f\nChecked at "},
        {"x", "", // one broken alias keeps the plural wording
         "Aliases found broken:\n/f/x\n\nFound 1 broken Aliases, and rewrote 0, out of 1 scanned "
         "in /f\n"},
    };
    for (const auto& c : cases) {
        MemoryAliasPlatform platform;
        platform.addAlias(c.alias, c.target);
        ScanRun run(platform);
        EXPECT_NE(run.report->reportText.find(c.fragment), std::string::npos) << c.fragment;
    }
}

TEST(ScanReportText, NamesAreShownEscapedSortedByTheirRawBytes) {
    // A name that would erase the line above it, one that would run over two lines and return
    // to the start of the line, a C1 escape introducer and bytes that are not UTF-8.
    MemoryAliasPlatform platform;
    platform.folder = "/f\x1b]0;x\x07";
    platform.addAlias("b\x1b[1A\x1b[2K");
    platform.addAlias("a\nb\rc");
    platform.addAlias("c\xc2\x9b"
                      "2J\xff");
    platform.addAlias("Café 😀");
    platform.addPlain("closed\x1b[2K", "public.folder");
    platform.entries.back().unreadableFolder = true;
    platform.fail.writeText = true;
    ScanRun run(platform, true);

    const std::string& text = run.report->reportText;
    for (char byte : text) {
        const auto b = static_cast<unsigned char>(byte);
        EXPECT_TRUE(b == '\n' || (b >= 0x20 && b != 0x7F)) << int(b) << " in\n" << text;
    }
    const std::string folder = "/f\\u{1B}]0;x\\u{7}";
    const std::vector<std::string> lines = run.lines();
    ASSERT_EQ(lines.size(), 15u) << text;
    EXPECT_EQ(lines[0], "Scan of all Finder Aliases in the folder " + folder + ":");
    const std::string full = std::string(": ") + std::strerror(ENOSPC);
    EXPECT_EQ(lines[2],
              "Couldn't write " + folder + "/b\\u{1B}[1A\\u{1B}[2K-korvex-broken.text" + full);
    EXPECT_EQ(lines[3], "Couldn't write " + folder + "/a\\nb\\rc-korvex-broken.text" + full);
    EXPECT_EQ(lines[6], "Couldn't read " + folder + "/closed\\u{1B}[2K");
    // The list keeps the order of the raw paths; each is escaped as it is shown.
    std::vector<std::string> raw = {"/f\x1b]0;x\x07/b\x1b[1A\x1b[2K", "/f\x1b]0;x\x07/a\nb\rc",
                                    "/f\x1b]0;x\x07/c\xc2\x9b"
                                    "2J\xff",
                                    "/f\x1b]0;x\x07/Café 😀"};
    sortPaths(raw);
    EXPECT_EQ(run.report->brokenPaths, raw);
    for (std::size_t i = 0; i < raw.size(); ++i) {
        EXPECT_EQ(lines[8 + i], printable(raw[i]));
    }
    EXPECT_EQ(lines[9], folder + "/a\\nb\\rc");
    EXPECT_EQ(lines[10], folder + "/b\\u{1B}[1A\\u{1B}[2K");
    EXPECT_EQ(lines[11], folder + "/c\\u{9B}2J\\xFF");
    EXPECT_EQ(lines[13].rfind("Found 4 broken Aliases", 0), 0u);
    EXPECT_EQ(lines[13].substr(lines[13].size() - folder.size()), folder);
}

TEST(ScanReportText, EveryUnwritableSidecarAndUnreadableFolderGivesOneLineBeforeTheListTitle) {
    MemoryAliasPlatform platform;
    platform.addAlias("b");
    platform.addPlain("closed", "public.folder");
    platform.entries.back().unreadableFolder = true;
    platform.addAlias("a");
    platform.fail.writeText = true;
    ScanRun run(platform, true);
    EXPECT_EQ(run.report->brokenCount, 2); // the scan goes on
    EXPECT_EQ(run.report->problemCount, 3);
    const std::vector<std::string> lines = run.lines();
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[1], "");
    // Walk order, not sorted; each with the system's reason where there is one.
    const std::string full = std::string(": ") + std::strerror(ENOSPC);
    EXPECT_EQ(lines[2], "Couldn't write /f/b-korvex-broken.text" + full);
    EXPECT_EQ(lines[3], "Couldn't read /f/closed");
    EXPECT_EQ(lines[4], "Couldn't write /f/a-korvex-broken.text" + full);
    EXPECT_EQ(lines[5], "Aliases found broken:");
    EXPECT_EQ(lines[6], "/f/a");
}

TEST(ScanReportText, SidecarTextIsCutAtOneMebibyteOnACharacterBoundaryAndSaysSo) {
    MemoryAliasPlatform platform;
    const BookmarkData data = platform.addAlias("huge");
    platform.properties[data] = std::string(sidecarTextLimit - 10, 'x') + std::string(20, '\xC3');
    for (std::size_t i = sidecarTextLimit - 10; i < platform.properties[data].size(); i += 2)
        platform.properties[data][i + 1] = '\xA9'; // "é" again and again across the limit
    ScanRun run(platform, true);
    const std::string& text = platform.texts.at("/f/huge-korvex-broken.text");
    EXPECT_LT(text.size(), sidecarTextLimit + 200);
    // The whole length of what was described, not of what the sidecar holds.
    const std::size_t whole =
        std::string("Optional(").size() + platform.properties[data].size() + 2;
    const std::size_t note =
        text.find("\n[cut here: the description is " + std::to_string(whole) + " bytes long");
    ASSERT_NE(note, std::string::npos) << text.substr(text.size() - 120);
    EXPECT_EQ(note % 2, 1u) << "cut inside a character"; // "Optional(" is 9 bytes, odd
    EXPECT_EQ(text.back(), '\n');

    // A description as long as the platform's bound was cut there: the length is a lower bound.
    platform.properties[data] = std::string(storedPropertiesLimit, 'y');
    ScanRun again(platform, true);
    const std::string& cut = platform.texts.at("/f/huge-korvex-broken.text");
    EXPECT_NE(cut.find("\n[cut here: the description is at least " +
                       std::to_string(storedPropertiesLimit + 11) + " bytes long"),
              std::string::npos)
        << cut.substr(cut.size() - 120);
}

TEST(ScanReportText, CountsArePlainDecimal) {
    MemoryAliasPlatform platform;
    for (int i = 0; i < 1234; ++i)
        platform.addAlias("n" + std::to_string(i));
    ScanRun run(platform);
    EXPECT_NE(run.report->reportText.find("Found 1234 broken Aliases, and rewrote 0, out of 1234 "),
              std::string::npos);
}

TEST(BrokenPathOrder, ComparesWholePathsByCodePoint) {
    std::vector<std::string> paths = {"/F/alpha alias", "/F/a/b alias",         "/F/Zeta alias",
                                      "/F/a b alias",   "/F/\xC3\xA9t\xC3\xA9", "/F/zz"};
    sortPaths(paths);
    EXPECT_EQ(paths, (std::vector<std::string>{"/F/Zeta alias", "/F/a b alias", "/F/a/b alias",
                                               "/F/alpha alias", "/F/zz", "/F/\xC3\xA9t\xC3\xA9"}));
}

TEST(BrokenPathOrder, NamesEqualAfterNormalisationKeepWalkOrder) {
    const std::string decomposed = "/F/Cafe\xCC\x81 2"; // e + combining acute
    const std::string composed = "/F/Caf\xC3\xA9 1";    // precomposed e-acute
    const std::string decomposedSame = "/F/Cafe\xCC\x81";
    const std::string composedSame = "/F/Caf\xC3\xA9";
    std::vector<std::string> paths = {decomposedSame, decomposed, composedSame, composed};
    sortPaths(paths);
    EXPECT_EQ(paths,
              (std::vector<std::string>{decomposedSame, composedSame, composed, decomposed}));
}

TEST(BrokenPathOrder, InvalidUtf8SortsByItsBytes) {
    std::vector<std::string> paths = {"/F/\xFF", "/F/\xC3", "/F/a"};
    sortPaths(paths);
    EXPECT_EQ(paths, (std::vector<std::string>{"/F/a", "/F/\xC3", "/F/\xFF"}));
    EXPECT_EQ(pathSortKey("/F/\xFF"), "/F/\xFF");
}

TEST(ReportDate, FullDateAndTimeOfTheMoment) {
    const std::string text = dateText(std::chrono::system_clock::from_time_t(1700000000));
    EXPECT_NE(text.find("2023"), std::string::npos) << text;
    EXPECT_EQ(text.find('\n'), std::string::npos);
}

} // namespace
} // namespace korvex::test
