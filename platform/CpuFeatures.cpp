#include "platform/CpuFeatures.h"

namespace {

bool Query(TCpuFeature feature)
{
#if TREMAX_X86_SIMD
    switch (feature) {
    case TCpuFeature::avx2:
        return __builtin_cpu_supports("avx2");
    case TCpuFeature::avx512f:
        return __builtin_cpu_supports("avx512f");
    case TCpuFeature::avx512bw:
        return __builtin_cpu_supports("avx512bw");
    case TCpuFeature::avx512vbmi:
        return __builtin_cpu_supports("avx512vbmi");
    }
#endif
    (void)feature;
    return false;
}

}  // namespace

bool CpuHas(TCpuFeature feature)
{
    static const bool answers[] = {Query(TCpuFeature::avx2), Query(TCpuFeature::avx512f),
                                   Query(TCpuFeature::avx512bw), Query(TCpuFeature::avx512vbmi)};
    return answers[int(feature)];
}
