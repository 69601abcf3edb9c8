// korvex-scan --resolve on real files: one line per alias for scripts, and a status that says
// which alias had no target to print.
#include "ClassicTestData.h"
#include "CommandLine.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace korvex {
namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

Outcome resolve(std::vector<std::string> args, const std::string& currentFolder,
                std::vector<PathMapping> stored = {}) {
    args.insert(args.begin(), "--resolve");
    CommandLine::Environment environment{currentFolder, false, nullptr, std::move(stored), {}, {}};
    std::ostringstream out, err;
    Outcome result;
    result.status = CommandLine(environment).run(args, out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

TEST(ResolveTest, PrintsEachTargetOnItsLineThroughEveryMappingAndTellsBrokenAndNonAliases) {
    test::TempTree tree;
    tree.file("Documents/Report.txt");
    tree.file("archive/Projects/Plan.pages");
    tree.file("saved/Budget.xlsx");
    tree.file("local alias", test::aliasBytes(tree.path("Documents/Report.txt")));
    tree.file("mapped alias", test::aliasBytes("/Volumes/Archive/Projects/Plan.pages",
                                               "/Volumes/Archive", "Archive"));
    tree.file("saved alias",
              test::aliasBytes("/Volumes/Office/Budget.xlsx", "/Volumes/Office", "Office"));
    tree.file("gone alias", test::aliasBytes(tree.path("Documents/Gone.txt")));
    tree.file("plain", "book of recipes");
    const std::vector<PathMapping> saved{{"/Volumes/Office", tree.path("saved")}};

    Outcome all = resolve({"--map", "/Volumes/Archive=archive", "local alias", "mapped alias",
                           "saved alias", "gone alias", "local alias"},
                          tree.root(), saved);
    EXPECT_EQ(all.out,
              tree.path("Documents/Report.txt\n") + tree.path("archive/Projects/Plan.pages\n") +
                  tree.path("saved/Budget.xlsx\n") + "\n" + tree.path("Documents/Report.txt\n"));
    EXPECT_EQ(all.err, "korvex-scan: " + tree.path("gone alias") + " is broken\n");
    EXPECT_EQ(all.status, 1);

    // Nothing mounted, nothing guessed: without the mapping the alias has no target here.
    Outcome unmapped = resolve({"mapped alias"}, tree.root());
    EXPECT_EQ(unmapped.out, "\n");
    EXPECT_EQ(unmapped.status, 1);

    Outcome resolving = resolve({tree.path("local alias")}, "/");
    EXPECT_EQ(resolving.out, tree.path("Documents/Report.txt\n"));
    EXPECT_EQ(resolving.err, "");
    EXPECT_EQ(resolving.status, 0);

    // A file that is no alias, or no file at all, is a wrong argument, beneath broken ones.
    Outcome wrong = resolve({"gone alias", "plain", "nowhere"}, tree.root());
    EXPECT_EQ(wrong.out, "\n\n\n");
    EXPECT_EQ(wrong.err, "korvex-scan: " + tree.path("gone alias") +
                             " is broken\nkorvex-scan: " + tree.path("plain") +
                             " is no Finder alias\nkorvex-scan: there is no "
                             "file " +
                             tree.path("nowhere") + "\n");
    EXPECT_EQ(wrong.status, 2);

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {}, {""}, {"--mark", "local alias"}, {"--inspect", "local alias"}}) {
        Outcome refused = resolve(args, tree.root());
        EXPECT_EQ(refused.status, 2) << refused.err;
        EXPECT_EQ(refused.out, "");
    }
}

TEST(ResolveTest, PathsWithControlCharactersAreNeverPrintedRaw) {
    test::TempTree tree;
    const std::string twoLines = "Report.txt\n.txt";
    tree.file(twoLines);
    tree.file("Notes\x1B]0;x\x07.txt");
    tree.file("Fine.txt");
    tree.file("line alias", test::aliasBytes(tree.path(twoLines)));
    tree.file("escape alias", test::aliasBytes(tree.path("Notes\x1B]0;x\x07.txt")));
    tree.file("named\nalias", test::aliasBytes(tree.path("Fine.txt")));
    tree.file("gone\nalias", test::aliasBytes(tree.path("Gone.txt")));

    // A target with a line feed would be two lines to a script: an empty line, the path
    // escaped on stderr, status 3.
    Outcome line = resolve({"line alias", "escape alias"}, tree.root());
    EXPECT_EQ(line.out, "\n\n");
    EXPECT_EQ(line.err, "korvex-scan: the target of " + tree.path("line alias") +
                            " has a control character in its path, not printed: " +
                            tree.path("Report.txt\\n.txt") + "\nkorvex-scan: the target of " +
                            tree.path("escape alias") +
                            " has a control character in its path, not printed: " +
                            tree.path("Notes\\u{1B}]0;x\\u{7}.txt") + "\n");
    EXPECT_EQ(line.status, 3);

    // The alias's own name is the user's; only its messages show it, escaped.
    Outcome named = resolve({"named\nalias", "gone\nalias"}, tree.root());
    EXPECT_EQ(named.out, tree.path("Fine.txt\n") + "\n");
    EXPECT_EQ(named.err, "korvex-scan: " + tree.path("gone\\nalias") + " is broken\n");
    EXPECT_EQ(named.status, 1);
}

TEST(ResolveTest, ClassicAliasesResolveThroughTheirResourceFork) {
    test::TempTree tree;
    tree.file("mac/Docs/Plan");
    const classictest::Bytes record =
        classictest::RecordBuilder().text(2, "Macintosh HD:Docs:Plan").build();
    tree.file("classic alias", "");
    if (!tree.xattr("classic alias", "user.com.apple.FinderInfo", test::finderInfoBytes(true)) ||
        !tree.xattr("classic alias", "user.com.apple.ResourceFork",
                    classictest::resourceFork({{classictest::alis, 0, record}}))) {
        GTEST_SKIP() << "the temporary folder keeps no user attributes";
    }
    Outcome classic = resolve({"--map", "/Volumes/Macintosh HD=mac", "classic alias"}, tree.root());
    EXPECT_EQ(classic.out, tree.path("mac/Docs/Plan\n"));
    EXPECT_EQ(classic.err, "");
    EXPECT_EQ(classic.status, 0);
}

TEST(ResolveTest, AnAliasThatCannotBeReadIsNeitherBrokenNorSkipped) {
    test::TempTree tree;
    tree.file("Report.txt");
    tree.file("locked alias", test::aliasBytes(tree.path("Report.txt")));
    tree.file("gone alias", test::aliasBytes(tree.path("Gone.txt")));
    ::chmod(tree.path("locked alias").c_str(), 0);
    ::chmod(tree.root().c_str(), 0755);
    // Root reads anything: the check runs as an ordinary user.
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(77);
        }
        const Outcome locked = resolve({"locked alias", "gone alias"}, tree.root());
        const bool said =
            locked.err == "korvex-scan: couldn't read " + tree.path("locked alias") +
                              ": Permission denied\nkorvex-scan: " + tree.path("gone alias") +
                              " is broken\n";
        ::_exit(locked.status == 3 && locked.out == "\n\n" && said ? 0 : 10 + locked.status);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) {
        GTEST_SKIP() << "cannot become an ordinary user here";
    }
    ASSERT_TRUE(WIFEXITED(status)) << "died of signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
} // namespace korvex
