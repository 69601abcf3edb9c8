#include "PseudoFileSystems.h"

#include <algorithm>
#include <array>

namespace korvex {

bool isPseudoFileSystem(long magic) {
    // Values from linux/magic.h; spelt out so that no kernel header is needed.
    static constexpr std::array<unsigned long, 21> pseudo{
        0x9fa0,     // proc
        0x62656572, // sysfs
        0x1cd1,     // devpts
        0x27e0eb,   // cgroup
        0x63677270, // cgroup2
        0x64626720, // debugfs
        0x74726163, // tracefs
        0x73636673, // securityfs
        0xf97cff8c, // selinuxfs
        0x43415d53, // smackfs
        0xcafe4a11, // bpf
        0x6165676c, // pstore
        0xde5e81e4, // efivarfs
        0x62656570, // configfs
        0x65735543, // fusectl
        0x42494e4d, // binfmt_misc
        0x19800202, // mqueue
        0x6e736673, // nsfs
        0x67596969, // rpc_pipefs
        0x0187,     // autofs (opening a folder there would mount something)
        0x50495045, // pipefs
    };
    const unsigned long value = static_cast<unsigned long>(magic) & 0xffffffffUL;
    return std::find(pseudo.begin(), pseudo.end(), value) != pseudo.end();
}

} // namespace korvex
