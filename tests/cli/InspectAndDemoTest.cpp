// korvex-scan --inspect and --demo on real files.
#include "CommandLine.h"
#include "DemoFolder.h"
#include "posix/TempTree.h"

#include <gtest/gtest.h>

#include <sstream>
#include <sys/stat.h>

namespace korvex {
namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

Outcome run(std::vector<std::string> args, const std::string& currentFolder = "/") {
    std::ostringstream out, err;
    Outcome result;
    result.status = CommandLine({currentFolder, false, nullptr}).run(args, out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

TEST(InspectTest, PrintsEachFileAndFailsForThoseItCannotRead) {
    test::TempTree tree;
    test::writeBytes(tree.path("good alias"),
                     test::aliasBytes("/Volumes/X/doc", "/Volumes/X", "X"));
    tree.file("junk", "not a bookmark at all");
    ASSERT_EQ(::mkfifo(tree.path("pipe").c_str(), 0600), 0);

    Outcome good = run({"--inspect", "good alias"}, tree.root());
    EXPECT_EQ(good.status, 0);
    EXPECT_EQ(good.out.rfind(tree.path("good alias") + ":\n", 0), 0u);
    EXPECT_NE(good.out.find("/Volumes/X/doc"), std::string::npos);
    EXPECT_EQ(good.out.back(), '\n');

    Outcome mixed =
        run({"--inspect", tree.path("junk"), tree.path("pipe"), tree.path("good alias")});
    EXPECT_EQ(mixed.status, 1);
    EXPECT_NE(mixed.out.find(tree.path("junk") + ":\n"), std::string::npos);
    EXPECT_NE(mixed.out.find(tree.path("good alias") + ":\n"), std::string::npos);
    EXPECT_NE(mixed.err.find("couldn't read " + tree.path("pipe")), std::string::npos);
}

TEST(InspectTest, ReadsRealMacAliasFiles) {
    const std::string sample = std::string(KORVEX_SAMPLES_DIR) + "/perlmacalias-removable.alias";
    struct stat st {};
    if (::stat(sample.c_str(), &st) != 0) {
        GTEST_SKIP() << "no sample alias files in " << KORVEX_SAMPLES_DIR;
    }
    Outcome result = run({"--inspect", sample});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("/Volumes/SANDISK/untitled"), std::string::npos);
}

TEST(DemoTest, DemoFolderHoldsAliasesInEveryCarrierAndTheScanFindsTheBrokenOnes) {
    test::TempTree tree;
    std::string error;
    ASSERT_TRUE(DemoFolder::fill(tree.root(), error)) << error;
    Outcome scan = run({tree.root()});
    EXPECT_EQ(scan.status, 1);
    EXPECT_NE(scan.out.find("Aliases found broken:\n" + tree.path("Old/Budget 2019 alias") + "\n" +
                            tree.path("Old/Plan alias") +
                            "\n\nFound 2 broken Aliases, and "
                            "rewrote 0, out of 5 scanned in "),
              std::string::npos)
        << scan.out;
    struct stat st {};
    EXPECT_EQ(::stat(tree.path("._Holiday alias").c_str(), &st), 0);

    // A second run over the refreshed demo finds the same.
    EXPECT_EQ(run({"--rewrite", tree.root()}).status, 1);
    Outcome again = run({tree.root()});
    EXPECT_NE(again.out.find("Found 2 broken Aliases, and rewrote 0, out of 5"), std::string::npos);
}

} // namespace
} // namespace korvex
