#include "RelinkRecord.h"

#include "Base64.h"
#include "TextFields.h"

#include <charconv>

namespace korvex {

namespace {

constexpr std::string_view beforeLabel = "Bookmark data before the relink: ";
constexpr std::string_view afterLabel = "Bookmark data after the relink: ";
// Earlier versions: "relink", folder, path, old data, new data (base64).
constexpr std::string_view firstTag = "relink";
// "relink2", folder, path, folder device:inode, alias device:inode, old digest, new digest,
// old data (base64).
constexpr std::string_view recordTag = "relink2";
constexpr std::string_view settledTag = "settled";

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

bool number(std::string_view text, std::uint64_t& into) {
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), into);
    return status == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool pair(std::string_view text, std::uint64_t& first, std::uint64_t& second) {
    const std::size_t colon = text.find(':');
    return colon != std::string_view::npos && number(text.substr(0, colon), first) &&
           number(text.substr(colon + 1), second);
}

} // namespace

RelinkRecord RelinkRecord::of(std::string folder, std::string relativePath, BookmarkData before,
                              BookmarkData after) {
    RelinkRecord record;
    record.folder = std::move(folder);
    record.relativePath = std::move(relativePath);
    record.beforeDigest = sha256(before);
    record.afterDigest = sha256(after);
    record.before = std::move(before);
    record.after = std::move(after);
    return record;
}

std::string RelinkRecord::sidecarBeforeLine() const {
    return std::string(beforeLabel) + base64Encode(before);
}

std::string RelinkRecord::sidecarLines() const {
    std::string text = sidecarBeforeLine();
    text += '\n';
    text += afterLabel;
    text += base64Encode(after);
    text += '\n';
    return text;
}

std::string RelinkRecord::journalLine() const {
    std::string line(recordTag);
    for (const std::string& part :
         {escaped(folder), escaped(relativePath),
          std::to_string(folderDevice) + ':' + std::to_string(folderInode),
          std::to_string(aliasDevice) + ':' + std::to_string(aliasInode), digestHex(beforeDigest),
          digestHex(afterDigest), base64Encode(before)}) {
        line += '\t';
        line += part;
    }
    line += '\n';
    return line;
}

std::optional<RelinkRecord> RelinkRecord::fromJournalLine(std::string_view line, bool withData) {
    const std::vector<std::string_view> fields = split(line, '\t');
    RelinkRecord record;
    if (fields.size() == 5 && fields[0] == firstTag) {
        std::optional<BookmarkData> before = base64Decode(fields[3]);
        std::optional<BookmarkData> after = base64Decode(fields[4]);
        if (!before || !after || before->empty() || after->empty()) {
            return std::nullopt;
        }
        record.beforeDigest = sha256(*before);
        record.afterDigest = sha256(*after);
        if (withData) {
            record.before = std::move(*before);
        }
    } else if (fields.size() == 8 && fields[0] == recordTag) {
        if (!pair(fields[3], record.folderDevice, record.folderInode) ||
            !pair(fields[4], record.aliasDevice, record.aliasInode) ||
            !digestFromHex(fields[5], record.beforeDigest) ||
            !digestFromHex(fields[6], record.afterDigest) || fields[7].empty()) {
            return std::nullopt;
        }
        if (withData) {
            std::optional<BookmarkData> before = base64Decode(fields[7]);
            if (!before || sha256(*before) != record.beforeDigest) {
                return std::nullopt;
            }
            record.before = std::move(*before);
        }
    } else {
        return std::nullopt;
    }
    std::optional<std::string> folder = unescaped(fields[1]);
    std::optional<std::string> relative = unescaped(fields[2]);
    if (!folder || !relative || folder->empty() || relative->empty()) {
        return std::nullopt;
    }
    record.folder = std::move(*folder);
    record.relativePath = std::move(*relative);
    return record;
}

std::string RelinkRecord::settledLine(std::uint64_t offset) {
    return std::string(settledTag) + '\t' + std::to_string(offset) + '\n';
}

std::optional<std::uint64_t> RelinkRecord::settledOffset(std::string_view line) {
    const std::vector<std::string_view> fields = split(line, '\t');
    std::uint64_t offset = 0;
    if (fields.size() != 2 || fields[0] != settledTag || !number(fields[1], offset)) {
        return std::nullopt;
    }
    return offset;
}

} // namespace korvex
