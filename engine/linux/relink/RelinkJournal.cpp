#include "RelinkJournal.h"

#include "FileDescriptor.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvex {

namespace {

bool writeAll(int fd, std::string_view text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

// An absolute folder of the user running, from the environment variable `name`.
std::string ownFolder(const char* name) {
    const char* value = std::getenv(name);
    struct stat st {};
    if (!value || value[0] != '/' || ::stat(value, &st) != 0 || !S_ISDIR(st.st_mode) ||
        st.st_uid != ::geteuid()) {
        return {};
    }
    return value;
}

// The journal is a regular file of the user running: nobody else's file is read or written.
bool ownRegularFile(int fd, std::string& why) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        why = std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        why = "not a regular file of this user";
        return false;
    }
    return true;
}

} // namespace

RelinkJournal::RelinkJournal(std::string filePath, std::size_t lineLimit)
    : filePath_(std::move(filePath)), lineLimit_(lineLimit) {}

std::string RelinkJournal::defaultFilePath() {
    if (const std::string data = ownFolder("XDG_DATA_HOME"); !data.empty()) {
        return data + "/korvex/relink-journal";
    }
    std::string home = ownFolder("HOME");
    if (home.empty()) {
        if (const passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_dir) {
            home = entry->pw_dir;
        }
    }
    return home.empty() ? std::string() : home + "/.local/share/korvex/relink-journal";
}

bool RelinkJournal::makeFolder() const {
    if (filePath_.empty()) {
        return false;
    }
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(filePath_).parent_path(), error);
    return !error;
}

bool RelinkJournal::usable(std::string& why) const {
    if (!makeFolder()) {
        why = filePath_.empty() ? "no home folder" : "its folder can't be made";
        return false;
    }
    FileDescriptor fd(
        ::open(filePath_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd) {
        why = std::strerror(errno);
        return false;
    }
    if (!ownRegularFile(fd.get(), why)) {
        return false;
    }
    Reading reading;
    return read([](Entry&&) {}, reading, why);
}

bool RelinkJournal::appendLine(const std::string& line, std::uint64_t& offset) const {
    if (!makeFolder()) {
        return false;
    }
    FileDescriptor fd(
        ::open(filePath_.c_str(), O_RDWR | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    std::string why;
    if (!fd || !ownRegularFile(fd.get(), why)) {
        return false;
    }
    // Held until the descriptor closes: another run appends before or after, never between.
    while (::flock(fd.get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        return false;
    }
    offset = static_cast<std::uint64_t>(st.st_size);
    // A line cut short by an earlier failure (a full disk) is ended first, so that it can't
    // swallow this one.
    char last = '\n';
    if (st.st_size > 0 && ::pread(fd.get(), &last, 1, st.st_size - 1) != 1) {
        return false;
    }
    if (last != '\n') {
        if (!writeAll(fd.get(), "\n")) {
            return false;
        }
        ++offset;
    }
    return writeAll(fd.get(), line) && ::fdatasync(fd.get()) == 0 && fd.close();
}

std::optional<std::uint64_t> RelinkJournal::append(const RelinkRecord& record) const {
    std::uint64_t offset = 0;
    if (!appendLine(record.journalLine(), offset)) {
        return std::nullopt;
    }
    return offset;
}

bool RelinkJournal::settle(std::uint64_t offset) const {
    std::uint64_t ignored = 0;
    return appendLine(RelinkRecord::settledLine(offset), ignored);
}

bool RelinkJournal::read(const std::function<void(Entry&&)>& each, Reading& reading,
                         std::string& why) const {
    if (filePath_.empty()) {
        return true;
    }
    FileDescriptor fd(::open(filePath_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (!fd) {
        if (errno == ENOENT) {
            return true;
        }
        why = std::strerror(errno);
        return false;
    }
    if (!ownRegularFile(fd.get(), why)) {
        return false;
    }
    std::string line;
    bool overlong = false;
    std::uint64_t lineStart = 0, at = 0;
    auto finish = [&] {
        if (overlong) {
            ++reading.unreadableLines;
        } else if (std::optional<std::uint64_t> settled = RelinkRecord::settledOffset(line)) {
            reading.settled.insert(*settled);
        } else if (std::optional<RelinkRecord> record =
                       RelinkRecord::fromJournalLine(line, false)) {
            each({lineStart, line.size() + 1, std::move(*record)});
        } else if (!line.empty()) {
            ++reading.unreadableLines;
        }
        line.clear();
        overlong = false;
    };
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            why = std::strerror(errno);
            return false;
        }
        if (got == 0) {
            // A last line without its line feed is being written, or was cut short: no record.
            return true;
        }
        std::string_view chunk(buffer.data(), static_cast<std::size_t>(got));
        while (!chunk.empty()) {
            const std::size_t end = chunk.find('\n');
            const std::string_view part = chunk.substr(0, end);
            if (!overlong && line.size() + part.size() > lineLimit_) {
                overlong = true;
                line.clear();
            }
            if (!overlong) {
                line.append(part);
            }
            if (end == std::string_view::npos) {
                at += chunk.size();
                break;
            }
            at += end + 1;
            finish();
            lineStart = at;
            chunk.remove_prefix(end + 1);
        }
    }
}

std::optional<RelinkRecord> RelinkJournal::recordAt(const Entry& entry) const {
    FileDescriptor fd(::open(filePath_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    std::string why;
    if (!fd || !ownRegularFile(fd.get(), why) || entry.length == 0 ||
        entry.length > lineLimit_ + 1) {
        return std::nullopt;
    }
    std::string line(entry.length, '\0');
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t got = ::pread(fd.get(), line.data() + done, line.size() - done,
                                    static_cast<off_t>(entry.offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return std::nullopt;
        }
        done += static_cast<std::size_t>(got);
    }
    if (line.back() != '\n') {
        return std::nullopt;
    }
    line.pop_back();
    std::optional<RelinkRecord> record = RelinkRecord::fromJournalLine(line, true);
    if (!record || record->folder != entry.record.folder ||
        record->relativePath != entry.record.relativePath ||
        record->afterDigest != entry.record.afterDigest) {
        return std::nullopt;
    }
    return record;
}

} // namespace korvex
