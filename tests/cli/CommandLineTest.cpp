// korvex-scan in-process: arguments, the two streams and the exit status.
#include "CommandLine.h"
#include "engine/MemoryAliasPlatform.h"

#include <gtest/gtest.h>

#include <sstream>

namespace korvex {
namespace {

using test::MemoryAliasPlatform;

struct Outcome {
    int status = -1;
    std::string out, err;
};

class CommandLineTest : public ::testing::Test {
protected:
    MemoryAliasPlatform memory;
    std::vector<std::vector<PathMapping>> mappingsSeen;
    bool progress = false;

    Outcome run(std::vector<std::string> args) {
        CommandLine::Environment environment;
        environment.currentFolder = "/home/me";
        environment.showProgress = progress;
        environment.makePlatform = [this](std::vector<PathMapping> mappings) {
            mappingsSeen.push_back(mappings);
            return std::shared_ptr<AliasPlatform>(&memory, [](AliasPlatform*) {});
        };
        std::ostringstream out, err;
        Outcome result;
        result.status = CommandLine(environment).run(args, out, err);
        result.out = out.str();
        result.err = err.str();
        return result;
    }
};

TEST_F(CommandLineTest, ReportGoesToStdoutAsTheWindowShowsItAndTheStatusTellsIfAnythingBroke) {
    memory.folder = "/home/me/Mac stuff";
    memory.addAlias("fine alias", "/target");
    memory.addAlias("sub/old alias");
    memory.addPlain("notes.txt");

    Outcome result = run({"Mac stuff/"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out.rfind("Scan of all Finder Aliases in the folder /home/me/Mac stuff:\n\n"
                               "Aliases found broken:\n/home/me/Mac stuff/sub/old alias\n\n"
                               "Found 1 broken Aliases, and rewrote 0, out of 2 scanned in "
                               "/home/me/Mac stuff\nChecked at ",
                               0),
              0u)
        << result.out;
    // One line feed after the report's last character, nothing else.
    ASSERT_GE(result.out.size(), 2u);
    EXPECT_EQ(result.out.back(), '\n');
    EXPECT_NE(result.out[result.out.size() - 2], '\n');

    memory.entries.pop_back();
    memory.entries.pop_back();
    EXPECT_EQ(run({"/home/me/Mac stuff"}).status, 0);
}

TEST_F(CommandLineTest, OptionsReachTheScanAndMappingsReachThePlatform) {
    memory.folder = "/data";
    memory.addAlias("a alias", "/t");
    memory.addAlias("b alias");
    Outcome result = run(
        {"--mark", "--map", "/Volumes/A=/mnt/a", "--rewrite", "--map=/Volumes/B=C=rel", "/data"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(memory.texts.count("/data/b alias-korvex-broken.text"), 1u);
    EXPECT_EQ(memory.texts.count("/data/a alias-korvex-rewrite.text"), 1u);
    EXPECT_EQ(memory.bookmarks.count("/data/a alias"), 1u);
    ASSERT_EQ(mappingsSeen.size(), 1u);
    EXPECT_EQ(mappingsSeen[0], (std::vector<PathMapping>{{"/Volumes/A", "/mnt/a"},
                                                         {"/Volumes/B", "/home/me/C=rel"}}));
}

TEST_F(CommandLineTest, WrongArgumentsAndMissingFoldersGiveStatus2AndAMessageOnStderr) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {"a", "b"},
             {""},
             {"--frobnicate", "/f"},
             {"--map"},
             {"--map", "relative=/x", "/f"},
             {"--map", "/Volumes/X", "/f"},
             {"--map", "/Volumes/X=", "/f"},
             {"--inspect"},
             {"--demo", "/f"},
         }) {
        Outcome result = run(args);
        EXPECT_EQ(result.status, 2) << ::testing::PrintToString(args);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err.rfind("korvex-scan: ", 0), 0u);
        EXPECT_NE(result.err.find("Usage: korvex-scan"), std::string::npos);
    }
    EXPECT_TRUE(mappingsSeen.empty());

    memory.folder = "/elsewhere";
    Outcome missing = run({"/f"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "Couldn't find that folder. Try again.\n");

    // "--" ends the options: a folder may start with a dash.
    memory.folder = "/home/me/--mark";
    EXPECT_EQ(run({"--", "--mark"}).status, 0);
}

TEST_F(CommandLineTest, HelpAndVersionGoToStdout) {
    Outcome help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out, CommandLine::usage());
    EXPECT_EQ(help.err, "");
    Outcome version = run({"--version", "/ignored"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("korvex-scan ", 0), 0u);
    EXPECT_NE(version.out.find('.'), std::string::npos);
}

TEST_F(CommandLineTest, ProgressLineStaysOnStderrAndIsErasedAtTheEnd) {
    memory.folder = "/f";
    for (int i = 0; i < 200; ++i) {
        memory.addPlain("file " + std::to_string(i));
    }
    memory.addAlias("x alias");
    progress = true;
    Outcome result = run({"/f"});
    EXPECT_EQ(result.out.rfind("Scan of all Finder Aliases", 0), 0u);
    EXPECT_EQ(result.out.find('\r'), std::string::npos);
    EXPECT_NE(result.err.find("\rExamined 64 entries, 0 Finder aliases"), std::string::npos);
    EXPECT_EQ(result.err.substr(result.err.size() - 4), "\r\x1b[K");

    progress = false;
    EXPECT_EQ(run({"/f"}).err, "");
}

TEST(AbsolutePathTest, RelativePathsAreTakenFromTheCurrentFolderWithoutResolvingLinks) {
    EXPECT_EQ(absolutePath(".", "/home/me"), "/home/me");
    EXPECT_EQ(absolutePath("./a//b/./", "/home/me"), "/home/me/a/b");
    EXPECT_EQ(absolutePath("../x", "/home/me"), "/home/me/../x");
    EXPECT_EQ(absolutePath("/abs/", "/home/me"), "/abs");
    EXPECT_EQ(absolutePath("/", "/home/me"), "/");
    EXPECT_EQ(absolutePath("a", "/"), "/a");
}

} // namespace
} // namespace korvex
