#pragma once

#include "XattrSource.h"

namespace korvex {

/// The system's attributes. Where the kernel has listxattrat and getxattrat (Linux 6.13 and
/// later), through the folder's descriptor and the entry's name: no path to resolve, no
/// working folder to change. Elsewhere llistxattr and lgetxattr on the item's path, or on a
/// path through the descriptor where the caller has none.
class SystemXattrSource final : public XattrSource {
public:
    /// `descriptorCalls`: use the descriptor-relative calls where the kernel has them (false:
    /// the path calls always, as on older kernels).
    explicit SystemXattrSource(bool descriptorCalls = true);

    Result list(const Item& item, std::span<char> buffer, std::size_t& length) const override;
    Result get(const Item& item, const char* name, std::span<std::uint8_t> buffer,
               std::size_t& length) const override;
    bool supported(int folderFd) const override;
    bool byDescriptor() const override;

private:
    bool atCalls_;
};

} // namespace korvex
