#pragma once

#include <optional>
#include <string>

namespace korvex {

/// A small folder of real Finder alias files, made with the project's own bookmark writer, to
/// show what a scan finds: aliases that resolve (one only once names are compared in any
/// Unicode normalisation), broken ones, and FinderInfo in each place it ends up on Linux (an
/// extended attribute, a `._NAME` AppleDouble sidecar, nowhere at all).
class DemoFolder {
public:
    /// Makes the demo in a fresh folder below $TMPDIR (or /tmp). Its path, or none with the
    /// reason in `error`.
    static std::optional<std::string> make(std::string& error);

    /// Fills the existing folder `folder` with the demo. False with the reason in `error`.
    static bool fill(const std::string& folder, std::string& error);
};

} // namespace korvex
