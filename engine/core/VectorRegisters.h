#pragma once

namespace korvex {

/// The state of the CPU's vector registers that outlives the code that used them.
///
/// Code that uses the 256- or 512-bit registers and returns without `vzeroupper` leaves their
/// upper halves marked in use (some of Qt's does: listing its resources,
/// on this machine's CPU with AVX-512).
/// Until they are cleared, the thread's later 128-bit instructions run slower, and a thread
/// started meanwhile inherits the state: a whole scan took 10 % more CPU time, most of it in
/// the C library's memmove. The engine clears them where its work starts.
class VectorRegisters {
public:
    /// Marks the upper halves of the vector registers unused on the calling thread (one
    /// `vzeroupper`); nothing on CPUs without AVX.
    static void clearUpperHalves() noexcept;

    /// Whether the calling thread's upper halves are marked in use, as the CPU tells
    /// (XGETBV 1); false where the CPU can't tell. For tests.
    static bool upperHalvesInUse() noexcept;
    /// Whether `upperHalvesInUse` can be told on this CPU. For tests.
    static bool canTell() noexcept;
};

} // namespace korvex
