#include "viewer/io/AnalysisSizes.h"

#include "platform/Conversions.h"
#include "platform/Errors.h"

void ApplyAnalysisSizes(TAnalysisSizesTarget& target, const QString& spectrumLengthText, const QString& cacheSizeText)
{
    const int32_t length = StrToInt(spectrumLengthText);
    int32_t cache = 0;
    if (!TryStrToInt(cacheSizeText, cache)) {
        // The length goes first, as it would without a cache size to check it against.
        target.SetSpectrumLength(length);
        StrToInt(cacheSizeText);  // raises the conversion message
        return;
    }
    if (length > cache)
        throw EError(QStringLiteral("The FFT/kymogram size (%1) must not exceed the cache size (%2)").arg(length).arg(cache));
    if (cache >= target.CacheSize()) {
        target.SetCacheSize(cache);
        target.SetSpectrumLength(length);
    } else {
        target.SetSpectrumLength(length);
        target.SetCacheSize(cache);
    }
}
