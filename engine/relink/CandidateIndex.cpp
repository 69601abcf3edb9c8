#include "CandidateIndex.h"

#include "PathText.h"

#include <algorithm>
#include <cmath>

namespace korvex {

CandidateIndex::CandidateIndex(std::vector<BrokenAlias> aliases)
    : aliases_(std::move(aliases)), found_(aliases_.size()) {
    for (std::size_t i = 0; i < aliases_.size(); ++i) {
        const std::string key = nameKey(aliases_[i].storedName());
        if (!key.empty()) {
            sketch_[sketchBit(key)] = true;
        }
        byName_[key].push_back(i);
        aliasPaths_.insert(aliases_[i].aliasPath);
    }
}

std::size_t CandidateIndex::sketchBit(std::string_view key) {
    // Length, first and last byte: cheap to take, and different enough between names.
    const auto first = static_cast<unsigned char>(key.front());
    const auto last = static_cast<unsigned char>(key.back());
    return ((key.size() & 0x3F) << 10 | (first & 0x1F) << 5 | (last & 0x1F)) % sketchBits;
}

bool CandidateIndex::wants(std::string_view name) const {
    if (byName_.empty() || name.empty()) {
        return false;
    }
    // Most names are ASCII: their key is as long as they are, and is made without allocating.
    thread_local std::string key;
    key.clear();
    for (const char c : name) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return byName_.count(nameKey(name)) > 0;
        }
        key += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    if (!sketch_[sketchBit(key)]) {
        return false; // no wanted key of this length that begins and ends so
    }
    return byName_.count(key) > 0;
}

bool CandidateIndex::better(const Candidate& a, const Candidate& b) {
    if (a.otherOwner != b.otherOwner) {
        return !a.otherOwner;
    }
    if (a.match != b.match) {
        return a.match < b.match;
    }
    if (a.sharedTail != b.sharedTail) {
        return a.sharedTail > b.sharedTail;
    }
    return a.date > b.date;
}

std::optional<Candidate> CandidateIndex::rank(const BrokenAlias& alias, const FoundEntry& entry) {
    const std::vector<std::string_view> parts = splitNonEmpty(entry.path, '/');
    if (parts.empty() || alias.storedComponents.empty()) {
        return std::nullopt;
    }
    Candidate candidate;
    candidate.match = matchName(alias.storedName(), parts.back());
    if (candidate.match == NameMatch::none ||
        (alias.isDirectory && *alias.isDirectory != entry.isDirectory)) {
        return std::nullopt;
    }
    candidate.path = entry.path;
    candidate.isDirectory = entry.isDirectory;
    candidate.birthTime = entry.birthTime;
    candidate.otherOwner = alias.owner && entry.owner && *alias.owner != *entry.owner;
    const std::size_t most = std::min(parts.size(), alias.storedComponents.size());
    while (
        candidate.sharedTail < most &&
        matchName(alias.storedComponents[alias.storedComponents.size() - 1 - candidate.sharedTail],
                  parts[parts.size() - 1 - candidate.sharedTail]) != NameMatch::none) {
        ++candidate.sharedTail;
    }
    if (alias.creationDate && entry.birthTime) {
        candidate.date = std::fabs(*alias.creationDate - *entry.birthTime) <= dateTolerance
                             ? DateAgreement::agree
                             : DateAgreement::differ;
    }
    return candidate;
}

void CandidateIndex::offer(const FoundEntry& entry) {
    if (aliasPaths_.count(entry.path)) {
        return;
    }
    const auto bucket = byName_.find(nameKey(lastComponent(entry.path)));
    if (bucket == byName_.end()) {
        return;
    }
    for (const std::size_t index : bucket->second) {
        std::optional<Candidate> candidate = rank(aliases_[index], entry);
        if (!candidate) {
            continue;
        }
        std::vector<Candidate>& list = found_[index];
        // Sorted best first, equal ranks in path order, so that the outcome doesn't depend on
        // the order of the walk.
        const auto at = std::upper_bound(list.begin(), list.end(), *candidate,
                                         [](const Candidate& a, const Candidate& b) {
                                             if (better(a, b) || better(b, a)) {
                                                 return better(a, b);
                                             }
                                             return a.path < b.path;
                                         });
        if (at - list.begin() < static_cast<std::ptrdiff_t>(kept)) {
            list.insert(at, std::move(*candidate));
            if (list.size() > kept) {
                list.pop_back();
            }
        }
    }
}

const Candidate* CandidateIndex::singleBest(std::size_t index) const {
    const std::vector<Candidate>& list = found_[index];
    if (list.empty() || (list.size() > 1 && list[0].ranksLike(list[1]))) {
        return nullptr;
    }
    return &list[0];
}

} // namespace korvex
