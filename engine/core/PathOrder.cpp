#include "PathOrder.h"

#include <algorithm>
#include <numeric>
#include <unicode/bytestream.h>
#include <unicode/normalizer2.h>
#include <unicode/utf8.h>

namespace korvex {
namespace {

bool isValidUtf8(std::string_view text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    std::int32_t i = 0;
    while (i < length) {
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string pathSortKey(std::string_view path) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status) || path.size() > INT32_MAX || !isValidUtf8(path)) {
        return std::string(path);
    }
    const icu::StringPiece piece(path.data(), static_cast<std::int32_t>(path.size()));
    if (nfc->isNormalizedUTF8(piece, status) && U_SUCCESS(status)) {
        return std::string(path);
    }
    status = U_ZERO_ERROR;
    std::string key;
    icu::StringByteSink<std::string> sink(&key);
    nfc->normalizeUTF8(0, piece, sink, nullptr, status);
    if (U_FAILURE(status)) {
        return std::string(path);
    }
    return key;
}

void sortPaths(std::vector<std::string>& paths) {
    std::vector<std::string> keys;
    keys.reserve(paths.size());
    for (const std::string& path : paths) {
        keys.push_back(pathSortKey(path));
    }
    std::vector<std::size_t> order(paths.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&keys](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    std::vector<std::string> sorted;
    sorted.reserve(paths.size());
    for (std::size_t index : order) {
        sorted.push_back(std::move(paths[index]));
    }
    paths = std::move(sorted);
}

} // namespace korvex
