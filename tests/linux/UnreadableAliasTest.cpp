// Aliases that the system does not let an ordinary user read: said so ("Couldn't read"), with
// the walk's threads or without, never "broken" and never left out; also when a relink comes
// back to one. Root reads everything, so the checks run in a child that becomes `nobody`.

#include "AliasRelinker.h"
#include "AliasScanner.h"
#include "MarkingScan.h"
#include "PosixAliasPlatform.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace korvex {
namespace {

using test::TempTree;

constexpr int cannotBecomeNobody = 3;

// Runs `check` in a child process that is an ordinary user: its exit status, or
// `cannotBecomeNobody`.
template <typename Check> int asNobody(Check check) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(cannotBecomeNobody);
        }
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

// The report's lines between the header and the summary, and the counts, with the tree's
// path taken out; of the scan of the tree, or of its folder `folder`.
std::string scanned(const TempTree& tree, std::size_t threads, const std::string& folder = "") {
    const std::shared_ptr<ScanReport> report =
        test::markingScan(folder.empty() ? tree.root() : tree.path(folder), threads);
    if (!report) {
        return "no report";
    }
    std::string text = report->reportText;
    text = text.substr(text.find("\n\n") + 2);
    text.resize(text.find("\nChecked at"));
    for (std::size_t at; (at = text.find(tree.root())) != std::string::npos;) {
        text.replace(at, tree.root().size(), "ROOT");
    }
    return text + "\nproblems " + std::to_string(report->problemCount);
}

TEST(UnreadableAliases, AreCouldntReadNeverBrokenNorMissingWithAnyThreadCount) {
    TempTree tree;
    ::chmod(tree.root().c_str(), 0755);
    tree.file("target", "x");
    const test::Bytes alias = test::aliasBytes(tree.path("target"));
    // FinderInfo in an attribute, in a `._` sidecar, and lost (the data fork decides).
    tree.file("by attribute", alias);
    const bool xattrs =
        tree.xattr("by attribute", "user.com.apple.FinderInfo", test::finderInfoBytes(true));
    tree.file("by sidecar", alias);
    tree.file("._by sidecar", test::macSidecar(true));
    tree.file("lost metadata", alias);
    tree.file("readable", alias);
    tree.file("._readable", test::macSidecar(true));
    tree.file("private note", "too short to be an alias"); // unreadable, but surely no alias
    for (const char* locked : {"by attribute", "by sidecar", "lost metadata", "private note"}) {
        ::chmod(tree.path(locked).c_str(), 0);
    }
    // Only the sidecar says "alias" for sure: it counts; the others can't be told from
    // ordinary files the user may not read. None is broken, none is left out.
    const std::string denied = std::string(": ") + std::strerror(EACCES) + "\n";
    const std::string expected =
        (xattrs ? "Couldn't read ROOT/by attribute" + denied : "") +
        "Couldn't read ROOT/by sidecar" + denied + "Couldn't read ROOT/lost metadata" + denied +
        "Aliases found broken:\n"
        "\n\nFound 0 broken Aliases, and rewrote 0, out of 2 scanned in ROOT\nproblems " +
        (xattrs ? "3" : "2");
    const int status = asNobody([&] {
        bool same = true;
        for (const std::size_t threads : {1, 4}) {
            const std::string report = scanned(tree, threads);
            if (report != expected) {
                std::cerr << threads << " threads:\n" << report << '\n';
                same = false;
            }
        }
        return same;
    });
    if (status == cannotBecomeNobody) {
        GTEST_SKIP() << "cannot become an ordinary user to make a file unreadable";
    }
    EXPECT_EQ(status, 0) << "expected:\n" << expected;
    // Nothing was written beside them either.
    EXPECT_FALSE(std::filesystem::exists(tree.path("by sidecar-korvex-broken.text")));
}

// A target behind a folder the user may not search may well be there: the alias is not broken,
// its line says that the target could not be read and why; one whose target is surely missing
// stays broken.
TEST(UnreadableAliases, TargetBehindAFolderThatCantBeSearchedIsCouldntReadNotBroken) {
    TempTree tree;
    ::chmod(tree.root().c_str(), 0755);
    tree.file("fenced/target", "x");
    ::chmod(tree.path("fenced").c_str(), 0700); // root's own: nobody may not look inside
    tree.file("scan/fenced alias", test::aliasBytes(tree.path("fenced/target")));
    tree.file("scan/._fenced alias", test::macSidecar(true));
    tree.file("scan/missing alias", test::aliasBytes(tree.path("nowhere/target")));
    tree.file("scan/._missing alias", test::macSidecar(true));
    ::chmod(tree.path("scan").c_str(), 0777); // the broken one's sidecar can be written
    const std::string expected =
        "Couldn't read the target of ROOT/scan/fenced alias: " +
        std::string(std::strerror(EACCES)) +
        "\nAliases found broken:\nROOT/scan/missing alias"
        "\n\nFound 1 broken Aliases, and rewrote 0, out of 2 scanned in ROOT/scan\nproblems 1";
    const int status = asNobody([&] {
        const std::string report = scanned(tree, 1, "scan");
        if (report != expected) {
            std::cerr << report << '\n';
        }
        return report == expected;
    });
    if (status == cannotBecomeNobody) {
        GTEST_SKIP() << "cannot become an ordinary user to make a folder unsearchable";
    }
    EXPECT_EQ(status, 0) << "expected:\n" << expected;
}

TEST(UnreadableAliases, RelinkThatCanNoLongerReadTheAliasSaysSo) {
    TempTree tree;
    ::chmod(tree.root().c_str(), 0755);
    const test::Bytes old = test::aliasBytes("/Volumes/Gone/file");
    tree.file("alias", old);
    ::chmod(tree.path("alias").c_str(), 0);
    const int status = asNobody([&] {
        AliasRelinker relinker(tree.root());
        int error = 0;
        return relinker.replace("alias", sha256(old), test::aliasBytes("/elsewhere"), nullptr,
                                &error) == AliasRelinker::Outcome::unreadable &&
               error == EACCES;
    });
    if (status == cannotBecomeNobody) {
        GTEST_SKIP() << "cannot become an ordinary user to make a file unreadable";
    }
    EXPECT_EQ(status, 0) << "not told apart from an alias that changed";
    EXPECT_EQ(test::readBytes(tree.path("alias")), old);
}

} // namespace
} // namespace korvex
