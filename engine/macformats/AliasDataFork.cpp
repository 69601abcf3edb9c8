#include "AliasDataFork.h"

#include "BigEndian.h"

#include <cstring>

namespace korvex::AliasDataFork {

namespace {
constexpr char magic[16] = {'b', 'o', 'o', 'k', 0, 0, 0, 0, 'm', 'a', 'r', 'k', 0, 0, 0, 0};
}

bool sizeFits(std::uint64_t fileSize) {
    return fileSize >= minimumSize && fileSize <= maximumSize && fileSize % 4 == 0;
}

bool headerFits(std::span<const std::uint8_t> head, std::uint64_t fileSize) {
    if (head.size() < probeSize || !sizeFits(fileSize) ||
        std::memcmp(head.data(), magic, sizeof magic) != 0) {
        return false;
    }
    const std::uint64_t header = readLittleEndian32(head, 0x10);
    const std::uint64_t data = readLittleEndian32(head, 0x18);
    return header >= headerSize && header + data <= fileSize;
}

} // namespace korvex::AliasDataFork
