#include "JsonReport.h"

#include <cstring>
#include <map>

namespace korvex {

namespace {

// The length of the well-formed UTF-8 sequence at `at`, or 0.
std::size_t sequenceLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = lead < 0x80                   ? 1
                         : lead >= 0xC2 && lead < 0xE0 ? 2
                         : lead >= 0xE0 && lead < 0xF0 ? 3
                         : lead >= 0xF0 && lead < 0xF5 ? 4
                                                       : 0;
    if (length == 0 || at + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            return 0;
        }
    }
    // No overlong forms, no surrogates, nothing past U+10FFFF.
    if ((lead == 0xE0 && byte(at + 1) < 0xA0) || (lead == 0xED && byte(at + 1) >= 0xA0) ||
        (lead == 0xF0 && byte(at + 1) < 0x90) || (lead == 0xF4 && byte(at + 1) >= 0x90)) {
        return 0;
    }
    return length;
}

} // namespace

std::string JsonReport::quoted(std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string out = "\"";
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = sequenceLength(text, at);
        if (length == 0) {
            out += "\\ufffd";
            ++at;
            continue;
        }
        const char c = text[at];
        if (length > 1) {
            out.append(text.substr(at, length));
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            out += "\\u00";
            out += hex[(c >> 4) & 0xF];
            out += hex[c & 0xF];
        } else {
            out += c;
        }
        at += length;
    }
    out += '"';
    return out;
}

void JsonReport::write(std::ostream& out, const std::string& folder,
                       const std::vector<AliasRecord>& records, const ScanReport& report,
                       const RepairResult* repair, std::string_view time) {
    std::map<std::string, std::size_t> searched;
    if (repair && repair->index) {
        for (std::size_t i = 0; i < repair->index->aliases().size(); ++i) {
            searched[repair->index->aliases()[i].aliasPath] = i;
        }
    }
    std::map<std::string_view, const RelinkedAlias*> relinked;
    if (repair) {
        for (const RelinkedAlias& alias : repair->relinked) {
            relinked[alias.aliasPath] = &alias;
        }
    }
    std::map<AliasStatus, std::int64_t> counts;
    for (const AliasRecord& record : records) {
        ++counts[record.status];
        out << "{\"path\":" << quoted(record.path)
            << ",\"status\":" << quoted(statusWord(record.status));
        if (record.status == AliasStatus::unreadable) {
            // What could not be read, when not the alias itself, and the system's reason.
            std::string reason = record.reason;
            if (record.error != 0) {
                reason += reason.empty() ? "" : ": ";
                reason += std::strerror(record.error);
            }
            if (!reason.empty()) {
                out << ",\"reason\":" << quoted(reason);
            }
        }
        if (record.target) {
            out << ",\"target\":" << quoted(*record.target);
        }
        if (record.volume) {
            out << ",\"volume\":" << quoted(*record.volume);
        }
        if (record.status == AliasStatus::failed ||
            (record.status == AliasStatus::broken && !record.reason.empty())) {
            out << ",\"reason\":" << quoted(record.reason);
        }
        if (const auto found = relinked.find(record.path); found != relinked.end()) {
            out << ",\"written\":" << quoted(found->second->macPath)
                << ",\"local\":" << quoted(found->second->targetPath);
        }
        if (const auto found = searched.find(record.path); found != searched.end()) {
            out << ",\"candidates\":[";
            const char* comma = "";
            for (const Candidate& candidate : repair->index->candidates(found->second)) {
                out << comma << quoted(candidate.path);
                comma = ",";
            }
            out << ']';
        }
        out << "}\n";
    }
    out << "{\"summary\":{\"folder\":" << quoted(folder) << ",\"aliases\":" << report.aliasCount
        << ",\"broken\":" << report.brokenCount << ",\"refreshed\":" << report.rewrittenCount
        << ",\"relinked\":" << (repair ? repair->relinked.size() : 0)
        << ",\"unreadable\":" << counts[AliasStatus::unreadable]
        << ",\"failed\":" << counts[AliasStatus::failed] << ",\"problems\":" << report.problemCount
        << ",\"stopped\":" << (report.stopped ? "true" : "false") << ",\"time\":" << quoted(time)
        << ",\"mappings\":[";
    const char* comma = "";
    if (repair) {
        for (const SuggestedMapping& suggestion : repair->suggestions) {
            out << comma << "{\"mac\":" << quoted(suggestion.mapping.macPrefix)
                << ",\"local\":" << quoted(suggestion.mapping.localFolder)
                << ",\"fixes\":" << suggestion.fixes << '}';
            comma = ",";
        }
    }
    out << "]}}\n";
}

} // namespace korvex
