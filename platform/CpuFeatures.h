#pragma once
// What the processor offers the vectorised paths. The wide kernels are compiled only where the
// compiler can target x86-64's vector extensions; elsewhere every query answers false and the
// portable paths run. TREMAX_NO_X86_SIMD builds the portable paths alone on x86 too, as
// another processor runs them.

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__) && !defined(TREMAX_NO_X86_SIMD)
#define TREMAX_X86_SIMD 1
#else
#define TREMAX_X86_SIMD 0
#endif

enum class TCpuFeature { avx2, avx512f, avx512bw, avx512vbmi };

// Asked once per feature and remembered; thread-safe.
bool CpuHas(TCpuFeature feature);
