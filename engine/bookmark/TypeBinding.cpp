#include "TypeBinding.h"

#include "BookmarkBytes.h"

namespace korvex::bookmark {

std::vector<std::uint8_t> TypeBinding::forItem(std::string_view name, bool isFolder,
                                               bool onBootVolume) {
    std::string_view extension;
    std::size_t dot = name.rfind('.');
    if (!isFolder && dot != std::string_view::npos && dot > 0 && dot + 1 < name.size())
        extension = name.substr(dot + 1);

    std::vector<std::uint8_t> out{'d', 'n', 'i', 'b'};
    bytes::putLe32(out, 0);
    bytes::putLe32(out, 1);
    out.resize(28, 0);
    bytes::putLe32(out, std::uint32_t(extension.size()));
    bytes::putLe32(out, 0);
    out.insert(out.end(), extension.begin(), extension.end());
    if (isFolder) {
        out.insert(out.end(), {'r', 'd', 'l', 'f', 2, 2});
    } else {
        if (extension.empty())
            out.insert(out.end(), {0, 0, 0, 0});
        else
            out.insert(out.end(), {'?', '?', '?', '?'});
        out.push_back(onBootVolume ? 0 : 1);
    }
    out.resize(36 + extension.size() + 12, 0);
    return out;
}

} // namespace korvex::bookmark
