// Reading ahead on many threads changes nothing the walk or the scan says: generated trees of
// varied shape walked and scanned with and without the read-ahead pool, every answer compared.
#include "AliasRecognizer.h"
#include "AliasScanner.h"
#include "FolderListing.h"
#include "MarkingScan.h"
#include "PosixAliasPlatform.h"
#include "PosixFolderWalk.h"
#include "TempTree.h"
#include "ThreadStart.h"
#include "TreeReadAhead.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace korvex {
namespace {

using test::Bytes;
using test::TempTree;

// Fills `tree` below `at` with a random mix of what the walk meets on a Mac share.
void grow(const TempTree& tree, std::mt19937& random, const std::string& at, int depth) {
    const int entries = static_cast<int>(random() % 14);
    for (int i = 0; i < entries; ++i) {
        const std::string name =
            at + "n" + std::to_string(random() % 1000) + "." + std::to_string(i);
        switch (random() % 9) {
        case 0:
        case 1:
            if (depth < 4) {
                tree.folder(name);
                grow(tree, random, name + "/", depth + 1);
            }
            break;
        case 2: // an alias with its FinderInfo
            tree.file(name, test::aliasDataFork());
            tree.xattr(name, "user.com.apple.FinderInfo", test::finderInfoBytes(true));
            break;
        case 3: // the FinderInfo lost in copying: the data fork decides
            tree.file(name, test::aliasDataFork(100 + random() % 900));
            break;
        case 4: // the FinderInfo in a sidecar beside it
            tree.file(name, test::aliasDataFork());
            tree.file(at + "._" + name.substr(at.size()), test::macSidecar(random() % 2 == 0));
            break;
        case 5: // netatalk's metadata folder
            tree.file(name, test::aliasDataFork());
            tree.file(at + ".AppleDouble/" + name.substr(at.size()), test::netatalkMetadata(true));
            break;
        case 6: // an unpacked Mac zip archive: some files are aliases only by their sidecars there
            tree.file(name + "/inner/a", test::aliasDataFork());
            tree.file(name + "/__MACOSX/inner/._a", test::macSidecar(true));
            tree.file(name + "/inner/deeper/b", std::string(100, 'x'));
            tree.file(name + "/__MACOSX/inner/deeper/._b", test::macSidecar(true));
            tree.file(name + "/c", std::string(100, 'x'));
            tree.file(name + "/__MACOSX/._c", test::macSidecar(true));
            break;
        case 7:
            ::symlink(random() % 2 ? ".." : "/nowhere", tree.path(name).c_str());
            break;
        default:
            tree.file(name, std::string(random() % 300, 'x'));
        }
    }
}

// Every folder the walk lists counts as read from the disk while it lives.
struct EveryListingReadFromDisk {
    EveryListingReadFromDisk() { PosixFolderWalk::countEveryListingAsDiskRead(true); }
    ~EveryListingReadFromDisk() { PosixFolderWalk::countEveryListingAsDiskRead(false); }
};

// Everything the walk hands out, one line per entry, in its order. The pool starts at once,
// or after `poolAfterReads` reads from the disk (with `slowDisk`, every folder listed is one).
std::vector<std::string> walked(const std::string& root, bool lookAhead, std::size_t threads,
                                std::size_t poolAfterReads = 0, bool slowDisk = false) {
    AliasRecognizer recognizer;
    std::optional<EveryListingReadFromDisk> reads;
    if (slowDisk) {
        reads.emplace();
    }
    auto walk =
        PosixFolderWalk::open(root, recognizer, nullptr, lookAhead, threads, poolAfterReads);
    std::vector<std::string> lines;
    for (WalkEntry entry; walk && walk->next(entry);) {
        std::string line(entry.relativePath);
        line.append(" | ").append(entry.type ? *entry.type : "none");
        if (entry.unreadableFolder) {
            line += " | unreadable";
        }
        if (!entry.relativePath.ends_with(entry.name)) {
            line += " | wrong name";
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

// The walk with the pool (started at once, or in the middle of the walk), without it and
// without any look-ahead agree; false (and why) if not.
::testing::AssertionResult sameWalks(const std::string& root) {
    const std::vector<std::string> sequential = walked(root, false, 1);
    for (const std::size_t threads : {1, 16}) {
        if (walked(root, true, threads) != sequential) {
            return ::testing::AssertionFailure() << threads << " threads walk otherwise";
        }
    }
    if (walked(root, true, 16, 3, true) != sequential) {
        return ::testing::AssertionFailure() << "a pool started on the way walks otherwise";
    }
    return ::testing::AssertionSuccess() << sequential.size() << " entries";
}

// Runs `check` in a child process (as an ordinary user, with few descriptors, ...): its result.
template <typename Check> int inChild(Check check) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(check());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

TEST(ReadAhead, WalksOfGeneratedTreesAgreeWithAnyThreadCount) {
    struct Shape {
        const char* name;
        void (*make)(const TempTree&);
    };
    const Shape shapes[] = {
        {"mixed, seed 1",
         [](const TempTree& t) {
             std::mt19937 r(1);
             grow(t, r, "", 0);
         }},
        {"mixed, seed 2",
         [](const TempTree& t) {
             std::mt19937 r(2);
             grow(t, r, "", 0);
         }},
        {"mixed, seed 3, repeated",
         [](const TempTree& t) {
             std::mt19937 r(3);
             for (int i = 0; i < 20; ++i) {
                 grow(t, r, "top" + std::to_string(i) + "/", 1);
             }
         }},
        {"one wide folder", // examined by the whole pool
         [](const TempTree& t) {
             for (int i = 0; i < 5000; ++i) {
                 t.file("wide/f" + std::to_string(i),
                        i % 500 ? Bytes(10, 1) : test::aliasDataFork());
             }
             t.folder("wide/zz/inner");
         }},
        {"many folders of one entry",
         [](const TempTree& t) {
             for (int i = 0; i < 1500; ++i) {
                 t.file("d" + std::to_string(i % 7) + "/s" + std::to_string(i) + "/f", "x");
             }
         }},
    };
    for (const Shape& shape : shapes) {
        TempTree tree;
        shape.make(tree);
        EXPECT_TRUE(sameWalks(tree.root())) << shape.name;
    }
}

TEST(ReadAhead, DeepChainBeyondTheDescriptorLimitAndUnreadableFoldersAgree) {
    TempTree tree;
    std::string at;
    for (int level = 0; level < 300; ++level) {
        at += "d/";
        tree.file(at + "side" + std::to_string(level), test::aliasDataFork());
    }
    std::mt19937 random(4);
    grow(tree, random, "mixed/", 1);
    // 64 descriptors: the walk and the pool may keep 16 folders open each.
    EXPECT_EQ(inChild([&] {
                  const struct rlimit limit { 64, 64 };
                  ::setrlimit(RLIMIT_NOFILE, &limit);
                  return sameWalks(tree.root()) ? 0 : 1;
              }),
              0);

    tree.folder("closed/hidden");
    tree.folder("mixed/closed/x");
    tree.folder("d/d/d/closed");
    ::chmod(tree.root().c_str(), 0755);
    for (const char* closed : {"closed", "mixed/closed", "d/d/d/closed"}) {
        ::chmod(tree.path(closed).c_str(), 0);
    }
    // Root reads every folder: the walks run as an ordinary user.
    const int status = inChild([&] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            return 3;
        }
        return sameWalks(tree.root()) &&
                       walked(tree.root(), true, 16)[0] == "closed | public.folder | unreadable"
                   ? 0
                   : 1;
    });
    for (const char* closed : {"mixed/closed", "d/d/d/closed"}) {
        ::chmod(tree.path(closed).c_str(), 0755);
    }
    if (status == 3) {
        GTEST_SKIP() << "cannot become an ordinary user to make a folder unreadable";
    }
    EXPECT_EQ(status, 0);
}

// The report, the sidecars written and the names of everything else in the tree after a scan
// that marks, with the tree's own path taken out.
std::string scanned(const TempTree& tree, std::size_t threads) {
    const std::shared_ptr<ScanReport> report = test::markingScan(tree.root(), threads);
    std::string all = report ? report->reportText : "no report";
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(tree.root())) {
        files.push_back(entry.path().string() + ": " +
                        (entry.path().extension() == ".text" ? test::readAll(entry.path()) : "-"));
    }
    std::sort(files.begin(), files.end());
    for (const std::string& file : files) {
        all += "\n" + file;
    }
    // The time of the scan differs, and the tree's own name.
    const std::string name = std::filesystem::path(tree.root()).filename();
    for (const std::string& own : {tree.root(), name}) {
        for (std::size_t at; (at = all.find(own)) != std::string::npos;) {
            all.replace(at, own.size(), "ROOT");
        }
    }
    const std::size_t checked = all.find("Checked at ");
    if (checked != std::string::npos) {
        all.erase(checked, all.find('\n', checked) - checked);
    }
    return all;
}

TEST(ReadAhead, ScansThatMarkGiveTheSameReportAndSidecars) {
    TempTree one;
    TempTree other;
    for (const TempTree* tree : {&one, &other}) {
        std::mt19937 random(5);
        for (int i = 0; i < 8; ++i) {
            grow(*tree, random, "share" + std::to_string(i) + "/", 1);
        }
        // Aliases to places that exist and that don't.
        tree->file("share0/target", "x");
        tree->file("share0/good", test::aliasBytes(tree->path("share0/target")));
        tree->file("share1/bad", test::aliasBytes(tree->path("share1/gone")));
    }
    const std::string sequential = scanned(one, 1);
    const std::string parallel = scanned(other, 16);
    EXPECT_NE(sequential.find("ROOT/share1/bad-korvex-broken.text: Optional"), std::string::npos);
    const auto [differ, _] =
        std::mismatch(sequential.begin(), sequential.end(), parallel.begin(), parallel.end());
    EXPECT_TRUE(parallel == sequential)
        << "first difference at " << sequential.substr(differ - sequential.begin(), 200);
}

// The pool lists every folder below the walk's position once, and examines the entries of
// each, except below a folder that holds `__MACOSX` (the walk alone knows the archive's root).
TEST(ReadAhead, PoolExaminesWhatItListsExceptInsideMacArchives) {
    TempTree tree;
    const std::vector<std::pair<std::string, bool>> folders = {
        {"a", true},           {"a/b", true},      {"a/b/c", true},         {"a/z", true},
        {"arch", true},        {"arch/in", false}, {"arch/in/deep", false}, {"arch/in2", false},
        {"arch/in2/x", false}, {"b", true},
    };
    for (const auto& [folder, _] : folders) {
        tree.file(folder + "/file", "x");
    }
    tree.file("arch/__MACOSX/in/._file", test::macSidecar(true));

    std::mutex mutex;
    std::multiset<std::size_t> examinedSizes;
    TreeReadAhead pool(4, 64, [&](FolderListing& listing) {
        std::lock_guard lock(mutex);
        examinedSizes.insert(listing.size());
        listing.setAnswers(std::vector<std::uint8_t>(listing.size(), 1));
    });
    struct stat st;
    ASSERT_EQ(::stat(tree.root().c_str(), &st), 0);
    auto root = std::make_shared<FolderListing>(
        ::open(tree.root().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), tree.root() + "/",
        st.st_dev, true);
    pool.entered(root, "", 0);

    // In walk order, as the walk asks: each is listed ahead, examined or not as expected.
    for (const auto& [folder, examined] : folders) {
        ASSERT_EQ(::stat(tree.path(folder).c_str(), &st), 0);
        std::shared_ptr<FolderListing> listed;
        for (int i = 0; i < 1000 && !listed; ++i) {
            listed = pool.take(folder, st);
            if (!listed) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
        ASSERT_TRUE(listed) << folder << " was not listed ahead";
        EXPECT_NE(listed->find("file"), nullptr) << folder;
        EXPECT_EQ(listed->answers().size(), examined ? listed->size() : 0) << folder;
    }
    std::lock_guard lock(mutex);
    EXPECT_EQ(examinedSizes.size(), 6u); // a, a/b, a/b/c, a/z, arch, b: each once
}

// A walk that enters folders the pool has listed already starts no second listing of them:
// every folder of a chain is read ahead and examined once, however the walk goes down it.
TEST(ReadAhead, PoolListsNoFolderTwiceAsTheWalkGoesDown) {
    TempTree tree;
    const std::vector<std::string> chain = {"a", "a/b", "a/b/c", "a/b/c/d", "a/b/c/d/e"};
    for (const std::string& folder : chain) {
        tree.file(folder + "/file", "x");
    }
    std::mutex mutex;
    std::size_t examinations = 0;
    TreeReadAhead pool(4, 64, [&](FolderListing& listing) {
        std::lock_guard lock(mutex);
        ++examinations;
        listing.setAnswers(std::vector<std::uint8_t>(listing.size(), 1));
    });
    auto examined = [&] {
        std::lock_guard lock(mutex);
        return examinations;
    };
    struct stat st;
    ASSERT_EQ(::stat(tree.root().c_str(), &st), 0);
    pool.entered(std::make_shared<FolderListing>(
                     ::open(tree.root().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC),
                     tree.root() + "/", st.st_dev, true),
                 "", 0);
    for (int i = 0; i < 1000 && examined() < chain.size(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(examined(), chain.size());

    // The walk takes each listing and enters the folder, the pool idle every time.
    std::size_t walked = 0;
    for (const std::string& folder : chain) {
        ASSERT_EQ(::stat(tree.path(folder).c_str(), &st), 0);
        ASSERT_TRUE(pool.take(folder, st)) << folder;
        auto entered = std::make_shared<FolderListing>(
            ::open(tree.path(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC),
            tree.path(folder) + "/", st.st_dev, true);
        pool.entered(entered, folder, walked += 2);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(examined(), chain.size());
}

TEST(ReadAhead, WalkOrderOfPaths) {
    struct Case {
        const char* a;
        const char* b;
        bool before;
    };
    const Case cases[] = {
        {"a", "a/b", true},    {"a/b", "a", false},          {"a/x", "ab", true}, // "a" < "ab"
        {"a-c", "a/b", false}, {"a/b", "a-c", true},         {"a", "a", false},
        {"", "a", true},       {"b/\xc3\xa9", "b/z", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TreeReadAhead::walksBefore(c.a, c.b), c.before) << c.a << " vs " << c.b;
    }
}

// Starts the system refuses: at every point of the walk's starts (pool, lister, helpers) the
// walk does with the threads it got, hands out the same, and says once that it does with fewer.
TEST(ReadAhead, ThreadStartsTheSystemRefusesLeaveTheWalkWhole) {
    TempTree tree;
    std::mt19937 random(1);
    grow(tree, random, "", 0);
    const std::vector<std::string> sequential = walked(tree.root(), false, 1);
    std::vector<std::size_t> heard;
    ThreadStart::Listener previous =
        ThreadStart::setListener([&](int error, std::string_view doing, std::size_t threads) {
            EXPECT_EQ(error, EAGAIN);
            EXPECT_EQ(doing, "scanning");
            heard.push_back(threads);
        });
    const std::size_t starts = 4 + 1 + 4; // the pool, the lister, the helpers
    for (std::size_t n = 0; n <= starts; ++n) {
        heard.clear();
        ThreadStart::refuseFrom(n);
        EXPECT_EQ(walked(tree.root(), true, 4), sequential) << "refused from start " << n;
        ThreadStart::refuseFrom(std::nullopt);
        if (n < starts) {
            // Without a lister (its start is the fifth) the caller alone; else the caller, the
            // lister, the whole pool and the helpers it got.
            const std::size_t expected = n <= 4 ? 1 : n + 1;
            EXPECT_EQ(heard, std::vector<std::size_t>{expected}) << "refused from start " << n;
        } else {
            EXPECT_TRUE(heard.empty());
        }
    }
    ThreadStart::setListener(std::move(previous));
}

// A tree in memory is walked by the lister and one helper: the pool's threads start only once
// the walk reads from the disk, on the way, and a refusal then is told like one at the start.
TEST(ReadAhead, PoolStartsOnlyOnceTheWalkReadsFromTheDisk) {
    TempTree tree;
    std::mt19937 random(3);
    grow(tree, random, "", 0);
    const std::vector<std::string> sequential = walked(tree.root(), false, 1);
    std::vector<std::size_t> heard;
    ThreadStart::Listener previous = ThreadStart::setListener(
        [&](int, std::string_view, std::size_t threads) { heard.push_back(threads); });
    // The lister and its helper may start; the pool's threads are refused, and so heard of.
    const std::size_t helpers = std::thread::hardware_concurrency() > 1 ? 1 : 0;
    ThreadStart::refuseFrom(1 + helpers);
    EXPECT_EQ(walked(tree.root(), true, 16, PosixFolderWalk::poolAfterDiskReads), sequential);
    EXPECT_TRUE(heard.empty()) << "a pool started for a tree in memory";
    ThreadStart::refuseFrom(1 + helpers);
    EXPECT_EQ(walked(tree.root(), true, 16, 3, true), sequential);
    ThreadStart::refuseFrom(std::nullopt);
    EXPECT_EQ(heard, std::vector<std::size_t>{2 + helpers});
    ThreadStart::setListener(std::move(previous));
}

// The same under a real limit of processes, where a new thread fails in the kernel (root
// ignores the limit: the child becomes an ordinary user first).
TEST(ReadAhead, ScanUnderAProcessLimitThatForbidsNewThreadsGivesTheSameReport) {
    TempTree tree;
    std::mt19937 random(2);
    grow(tree, random, "", 0);
    ::chmod(tree.root().c_str(), 0777);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(tree.root())) {
        if (entry.is_directory() && !entry.is_symlink()) {
            ::chmod(entry.path().c_str(), 0777); // the ordinary user writes the sidecars
        }
    }
    TempTree copy; // the same tree scanned without a limit
    std::mt19937 again(2);
    grow(copy, again, "", 0);
    const std::string expected = scanned(copy, 4);
    const int status = inChild([&] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            return 3;
        }
        const struct rlimit limit { 1, 1 };
        if (::setrlimit(RLIMIT_NPROC, &limit) != 0) {
            return 3;
        }
        try {
            std::thread([] {}).join();
            return 3; // threads still start: the limit does not hold here
        } catch (const std::system_error&) {
        }
        for (const std::size_t threads : {1, 4, 16}) {
            if (scanned(tree, threads) != expected) {
                return 1;
            }
            std::filesystem::path root(tree.root());
            for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
                if (entry.path().extension() == ".text") {
                    std::filesystem::remove(entry.path());
                }
            }
        }
        return 0;
    });
    if (status == 3) {
        GTEST_SKIP() << "cannot limit the processes of an ordinary user here";
    }
    EXPECT_EQ(status, 0) << "100: the child died (std::terminate)";
}

// Folders nested deeply, each holding an empty __MACOSX: where the walk's look-ahead waits for
// a descriptor it can't get, the caller waits for it; a stop ends both waits, and the walk.
TEST(ReadAhead, StopWakesTheCallerWhereItWaitsForTheLookAhead) {
    TempTree tree;
    std::string nested;
    for (int i = 0; i < 300; ++i) {
        nested += (i ? "/d" : "d");
        tree.folder(nested + "/__MACOSX");
    }
    const int status = inChild([&] {
        ::alarm(20); // a wait that no stop ends fails the test, never hangs it
        AliasRecognizer recognizer;
        std::stop_source source;
        auto walk = PosixFolderWalk::open(tree.root(), recognizer, nullptr, true, 1);
        walk->stopOn(source.get_token());
        std::thread stopper([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            source.request_stop();
        });
        std::size_t entries = 0;
        for (WalkEntry entry; walk->next(entry);) {
            ++entries;
        }
        walk.reset();
        stopper.join();
        return entries > 0 ? 0 : 1;
    });
    EXPECT_EQ(status, 0) << "100: the walk never ended";
}

} // namespace
} // namespace korvex
