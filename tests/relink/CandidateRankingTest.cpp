// Which entries count as the new target of a broken alias, and in which order: the owner's own
// first, then the name (exact, any normalisation, any case), the shared tail of the path, the
// creation date; ties are ties; kinds agree where the alias says; the names the search wants;
// the path mappings that would fix several aliases at once.
#include "CandidateIndex.h"
#include "ClassicTestData.h"
#include "MappingSuggester.h"
#include "TempTree.h"

#include <gtest/gtest.h>

namespace korvex {
namespace {

using Props = std::optional<std::array<std::uint64_t, 3>>;
constexpr std::array<std::uint64_t, 3> regularFile{0x1, 0x21F, 0x21F};

BrokenAlias brokenAt(const std::string& stored, const std::string& aliasPath = "/t/x alias",
                     std::optional<double> created = std::nullopt, Props props = regularFile) {
    bookmark::BookmarkInfo info = test::infoOf(test::aliasBytes(stored));
    info.creationDate = created;
    info.resourceProps = props;
    std::optional<BrokenAlias> alias = BrokenAlias::from(
        aliasPath, "x alias",
        bookmark::BookmarkWriter::write(info, bookmark::BookmarkContainer::aliasFile));
    EXPECT_TRUE(alias);
    return *alias;
}

// In a shared tree a stranger may plant a file of the target's name: one of the alias owner's own
// files always ranks first, however well the stranger's path matches.
TEST(CandidateIndexTest, AnotherOwnersCandidateRanksLast) {
    BrokenAlias alias = brokenAt("/Volumes/Old/Projects/P/plan.pdf");
    alias.owner = 1000;
    CandidateIndex index({alias});
    index.offer({"/srv/Projects/P/plan.pdf", false, std::nullopt, 2000}); // the longer tail
    index.offer({"/srv/elsewhere/plan.pdf", false, std::nullopt, 1000});
    ASSERT_EQ(index.candidates(0).size(), 2u);
    EXPECT_EQ(index.candidates(0)[0].path, "/srv/elsewhere/plan.pdf");
    EXPECT_TRUE(index.candidates(0)[1].otherOwner);
    ASSERT_NE(index.singleBest(0), nullptr);
    EXPECT_EQ(index.singleBest(0)->path, "/srv/elsewhere/plan.pdf");

    // Alike in all else, the owner's own file is still the one sure guess, not a tie.
    CandidateIndex alike({alias});
    alike.offer({"/a/plan.pdf", false, std::nullopt, 2000});
    alike.offer({"/b/plan.pdf", false, std::nullopt, 1000});
    ASSERT_NE(alike.singleBest(0), nullptr);
    EXPECT_EQ(alike.singleBest(0)->path, "/b/plan.pdf");
}

// What one entry is worth to one alias: how its name matches, how much of the stored path's
// tail it shares (parents compared like names), whether the dates agree (within two seconds,
// either way) and whose it is.
TEST(CandidateIndexTest, RanksOneEntry) {
    const double created = 700000000;
    const struct {
        std::string stored;
        FoundEntry entry;
        NameMatch match;
        std::size_t sharedTail;
        DateAgreement date;
        bool otherOwner;
    } rows[] = {
        {"/Volumes/A/P/x.pdf",
         {"/srv/P/x.pdf", false, created, 1000},
         NameMatch::exact,
         2,
         DateAgreement::agree,
         false},
        {"/Volumes/A/P/x.pdf",
         {"/A/P/x.pdf", false, created + 2, 2000},
         NameMatch::exact,
         3,
         DateAgreement::agree,
         true}, // the whole found path is the stored tail
        {"/Volumes/A/P/x.pdf",
         {"/srv/Volumes/A/P/x.pdf", false, created - 2},
         NameMatch::exact,
         4,
         DateAgreement::agree,
         false}, // the whole stored path
        {"/Volumes/A/Projects/x.pdf",
         {"/srv/projects/X.PDF", false, created + 2.5},
         NameMatch::caseless,
         2,
         DateAgreement::differ,
         false},
        {"/Volumes/A/Cafe\xCC\x81/x.pdf",
         {"/srv/Caf\xC3\xA9/x.pdf", false, created - 500},
         NameMatch::exact,
         2,
         DateAgreement::differ,
         false},
        {"/Volumes/A/P/x.pdf",
         {"/srv/Q/x.pdf", false, std::nullopt, std::nullopt},
         NameMatch::exact,
         1,
         DateAgreement::unknown,
         false},
    };
    BrokenAlias alias = brokenAt("/x", "/t/x alias", created);
    alias.owner = 1000;
    for (const auto& row : rows) {
        BrokenAlias wanting = alias;
        wanting.storedComponents = brokenAt(row.stored).storedComponents;
        const std::optional<Candidate> candidate = CandidateIndex::rank(wanting, row.entry);
        ASSERT_TRUE(candidate) << row.entry.path;
        EXPECT_EQ(candidate->match, row.match) << row.entry.path;
        EXPECT_EQ(candidate->sharedTail, row.sharedTail) << row.entry.path;
        EXPECT_EQ(candidate->date, row.date) << row.entry.path;
        EXPECT_EQ(candidate->otherOwner, row.otherOwner) << row.entry.path;
    }
    // An alias whose owner isn't known has no stranger's candidates.
    alias.owner.reset();
    EXPECT_FALSE(CandidateIndex::rank(alias, {"/a/x", false, {}, 2000})->otherOwner);
}

// The kind stored in the resource flags counts only where their mask vouches for it; an alias
// that doesn't say takes files and folders alike.
TEST(CandidateIndexTest, KindsMustAgreeWhereTheAliasSays) {
    const struct {
        Props props;
        std::optional<bool> isDirectory;
    } rows[] = {
        {std::array<std::uint64_t, 3>{0x1, 0x3, 0x3}, false},
        {std::array<std::uint64_t, 3>{0x2, 0x3, 0x3}, true},
        {std::array<std::uint64_t, 3>{0x1, 0x1, 0x1}, false}, // only the file bit vouched for
        {std::array<std::uint64_t, 3>{0x2, 0x0, 0x0}, std::nullopt}, // nothing vouched for
        {std::nullopt, std::nullopt},
    };
    for (const auto& row : rows) {
        const BrokenAlias alias =
            brokenAt("/Volumes/A/thing", "/t/x alias", std::nullopt, row.props);
        EXPECT_EQ(alias.isDirectory, row.isDirectory);
        CandidateIndex index({alias});
        index.offer({"/d/thing", true, {}});
        index.offer({"/f/thing", false, {}});
        std::vector<std::string> taken;
        for (const Candidate& candidate : index.candidates(0)) {
            taken.push_back(candidate.path);
        }
        const std::vector<std::string> expected =
            !row.isDirectory   ? std::vector<std::string>{"/d/thing", "/f/thing"}
            : *row.isDirectory ? std::vector<std::string>{"/d/thing"}
                               : std::vector<std::string>{"/f/thing"};
        EXPECT_EQ(taken, expected) << (row.props ? (*row.props)[0] : 99);
    }
}

// Only data naming a target that could stand on a disk here makes a broken alias to search for;
// one read from a classic record says so (its candidates are suggested, it is never relinked).
TEST(BrokenAliasTest, NamesATargetThatCouldStandOnADisk) {
    const struct {
        std::string stored;
        bool searched;
    } rows[] = {
        {"/Volumes/A/P/x.pdf", true},
        {"/Volumes/A/../x", false},
        {"/Volumes/A/./x", false},
        {"/Volumes/A/x/", false},
        {"/", false},
    };
    for (const auto& row : rows) {
        const std::optional<BrokenAlias> alias =
            BrokenAlias::from("/t/x", "x", test::aliasBytes(row.stored));
        EXPECT_EQ(alias.has_value(), row.searched) << row.stored;
        if (alias) {
            EXPECT_FALSE(alias->classic);
            EXPECT_EQ(alias->storedPath(), row.stored);
        }
    }
    const std::optional<BrokenAlias> classic = BrokenAlias::from(
        "/t/x", "x",
        classictest::RecordBuilder().text(18, "Users/me/Report.txt").text(19, "/").build());
    ASSERT_TRUE(classic);
    EXPECT_TRUE(classic->classic);
    EXPECT_EQ(classic->storedName(), "Report.txt");
}

// The cheap test every walked name goes through says yes exactly where an alias wants the name
// in any case and normalisation; bytes that aren't UTF-8 are wanted only as they are.
TEST(CandidateIndexTest, WantsTheNamesTheAliasesStore) {
    const CandidateIndex index({brokenAt("/V/Zebra.TXT", "/t/1"), brokenAt("/V/A\x80", "/t/2"),
                                brokenAt("/V/Cafe\xCC\x81.txt", "/t/3")});
    const struct {
        std::string name;
        bool wanted;
    } rows[] = {
        {"Zebra.TXT", true},       {"ZEBRA.TXT", true},        {"zebra.txt", true},
        {"Zebra.TX", false},       {"ebra.TXT", false},        {"", false},
        {"A\x80", true},           {"a\x80", false},           {"Caf\xC3\xA9.txt", true},
        {"CAF\xC3\x89.TXT", true}, {"Cafe\xCC\x81.txt", true}, {"Cafe.txt", false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(index.wants(row.name), row.wanted) << row.name;
    }
    EXPECT_FALSE(CandidateIndex(std::vector<BrokenAlias>{}).wants("Zebra.TXT"));
}

TEST(NameMatchTest, GradesNames) {
    const std::string nfd = "Cafe\xCC\x81", nfc = "Caf\xC3\xA9", upper = "CAF\xC3\x89";
    const struct {
        std::string stored, found;
        NameMatch expected;
    } rows[] = {
        {"a.pdf", "a.pdf", NameMatch::exact},
        {nfd, nfc, NameMatch::equivalent},
        {nfd, upper, NameMatch::caseless},
        {"Report.PDF", "report.pdf", NameMatch::caseless},
        {"ZIP.TXT", "zip.txt", NameMatch::caseless},
        // Folding makes "ss" and a lone accent of U+1E9E U+0301: composed again, it is "sś".
        {"\xE1\xBA\x9E\xCC\x81", "S\xC5\x9A", NameMatch::caseless},
        {"a.pdf", "b.pdf", NameMatch::none},
        {"\xff", "\xff", NameMatch::exact},
        {"\xff"
         "a",
         "\xff"
         "A",
         NameMatch::none}, // bad UTF-8 only matches itself
    };
    for (const auto& row : rows) {
        EXPECT_EQ(matchName(row.stored, row.found), row.expected) << row.stored << " " << row.found;
    }
}

TEST(CandidateIndexTest, RanksCandidates) {
    struct Row {
        const char* what;
        std::string stored;
        std::vector<FoundEntry> found;
        std::vector<std::string> expectedOrder;
        bool single;
    };
    const double created = 700000000;
    const std::vector<Row> rows = {
        {"volume renamed: the longest shared tail wins",
         "/Volumes/Archive/P/a.pdf",
         {{"/srv/other/a.pdf", false, {}}, {"/srv/share/P/a.pdf", false, {}}},
         {"/srv/share/P/a.pdf", "/srv/other/a.pdf"},
         true},
        {"exact name before any case",
         "/Volumes/A/Q/Plan.txt",
         {{"/x/Q/plan.txt", false, {}}, {"/y/Plan.txt", false, {}}},
         {"/y/Plan.txt", "/x/Q/plan.txt"},
         true},
        {"two alike: a tie",
         "/Volumes/A/Q/b.txt",
         {{"/one/b.txt", false, {}}, {"/two/b.txt", false, {}}},
         {"/one/b.txt", "/two/b.txt"},
         false},
        {"the creation date breaks a tie",
         "/Volumes/A/Q/b.txt",
         {{"/one/b.txt", false, created + 500}, {"/two/b.txt", false, created + 1}},
         {"/two/b.txt", "/one/b.txt"},
         true},
        {"a date that agrees beats none",
         "/Volumes/A/Q/b.txt",
         {{"/one/b.txt", false, {}}, {"/two/b.txt", false, created - 1}},
         {"/two/b.txt", "/one/b.txt"},
         true},
        {"a parent renamed in case still shares the tail",
         "/Volumes/A/Projects/b.txt",
         {{"/one/b.txt", false, {}}, {"/two/projects/b.txt", false, {}}},
         {"/two/projects/b.txt", "/one/b.txt"},
         true},
        {"a folder is no file", "/Volumes/A/Q/c.txt", {{"/one/c.txt", true, {}}}, {}, false},
        {"nothing of that name: nothing",
         "/Volumes/A/Q/d.txt",
         {{"/one/e.txt", false, {}}},
         {},
         false},
    };
    for (const Row& row : rows) {
        CandidateIndex index({brokenAt(row.stored, "/t/x alias", created)});
        for (const FoundEntry& entry : row.found) {
            if (index.wants(entry.path.substr(entry.path.rfind('/') + 1))) {
                index.offer(entry);
            }
        }
        std::vector<std::string> order;
        for (const Candidate& candidate : index.candidates(0)) {
            order.push_back(candidate.path);
        }
        EXPECT_EQ(order, row.expectedOrder) << row.what;
        EXPECT_EQ(index.singleBest(0) != nullptr, row.single) << row.what;
    }
}

TEST(CandidateIndexTest, NeverOffersTheAliasItselfAndKeepsAFewPerAlias) {
    CandidateIndex index({brokenAt("/Volumes/A/same", "/t/same")});
    index.offer({"/t/same", false, {}});
    EXPECT_TRUE(index.candidates(0).empty());
    for (int i = 0; i < 50; ++i) {
        index.offer({"/f" + std::to_string(i) + "/same", false, {}});
    }
    EXPECT_EQ(index.candidates(0).size(), CandidateIndex::kept);
    EXPECT_EQ(index.singleBest(0), nullptr);
    EXPECT_EQ(index.candidates(0).back().path, "/f15/same"); // the first few in path order

    // A better one still gets in when the list is full, first, and the last one drops.
    index.offer({"/x/A/same", false, {}});
    ASSERT_EQ(index.candidates(0).size(), CandidateIndex::kept);
    ASSERT_NE(index.singleBest(0), nullptr);
    EXPECT_EQ(index.singleBest(0)->path, "/x/A/same");
    EXPECT_EQ(index.candidates(0).back().path, "/f14/same");

    // The order of the walk changes nothing.
    CandidateIndex reversed({brokenAt("/Volumes/A/same", "/t/same")});
    reversed.offer({"/x/A/same", false, {}});
    for (int i = 49; i >= 0; --i) {
        reversed.offer({"/f" + std::to_string(i) + "/same", false, {}});
    }
    for (std::size_t i = 0; i < CandidateIndex::kept; ++i) {
        EXPECT_EQ(reversed.candidates(0)[i].path, index.candidates(0)[i].path) << i;
    }
}

TEST(MappingSuggesterTest, SuggestsTheMappingBehindSeveralAliases) {
    CandidateIndex index(
        {brokenAt("/Volumes/Archive/P/a.pdf", "/t/1"),
         brokenAt("/Volumes/Archive/Q/R/b.pdf", "/t/2"), brokenAt("/Volumes/Archive/c.pdf", "/t/3"),
         brokenAt("/Users/me/lone.txt", "/t/4"), brokenAt("/Volumes/Archive/tie.txt", "/t/5")});
    for (const char* path : {"/srv/share/P/a.pdf", "/srv/share/Q/R/b.pdf", "/srv/share/c.pdf",
                             "/home/me/lone.txt", "/srv/share/tie.txt", "/old/tie.txt"}) {
        index.offer({path, false, {}});
    }
    const std::vector<SuggestedMapping> suggested = MappingSuggester::suggest(index, {});
    ASSERT_EQ(suggested.size(), 1u); // one alias alone is no pattern; a tie fixes nothing
    EXPECT_EQ(suggested[0].mapping, (PathMapping{"/Volumes/Archive", "/srv/share"}));
    EXPECT_EQ(suggested[0].fixes, 3u);
    EXPECT_TRUE(MappingSuggester::suggest(index, {{"/Volumes/Archive", "/srv/share"}}).empty());
}

// Two aliases make a pattern; most aliases fixed first; no mapping of a whole root, on either
// side (nothing would be left of the stored or of the found path to map).
TEST(MappingSuggesterTest, SuggestsOnlyMappingsOfFoldersMostFixesFirst) {
    using Suggested = std::vector<SuggestedMapping>;
    const struct {
        const char* what;
        std::vector<std::pair<std::string, std::string>> storedAndFound;
        Suggested expected;
    } rows[] = {
        {"two are enough",
         {{"/Volumes/A/a", "/srv/a/a"}, {"/Volumes/A/b", "/srv/a/b"}},
         {{{"/Volumes/A", "/srv/a"}, 2}}},
        {"the one that fixes most comes first",
         {{"/Volumes/A/a", "/srv/a/a"},
          {"/Volumes/A/b", "/srv/a/b"},
          {"/Volumes/Z/c", "/srv/z/c"},
          {"/Volumes/Z/d", "/srv/z/d"},
          {"/Volumes/Z/e", "/srv/z/e"}},
         {{{"/Volumes/Z", "/srv/z"}, 3}, {{"/Volumes/A", "/srv/a"}, 2}}},
        {"the whole stored path found below a folder: not the Mac's root",
         {{"/Docs/a", "/srv/mac/Docs/a"}, {"/Docs/b", "/srv/mac/Docs/b"}},
         {}},
        {"the whole found path is the stored tail: not this machine's root",
         {{"/Volumes/A/home/a", "/home/a"}, {"/Volumes/A/home/b", "/home/b"}},
         {}},
    };
    for (const auto& row : rows) {
        std::vector<BrokenAlias> aliases;
        for (const auto& [stored, found] : row.storedAndFound) {
            aliases.push_back(brokenAt(stored, "/t/" + std::to_string(aliases.size())));
        }
        CandidateIndex index(std::move(aliases));
        for (const auto& [stored, found] : row.storedAndFound) {
            index.offer({found, false, {}});
        }
        EXPECT_EQ(MappingSuggester::suggest(index, {}), row.expected) << row.what;
    }
}

} // namespace
} // namespace korvex
