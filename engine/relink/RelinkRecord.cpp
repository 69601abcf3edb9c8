#include "RelinkRecord.h"

#include "Base64.h"
#include "TextFields.h"

namespace korvex {

namespace {

constexpr std::string_view beforeLabel = "Bookmark data before the relink: ";
constexpr std::string_view afterLabel = "Bookmark data after the relink: ";
constexpr std::string_view journalTag = "relink";

// Paths are bytes: only the journal's own separators are escaped.
std::string escaped(std::string_view text) {
    std::string out;
    appendEscapedField(out, text);
    return out;
}

std::optional<std::string> unescaped(std::string_view text) {
    std::string out;
    if (!unescapeField(text, out)) {
        return std::nullopt;
    }
    return out;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string_view::npos ? at : at - start));
        if (at == std::string_view::npos) {
            return parts;
        }
        start = at + 1;
    }
}

} // namespace

std::string RelinkRecord::sidecarLines() const {
    std::string text(beforeLabel);
    text += base64Encode(before);
    text += '\n';
    text += afterLabel;
    text += base64Encode(after);
    text += '\n';
    return text;
}

std::optional<RelinkRecord> RelinkRecord::fromSidecar(std::string_view text) {
    std::optional<BookmarkData> before, after;
    for (const std::string_view line : split(text, '\n')) {
        if (line.substr(0, beforeLabel.size()) == beforeLabel) {
            before = base64Decode(line.substr(beforeLabel.size()));
        } else if (line.substr(0, afterLabel.size()) == afterLabel) {
            after = base64Decode(line.substr(afterLabel.size()));
        }
    }
    if (!before || !after || before->empty() || after->empty()) {
        return std::nullopt;
    }
    RelinkRecord record;
    record.before = std::move(*before);
    record.after = std::move(*after);
    return record;
}

std::string RelinkRecord::journalLine() const {
    std::string line(journalTag);
    for (const std::string& part :
         {escaped(folder), escaped(relativePath), base64Encode(before), base64Encode(after)}) {
        line += '\t';
        line += part;
    }
    line += '\n';
    return line;
}

std::vector<RelinkRecord> RelinkRecord::fromJournal(std::string_view text) {
    std::vector<RelinkRecord> records;
    for (const std::string_view line : split(text, '\n')) {
        const std::vector<std::string_view> fields = split(line, '\t');
        if (fields.size() != 5 || fields[0] != journalTag) {
            continue;
        }
        std::optional<std::string> folder = unescaped(fields[1]);
        std::optional<std::string> relative = unescaped(fields[2]);
        std::optional<BookmarkData> before = base64Decode(fields[3]);
        std::optional<BookmarkData> after = base64Decode(fields[4]);
        if (folder && relative && before && after && !before->empty() && !after->empty()) {
            records.push_back(
                {std::move(*folder), std::move(*relative), std::move(*before), std::move(*after)});
        }
    }
    return records;
}

} // namespace korvex
