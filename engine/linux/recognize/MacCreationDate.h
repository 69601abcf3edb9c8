#pragma once

#include "XattrSource.h"

#include <optional>
#include <sys/stat.h>

namespace korvex {

/// The creation date of a file as the Mac that uses it knows it, in seconds since 2001-01-01
/// UTC. One source for refresh and relink, the first that has one:
/// 1. Samba's `user.DOSATTRIB` (a Mac that copied the file to the share set it);
/// 2. netatalk's AFP metadata (`user.org.netatalk.Metadata`: the AppleDouble file dates);
/// 3. the file system's birth time, unless it keeps none (0 stands for none: overlays and some
///    FUSE file systems answer it) — on a disk away from its Mac, often only when it was copied.
namespace MacCreationDate {

/// For `item`, whose statx (asked with STATX_BTIME) is `sx`; none where no source has one.
std::optional<double> of(const XattrSource::Item& item, const struct statx& sx);

} // namespace MacCreationDate
} // namespace korvex
