#include "CommandLine.h"

#include "AliasDataReader.h"
#include "AliasFileResolution.h"
#include "AliasScanner.h"
#include "BookmarkDescription.h"
#include "BookmarkInspection.h"
#include "DemoFolder.h"
#include "PosixAliasPlatform.h"
#include "PrintableText.h"
#include "ProgressLine.h"
#include "RegularFileReader.h"
#include "RepairCommand.h"
#include "ThreadStart.h"

#include <cstring>
#include <exception>

#ifndef KORVEX_VERSION
#define KORVEX_VERSION "unknown"
#endif

namespace korvex {

namespace {

/// Keeps the one answer of a scan; the scan runs on this thread, so it is there on return.
class ScanOutcome : public ScanResponder {
public:
    void scanFinished(std::shared_ptr<ScanReport> report) override { report_ = std::move(report); }
    void folderNotFound() override { report_.reset(); }

    const std::shared_ptr<ScanReport>& report() const { return report_; }

private:
    std::shared_ptr<ScanReport> report_;
};

} // namespace

CommandLine::CommandLine(Environment environment) : environment_(std::move(environment)) {
    if (!environment_.makePlatform) {
        environment_.makePlatform = [](std::vector<PathMapping> mappings) {
            return std::make_shared<PosixAliasPlatform>(std::move(mappings));
        };
    }
}

std::string CommandLine::usage(const TextCatalog& catalog) {
    std::string text = catalog.translate(
        "CommandLine",
        "Usage: korvex-scan [--mark] [--rewrite] [--map MAC=LOCAL]... [--threads N] FOLDER\n"
        "       korvex-scan --inspect FILE...\n"
        "       korvex-scan [--suggest | --relink [--any-owner]] [--json] [--search DIR]... "
        "FOLDER\n"
        "       korvex-scan --undo-relink FOLDER\n"
        "       korvex-scan --resolve [--map MAC=LOCAL]... ALIAS...\n"
        "       korvex-scan --demo [--mark] [--rewrite]\n"
        "       korvex-scan --help | --version\n"
        "\n"
        "Finds the broken macOS Finder aliases in FOLDER and every folder below it and\n"
        "prints the scan report. Nothing is mounted and nobody is asked.\n");
    text += '\n';
    text += catalog.translate(
        "CommandLine",
        "  --mark            write NAME-korvex-broken.text beside each broken alias, with\n"
        "                    what its bookmark data says\n"
        "  --rewrite         refresh every alias that still resolves (with --mark, write\n"
        "                    NAME-korvex-rewrite.text with the old data first)\n"
        "  --map MAC=LOCAL   look for targets stored below the Mac folder MAC below the\n"
        "                    folder LOCAL of this machine, e.g. /Volumes/Archive=/mnt/archive;\n"
        "                    may be given several times, the longest MAC is tried first\n"
        "  --threads N       read the tree ahead with N threads (1 to 256, default 12): a\n"
        "                    disk whose metadata is not in memory gets many requests at\n"
        "                    once; 1 reads nothing ahead. The report is the same with any N.\n"
        "                    The search of --suggest and --relink uses N threads too\n"
        "                    (default 4)\n"
        "  --suggest         after the report, list possible new targets of broken aliases\n"
        "                    and the path mappings that would fix several at once\n"
        "  --relink          relink every broken alias that has exactly one best candidate\n"
        "                    (with --mark, NAME-korvex-relink.text keeps the old data)\n"
        "  --any-owner       with --relink as root: relink an alias to a target of another\n"
        "                    user too (never done otherwise)\n"
        "  --search DIR      search DIR too for moved targets; may be given several times\n"
        "  --json            one JSON object per alias, then a summary, instead of the text\n"
        "  --undo-relink     give the aliases relinked in FOLDER their old data back, from\n"
        "                    the user's relink journal (goes with no other option)\n"
        "  --inspect FILE... print what the bookmark data (or the classic alias record) in\n"
        "                    each FILE says\n"
        "  --resolve ALIAS... print the path of each ALIAS's target on this machine, one\n"
        "                    line each, in order (empty when it has none), resolved as a\n"
        "                    scan does (--map and the saved path mappings too); a path\n"
        "                    with a control character (a line feed, ...) is not printed\n"
        "                    but named, escaped, on stderr, with status 3\n"
        "  --demo            make a folder of sample aliases in a temporary place and scan it\n"
        "  --help, --version\n");
    text += '\n';
    text += catalog.translate(
        "CommandLine",
        "Exit status: 0 nothing broken, 1 broken aliases found, 2 the folder can't be\n"
        "walked, the arguments are wrong or the output can't be written, 3 the report\n"
        "says that something couldn't be read or written (3 wins over 1); 130 or 143\n"
        "stopped by SIGINT or SIGTERM (the report of what was done is printed, marked as\n"
        "stopped; this wins over the others). With --resolve: 1 an alias is broken,\n"
        "2 an ALIAS is missing or no Finder alias, 3 an alias can't be read or its target's\n"
        "path can't be printed (3 wins over 2, 2 over 1).\n");
    return text;
}

int CommandLine::run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    // Threads the system refuses are done without; the first time, the user hears of it.
    toldShortage_ = false;
    ThreadStart::Listener previous =
        ThreadStart::setListener([this, &err](int error, std::string_view doing, std::size_t n) {
            if (!toldShortage_) {
                toldShortage_ = true;
                // The English of one thread is a text of its own: the sources have no plurals.
                const std::string pattern =
                    n == 1 ? catalog().translate("CommandLine",
                                                 "korvex-scan: couldn't start threads (%1); %2 "
                                                 "with 1 thread\n")
                           : catalog().translate("CommandLine",
                                                 "korvex-scan: couldn't start threads (%1); %2 "
                                                 "with %n threads\n",
                                                 nullptr, n);
                err << fillText(pattern,
                                {std::strerror(error),
                                 catalog().translate("ThreadStart", std::string(doing).c_str())});
            }
        });
    int status = failed;
    try {
        status = runAction(args, out, err);
    } catch (const std::exception& error) {
        err << fillText(
            catalog().translate("CommandLine", "korvex-scan: stopped by an unexpected error: %1\n"),
            {error.what()});
    } catch (...) {
        err << catalog().translate("CommandLine", "korvex-scan: stopped by an unexpected error\n");
    }
    ThreadStart::setListener(std::move(previous));
    return status;
}

// A status that claims success only if what was printed really reached the output.
int CommandLine::written(std::ostream& out, std::ostream& err, int status) const {
    out << std::flush;
    if (!out) {
        // A full disk or a closed pipe: the output was lost, which is no success.
        err << catalog().translate("CommandLine", "korvex-scan: couldn't write the output\n");
        return failed;
    }
    return status;
}

int CommandLine::runAction(const std::vector<std::string>& args, std::ostream& out,
                           std::ostream& err) {
    const Arguments arguments = Arguments::parse(args, environment_.currentFolder, catalog());
    if (!arguments.error.empty()) {
        err << "korvex-scan: " << arguments.error << "\n\n" << usage(catalog());
        return failed;
    }
    switch (arguments.action) {
    case Arguments::Action::help:
        out << usage(catalog());
        return written(out, err, nothingBroken);
    case Arguments::Action::version:
        out << "korvex-scan " << KORVEX_VERSION << '\n';
        return written(out, err, nothingBroken);
    case Arguments::Action::inspect:
        return inspect(arguments, out, err);
    case Arguments::Action::demo:
        return demo(arguments, out, err);
    case Arguments::Action::resolve:
        return resolve(arguments, out, err);
    case Arguments::Action::undoRelink:
        return written(out, err,
                       RepairCommand::undo(arguments, environment_.relinkJournal, environment_.stop,
                                           out, err, catalog()));
    case Arguments::Action::scan:
        break;
    }
    return scan(arguments, arguments.folder, out, err);
}

int CommandLine::scan(const Arguments& arguments, const std::string& folder, std::ostream& out,
                      std::ostream& err) {
    std::vector<PathMapping> mappings = arguments.mappings;
    mappings.insert(mappings.end(), environment_.storedMappings.begin(),
                    environment_.storedMappings.end());
    std::shared_ptr<AliasPlatform> platform = environment_.makePlatform(mappings);
    Arguments threaded = arguments;
    if (!environment_.helperThreads) {
        ThreadStart::tellShortage(KORVEX_TRANSLATE_NOOP("ThreadStart", "scanning"), 1);
        threaded.threads = 1; // the search's
    }
    if (auto* posix = dynamic_cast<PosixAliasPlatform*>(platform.get())) {
        if (!environment_.helperThreads) {
            posix->setWalkThreads(0);
        } else if (arguments.threads) {
            posix->setWalkThreads(arguments.threads);
        }
    }
    ProgressLine progress(err, environment_.showProgress, catalog());
    if (arguments.suggest || arguments.relink || arguments.json) {
        RepairCommand repair(threaded, folder, std::move(mappings), environment_.relinkJournal,
                             catalog());
        return written(out, err, repair.run(*platform, progress, environment_.stop, out, err));
    }
    AliasScanner scanner(*platform);
    ScanOutcome outcome;
    ScanOptions options = scanOptionsForFolder(folder, arguments.mark, arguments.rewrite);
    options.catalog = &catalog();
    scanner.runScan(options, std::make_shared<ScanReport>(), outcome, environment_.stop,
                    progress.enabled() ? &progress : nullptr);
    progress.finish();

    const std::shared_ptr<ScanReport>& report = outcome.report();
    if (!report) {
        err << catalog().translate("CommandLine", "Couldn't find that folder. Try again.\n");
        return failed;
    }
    // The report itself ends without a line feed (as in the window); a terminal wants one.
    out << report->reportText << '\n';
    return written(out, err,
                   report->stopped            ? interrupted
                   : report->problemCount > 0 ? problemsFound
                   : report->brokenCount > 0  ? brokenFound
                                              : nothingBroken);
}

int CommandLine::inspect(const Arguments& arguments, std::ostream& out, std::ostream& err) {
    int status = nothingBroken;
    bool first = true;
    for (const std::string& file : arguments.files) {
        if (environment_.stop.requested()) {
            out << std::flush;
            return interrupted;
        }
        if (!first) {
            out << '\n';
        }
        first = false;
        // Through the alias's carriers (bookmark data, else the classic record of its resource
        // fork); when neither reads, the file's own bytes, for the reader to say what is wrong.
        std::string damagedFork;
        ReadResult<std::vector<std::uint8_t>> read = AliasDataReader::readPath(file, &damagedFork);
        std::optional<std::vector<std::uint8_t>> bytes;
        if (read) {
            bytes = std::move(*read);
        } else if (!read.unreadable()) {
            bytes = RegularFileReader::read(file);
        }
        if (read.unreadable()) {
            err << fillText(
                catalog().translate("CommandLine", "korvex-scan: couldn't read %1: %2\n"),
                {printable(file), std::strerror(read.failure().error)});
            status = problemsFound;
            continue;
        }
        if (!bytes) {
            err << fillText(catalog().translate("CommandLine",
                                                "korvex-scan: couldn't read %1 (missing, not a "
                                                "regular file, or over 16 MiB)\n"),
                            {printable(file)});
            status = std::max(status, brokenFound);
            continue;
        }
        std::string text;
        const bool ok = !bytes->empty() && bookmark::BookmarkInspection::inspect(*bytes, text);
        if (bytes->empty()) {
            text = "  error: the data fork is empty and no resource fork holds an alias record\n";
        }
        if (!ok && !damagedFork.empty()) {
            // Not "no fork": there is one, and what is wrong with it is said.
            if (bytes->empty()) {
                text = "  error: the data fork is empty\n";
            }
            text += "  error: " + bookmark::BookmarkDescription::escaped(damagedFork) + "\n";
        }
        out << printable(file) << ":\n" << text;
        if (!text.empty() && text.back() != '\n') {
            out << '\n';
        }
        if (!ok) {
            status = std::max(status, brokenFound);
        }
    }
    return written(out, err, status);
}

namespace {

/// Whether `path` holds a control character (C0, DEL, or C1 in UTF-8): a line feed would make
/// two lines of one path for a script reading them, the others could rewrite a terminal.
bool holdsControl(std::string_view path) {
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto byte = static_cast<unsigned char>(path[i]);
        if (byte < 0x20 || byte == 0x7F ||
            (byte == 0xC2 && i + 1 < path.size() &&
             (static_cast<unsigned char>(path[i + 1]) & 0xE0) == 0x80)) {
            return true;
        }
    }
    return false;
}

} // namespace

// One line per alias, in order: its target's path raw (a script opens exactly it), or an empty
// line when there is none to print, and why on `err`.
int CommandLine::resolve(const Arguments& arguments, std::ostream& out, std::ostream& err) {
    std::vector<PathMapping> mappings = arguments.mappings;
    mappings.insert(mappings.end(), environment_.storedMappings.begin(),
                    environment_.storedMappings.end());
    std::shared_ptr<AliasPlatform> platform = environment_.makePlatform(std::move(mappings));
    int status = nothingBroken;
    for (const std::string& file : arguments.files) {
        if (environment_.stop.requested()) {
            out << std::flush;
            return interrupted;
        }
        const std::string shown = printable(file);
        AliasFileResolution resolution = AliasFileResolution::resolve(*platform, file);
        // The target's path, when there is one to print.
        std::string target;
        bool found = false;
        switch (resolution.outcome) {
        case AliasFileResolution::Outcome::resolved:
            target = std::move(resolution.target);
            found = true;
            break;
        case AliasFileResolution::Outcome::unreadable:
            err << fillText(
                catalog().translate("CommandLine", "korvex-scan: couldn't read %1: %2\n"),
                {shown, resolution.reason});
            status = problemsFound;
            break;
        case AliasFileResolution::Outcome::targetUnreadable:
            err << fillText(catalog().translate(
                                "CommandLine", "korvex-scan: couldn't read the target of %1: %2\n"),
                            {shown, resolution.reason});
            status = problemsFound;
            break;
        case AliasFileResolution::Outcome::missing:
            err << fillText(
                catalog().translate("CommandLine", "korvex-scan: there is no file %1\n"), {shown});
            status = std::max(status, failed);
            break;
        case AliasFileResolution::Outcome::notAlias:
            err << fillText(
                catalog().translate("CommandLine", "korvex-scan: %1 is no Finder alias\n"),
                {shown});
            status = std::max(status, failed);
            break;
        case AliasFileResolution::Outcome::broken:
            err << fillText(catalog().translate("CommandLine", "korvex-scan: %1 is broken\n"),
                            {shown});
            status = std::max(status, brokenFound);
            break;
        }
        if (found && holdsControl(target)) {
            err << fillText(catalog().translate("CommandLine",
                                                "korvex-scan: the target of %1 has a control "
                                                "character in its path, not printed: %2\n"),
                            {shown, printable(target)});
            status = problemsFound;
            found = false;
        }
        if (found) {
            out << target;
        }
        out << '\n';
    }
    return written(out, err, status);
}

int CommandLine::demo(const Arguments& arguments, std::ostream& out, std::ostream& err) {
    std::string error;
    const std::optional<std::string> folder = DemoFolder::make(error);
    if (!folder) {
        err << "korvex-scan: " << error << '\n';
        return failed;
    }
    out << fillText(
        catalog().translate("CommandLine", "Made a demo folder of Finder aliases in %1\n\n"),
        {*folder});
    const int status = scan(arguments, *folder, out, err);
    if (status == failed || status == interrupted) {
        return status;
    }
    out << fillText(
        catalog().translate("CommandLine", "\nThe demo folder stays in %1; remove it when done.\n"),
        {*folder});
    // The demo did what it is for: broken aliases in it are expected, not a failure; things
    // that could not be done are.
    return written(out, err, status == problemsFound ? problemsFound : nothingBroken);
}

} // namespace korvex
