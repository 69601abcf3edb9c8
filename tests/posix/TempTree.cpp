#include "TempTree.h"

#include "bookmark/BookmarkReader.h"
#include "bookmark/BookmarkWriter.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace korvex::test {

namespace fs = std::filesystem;

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
    fs::remove_all(root_, ignored);
}

std::string TempTree::file(const std::string& relative, const std::string& content) const {
    const std::string full = path(relative);
    fs::create_directories(fs::path(full).parent_path());
    std::ofstream(full, std::ios::binary) << content;
    return full;
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return in ? text.str() : "<missing>";
}

Bytes readBytes(const std::string& path) {
    const std::string text = readAll(path);
    return {text.begin(), text.end()};
}

void writeBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

Bytes aliasBytes(const std::string& targetPath, const std::string& volumePath,
                 const std::string& volumeName) {
    bookmark::BookmarkInfo info;
    for (const auto& part : fs::path(targetPath)) {
        if (part != "/") {
            info.pathComponents.push_back(part.string());
        }
    }
    info.volumePath = volumePath;
    info.volumeName = volumeName;
    info.volumeUUID = "0A1B2C3D-0000-4000-8000-00000000CAFE";
    return bookmark::BookmarkWriter::write(info, bookmark::BookmarkContainer::aliasFile);
}

bookmark::BookmarkInfo infoOf(const Bytes& bytes) {
    auto parsed = bookmark::BookmarkReader::read(bytes);
    return parsed ? bookmark::BookmarkInfo::from(parsed.value()) : bookmark::BookmarkInfo{};
}

} // namespace korvex::test
