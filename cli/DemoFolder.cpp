#include "DemoFolder.h"

#include "BookmarkWriter.h"
#include "FileDescriptor.h"
#include "MountTable.h"
#include "PathText.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace korvex {

namespace {

constexpr double appleEpoch = 978307200.0; // 2001-01-01 in Unix time

// FinderInfo of an alias: type 'alis', creator 'MACS', Finder flags with kIsAlias (0x8000).
std::vector<std::uint8_t> aliasFinderInfo() {
    std::vector<std::uint8_t> info(32, 0);
    std::memcpy(info.data(), "alisMACS", 8);
    info[8] = 0x80;
    return info;
}

// An AppleDouble version 2 file holding only the FinderInfo entry (id 9).
std::vector<std::uint8_t> appleDoubleWith(const std::vector<std::uint8_t>& finderInfo) {
    constexpr std::uint8_t header[] = {0x00, 0x05, 0x16, 0x07, 0x00, 0x02, 0x00, 0x00};
    constexpr std::uint8_t entry[] = {0, 0, 0, 9, 0, 0, 0, 38, 0, 0, 0, 32}; // id, offset, length
    std::vector<std::uint8_t> bytes(38 + 32, 0); // 16 filler bytes after the header
    std::memcpy(bytes.data(), header, sizeof header);
    bytes[25] = 1; // one entry
    std::memcpy(bytes.data() + 26, entry, sizeof entry);
    std::memcpy(bytes.data() + 38, finderInfo.data(), std::min<std::size_t>(finderInfo.size(), 32));
    return bytes;
}

bool writeFile(const std::string& path, const void* data, std::size_t size) {
    FileDescriptor fd(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!fd) {
        return false;
    }
    const bool ok = ::write(fd.get(), data, size) == static_cast<ssize_t>(size);
    return fd.close() && ok;
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    return writeFile(path, bytes.data(), bytes.size());
}

bool writeFile(const std::string& path, const std::string& text) {
    return writeFile(path, text.data(), text.size());
}

std::vector<std::string> componentsOf(const std::string& path) {
    const std::vector<std::string_view> parts = splitNonEmpty(path, '/');
    return {parts.begin(), parts.end()};
}

enum class Carrier { xattr, sidecar, contentOnly };

struct Volume {
    std::string path;
    std::string name;
};

bool makeAlias(const std::string& aliasPath, const std::string& targetPath, const Volume& volume,
               Carrier carrier) {
    bookmark::BookmarkInfo info;
    info.pathComponents = componentsOf(targetPath);
    info.volumePath = volume.path;
    info.volumeName = volume.name;
    info.volumeURL = "file://" + volume.path + (volume.path == "/" ? "" : "/");
    info.displayName = info.pathComponents.empty() ? volume.name : info.pathComponents.back();
    info.resourceProps = std::array<std::uint64_t, 3>{0x1, 0x21F, 0x21F};
    const double now = static_cast<double>(std::time(nullptr)) - appleEpoch;
    info.creationDate = now;
    if (!writeFile(aliasPath, bookmark::BookmarkWriter::write(
                                  info, bookmark::BookmarkContainer::aliasFile, now))) {
        return false;
    }
    const std::vector<std::uint8_t> finderInfo = aliasFinderInfo();
    if (carrier == Carrier::xattr && ::lsetxattr(aliasPath.c_str(), "user.com.apple.FinderInfo",
                                                 finderInfo.data(), finderInfo.size(), 0) == 0) {
        return true;
    }
    if (carrier == Carrier::contentOnly) {
        return true;
    }
    // A file system without user attributes (or the sidecar asked for): `._NAME` beside it.
    const std::size_t slash = aliasPath.rfind('/');
    return writeFile(aliasPath.substr(0, slash + 1) + "._" + aliasPath.substr(slash + 1),
                     appleDoubleWith(finderInfo));
}

} // namespace

bool DemoFolder::fill(const std::string& folder, std::string& error) {
    const MountTable mounts = MountTable::readSystem();
    const MountPoint* holding = mounts.holding(folder);
    Volume here{holding ? holding->path : "/", "Linux"};
    if (here.path != "/") {
        here.name = here.path.substr(here.path.rfind('/') + 1);
    }
    const std::string composedCafe = "Caf\xC3\xA9 menu.txt";    // as Linux writes it
    const std::string decomposedCafe = "Cafe\xCC\x81 menu.txt"; // as a Mac stores it

    bool ok = ::mkdir((folder + "/Documents").c_str(), 0755) == 0 &&
              ::mkdir((folder + "/Pictures").c_str(), 0755) == 0 &&
              ::mkdir((folder + "/Old").c_str(), 0755) == 0 &&
              writeFile(folder + "/Documents/Report.txt", std::string("Quarterly report\n")) &&
              writeFile(folder + "/Documents/" + composedCafe, std::string("Soup of the day\n")) &&
              writeFile(folder + "/Pictures/Holiday.jpg", std::string("not really a picture\n")) &&
              writeFile(folder + "/Notes.txt", std::string("An ordinary file, no alias.\n"));
    ok = ok &&
         makeAlias(folder + "/Report alias", folder + "/Documents/Report.txt", here,
                   Carrier::xattr) &&
         makeAlias(folder + "/Holiday alias", folder + "/Pictures/Holiday.jpg", here,
                   Carrier::sidecar) &&
         makeAlias(folder + "/Caf\xC3\xA9 menu alias", folder + "/Documents/" + decomposedCafe,
                   here, Carrier::xattr) &&
         makeAlias(folder + "/Old/Budget 2019 alias", folder + "/Documents/Budget 2019.xlsx", here,
                   Carrier::xattr) &&
         makeAlias(folder + "/Old/Plan alias", "/Volumes/Archive/Projects/Plan.pages",
                   {"/Volumes/Archive", "Archive"}, Carrier::contentOnly);
    if (!ok) {
        error = "Couldn't make the demo folder in " + folder + ": " + std::strerror(errno);
    }
    return ok;
}

std::optional<std::string> DemoFolder::make(std::string& error) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/korvex-demo-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        error = "Couldn't make a temporary folder: " + std::string(std::strerror(errno));
        return std::nullopt;
    }
    if (!fill(pattern, error)) {
        return std::nullopt;
    }
    return pattern;
}

} // namespace korvex
