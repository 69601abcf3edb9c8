#include "RepairCommand.h"

#include "AliasRepair.h"
#include "AliasScanner.h"
#include "CommandLine.h"
#include "JsonReport.h"
#include "PathOrder.h"
#include "PrintableText.h"
#include "RelinkSummary.h"
#include "RelinkUndo.h"

#include <ctime>
#include <map>

namespace korvex {

namespace {

constexpr std::size_t candidatesShown = 3;
/// Folders named when the one asked to undo has no relinks left.
constexpr std::size_t foldersNamed = 20;

std::string journalFile(const std::string& given) {
    return given.empty() ? RelinkJournal::defaultFilePath() : given;
}

class Outcome : public ScanResponder {
public:
    void scanFinished(std::shared_ptr<ScanReport> report) override { report_ = std::move(report); }
    void folderNotFound() override { report_.reset(); }
    std::shared_ptr<ScanReport> report_;
};

std::string utcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    ::gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

void writeSuggestions(std::ostream& out, const RepairResult& result) {
    out << "\nPossible new targets:\n";
    const CandidateIndex& index = *result.index;
    std::map<std::string, std::size_t> byPath;
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < index.aliases().size(); ++i) {
        if (!index.candidates(i).empty()) {
            byPath[index.aliases()[i].aliasPath] = i;
            paths.push_back(index.aliases()[i].aliasPath);
        }
    }
    sortPaths(paths); // in the order of the report's list
    for (const std::string& path : paths) {
        out << printable(path) << '\n';
        const std::vector<Candidate>& candidates = index.candidates(byPath[path]);
        for (std::size_t k = 0; k < candidates.size() && k < candidatesShown; ++k) {
            out << "  -> " << printable(candidates[k].path) << '\n';
        }
    }
    if (paths.empty()) {
        out << "None found.\n";
    }
    for (const SuggestedMapping& suggestion : result.suggestions) {
        out << "Suggested path mapping: --map " << printable(suggestion.mapping.macPrefix) << '='
            << printable(suggestion.mapping.localFolder) << " (fixes " << suggestion.fixes
            << " aliases)\n";
    }
}

} // namespace

RepairCommand::RepairCommand(const Arguments& arguments, std::string folder,
                             std::vector<PathMapping> mappings, std::string journalPath)
    : arguments_(arguments), folder_(std::move(folder)), mappings_(std::move(mappings)),
      journalPath_(std::move(journalPath)) {}

int RepairCommand::run(AliasPlatform& platform, ProgressLine& progress, const StopFlag& stop,
                       std::ostream& out, std::ostream& err) {
    // Opened before the walk: a relink reaches the aliases from this very folder.
    std::unique_ptr<AliasRelinker> relinker;
    if (arguments_.relink) {
        relinker = std::make_unique<AliasRelinker>(folder_);
    }
    ScanRecorder recorder(platform, folder_, arguments_.json);
    Outcome outcome;
    AliasScanner(recorder).runScan(
        scanOptionsForFolder(folder_, arguments_.mark, arguments_.rewrite),
        std::make_shared<ScanReport>(), outcome, stop, progress.enabled() ? &progress : nullptr);
    recorder.finish();
    progress.finish();
    const std::shared_ptr<ScanReport> report = outcome.report_;
    if (!report) {
        err << "Couldn't find that folder. Try again.\n";
        return 2;
    }

    std::optional<RepairResult> repair;
    // A stopped scan has not met every broken alias: nothing is searched or relinked then.
    if (!report->stopped && (arguments_.suggest || arguments_.relink)) {
        RepairRequest request;
        request.folder = folder_;
        request.mappings = mappings_;
        request.searchFolders = arguments_.searchFolders;
        request.relink = arguments_.relink;
        request.mark = arguments_.mark;
        request.journalPath = journalPath_;
        request.anyOwner = arguments_.anyOwner;
        request.threads = arguments_.threads;
        repair =
            AliasRepair::run(request, recorder, relinker.get(), MountTable::readSystem(), stop);
    }

    if (arguments_.json) {
        JsonReport::write(out, folder_, recorder.records(), *report, repair ? &*repair : nullptr,
                          utcNow());
    } else {
        out << report->reportText << '\n';
        if (repair && arguments_.suggest) {
            writeSuggestions(out, *repair);
        }
        if (repair && arguments_.relink) {
            out << '\n' << RelinkSummary::text(*repair);
            if (!repair->journalProblem.empty()) {
                out << "Couldn't use the relink journal " << printable(journalFile(journalPath_))
                    << " (" << printable(repair->journalProblem) << "): nothing was relinked\n";
            }
        } else if (repair) {
            // Without relinks, what the search couldn't read (the summary lists it otherwise).
            for (const std::string& path : repair->unreadable) {
                out << "Couldn't read " << printable(path) << '\n';
            }
        }
        if (repair && repair->stopped) {
            out << (repair->searched ? "Stopped before the end of the relinks.\n"
                                     : "Stopped before the end of the search.\n");
        }
    }
    if (report->stopped || (repair && repair->stopped)) {
        return CommandLine::interrupted;
    }
    const std::int64_t left =
        report->brokenCount - static_cast<std::int64_t>(repair ? repair->relinked.size() : 0);
    if (report->problemCount > 0 ||
        (repair && (!repair->failed.empty() || !repair->unreadable.empty() ||
                    !repair->journalProblem.empty() || RelinkSummary::sidecarFailed(*repair)))) {
        return 3;
    }
    return left > 0 ? 1 : 0;
}

int RepairCommand::undo(const Arguments& arguments, const std::string& journalPath,
                        const StopFlag& stop, std::ostream& out, std::ostream& err) {
    const RelinkJournal journal(journalFile(journalPath));
    UndoResult result;
    if (!RelinkUndo::run(arguments.folder, journal, result, stop)) {
        err << "Couldn't find that folder. Try again.\n";
        return 2;
    }
    if (!result.journalProblem.empty()) {
        out << "Couldn't read the relink journal " << printable(journal.filePath()) << " ("
            << printable(result.journalProblem) << "): nothing was restored\n";
        return 3;
    }
    out << "Restored " << result.restored.size() << " aliases.\n";
    for (const std::string& path : result.restored) {
        out << printable(path) << '\n';
    }
    for (const std::string& path : result.changed) {
        out << "Left as it is (changed since the relink): " << printable(path) << '\n';
    }
    for (const std::string& path : result.failed) {
        out << "Couldn't restore " << printable(path) << '\n';
    }
    if (result.stopped) {
        out << "Stopped before the end of the undo; the rest is left for another one.\n";
        return CommandLine::interrupted;
    }
    if (result.unreadableLines > 0) {
        out << "Couldn't read " << result.unreadableLines << " lines of the relink journal "
            << printable(journal.filePath()) << '\n';
    }
    if (!result.foldersWithRecords.empty()) {
        out << "No relinks to undo in " << printable(arguments.folder)
            << "; the relink journal has relinks to undo in:\n";
        for (std::size_t i = 0; i < result.foldersWithRecords.size(); ++i) {
            if (i == foldersNamed) {
                out << "  and " << result.foldersWithRecords.size() - i << " more\n";
                break;
            }
            out << "  " << printable(result.foldersWithRecords[i]) << '\n';
        }
    }
    return result.failed.empty() && result.unreadableLines == 0 ? 0 : 3;
}

} // namespace korvex
