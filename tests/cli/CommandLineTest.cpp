// korvex-scan in-process: arguments, the two streams and the exit status.
#include "CommandLine.h"
#include "Arguments.h"
#include "ClassicTestData.h"
#include "DemoFolder.h"
#include "FileCalls.h"
#include "MemoryAliasPlatform.h"
#include "PosixAliasPlatform.h"
#include "SignalStop.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace korvex {
namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

// An output that takes nothing, like stdout on a full disk or a closed pipe.
class LostOutput : public std::streambuf {
protected:
    int overflow(int) override { return traits_type::eof(); }
};

class CommandLineTest : public ::testing::Test {
protected:
    test::MemoryAliasPlatform memory;
    std::vector<std::vector<PathMapping>> mappingsSeen;
    bool progress = false;
    bool onDisk = false;             // the real platform instead of the in-memory one
    bool throws = false;             // the platform can't even be made
    std::vector<PathMapping> stored; // the user's saved mappings
    std::stop_token stop;

    Outcome run(std::vector<std::string> args, std::string currentFolder = "/home/me",
                bool outputLost = false) {
        CommandLine::Environment environment{
            std::move(currentFolder), progress, nullptr, stored, stop, std::string()};
        if (throws) {
            environment.makePlatform =
                [](std::vector<PathMapping>) -> std::shared_ptr<AliasPlatform> {
                throw std::length_error("basic_string::_M_create");
            };
        } else if (!onDisk) {
            environment.makePlatform = [this](std::vector<PathMapping> mappings) {
                mappingsSeen.push_back(mappings);
                return std::shared_ptr<AliasPlatform>(&memory, [](AliasPlatform*) {});
            };
        }
        std::ostringstream out, err;
        LostOutput nowhere;
        std::ostream lost(&nowhere);
        Outcome result;
        result.status = CommandLine(environment).run(args, outputLost ? lost : out, err);
        result.out = out.str();
        result.err = err.str();
        return result;
    }
};

TEST_F(CommandLineTest, ReportGoesToStdoutAsTheWindowShowsItAndTheStatusTellsIfAnythingBroke) {
    memory.folder = "/home/me/Mac stuff";
    memory.addAlias("fine alias", "/target");
    memory.addAlias("sub/old alias");
    Outcome result = run({"--mark", "--map", "/Volumes/A=/mnt/a", "--map=/Volumes/B=C=rel",
                          "--threads", "3", "--rewrite", "--threads=256", "Mac stuff/"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out.rfind("Scan of all Finder Aliases in the folder /home/me/Mac stuff:\n\n"
                               "Aliases found broken:\n/home/me/Mac stuff/sub/old alias\n\n"
                               "Found 1 broken Aliases, and rewrote 1, out of 2 scanned in "
                               "/home/me/Mac stuff\nChecked at ",
                               0),
              0u)
        << result.out;
    // Exactly one line feed after the report's last character.
    EXPECT_NE(result.out[result.out.size() - 2], '\n');
    EXPECT_EQ(result.out.back(), '\n');
    EXPECT_EQ(memory.texts.count("/home/me/Mac stuff/sub/old alias-korvex-broken.text"), 1u);
    EXPECT_EQ(mappingsSeen.at(0), (std::vector<PathMapping>{{"/Volumes/A", "/mnt/a"},
                                                            {"/Volumes/B", "/home/me/C=rel"}}));
    memory.entries.pop_back();
    EXPECT_EQ(run({"/home/me/./Mac stuff"}).status, 0);
    memory.folder = "/home/me/../x"; // ".." is kept: resolving it would need the links on the way
    EXPECT_EQ(run({"../x"}).status, 0);
}

TEST_F(CommandLineTest, NoFailureEndsWithASuccessStatus) {
    memory.folder = "/f";
    memory.addAlias("fine alias", "/target");
    memory.addAlias("gone alias");
    memory.unwritable.insert("/f/fine alias");
    memory.unwritable.insert("/f/gone alias-korvex-broken.text");
    // Things that couldn't be done win over broken aliases.
    EXPECT_EQ(run({"--rewrite", "/f"}).status, 3);
    EXPECT_EQ(run({"--mark", "/f"}).status, 3);
    EXPECT_EQ(run({"/f"}).status, 1);
    memory.entries.pop_back();
    EXPECT_EQ(run({"--rewrite", "/f"}).status, 3);
    EXPECT_EQ(run({"/f"}).status, 0);

    // Output that is lost, in every mode.
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"/f"}, {"--help"}, {"--version"}}) {
        Outcome lost = run(args, "/home/me", true);
        EXPECT_EQ(lost.status, 2) << args[0];
        EXPECT_NE(lost.err.find("couldn't write"), std::string::npos);
    }
    // An exception from anywhere is a failure with a message, not an abort.
    throws = true;
    Outcome thrown = run({"/f"});
    EXPECT_EQ(thrown.status, 2);
    EXPECT_NE(thrown.err.find("unexpected error: basic_string"), std::string::npos);
}

TEST_F(CommandLineTest, SavedMappingsAreUsedAfterTheOnesGivenWithMap) {
    memory.folder = "/f";
    stored = {{"/Volumes/A", "/srv/saved"}, {"/Volumes/C", "/srv/c"}};
    EXPECT_EQ(run({"/f"}).status, 0);
    EXPECT_EQ(run({"--map", "/Volumes/A=/mnt/given", "/f"}).status, 0);
    ASSERT_EQ(mappingsSeen.size(), 2u);
    EXPECT_EQ(mappingsSeen[0], stored);
    EXPECT_EQ(mappingsSeen[1],
              (std::vector<PathMapping>{{"/Volumes/A", "/mnt/given"}, stored[0], stored[1]}));
}

TEST_F(CommandLineTest, WrongArgumentsGiveStatus2AndTheUsageOnStderr) {
    // clang-format off
    const std::vector<std::vector<std::string>> wrong = {
        {}, {"a", "b"}, {""}, {"--frobnicate", "/f"}, {"--map"}, {"--map", "rel=/x", "/f"},
        {"--map", "/Volumes/X", "/f"}, {"--map", "/Volumes/X=", "/f"}, {"--inspect"},
        {"--demo", "/f"}, {"--threads", "/f"}, {"--threads", "0", "/f"}, {"--threads=257", "/f"},
        {"--threads", "4x", "/f"}, {"--threads", "-1", "/f"}, {"--threads"}};
    // clang-format on
    for (const std::vector<std::string>& args : wrong) {
        Outcome result = run(args);
        EXPECT_EQ(result.status, 2) << ::testing::PrintToString(args);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err.rfind("korvex-scan: ", 0), 0u);
        EXPECT_NE(result.err.find("Usage: korvex-scan"), std::string::npos);
    }
    EXPECT_TRUE(mappingsSeen.empty());
    EXPECT_EQ(Arguments::parse({"--threads", "3", "--threads=16", "/f"}, "/").threads, 16u);
    EXPECT_EQ(Arguments::parse({"/f"}, "/").threads, 0u); // the walk's default

    memory.folder = "/home/me/--mark"; // after "--", a folder may start with a dash
    EXPECT_EQ(run({"--", "--mark"}).status, 0);
    EXPECT_EQ(run({"--help"}).out, CommandLine::usage());
    EXPECT_EQ(run({"--version", "/f"}).out.rfind("korvex-scan 0.", 0), 0u);
}

TEST_F(CommandLineTest, ProgressLineStaysOnStderrAndIsErasedAtTheEnd) {
    memory.folder = "/f";
    for (int i = 0; i < 200; ++i)
        memory.addPlain("file " + std::to_string(i));
    progress = true;
    Outcome result = run({"/f"});
    EXPECT_EQ(result.out.find('\r'), std::string::npos);
    // Far too short for the engine's 100 ms: only the end counts are drawn, then erased.
    EXPECT_NE(result.err.find("\rExamined 200 entries, 0 Finder aliases"), std::string::npos);
    EXPECT_EQ(result.err.substr(result.err.size() - 4), "\r\x1b[K");
}

/// Sends the process a signal while the entry `at` is examined, and goes on only once the stop
/// it causes has been requested (the signal is handled on another thread).
class SignallingPlatform : public test::MemoryAliasPlatform {
public:
    std::string at;
    int signal = 0;
    std::stop_token stop;

    ReadResult<std::string_view> typeIdentifier(const FileUrl& item) override {
        if (item.path == folder + "/" + at) {
            ::kill(::getpid(), signal);
            for (int i = 0; i < 500 && !stop.stop_requested(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return MemoryAliasPlatform::typeIdentifier(item);
    }
};

TEST(CommandLineSignals, SigintAndSigtermPrintThePartialReportAndTellTheSignal) {
    for (auto [number, status] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
        SignallingPlatform platform;
        platform.folder = "/f";
        platform.addAlias("1 old");
        platform.addAlias("2 older");
        platform.addAlias("3 oldest");
        platform.at = "2 older";
        platform.signal = number;

        SignalStop signals;
        ASSERT_TRUE(signals.active());
        platform.stop = signals.token();
        CommandLine::Environment environment{"/", false, nullptr, {}, signals.token(), {}};
        environment.makePlatform = [&platform](std::vector<PathMapping>) {
            return std::shared_ptr<AliasPlatform>(&platform, [](AliasPlatform*) {});
        };
        std::ostringstream out, err;
        const int result = CommandLine(environment).run({"/f"}, out, err);
        ASSERT_EQ(result, CommandLine::interrupted);
        EXPECT_EQ(signals.signal(), number);
        EXPECT_EQ(signals.exitStatus(), status);
        EXPECT_NE(out.str().find("Aliases found broken:\n/f/1 old\n/f/2 older\n\nStopped before "
                                 "the end of the folder.\nFound 2 broken Aliases, and rewrote 0, "
                                 "out of 2 scanned in /f\n"),
                  std::string::npos)
            << out.str();
        EXPECT_EQ(err.str(), "");
    }
    // Once the object has gone, the usual handlers are back.
    struct sigaction now {};
    ::sigaction(SIGINT, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
}

// The signal comes while the first sidecar is written (raised on this thread: its handler runs
// before the write goes on). That sidecar is finished; no other is begun, whenever the thread
// that wakes waits gets a core.
class SignallingCalls : public FileCalls {
public:
    int signal = SIGINT;
    ssize_t write(int fd, const void* bytes, std::size_t count) override {
        if (signal != 0) {
            ::raise(std::exchange(signal, 0));
        }
        return FileCalls::write(fd, bytes, count);
    }
};

TEST(CommandLineSignals, SignalDuringAWriteLetsNoFurtherWriteStart) {
    for (auto [number, status] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
        test::TempTree tree;
        for (int i = 0; i < 8; ++i) {
            tree.file("a" + std::to_string(i) + " alias", test::aliasBytes("/nowhere/x"));
        }
        SignallingCalls calls;
        calls.signal = number;
        SignalStop signals;
        ASSERT_TRUE(signals.active());
        CommandLine::Environment environment{"/", false, nullptr, {}, signals.stop(), {}};
        environment.makePlatform = [&calls](std::vector<PathMapping> mappings) {
            return std::make_shared<PosixAliasPlatform>(std::move(mappings), MountTable::readSystem,
                                                        calls);
        };
        std::ostringstream out, err;
        ASSERT_EQ(CommandLine(environment).run({"--mark", tree.root()}, out, err),
                  CommandLine::interrupted);
        EXPECT_EQ(signals.exitStatus(), status);
        int sidecars = 0;
        for (const auto& entry : std::filesystem::directory_iterator(tree.root())) {
            sidecars += entry.path().string().ends_with("-korvex-broken.text");
        }
        EXPECT_EQ(sidecars, 1);
        EXPECT_NE(out.str().find("Stopped before the end of the folder.\nFound 1 broken"),
                  std::string::npos)
            << out.str();
    }
}

// korvex-scan as its main() runs it, where the system gives no thread at all (a process limit
// of an ordinary user): neither the signal watcher nor the walk's threads start, the report is
// whole and the user hears once why it took longer.
TEST(CommandLineThreads, ScanWithoutAnyThreadEndsWithItsReport) {
    test::TempTree tree;
    std::string error;
    ASSERT_TRUE(DemoFolder::fill(tree.root(), error)) << error;
    ::chmod(tree.root().c_str(), 0755);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(77);
        }
        const struct rlimit limit { 1, 1 };
        if (::setrlimit(RLIMIT_NPROC, &limit) != 0) {
            ::_exit(77);
        }
        try {
            std::thread([] {}).join();
            ::_exit(77); // threads still start: the limit does not hold here
        } catch (const std::system_error&) {
        }
        SignalStop signals;
        CommandLine::Environment environment{
            tree.root(), false, nullptr, {}, signals.stop(), {}, signals.wakesWaits()};
        std::ostringstream out, err;
        const int status =
            CommandLine(environment).run({"--threads", "8", "--suggest", "."}, out, err);
        const bool told = err.str() == "korvex-scan: couldn't start threads (Resource temporarily "
                                       "unavailable); scanning with 1 thread\n";
        const bool reported =
            out.str().find("Found 2 broken Aliases, and rewrote 0, out of 5 scanned in") !=
                std::string::npos &&
            out.str().find("Possible new targets:") != std::string::npos;
        ::_exit(status == 1 && told && reported ? 0 : 10 + status);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) {
        GTEST_SKIP() << "cannot limit the processes of an ordinary user here";
    }
    ASSERT_TRUE(WIFEXITED(status)) << "died of signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(CommandLineTest, InspectAndDemoWorkOnRealFiles) {
    onDisk = true;
    test::TempTree tree;
    std::string error;
    ASSERT_TRUE(DemoFolder::fill(tree.root(), error)) << error;
    Outcome scan = run({"."}, tree.root());
    EXPECT_EQ(scan.status, 1);
    EXPECT_NE(scan.out.find("broken:\n" + tree.path("Old/Budget 2019 alias\n") +
                            tree.path("Old/Plan alias\n\nFound 2 broken Aliases, and rewrote 0, "
                                      "out of 5 scanned in ")),
              std::string::npos)
        << scan.out;

    Outcome inspect = run({"--inspect", "Report alias", "Notes.txt", "Old"}, tree.root());
    EXPECT_EQ(inspect.status, 1);
    EXPECT_EQ(inspect.out.rfind(tree.path("Report alias:\n"), 0), 0u);
    EXPECT_NE(inspect.out.find(tree.path("Documents/Report.txt")), std::string::npos);
    EXPECT_NE(inspect.out.find(tree.path("Notes.txt:\n")), std::string::npos);
    EXPECT_NE(inspect.err.find("couldn't read " + tree.path("Old")), std::string::npos);
}

TEST_F(CommandLineTest, InspectReadsClassicAliasesThroughTheirCarriers) {
    onDisk = true;
    test::TempTree tree;
    const classictest::Bytes record =
        classictest::RecordBuilder().text(2, "Macintosh HD:Docs:Plan").build();
    tree.file("classic alias", "");
    if (!tree.xattr("classic alias", "user.com.apple.ResourceFork",
                    classictest::resourceFork({{classictest::alis, 0, record}}))) {
        GTEST_SKIP() << "the temporary folder keeps no user attributes";
    }
    tree.file("bare record", record);
    tree.file("forkless alias", "");

    Outcome inspect = run({"--inspect", "forkless alias"}, tree.root());
    EXPECT_EQ(inspect.status, 1);
    EXPECT_EQ(inspect.out, tree.path("forkless alias") +
                               ":\n  error: the data fork is empty and "
                               "no resource fork holds an alias record\n");
    // A fork that is there but damaged is said to be, with where: not "no fork".
    classictest::Bytes damaged = classictest::resourceFork({{classictest::alis, 0, record}});
    damaged.resize(damaged.size() - 40); // the map cut short
    tree.file("damaged fork", "");
    ASSERT_TRUE(tree.xattr("damaged fork", "user.com.apple.ResourceFork", damaged));
    inspect = run({"--inspect", "damaged fork"}, tree.root());
    EXPECT_EQ(inspect.status, 1);
    EXPECT_EQ(inspect.out.find("no resource fork holds"), std::string::npos) << inspect.out;
    EXPECT_NE(inspect.out.find(":\n  error: the data fork is empty\n  error: the resource fork in "
                               "the attribute user.com.apple.ResourceFork holds no alias record "
                               "that can be read: "),
              std::string::npos)
        << inspect.out;
    EXPECT_NE(inspect.out.find(" of the fork)\n"), std::string::npos) << inspect.out;

    inspect = run({"--inspect", "classic alias", "bare record"}, tree.root());
    EXPECT_EQ(inspect.status, 0) << inspect.err;
    for (const char* name : {"classic alias", "bare record"}) {
        EXPECT_NE(inspect.out.find(tree.path(name) + ":\n  kind: classic alias record (version 2)\n"
                                                     "  target: /Volumes/Macintosh HD/Docs/Plan\n"),
                  std::string::npos)
            << inspect.out;
    }
}

} // namespace
} // namespace korvex
