#pragma once

#include "XattrSource.h"

namespace korvex {

/// The system's attributes: llistxattr, lgetxattr, flistxattr.
class SystemXattrSource final : public XattrSource {
public:
    Result list(const char* path, std::span<char> buffer, std::size_t& length) const override;
    Result get(const char* path, const char* name, std::span<std::uint8_t> buffer,
               std::size_t& length) const override;
    bool supported(int folderFd) const override;
};

} // namespace korvex
