#pragma once

#include "AliasPlatform.h"
#include "Arguments.h"
#include "StopFlag.h"
#include "TextCatalog.h"

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace korvex {

/// korvex-scan as a whole, minus the process: arguments in, streams out, exit status back.
///   korvex-scan [--mark] [--rewrite] [--map MAC=LOCAL]... FOLDER
///   korvex-scan --inspect FILE...  |  --demo  |  --help  |  --version
///   korvex-scan --resolve [--map MAC=LOCAL]... ALIAS...
/// The scan report goes to `out` byte for byte as the window shows it, then one line feed;
/// messages, usage and the progress line go to `err`. Exit status: 0 nothing broken, 1 broken
/// aliases found (or a file that --inspect couldn't read), 2 the folder can't be walked or the
/// arguments are wrong; `interrupted` when `Environment::stop` ended the scan early (the report
/// of what was done is printed all the same).
class CommandLine {
public:
    using PlatformFactory =
        std::function<std::shared_ptr<AliasPlatform>(std::vector<PathMapping> mappings)>;

    struct Environment {
        /// Relative paths are taken from here.
        std::string currentFolder;
        /// Draw a live progress line on `err` (it is a terminal).
        bool showProgress = false;
        /// Makes the platform a scan runs on; default: the Linux platform.
        PlatformFactory makePlatform;
        /// The user's stored path mappings; the --map flags are tried before them.
        std::vector<PathMapping> storedMappings;
        /// Ends a scan, a search, a relink or an undo early (SIGINT, SIGTERM): the report of
        /// what was done then says so.
        StopFlag stop;
        /// Where relinks made without --mark are journalled for --undo-relink; empty: the
        /// user's data folder.
        std::string relinkJournal;
        /// False: every thread the system would give is needed elsewhere (no thread watches
        /// for signals, so nothing may wait for another thread): the work is done on the
        /// caller's thread alone, and `err` says so.
        bool helperThreads = true;
        /// The language of the report and the messages (usage too); it outlives the command.
        const TextCatalog* catalog = &TextCatalog::english();
    };

    explicit CommandLine(Environment environment);

    /// Runs the command `args` (without the program name).
    int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

    /// The exit statuses.
    static constexpr int nothingBroken = 0;
    static constexpr int brokenFound = 1;
    static constexpr int failed = 2;
    /// The report holds lines of things that could not be done ("Couldn't read ...", ...).
    static constexpr int problemsFound = 3;
    /// The scan was stopped; the program turns it into 128 + the signal's number.
    static constexpr int interrupted = 130;

    static std::string usage(const TextCatalog& catalog = TextCatalog::english());

private:
    int runAction(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
    int written(std::ostream& out, std::ostream& err, int status) const;
    const TextCatalog& catalog() const { return *environment_.catalog; }
    int scan(const Arguments& arguments, const std::string& folder, std::ostream& out,
             std::ostream& err);
    int inspect(const Arguments& arguments, std::ostream& out, std::ostream& err);
    int demo(const Arguments& arguments, std::ostream& out, std::ostream& err);
    int resolve(const Arguments& arguments, std::ostream& out, std::ostream& err);

    Environment environment_;
    bool toldShortage_ = false; // of threads: said once per run
};

} // namespace korvex
