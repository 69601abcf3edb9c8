#include "MappingSuggester.h"

#include "PathText.h"

#include <algorithm>
#include <map>
#include <utility>

namespace korvex {

namespace {

std::string joinedPrefix(const std::vector<std::string_view>& parts, std::size_t count) {
    std::string path;
    for (std::size_t i = 0; i < count; ++i) {
        path += '/';
        path += parts[i];
    }
    return path.empty() ? "/" : path;
}

} // namespace

std::vector<SuggestedMapping> MappingSuggester::suggest(const CandidateIndex& index,
                                                        const std::vector<PathMapping>& existing) {
    std::map<std::pair<std::string, std::string>, std::size_t> counts;
    for (std::size_t i = 0; i < index.aliases().size(); ++i) {
        const Candidate* best = index.singleBest(i);
        // Only a tail that matches byte for byte resolves under a mapping as it stands.
        if (!best || best->match != NameMatch::exact) {
            continue;
        }
        const BrokenAlias& alias = index.aliases()[i];
        const std::vector<std::string_view> local = splitNonEmpty(best->path, '/');
        std::vector<std::string_view> stored(alias.storedComponents.begin(),
                                             alias.storedComponents.end());
        std::size_t tail = 0;
        while (tail < stored.size() && tail < local.size() &&
               stored[stored.size() - 1 - tail] == local[local.size() - 1 - tail]) {
            ++tail;
        }
        if (tail == 0 || tail == stored.size() || tail == local.size()) {
            continue; // nothing left to map: one of the prefixes would be the root
        }
        std::string macPrefix = joinedPrefix(stored, stored.size() - tail);
        std::string localFolder = joinedPrefix(local, local.size() - tail);
        if (macPrefix != localFolder) {
            ++counts[{std::move(macPrefix), std::move(localFolder)}];
        }
    }

    std::vector<SuggestedMapping> suggestions;
    for (auto& [mapping, fixes] : counts) {
        PathMapping candidate{mapping.first, mapping.second};
        if (fixes >= leastFixes &&
            std::find(existing.begin(), existing.end(), candidate) == existing.end()) {
            suggestions.push_back({std::move(candidate), fixes});
        }
    }
    std::stable_sort(
        suggestions.begin(), suggestions.end(),
        [](const SuggestedMapping& a, const SuggestedMapping& b) { return a.fixes > b.fixes; });
    return suggestions;
}

} // namespace korvex
