// Which entries count as the new target of a broken alias, and in which order: the name first
// (exact, any normalisation, any case), then the shared tail of the path, then the creation
// date; ties are ties; the path mappings that would fix several aliases at once.
#include "CandidateIndex.h"
#include "MappingSuggester.h"
#include "TempTree.h"

#include <gtest/gtest.h>

namespace korvex {
namespace {

BrokenAlias brokenAt(const std::string& stored, const std::string& aliasPath = "/t/x alias",
                     std::optional<double> created = std::nullopt) {
    bookmark::BookmarkInfo info = test::infoOf(test::aliasBytes(stored));
    info.creationDate = created;
    info.resourceProps = std::array<std::uint64_t, 3>{0x1, 0x21F, 0x21F}; // a regular file
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

} // namespace
} // namespace korvex
