#include "AliasFileResolution.h"

#include "AliasDataReader.h"

#include <utility>

namespace korvex {

AliasFileResolution AliasFileResolution::resolve(AliasPlatform& platform, const std::string& path) {
    AliasFileResolution answer;
    const ReadResult<std::string_view> type = platform.typeIdentifier(fileUrlWithPath(path));
    if (type.unreadable()) {
        answer.outcome = Outcome::unreadable;
        answer.reason = type.failure().reason();
        return answer;
    }
    if (!type) {
        answer.outcome =
            type.failure().kind == ReadFailure::Kind::gone ? Outcome::missing : Outcome::notAlias;
        return answer;
    }
    if (*type != aliasFileType) {
        answer.outcome = Outcome::notAlias;
        return answer;
    }
    ReadResult<std::vector<std::uint8_t>> data = AliasDataReader::readPath(path);
    if (data.unreadable()) {
        answer.outcome = Outcome::unreadable;
        answer.reason = data.failure().reason();
        return answer;
    }
    if (!data) {
        // Gone between the two looks: no alias any more. Damaged: an alias leading nowhere.
        answer.outcome =
            data.failure().kind == ReadFailure::Kind::gone ? Outcome::notAlias : Outcome::broken;
        return answer;
    }
    answer.data = std::move(*data);
    bool isStale = false;
    ReadResult<FileUrl> resolved =
        platform.resolveBookmarkData(answer.data, resolutionOptions, isStale);
    if (resolved) {
        answer.outcome = Outcome::resolved;
        answer.target = std::move(resolved->path);
    } else if (resolved.unreadable()) {
        answer.outcome = Outcome::targetUnreadable;
        answer.reason = resolved.failure().reason();
    } else {
        answer.outcome = Outcome::broken;
    }
    return answer;
}

} // namespace korvex
