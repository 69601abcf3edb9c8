#include "PathMappingStore.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace korvex {
namespace {

using test::TempTree;

std::size_t entriesIn(const std::string& folder) {
    const std::filesystem::directory_iterator entries(folder);
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

TEST(PathMappingStore, SavesAndReadsBackAwkwardPathsExactly) {
    TempTree tree;
    // The settings folder does not exist yet: saving makes it.
    PathMappingStore store(tree.path("config/Korvex/path-mappings.conf"));
    const std::vector<PathMapping> saved = {
        {"/Volumes/Tab\there", "/mnt/line\nfeed"},
        {"/Volumes/back\\slash\\t", "/srv/cr\r"},
        {"/Volumes/Caf\xC3\xA9 = #1", "/mnt/latin1-\xE9"}, // not UTF-8: bytes kept as they are
        {"/Volumes/Photos///", "/srv/photos/"},            // trailing slashes go
        {"/", "/mnt/whole-mac"},                           // the root stays the root
        {"/Volumes/Photos", "/srv/photos-copy"},           // a second folder for one prefix
        {"relative/mac", "/mnt/x"},                        // dropped: not absolute
        {"/Volumes/Local", "relative/local"},              // dropped: not absolute
        {"", ""},                                          // an empty row of the table
        {std::string("/Volumes/N\0UL", 13), "/mnt/n"},     // dropped: NUL can't be in a path
    };
    std::string error;
    ASSERT_TRUE(store.save(saved, error)) << error;

    const PathMappingStore::Loaded loaded = store.load();
    const std::vector<PathMapping> expected = {
        {"/Volumes/Tab\there", "/mnt/line\nfeed"},
        {"/Volumes/back\\slash\\t", "/srv/cr\r"},
        {"/Volumes/Caf\xC3\xA9 = #1", "/mnt/latin1-\xE9"},
        {"/Volumes/Photos", "/srv/photos"},
        {"/", "/mnt/whole-mac"},
        {"/Volumes/Photos", "/srv/photos-copy"},
    };
    EXPECT_EQ(loaded.mappings, expected);
    EXPECT_EQ(loaded.skippedLines, 0);

    // Saving again replaces the list whole and leaves no temporary file behind.
    ASSERT_TRUE(store.save({{"/Volumes/Only", "/mnt/only"}}, error)) << error;
    EXPECT_EQ(store.load().mappings, (std::vector<PathMapping>{{"/Volumes/Only", "/mnt/only"}}));
    EXPECT_EQ(entriesIn(tree.path("config/Korvex")), 1u);
}

TEST(PathMappingStore, DamagedOrOddFilesNeverCostTheGoodLines) {
    TempTree tree;
    const std::string file = tree.file("path-mappings.conf",
                                       "# a comment\n"
                                       "\n"
                                       "/Volumes/A\t/mnt/a\n"
                                       "no tab at all\n"
                                       "/Volumes/B\t/mnt/b\textra tab\n"
                                       "/Volumes/C\t/mnt/c\\q\n" // unknown escape
                                       "/Volumes/D\\\t/mnt/d\n"  // escaped tab: one field only
                                       "/Volumes/E\t/mnt/e\\\n"  // lone backslash at the end
                                       "Volumes/F\t/mnt/f\n"     // relative prefix
                                       "/Volumes/G\t\n"          // no local folder
                                       "\xFF\xFE\x01\x02\n"
                                       "/Volumes/H\t/mnt/h\r\n" // CR LF line end
                                       "/Volumes/I\t/mnt/i");   // no final line feed
    const PathMappingStore::Loaded loaded = PathMappingStore(file).load();
    EXPECT_EQ(loaded.mappings,
              (std::vector<PathMapping>{
                  {"/Volumes/A", "/mnt/a"}, {"/Volumes/H", "/mnt/h"}, {"/Volumes/I", "/mnt/i"}}));
    EXPECT_EQ(loaded.skippedLines, 8);

    // Missing, a folder, a pipe (which must not block), an empty path: no mappings.
    ASSERT_EQ(::mkfifo(tree.path("pipe").c_str(), 0600), 0);
    for (const std::string& odd : {tree.path("missing"), tree.root(), tree.path("pipe"), {}})
        EXPECT_TRUE(PathMappingStore(odd).load().mappings.empty()) << odd;

    // A file longer than what is read: only whole lines count, never half a path.
    std::string big;
    while (big.size() < (1u << 20) - 40)
        big += "# padding padding padding padding padding\n";
    big += "/Volumes/Cut\t/mnt/cut-in-the-middle-of-this-very-line\n";
    const PathMappingStore::Loaded cut = PathMappingStore(tree.file("big.conf", big)).load();
    EXPECT_TRUE(cut.mappings.empty());
    EXPECT_EQ(cut.skippedLines, 0);
}

TEST(PathMappingStore, FailedSaveLeavesEverythingAsItWas) {
    TempTree tree;
    std::string error;
    // The rename fails (a non-empty folder sits at the file's place): the folder is left as it
    // was and no temporary file stays beside it.
    tree.file("settings/path-mappings.conf/keep", "kept");
    EXPECT_FALSE(PathMappingStore(tree.path("settings/path-mappings.conf"))
                     .save({{"/Volumes/A", "/mnt/a"}}, error));
    EXPECT_NE(error.find("path-mappings.conf"), std::string::npos) << error;
    EXPECT_EQ(entriesIn(tree.path("settings")), 1u);
    EXPECT_EQ(test::readAll(tree.path("settings/path-mappings.conf/keep")), "kept");

    // A settings file that is a link is updated where it points, and stays a link.
    const std::string real = tree.file("dotfiles/mappings", "/Volumes/Old\t/mnt/old\n");
    std::filesystem::create_directories(tree.path("linked"));
    std::filesystem::create_symlink(real, tree.path("linked/path-mappings.conf"));
    PathMappingStore linked(tree.path("linked/path-mappings.conf"));
    ASSERT_TRUE(linked.save({{"/Volumes/New", "/mnt/new"}}, error)) << error;
    EXPECT_TRUE(std::filesystem::is_symlink(tree.path("linked/path-mappings.conf")));
    EXPECT_EQ(PathMappingStore(real).load().mappings,
              (std::vector<PathMapping>{{"/Volumes/New", "/mnt/new"}}));
}

TEST(PathMappingStore, LivesInTheUsersSettingsFolder) {
    // Put back afterwards: other tests of this program may read them.
    const auto kept = [](const char* name) {
        const char* value = std::getenv(name);
        return std::shared_ptr<void>(
            nullptr, [name, old = std::string(value ? value : ""), had = value != nullptr](void*) {
                had ? ::setenv(name, old.c_str(), 1) : ::unsetenv(name);
            });
    };
    const auto home = kept("HOME"), config = kept("XDG_CONFIG_HOME");
    ::setenv("HOME", "/home/anna", 1);
    ::setenv("XDG_CONFIG_HOME", "/cfg/anna", 1);
    EXPECT_EQ(PathMappingStore::defaultFilePath(), "/cfg/anna/Korvex/path-mappings.conf");
    ::setenv("XDG_CONFIG_HOME", "relative/cfg", 1); // invalid: ignored
    EXPECT_EQ(PathMappingStore::defaultFilePath(), "/home/anna/.config/Korvex/path-mappings.conf");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(PathMappingStore().filePath(), "/home/anna/.config/Korvex/path-mappings.conf");
}

// Two windows edit the list from the same start: each save keeps what the other stored meanwhile.
TEST(PathMappingStore, SavedEditsKeepWhatOthersStoredMeanwhile) {
    const PathMapping a{"/Volumes/A", "/mnt/a"}, b{"/Volumes/B", "/mnt/b"},
        c{"/Volumes/C", "/mnt/c"}, d{"/Volumes/D", "/mnt/d"};
    // Loaded {a, b}; here b was removed and d added; meanwhile another stored {a, b, c}.
    EXPECT_EQ(PathMappingStore::merged({a, b}, {a, d}, {a, b, c}), (std::vector{a, d, c}));
    // Meanwhile another removed a: it stays removed, unless it is an edit of this one.
    EXPECT_EQ(PathMappingStore::merged({a, b}, {a, b}, {b}), (std::vector{b}));
    EXPECT_EQ(PathMappingStore::merged({b}, {a, b}, {}), (std::vector{a}));

    TempTree tree;
    const PathMappingStore store(tree.path("settings/path-mappings.conf"));
    std::string error;
    ASSERT_TRUE(store.save({a}, error)) << error;
    ASSERT_TRUE(store.saveEdits({a}, {a, b}, error)) << error; // one window adds b
    std::vector<PathMapping> stored;
    ASSERT_TRUE(store.saveEdits({a}, {a, c}, error, &stored)) << error; // the other, c
    EXPECT_EQ(stored, (std::vector{a, c, b}));
    EXPECT_EQ(store.load().mappings, (std::vector{a, c, b}));
    ASSERT_TRUE(store.saveEdits({a, c, b}, {a, b}, error)) << error; // c removed, cleaned paths
    ASSERT_TRUE(store.saveEdits({a}, {a, {"/Volumes/E/", "/mnt/e/"}}, error)) << error;
    EXPECT_EQ(store.load().mappings, (std::vector{a, PathMapping{"/Volumes/E", "/mnt/e"}, b}));
}

} // namespace
} // namespace korvex
