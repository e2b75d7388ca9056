#pragma once
// The two sizes the "Settings" dialog edits: the frames per analysed series (SpectrumLength)
// and the frames in the cache (CacheSize). The dialog reaches them only through this interface;
// the viewer session provides it. User-interface thread.

#include <QString>
#include <cstdint>

class TAnalysisSizesTarget {
public:
    virtual ~TAnalysisSizesTarget() = default;
    virtual int32_t SpectrumLength() const = 0;
    virtual int32_t CacheSize() const = 0;
    // Each raises an EError with its message when it refuses the value, changing nothing.
    virtual void SetSpectrumLength(int32_t frames) = 0;
    virtual void SetCacheSize(int32_t frames) = 0;
};

// The dialog's "&Ok": the first text to SetSpectrumLength, the second to SetCacheSize, each
// converted as a decimal integer ("'%s' is not a valid integer value"). Series are taken from
// the first SpectrumLength slots of the cache, so a length above the cache size is refused
// before anything is applied; the two are applied in the order that keeps the length within
// the cache at every step (a growing cache first). A failure raises its EError; what was
// applied before it stays applied.
void ApplyAnalysisSizes(TAnalysisSizesTarget& target, const QString& spectrumLengthText, const QString& cacheSizeText);
