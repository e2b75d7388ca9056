#include "analysis/SequenceAnalysisSizes.h"

#include "analysis/SpectrumStore.h"
#include "viewer/Sequence.h"

int32_t TSequenceAnalysisSizes::SpectrumLength() const { return spectra_.SpectrumLength(); }

int32_t TSequenceAnalysisSizes::CacheSize() const { return sequence_.CacheSize(); }

void TSequenceAnalysisSizes::SetSpectrumLength(int32_t frames) { spectra_.SetSpectrumLength(frames); }

void TSequenceAnalysisSizes::SetCacheSize(int32_t frames) { sequence_.SetCacheSize(frames); }
