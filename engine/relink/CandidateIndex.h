#pragma once

#include "BrokenAlias.h"
#include "NameKey.h"

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace korvex {

/// An entry found on this machine whose name some broken alias wants.
struct FoundEntry {
    std::string path; ///< absolute
    bool isDirectory = false;
    /// Creation date (seconds since 2001-01-01 UTC): the one Samba keeps for its SMB clients,
    /// else the file system's birth time; none when neither is kept.
    std::optional<double> birthTime;
    /// The user owning it, when known.
    std::optional<std::uint32_t> owner = std::nullopt;
};

/// Whether the stored creation date and the birth time found agree.
enum class DateAgreement { differ, unknown, agree };

/// A possible new target of one broken alias, with what ranks it.
struct Candidate {
    std::string path;
    bool isDirectory = false;
    std::optional<double> birthTime;
    NameMatch match = NameMatch::none;
    /// Trailing path components shared with the stored path (the name included).
    std::size_t sharedTail = 0;
    DateAgreement date = DateAgreement::unknown;
    /// Owned by another user than the alias (both owners known).
    bool otherOwner = false;

    /// Same rank: neither is a better guess than the other.
    bool ranksLike(const Candidate& other) const {
        return otherOwner == other.otherOwner && match == other.match &&
               sharedTail == other.sharedTail && date == other.date;
    }
};

/// The candidate search of a set of broken aliases. Knows which names the aliases want, takes
/// the entries of one walk of the search scope, and keeps for each alias its best few
/// candidates, so memory grows with the number of broken aliases, never with the tree.
///
/// Ranking, best first: whether the candidate belongs to the user owning the alias (a stranger
/// may plant a file of the right name in a shared tree: one of the owner's own always wins); how
/// well the name matches (exact bytes, then equal in any Unicode normalisation, then equal ignoring
/// case); then how many trailing path components the candidate shares with the stored path (a moved
/// volume or renamed parent keeps the tail intact, a same-named stranger elsewhere shares only the
/// name); then whether the creation date agrees (the same file keeps its birth time through a move;
/// a file system that keeps none neither helps nor hurts). Kinds must agree (folder or not) where
/// the alias says.
class CandidateIndex {
public:
    /// The most candidates kept per alias.
    static constexpr std::size_t kept = 8;
    /// Creation dates this close (seconds) agree: FAT and SMB round to two seconds.
    static constexpr double dateTolerance = 2.0;

    explicit CandidateIndex(std::vector<BrokenAlias> aliases);

    const std::vector<BrokenAlias>& aliases() const { return aliases_; }

    /// Whether some alias wants an entry of this name. Cheap: called for every entry walked,
    /// by several threads at once.
    bool wants(std::string_view name) const;

    /// Considers an entry (whose name `wants`); the aliases themselves are never candidates.
    void offer(const FoundEntry& entry);

    /// The candidates of alias `index`, best first.
    const std::vector<Candidate>& candidates(std::size_t index) const { return found_[index]; }

    /// The one best candidate of alias `index`; none when there is none or several rank alike.
    const Candidate* singleBest(std::size_t index) const;

    /// How `entry` ranks as a candidate of `alias`; none when it can't be its target.
    static std::optional<Candidate> rank(const BrokenAlias& alias, const FoundEntry& entry);

    /// Whether `a` is a better guess than `b`.
    static bool better(const Candidate& a, const Candidate& b);

private:
    std::vector<BrokenAlias> aliases_;
    std::unordered_map<std::string, std::vector<std::size_t>> byName_;
    // One bit per (length, first byte, last byte) of the ASCII keys wanted: most names walked
    // are turned away by it before any hashing.
    static constexpr std::size_t sketchBits = 1 << 16;
    static std::size_t sketchBit(std::string_view key);
    std::bitset<sketchBits> sketch_;
    std::unordered_set<std::string> aliasPaths_;
    std::vector<std::vector<Candidate>> found_;
};

} // namespace korvex
