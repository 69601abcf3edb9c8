#include "MovedTargetsSearch.h"

#include "AliasScanner.h"
#include "MacPathFinder.h"
#include "PosixAliasPlatform.h"

namespace korvex {

namespace {

struct NoAnswer : ScanResponder {
    void scanFinished(std::shared_ptr<ScanReport>) override {}
    void folderNotFound() override {}
};

} // namespace

std::shared_ptr<MovedTargetsSession> MovedTargetsSearch::run(const std::string& folder, bool mark,
                                                             std::vector<PathMapping> mappings,
                                                             const StopFlag& stop) {
    auto session = std::make_shared<MovedTargetsSession>();
    session->request.folder = folder;
    session->request.mappings = mappings;
    session->request.relink = true;
    session->request.mark = mark;
    // Opened before the walk: the relink reaches the aliases from this very folder.
    session->relinker = std::make_shared<AliasRelinker>(folder);
    session->mounts = MountTable::readSystem();
    PosixAliasPlatform platform(mappings);
    ScanRecorder recorder(platform, folder, false);
    NoAnswer answer;
    AliasScanner(recorder).runScan(scanOptionsForFolder(folder), std::make_shared<ScanReport>(),
                                   answer, stop);
    recorder.finish();
    session->result = AliasRepair::search(session->request, recorder, session->mounts, stop);
    const MacPathFinder finder(mappings, session->mounts);
    const CandidateIndex& index = *session->result.index;
    for (std::size_t i = 0; i < index.aliases().size(); ++i) {
        std::vector<bool> leads;
        for (const Candidate& candidate : index.candidates(i)) {
            leads.push_back(finder.macPath(index.aliases()[i], candidate.path).has_value());
        }
        session->leadsBack.push_back(std::move(leads));
    }
    return session;
}

} // namespace korvex
