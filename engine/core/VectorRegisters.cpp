#include "VectorRegisters.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <cstdint>
#endif

namespace korvex {

#if defined(__x86_64__) || defined(__i386__)

namespace {

// XSAVE state components: the upper halves of YMM0-15, and of ZMM0-15.
constexpr std::uint64_t upperYmm = 1u << 2;
constexpr std::uint64_t upperZmm = 1u << 6;

struct Cpu {
    bool avx = false;
    bool xinuse = false; // XGETBV with ECX = 1 answers which components are in use
};

Cpu cpu() {
    Cpu found;
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(1, &a, &b, &c, &d) && (c & bit_OSXSAVE) && (c & bit_AVX)) {
        found.avx = true;
        if (__get_cpuid_count(0xd, 1, &a, &b, &c, &d)) {
            found.xinuse = (a & (1u << 2)) != 0;
        }
    }
    return found;
}

const Cpu& thisCpu() {
    static const Cpu known = cpu();
    return known;
}

__attribute__((target("avx"))) void zeroUpper() {
    __builtin_ia32_vzeroupper();
}

std::uint64_t inUse() {
    std::uint32_t low = 0, high = 0;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(1));
    return (std::uint64_t{high} << 32) | low;
}

} // namespace

void VectorRegisters::clearUpperHalves() noexcept {
    if (thisCpu().avx) {
        zeroUpper();
    }
}

bool VectorRegisters::upperHalvesInUse() noexcept {
    return canTell() && (inUse() & (upperYmm | upperZmm)) != 0;
}

bool VectorRegisters::canTell() noexcept {
    return thisCpu().xinuse;
}

#else

void VectorRegisters::clearUpperHalves() noexcept {}
bool VectorRegisters::upperHalvesInUse() noexcept {
    return false;
}
bool VectorRegisters::canTell() noexcept {
    return false;
}

#endif

} // namespace korvex
