#pragma once
// The "Settings" dialog's two sizes over a sequence and its spectrum store: what the main
// window hands to TForm6. Both must outlive it. User-interface thread.

#include "viewer/AnalysisSizes.h"

class TSequence;
class TSpectrumStore;

class TSequenceAnalysisSizes : public TAnalysisSizesTarget {
public:
    TSequenceAnalysisSizes(TSequence& sequence, TSpectrumStore& spectra) : sequence_(sequence), spectra_(spectra) {}

    int32_t SpectrumLength() const override;
    int32_t CacheSize() const override;
    // The store's rules: the engine's range, the cache size and memory (see TSpectrumStore).
    void SetSpectrumLength(int32_t frames) override;
    // The sequence's rule: a block that fits in memory (see TSequence).
    void SetCacheSize(int32_t frames) override;

private:
    TSequence& sequence_;
    TSpectrumStore& spectra_;
};
