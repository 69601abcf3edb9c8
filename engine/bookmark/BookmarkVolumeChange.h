#pragma once

#include "Bookmark.h"

namespace korvex::bookmark {

/// What goes when a bookmark's target moves to another volume: every fact the target table
/// holds about the old volume (the keys 0x2001 to 0x2FFF: path, URL, name, UUID, capacity,
/// dates, flags, boot flag, disk-image reference, mount URL, and any such key a later macOS
/// adds), and every table the data reached only through it: the disk-image tables named by
/// the volume-bookmark key 0x2040 (4000: the image file and the volume holding it), and the
/// tables they name in turn. The volume depths (0x2000) and the boot-volume table they name
/// stay: they describe the Mac's root volume, not the old volume.
class BookmarkVolumeChange {
public:
    static void forgetVolume(Bookmark& bookmark);
};

} // namespace korvex::bookmark
