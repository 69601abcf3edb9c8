#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvex {

/// Whether every byte of `text` is ASCII: such a name is the same in every normalisation form.
bool isAscii(std::string_view text);

/// `name` in Unicode normalisation form C, or none when it is not well-formed UTF-8.
std::optional<std::string> composedName(std::string_view name);

/// True when two file names are equal once both are in normalisation form C: Mac names are
/// usually stored decomposed, names written on Linux usually composed. Bytes that are not
/// well-formed UTF-8 only match themselves.
bool sameName(std::string_view a, std::string_view b);

} // namespace korvex
