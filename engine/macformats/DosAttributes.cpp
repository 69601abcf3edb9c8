#include "DosAttributes.h"

#include <cstddef>

namespace korvex::DosAttributes {

namespace {

// Windows file times count 100 ns steps from 1601-01-01 UTC.
constexpr double fileTimeTicksPerSecond = 1e7;
constexpr double fileTimeToAppleEpoch = 12622780800.0; // 1601-01-01 to 2001-01-01, in seconds

constexpr std::uint32_t createTimeValid = 0x10; // XATTR_DOSINFO_CREATE_TIME

/// Little-endian NDR reading with alignment counted from the start of the value.
class NdrReader {
public:
    explicit NdrReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool skipText() {
        while (at_ < bytes_.size()) {
            if (bytes_[at_++] == 0) {
                return true;
            }
        }
        return false;
    }

    bool align(std::size_t to) {
        at_ = (at_ + to - 1) / to * to;
        return at_ <= bytes_.size();
    }

    std::optional<std::uint64_t> take(std::size_t size) {
        if (!align(size > 4 ? 4 : size) || bytes_.size() - at_ < size) {
            return std::nullopt; // 8-byte values are 4-aligned in this encoding
        }
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < size; ++i) {
            value |= static_cast<std::uint64_t>(bytes_[at_ + i]) << (8 * i);
        }
        at_ += size;
        return value;
    }

    bool skip(std::size_t fields, std::size_t size) {
        for (std::size_t i = 0; i < fields; ++i) {
            if (!take(size)) {
                return false;
            }
        }
        return true;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

std::optional<double> fromFileTime(std::optional<std::uint64_t> ticks) {
    if (!ticks || *ticks == 0) {
        return std::nullopt; // 0: not set
    }
    return static_cast<double>(*ticks) / fileTimeTicksPerSecond - fileTimeToAppleEpoch;
}

} // namespace

std::optional<double> creationDate(std::span<const std::uint8_t> value) {
    NdrReader in(value);
    if (!in.skipText()) {
        return std::nullopt;
    }
    const std::optional<std::uint64_t> level = in.take(2);
    const std::optional<std::uint64_t> level2 = in.take(2);
    if (!level || !level2 || *level != *level2) {
        return std::nullopt;
    }
    switch (*level) {
    case 1: // attrib, ea_size, size, alloc_size, create_time, change_time
        return in.skip(2, 4) && in.skip(2, 8) ? fromFileTime(in.take(8)) : std::nullopt;
    case 2: // flags, attrib, ea_size, size, alloc_size, create_time, ...
        return in.skip(3, 4) && in.skip(2, 8) ? fromFileTime(in.take(8)) : std::nullopt;
    case 3:   // valid_flags, attrib, ea_size, size, alloc_size, create_time, change_time
    case 4:   // valid_flags, attrib, itime, create_time
    case 5: { // valid_flags, attrib, create_time
        const std::optional<std::uint64_t> valid = in.take(4);
        if (!valid || !(*valid & createTimeValid) || !in.skip(1, 4)) {
            return std::nullopt;
        }
        const bool skipped = *level == 3   ? in.skip(1, 4) && in.skip(2, 8)
                             : *level == 4 ? in.skip(1, 8)
                                           : true;
        return skipped ? fromFileTime(in.take(8)) : std::nullopt;
    }
    default: // 0xFFFF: the attributes alone
        return std::nullopt;
    }
}

} // namespace korvex::DosAttributes
