#include "TempTree.h"

#include "bookmark/BookmarkReader.h"
#include "bookmark/BookmarkWriter.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace korvex::test {

TempTree::TempTree() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/korvex-test-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        throw std::runtime_error("mkdtemp failed");
    }
    root_ = pattern;
}

TempTree::~TempTree() {
    std::error_code ignored;
    // Folders made unreadable or unwritable by a test must not stop the clean-up.
    for (auto it = std::filesystem::recursive_directory_iterator(
             root_, std::filesystem::directory_options::skip_permission_denied, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        }
    }
    std::filesystem::remove_all(root_, ignored);
}

std::string TempTree::path(const std::string& relative) const {
    return root_ + "/" + relative;
}

std::string TempTree::file(const std::string& relative, const std::string& content) const {
    const std::string full = path(relative);
    std::filesystem::create_directories(std::filesystem::path(full).parent_path());
    std::ofstream(full, std::ios::binary) << content;
    return full;
}

std::string TempTree::folder(const std::string& relative) const {
    const std::string full = path(relative);
    std::filesystem::create_directories(full);
    return full;
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return "<missing>";
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> componentsOf(const std::string& path) {
    std::vector<std::string> parts;
    std::stringstream in(path);
    std::string part;
    while (std::getline(in, part, '/')) {
        if (!part.empty()) {
            parts.push_back(part);
        }
    }
    return parts;
}

std::vector<std::uint8_t> aliasBytes(const std::string& targetPath, const std::string& volumePath,
                                     const std::string& volumeName) {
    bookmark::BookmarkInfo info;
    info.pathComponents = componentsOf(targetPath);
    info.volumePath = volumePath;
    info.volumeName = volumeName;
    info.volumeURL = "file://" + volumePath + (volumePath == "/" ? "" : "/");
    info.volumeUUID = "0A1B2C3D-0000-4000-8000-00000000CAFE";
    info.displayName = info.pathComponents.empty() ? volumeName : info.pathComponents.back();
    return bookmark::BookmarkWriter::write(info, bookmark::BookmarkContainer::aliasFile);
}

bookmark::BookmarkInfo infoOf(const std::vector<std::uint8_t>& bytes) {
    auto parsed = bookmark::BookmarkReader::read(bytes);
    return parsed ? bookmark::BookmarkInfo::from(parsed.value()) : bookmark::BookmarkInfo{};
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> readBytes(const std::string& path) {
    const std::string text = readAll(path);
    return {text.begin(), text.end()};
}

} // namespace korvex::test
