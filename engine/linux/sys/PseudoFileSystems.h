#pragma once

namespace korvex {

/// True for the kernel's own file systems (proc, sysfs, cgroup, debugfs, tracefs, ...) and for
/// automount points: a walk never descends into them. `magic` is statfs's f_type.
bool isPseudoFileSystem(long magic);

} // namespace korvex
