#pragma once
// glibc's vector string and copy functions (memchr, memmove, …) may leave the
// upper halves of the processor's vector registers in use on processors with
// AVX. The plain SSE code of the numeric work that follows then pays a
// transition on every instruction: the spectral batch ran eight times slower
// for it (TM-30's CAM02-UCS, the locus table). vzeroupper clears that state;
// it is issued once a row, after the row is read and before it is rated, on
// x86-64 processors that have AVX only.

namespace batch {

inline void ClearUpperVectorState()
{
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    static const bool avx = __builtin_cpu_supports("avx");
    if (avx)
        __asm__ volatile("vzeroupper" ::: "memory");
#endif
}

} // namespace batch
