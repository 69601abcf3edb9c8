#include "MacCreationDate.h"

#include "AppleDouble.h"
#include "DosAttributes.h"
#include "SystemXattrSource.h"

#include <array>
#include <cstdint>

namespace korvex::MacCreationDate {

namespace {

constexpr double unixToAppleEpoch = 978307200.0; // 1970-01-01 to 2001-01-01, in seconds

template <std::size_t N>
std::optional<double> fromAttribute(const XattrSource::Item& item, const char* name,
                                    std::optional<double> (*parse)(std::span<const std::uint8_t>)) {
    static const SystemXattrSource attributes;
    std::array<std::uint8_t, N> value{};
    std::size_t size = 0;
    if (attributes.get(item, name, value, size) != XattrSource::Result::ok) {
        return std::nullopt;
    }
    return parse(std::span<const std::uint8_t>(value.data(), size));
}

} // namespace

std::optional<double> of(const XattrSource::Item& item, const struct statx& sx) {
    if (auto samba =
            fromAttribute<256>(item, DosAttributes::attributeName, &DosAttributes::creationDate)) {
        return samba;
    }
    if (auto afp = fromAttribute<1024>(item, AppleDouble::netatalkAttributeName,
                                       &AppleDouble::creationDate)) {
        return afp;
    }
    if ((sx.stx_mask & STATX_BTIME) && (sx.stx_btime.tv_sec != 0 || sx.stx_btime.tv_nsec != 0)) {
        return static_cast<double>(sx.stx_btime.tv_sec) + sx.stx_btime.tv_nsec / 1e9 -
               unixToAppleEpoch;
    }
    return std::nullopt;
}

} // namespace korvex::MacCreationDate
