// korvex-scan --suggest, --relink, --json and --undo-relink in-process, on a temporary tree.
#include "CommandLine.h"
#include "JsonReport.h"
#include "PosixAliasPlatform.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sstream>

namespace korvex {
namespace {

using test::readBytes;

// A strict JSON reader that only says whether `text` is one well-formed value.
class JsonChecker {
public:
    static bool valid(std::string_view text) {
        JsonChecker c;
        c.s = text;
        return c.value() && (c.space(), c.at == text.size());
    }

private:
    std::string_view s;
    std::size_t at = 0;
    void space() {
        while (at < s.size() && (s[at] == ' ' || s[at] == '\n')) {
            ++at;
        }
    }
    bool eat(char c) {
        space();
        return at < s.size() && s[at] == c ? (++at, true) : false;
    }
    bool string() {
        if (!eat('"')) {
            return false;
        }
        while (at < s.size() && s[at] != '"') {
            if (static_cast<unsigned char>(s[at]) < 0x20) {
                return false;
            }
            if (s[at] == '\\') {
                ++at;
                if (at < s.size() && s[at] == 'u') {
                    at += 4;
                } else if (at >= s.size() ||
                           std::string_view("\"\\/bfnrt").find(s[at]) == std::string_view::npos) {
                    return false;
                }
            }
            ++at;
        }
        return eat('"');
    }
    bool value() {
        space();
        if (at >= s.size()) {
            return false;
        }
        if (s[at] == '"') {
            return string();
        }
        if (s[at] == '{' || s[at] == '[') {
            const bool object = s[at++] == '{';
            if (eat(object ? '}' : ']')) {
                return true;
            }
            do {
                if (object && !(string() && eat(':'))) {
                    return false;
                }
                if (!value()) {
                    return false;
                }
            } while (eat(','));
            return eat(object ? '}' : ']');
        }
        const std::size_t start = at;
        while (at < s.size() && (std::isalnum(static_cast<unsigned char>(s[at])) || s[at] == '-')) {
            ++at;
        }
        return at > start;
    }
};

class RepairCommandTest : public ::testing::Test {
protected:
    test::TempTree tree;
    std::string folder = tree.path("scan");

    void SetUp() override {
        alias("a", "/Volumes/Archive/P/a.pdf", "/Volumes/Archive", "Archive");
        alias("b", "/Volumes/Archive/Q/b.pdf", "/Volumes/Archive", "Archive");
        tree.file("scan/vol/P/a.pdf");
        tree.file("scan/vol/Q/b.pdf");
        alias("c", folder + "/old/c.txt");
        tree.file("scan/new/c.txt");
        alias("e", folder + "/e.txt");
        tree.file("scan/x/e.txt");
        tree.file("scan/y/e.txt");
        alias("gone", folder + "/gone.txt");
        alias("fine", folder + "/new/c.txt");
    }
    void alias(const std::string& name, const std::string& stored, const std::string& volume = "/",
               const std::string& volumeName = "Macintosh HD") {
        tree.file("scan/aliases/" + name + " alias", test::aliasBytes(stored, volume, volumeName));
    }
    std::string aliasPath(const std::string& name) const {
        return folder + "/aliases/" + name + " alias";
    }
    int run(std::vector<std::string> args, std::string& out,
            CommandLine::PlatformFactory makePlatform = nullptr, std::stop_token stop = {}) {
        CommandLine::Environment environment{tree.root(), false, std::move(makePlatform),
                                             {},          stop,  tree.path("journal")};
        std::ostringstream o, e;
        const int status = CommandLine(environment).run(args, o, e);
        out = o.str() + e.str();
        return status;
    }
    std::string after(const std::string& text, const std::string& marker) {
        const std::size_t at = text.find(marker);
        return at == std::string::npos ? "<none>" : text.substr(at);
    }
    /// The JSON line of the alias `name`, or "<none>".
    std::string jsonLine(const std::string& out, const std::string& name) {
        std::istringstream lines(out);
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("{\"path\":\"" + aliasPath(name) + "\"", 0) == 0) {
                return line;
            }
        }
        return "<none>";
    }
};

// Every replacement of a file ends in a refused rename, as on a file system gone read-only.
struct ReadOnlyRenames : FileCalls {
    int renameat(int, const char*, int, const char*) override {
        errno = EROFS;
        return -1;
    }
};

TEST_F(RepairCommandTest, SuggestListsCandidatesBestFirstAndTheMapping) {
    std::string out;
    EXPECT_EQ(run({"--suggest", "scan"}, out), 1);
    EXPECT_EQ(after(out, "\n\nPossible new targets:\n"),
              "\n\nPossible new targets:\n" + aliasPath("a") + "\n  -> " + folder +
                  "/vol/P/a.pdf\n" + aliasPath("b") + "\n  -> " + folder + "/vol/Q/b.pdf\n" +
                  aliasPath("c") + "\n  -> " + folder + "/new/c.txt\n" + aliasPath("e") +
                  "\n  -> " + folder + "/x/e.txt\n  -> " + folder + "/y/e.txt\n" +
                  "Suggested path mapping: --map /Volumes/Archive=" + folder +
                  "/vol (fixes 2 aliases)\n");
}

TEST_F(RepairCommandTest, RelinkThenUndo) {
    const test::Bytes before = readBytes(aliasPath("c"));
    std::string out;
    EXPECT_EQ(run({"--relink", "scan"}, out), 1); // a, b, e and gone are left broken
    EXPECT_EQ(after(out, "\n\nRelinked"),
              "\n\nRelinked 1 aliases.\n" + aliasPath("c") + " -> " + folder + "/new/c.txt\n");
    EXPECT_EQ(run({"--suggest", "--json", "scan"}, out), 1);
    EXPECT_NE(out.find("\"broken\":4,"), std::string::npos) << out;

    EXPECT_EQ(run({"--undo-relink", "scan"}, out), 0);
    EXPECT_EQ(out, "Restored 1 aliases.\n" + aliasPath("c") + "\n");
    EXPECT_EQ(readBytes(aliasPath("c")), before);
}

TEST_F(RepairCommandTest, UndoOfAFolderWithoutRecordsNamesThoseWithRecords) {
    std::string out;
    EXPECT_EQ(run({"--relink", "scan"}, out), 1);
    EXPECT_EQ(run({"--undo-relink", "scan/aliases"}, out), 0);
    EXPECT_EQ(out, "Restored 0 aliases.\nNo relinks to undo in " + folder +
                       "/aliases; the relink journal has relinks to undo in:\n  " + folder + "\n");
}

TEST_F(RepairCommandTest, AJournalThatCantBeWrittenFailsTheRelinkAndTheUndo) {
    tree.folder("journal"); // a folder where the file should be
    const test::Bytes before = readBytes(aliasPath("c"));
    std::string out;
    EXPECT_EQ(run({"--relink", "scan"}, out), 3);
    EXPECT_NE(out.find("Couldn't use the relink journal " + tree.path("journal")),
              std::string::npos)
        << out;
    EXPECT_EQ(readBytes(aliasPath("c")), before);
    EXPECT_EQ(run({"--undo-relink", "scan"}, out), 3);
    EXPECT_EQ(out.rfind("Couldn't read the relink journal " + tree.path("journal"), 0), 0u) << out;
}

TEST_F(RepairCommandTest, JsonIsOneValidObjectPerAliasThenTheSummary) {
    alias("odd \"name\"\n\xff", folder + "/gone too");
    std::string out;
    EXPECT_EQ(run({"--relink", "--json", "scan"}, out), 1);
    std::istringstream lines(out);
    std::string line;
    std::vector<std::string> objects;
    while (std::getline(lines, line)) {
        EXPECT_TRUE(JsonChecker::valid(line)) << line;
        objects.push_back(line);
    }
    ASSERT_EQ(objects.size(), 8u) << out; // seven aliases and the summary
    EXPECT_EQ(objects[0].rfind("{\"path\":\"" + aliasPath("a") +
                                   "\",\"status\":\"broken\",\"target\":\"/Volumes/Archive/P/"
                                   "a.pdf\",\"volume\":\"Archive\",\"candidates\":[\"" +
                                   folder + "/vol/P/a.pdf\"]}",
                               0),
              0u)
        << objects[0];
    EXPECT_NE(out.find("\"status\":\"relinked\""), std::string::npos);
    EXPECT_NE(out.find("\"status\":\"ok\""), std::string::npos);
    EXPECT_NE(out.find("odd \\\"name\\\"\\n\\ufffd alias"), std::string::npos);
    EXPECT_EQ(objects.back().rfind("{\"summary\":{\"folder\":\"" + folder +
                                       "\",\"aliases\":7,\"broken\":6,\"refreshed\":0,"
                                       "\"relinked\":1,\"unreadable\":0,\"failed\":0,",
                                   0),
              0u)
        << objects.back();
    EXPECT_NE(objects.back().find("\"mappings\":[{\"mac\":\"/Volumes/Archive\",\"local\":\"" +
                                  folder + "/vol\",\"fixes\":2}]"),
              std::string::npos);
}

// A relink writes the Mac's path into the alias: both reports say which, and where that is here.
TEST_F(RepairCommandTest, RelinkReportsShowTheMacPathWritten) {
    alias("m", "/Volumes/Archive/P/m.pdf", "/Volumes/Archive", "Archive");
    tree.file("scan/vol/R/m.pdf"); // moved on the volume, which lives in scan/vol here
    const std::string map = "/Volumes/Archive=" + folder + "/vol";
    std::string out;
    EXPECT_EQ(run({"--relink", "--json", "--map", map, "scan"}, out), 1); // e and gone are left
    EXPECT_EQ(jsonLine(out, "m"), "{\"path\":\"" + aliasPath("m") +
                                      "\",\"status\":\"relinked\",\"target\":\"/Volumes/"
                                      "Archive/P/m.pdf\",\"volume\":\"Archive\",\"written\":\"/"
                                      "Volumes/Archive/R/m.pdf\",\"local\":\"" +
                                      folder + "/vol/R/m.pdf\",\"candidates\":[\"" + folder +
                                      "/vol/R/m.pdf\"]}");

    EXPECT_EQ(run({"--undo-relink", "scan"}, out), 0);
    EXPECT_EQ(run({"--relink", "--map", map, "scan"}, out), 1);
    EXPECT_EQ(after(out, "\n\nRelinked"), "\n\nRelinked 2 aliases.\n" + aliasPath("c") + " -> " +
                                              folder + "/new/c.txt\n" + aliasPath("m") +
                                              " -> /Volumes/Archive/R/m.pdf (here: " + folder +
                                              "/vol/R/m.pdf)\n");
}

// A relink that fails is "failed" with its reason, in both reports, and counted once.
TEST_F(RepairCommandTest, AFailedRelinkSaysSoAndWhy) {
    // The relink sidecar of c can't be written where a folder has its name: c stays as it is.
    std::filesystem::create_directories(aliasPath("c") + "-korvex-relink.text");
    const test::Bytes before = readBytes(aliasPath("c"));
    std::string out;
    EXPECT_EQ(run({"--relink", "--mark", "--json", "scan"}, out), 3);
    const std::string c = jsonLine(out, "c");
    EXPECT_NE(c.find("\"status\":\"failed\",\"target\":\"" + folder +
                     "/old/c.txt\",\"volume\":\"Macintosh HD\",\"reason\":\"its sidecar "
                     "(-korvex-relink.text) couldn't be written: its name is taken by something "
                     "other than a plain file\""),
              std::string::npos)
        << c;
    EXPECT_NE(out.find("\"relinked\":0,\"unreadable\":0,\"failed\":1,\"problems\":0,"
                       "\"stopped\":false,"),
              std::string::npos)
        << out;
    EXPECT_EQ(readBytes(aliasPath("c")), before);

    EXPECT_EQ(run({"--relink", "--mark", "scan"}, out), 3);
    EXPECT_EQ(after(out, "\n\nRelinked"), "\n\nRelinked 0 aliases.\nCouldn't relink " +
                                              aliasPath("c") +
                                              ": its sidecar (-korvex-relink.text) couldn't "
                                              "be written: its name is taken by something "
                                              "other than a plain file\n");
}

// The JSON tells apart what is damaged, what is missing and what could not be read, and why.
TEST(JsonReportReasons, DamagedMissingAndUnreadableEachSayWhatTheyAre) {
    std::vector<AliasRecord> records(5);
    const auto make = [&](std::size_t i, const char* path, AliasStatus status, int error,
                          const char* reason) {
        records[i].path = path;
        records[i].status = status;
        records[i].error = error;
        records[i].reason = reason;
    };
    make(0, "/d", AliasStatus::broken, 0, "its bookmark data is damaged or of an unknown kind");
    make(1, "/m", AliasStatus::broken, 0, "");
    make(2, "/u", AliasStatus::unreadable, EIO, "");
    make(3, "/t", AliasStatus::unreadable, EACCES, "its target couldn't be looked for");
    make(4, "/f", AliasStatus::failed, 0, "it couldn't be written: No space left on device");
    std::ostringstream out;
    JsonReport::write(out, "/", records, ScanReport(), nullptr, "now");
    std::istringstream lines(out.str());
    std::vector<std::string> objects;
    for (std::string line; std::getline(lines, line);) {
        objects.push_back(line);
    }
    ASSERT_EQ(objects.size(), 6u) << out.str();
    EXPECT_EQ(objects[0], "{\"path\":\"/d\",\"status\":\"broken\",\"reason\":\"its bookmark "
                          "data is damaged or of an unknown kind\"}");
    EXPECT_EQ(objects[1], "{\"path\":\"/m\",\"status\":\"broken\"}");
    EXPECT_EQ(objects[2], "{\"path\":\"/u\",\"status\":\"unreadable\",\"reason\":\"" +
                              std::string(std::strerror(EIO)) + "\"}");
    EXPECT_EQ(objects[3], "{\"path\":\"/t\",\"status\":\"unreadable\",\"reason\":\"its target "
                          "couldn't be looked for: " +
                              std::string(std::strerror(EACCES)) + "\"}");
    EXPECT_EQ(objects[4], "{\"path\":\"/f\",\"status\":\"failed\",\"reason\":\"it couldn't be "
                          "written: No space left on device\"}");
}

// A refresh that fails is "failed" with the system's reason.
TEST_F(RepairCommandTest, AFailedRefreshSaysWhy) {
    ReadOnlyRenames calls;
    std::string out;
    EXPECT_EQ(run({"--rewrite", "--json", "scan"}, out,
                  [&](std::vector<PathMapping> mappings) {
                      return std::make_shared<PosixAliasPlatform>(std::move(mappings),
                                                                  MountTable::readSystem, calls);
                  }),
              3);
    EXPECT_NE(jsonLine(out, "fine").find("\"status\":\"failed\""), std::string::npos) << out;
    EXPECT_NE(jsonLine(out, "fine")
                  .find("\"reason\":\"it couldn't be written: " +
                        std::string(std::strerror(EROFS)) + "\""),
              std::string::npos)
        << out;
}

TEST_F(RepairCommandTest, AStoppedJsonRunSaysSo) {
    std::stop_source stop;
    stop.request_stop();
    std::string out;
    EXPECT_EQ(run({"--json", "scan"}, out, nullptr, stop.get_token()), CommandLine::interrupted);
    EXPECT_NE(out.find("\"stopped\":true,"), std::string::npos) << out;
}

// Every name the command line prints, shown escaped: no control byte but the line feeds
// between lines, and ordinary UTF-8 left alone.
void expectNoControlBytes(const std::string& text) {
    for (char byte : text) {
        const auto b = static_cast<unsigned char>(byte);
        ASSERT_TRUE(b == '\n' || (b >= 0x20 && b != 0x7F)) << "byte " << int(b) << " in\n" << text;
    }
}

TEST_F(RepairCommandTest, NamesWithTerminalEscapesArePrintedEscapedInEveryOutput) {
    // ESC sequences (erase the line above), an OSC title, CR, LF, a C1 CSI and a bad byte.
    const std::string hostile = "h\x1b[1A\x1b[2K\x1b]0;t\x07\r\n\xc2\x9b"
                                "2J\xff";
    const std::string shown = "h\\u{1B}[1A\\u{1B}[2K\\u{1B}]0;t\\u{7}\\r\\n\\u{9B}2J\\xFF";
    alias(hostile, folder + "/old/" + hostile + ".txt");
    tree.file("scan/new/" + hostile + ".txt");
    const std::string aliasShown = folder + "/aliases/" + shown + " alias";
    const std::string targetShown = folder + "/new/" + shown + ".txt";

    std::string out;
    EXPECT_EQ(run({"scan"}, out), 1);
    expectNoControlBytes(out);
    EXPECT_NE(out.find("\n" + aliasShown + "\n"), std::string::npos) << out;

    EXPECT_EQ(run({"--suggest", "scan"}, out), 1);
    expectNoControlBytes(out);
    EXPECT_NE(after(out, "Possible new targets:").find(aliasShown + "\n  -> " + targetShown + "\n"),
              std::string::npos)
        << out;

    EXPECT_EQ(run({"--relink", "scan"}, out), 1);
    expectNoControlBytes(out);
    EXPECT_NE(after(out, "Relinked").find(aliasShown + " -> " + targetShown + "\n"),
              std::string::npos)
        << out;

    EXPECT_EQ(run({"--inspect", "scan/aliases/" + hostile + " alias"}, out), 0);
    expectNoControlBytes(out);
    EXPECT_EQ(out.rfind(aliasShown + ":\n", 0), 0u) << out;

    EXPECT_EQ(run({"--undo-relink", "scan"}, out), 0);
    expectNoControlBytes(out);
    EXPECT_NE(out.find("\n" + aliasShown + "\n"), std::string::npos) << out;

    // Ordinary names of any script are printed as they are.
    alias("Café 😀 日本", folder + "/gone/Café.txt");
    EXPECT_EQ(run({"scan"}, out), 1);
    EXPECT_NE(out.find("\n" + aliasPath("Café 😀 日本") + "\n"), std::string::npos) << out;
}

TEST_F(RepairCommandTest, WrongArguments) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--undo-relink", "--relink", "scan"},
                                               {"--suggest", "--inspect", "x"},
                                               {"--search"},
                                               {"--undo-relink"},
                                               {"--undo-relink", "--json", "scan"},
                                               {"--undo-relink", "--mark", "scan"},
                                               {"--undo-relink", "--rewrite", "scan"},
                                               {"--undo-relink", "--map", "/a=/b", "scan"},
                                               {"--undo-relink", "--search", "x", "scan"},
                                               {"--any-owner", "scan"}}) {
        std::string out;
        EXPECT_EQ(run(args, out), 2) << args[0];
    }
}

} // namespace
} // namespace korvex
