// The walk in trees deeper than the descriptors it may keep open: it ends, whatever holds
// `__MACOSX` on the way, it hands out every entry once, a folder that finds no descriptor is
// reported rather than waited for, and the folders it opens again grow with the depth, not
// with its square.

#include "AliasRecognizer.h"
#include "PosixFolderWalk.h"
#include "TempTree.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace korvex {
namespace {

struct Mode {
    const char* name;
    bool lookAhead;
    std::size_t threads;
};
const Mode modes[] = {{"sequential", false, 1}, {"one helper", true, 1}, {"pool", true, 16}};

/// Descriptors open in this process.
rlim_t openDescriptors() {
    rlim_t open = 0;
    for (int fd = 0; fd < 1024; ++fd) {
        open += ::fcntl(fd, F_GETFD) >= 0 ? 1 : 0;
    }
    return open;
}

/// Runs `check` in a child process with at most `descriptors` open files (0: five more than
/// it has open), killed by an alarm after a minute (a walk that waits forever fails rather
/// than hangs): its exit status, 100 when it was killed.
template <typename Check> int inChild(rlim_t descriptors, Check check) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(60);
        const rlim_t allowed = descriptors > 0 ? descriptors : openDescriptors() + 5;
        const struct rlimit limit { allowed, allowed };
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) {
            ::_exit(99);
        }
        ::_exit(check());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

/// `levels` nested folders "d" below `tree`, each beside an (empty) folder `sibling`.
void chain(const test::TempTree& tree, int levels, const std::string& sibling) {
    std::string at;
    for (int level = 0; level < levels; ++level) {
        tree.folder(at + sibling);
        at += "d/";
    }
    tree.folder(at);
}

struct Walked {
    std::size_t entries = 0;
    std::size_t unreadable = 0;
    std::size_t opened = 0;
    bool wellFormed = true; ///< every entry below a folder handed out before it, and entered
};

Walked walkAll(const std::string& root, const Mode& mode) {
    AliasRecognizer recognizer;
    Walked walked;
    auto walk = PosixFolderWalk::open(root, recognizer, nullptr, mode.lookAhead, mode.threads);
    if (!walk) {
        walked.wellFormed = false;
        return walked;
    }
    std::string deepest; // the chain of "d" folders handed out so far
    for (WalkEntry entry; walk->next(entry);) {
        ++walked.entries;
        walked.unreadable += entry.unreadableFolder ? 1 : 0;
        const std::string_view path = entry.relativePath;
        const std::string_view folder = path.substr(0, path.size() - entry.name.size());
        if (!path.ends_with(entry.name) || (!folder.empty() && folder != deepest + "/" &&
                                            !std::string_view(deepest).starts_with(folder))) {
            walked.wellFormed = false;
        }
        if (entry.name == "d" && !entry.unreadableFolder) {
            deepest = path;
        }
    }
    walked.opened = walk->foldersOpened();
    return walked;
}

// 260 nested folders each holding an empty `__MACOSX`, the walk allowed 16 descriptors (64 for
// the process): every archive root on the way once pinned its folder's descriptor, so nothing
// could be closed and the walk waited forever.
TEST(DeepWalk, NestedArchivesFinishWithFewDescriptors) {
    test::TempTree tree;
    chain(tree, 260, "__MACOSX");
    for (const Mode& mode : modes) {
        EXPECT_EQ(inChild(64,
                          [&] {
                              const Walked walked = walkAll(tree.root(), mode);
                              // Each level: its `__MACOSX` (never entered) and its "d".
                              return walked.wellFormed && walked.unreadable == 0 &&
                                             walked.entries == 2 * 260
                                         ? 0
                                         : 1;
                          }),
                  0)
            << mode.name;
    }
}

// With fewer descriptors left for the process than the walk may hold, folders that can't be
// opened are handed out as unreadable, and the walk ends: it never waits for a descriptor.
TEST(DeepWalk, NoDescriptorToBeHadIsUnreadableNotAWait) {
#if defined(__SANITIZE_ADDRESS__)
    // UndefinedBehaviorSanitizer checks memory through a pipe of its own: with no descriptor
    // left it takes every object for a bad one.
    GTEST_SKIP() << "the sanitizers' own checks need descriptors this test leaves none of";
#endif
    test::TempTree tree;
    chain(tree, 120, "e");
    for (const Mode& mode : modes) {
        EXPECT_EQ(inChild(0,
                          [&] {
                              const Walked walked = walkAll(tree.root(), mode);
                              // Whatever could be walked, and the first folder that could
                              // not; nothing below it.
                              return walked.wellFormed && walked.unreadable >= 1 &&
                                             walked.entries < 2 * 120
                                         ? 0
                                         : 1;
                          }),
                  0)
            << mode.name;
    }
}

// 400 levels each with an empty sibling folder, 16 descriptors for the walk: it closes the
// outer folders on the way down and opens each once more on the way back up. Opening them
// again by name from the walked folder would take some 80,000 opens.
TEST(DeepWalk, FoldersOpenedAgainGrowWithTheDepthNotItsSquare) {
    test::TempTree tree;
    const int levels = 400;
    chain(tree, levels, "e");
    for (const Mode& mode : modes) {
        EXPECT_EQ(inChild(64,
                          [&] {
                              const Walked walked = walkAll(tree.root(), mode);
                              const std::size_t folders = 2 * levels + 1;
                              if (!walked.wellFormed || walked.unreadable != 0 ||
                                  walked.entries != folders - 1) {
                                  return 1;
                              }
                              return walked.opened <= folders + levels ? 0 : 2;
                          }),
                  0)
            << mode.name;
    }
}

} // namespace
} // namespace korvex
