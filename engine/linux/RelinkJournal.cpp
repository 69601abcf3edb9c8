#include "RelinkJournal.h"

#include "FileDescriptor.h"
#include "RegularFileReader.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvex {

namespace {

bool writeAll(int fd, const std::string& text) {
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

} // namespace

RelinkJournal::RelinkJournal(std::string filePath) : filePath_(std::move(filePath)) {}

std::string RelinkJournal::defaultFilePath() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/') {
        return std::string(data) + "/korvex/relink-journal";
    }
    const char* home = std::getenv("HOME");
    std::string folder = home && home[0] == '/' ? home : "";
    if (folder.empty()) {
        if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) {
            folder = entry->pw_dir;
        }
    }
    return folder.empty() ? std::string() : folder + "/.local/share/korvex/relink-journal";
}

bool RelinkJournal::makeFolder() const {
    if (filePath_.empty()) {
        return false;
    }
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(filePath_).parent_path(), error);
    return !error;
}

bool RelinkJournal::append(const RelinkRecord& record) const {
    if (!makeFolder()) {
        return false;
    }
    FileDescriptor fd(
        ::open(filePath_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    return fd && writeAll(fd.get(), record.journalLine()) && ::fsync(fd.get()) == 0 && fd.close();
}

std::vector<RelinkRecord> RelinkJournal::load() const {
    std::optional<std::vector<std::uint8_t>> bytes =
        filePath_.empty() ? std::nullopt : RegularFileReader::read(filePath_, 64 << 20);
    if (!bytes) {
        return {};
    }
    return RelinkRecord::fromJournal(
        std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

bool RelinkJournal::replaceAll(const std::vector<RelinkRecord>& records) const {
    if (!makeFolder()) {
        return false;
    }
    std::string text;
    for (const RelinkRecord& record : records) {
        text += record.journalLine();
    }
    const std::string temporary = filePath_ + ".new";
    FileDescriptor fd(
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd || !writeAll(fd.get(), text) || ::fsync(fd.get()) != 0 || !fd.close()) {
        ::unlink(temporary.c_str());
        return false;
    }
    return ::rename(temporary.c_str(), filePath_.c_str()) == 0;
}

} // namespace korvex
