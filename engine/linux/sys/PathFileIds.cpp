#include "PathFileIds.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>

namespace korvex {

namespace {

constexpr long msdosMagic = 0x4d44;     // vfat, msdos
constexpr long exfatMagic = 0x2011BAB0; // the kernel's exfat

} // namespace

PathFileIds PathFileIds::of(const std::string& path) {
    PathFileIds out;
    std::vector<struct stat> components;
    for (std::size_t at = path.find('/', 1); path.size() > 1; at = path.find('/', at + 1)) {
        struct stat st {};
        if (::fstatat(AT_FDCWD, path.substr(0, at).c_str(), &st,
                      AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) != 0) {
            st.st_ino = 0; // can't be looked at: no id
        }
        components.push_back(st);
        if (at == std::string::npos) {
            break;
        }
    }
    out.ids.resize(components.size());
    out.firstOnTarget = components.size();
    if (components.empty() || components.back().st_ino == 0) {
        return out;
    }
    struct statfs fs {};
    out.persistent =
        ::statfs(path.c_str(), &fs) == 0 && fs.f_type != msdosMagic && fs.f_type != exfatMagic;
    const dev_t device = components.back().st_dev;
    while (out.firstOnTarget > 0 && components[out.firstOnTarget - 1].st_ino != 0 &&
           components[out.firstOnTarget - 1].st_dev == device) {
        --out.firstOnTarget;
    }
    for (std::size_t i = out.firstOnTarget; out.persistent && i < components.size(); ++i) {
        out.ids[i] = static_cast<std::int64_t>(components[i].st_ino);
    }
    return out;
}

} // namespace korvex
