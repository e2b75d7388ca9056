#include "viewer/io/formats/Recording.h"

#include "platform/Errors.h"
#include "platform/FileNames.h"
#include "viewer/io/HeaderFile.h"
#include "viewer/io/formats/AllFormats.h"

#include <algorithm>
#include <vector>

namespace {

// A sequence that reads every recording format of this build; the factory lives as long as it.
struct TFormatsHolder {
    TFormatsHolder() { RegisterOptionalFormats(formats); }
    TFrameSourceFactory formats;
};

class TRecordingSequence : private TFormatsHolder, public TSequence {
public:
    TRecordingSequence() : TSequence(nullptr, &formats) {}
};

}  // namespace

QString RecordingPath(const QString& given)
{
    const TFileKind kind = FileKindOf(given);
    if (kind == TFileKind::missing)
        throw EInOutError(QStringLiteral("Cannot open \"%1\": no such file").arg(given));
    if (kind != TFileKind::regular)
        throw EInOutError(
            QStringLiteral("Cannot open \"%1\": it is %2, not a frame file").arg(given, FileKindText(kind)));
    // A header given in place of its sequence stands for the frame file it describes.
    return AbsoluteFileName(FrameFileOfHeader(given));
}

std::unique_ptr<TSequence> OpenRecording(const QString& given, int32_t slots)
{
    auto sequence = std::make_unique<TRecordingSequence>();
    TOpenPlan plan = sequence->PlanOpen(RecordingPath(given));
    if (slots > 0)
        plan.cacheSize = slots;
    sequence->CheckOpenFits(plan);
    sequence->ApplyOpen(std::move(plan));
    sequence->FinishOpen();
    return sequence;
}

TSequenceHeader ReadRecordingHeader(const QString& given)
{
    // The same formats as every other open, so that a camera file gives its own header.
    const TRecordingSequence sequence;
    TOpenPlan plan = sequence.PlanOpen(RecordingPath(given));
    // A recording whose header reads but whose frames cannot fails here as it would in any
    // other command: the first frame is read when it is of a size worth reading for that.
    const TSequenceHeader& header = plan.header;
    constexpr int64_t kProbeLimit = int64_t(64) << 20;
    const int64_t frameBytes = int64_t(header.Width) * header.Height;
    if (plan.source && header.Width > 0 && header.Height > 0 && frameBytes <= kProbeLimit) {
        std::vector<uint8_t> frame(static_cast<size_t>(frameBytes));
        plan.source->ReadFrames(0, 1, header.Width, header.Height, frame.data());
    }
    return plan.header;
}

int32_t ApplyAnalysisBlock(TSequence& sequence, int32_t start, int32_t length, int32_t cache, int32_t slots)
{
    if (cache < 1)
        throw EError(QStringLiteral("--cache %1: the cache holds at least 1 frame").arg(cache));
    if (length < 2)
        throw EError(QStringLiteral("--length %1: the analysis needs at least 2 frames").arg(length));
    if (length > cache)
        throw EError(QStringLiteral("The analysis length (%1) must not exceed the cache size (%2)").arg(length).arg(cache));
    CheckFrameOption(sequence, "start", start);
    const int32_t held = slots > 0 ? std::max(slots, length) : cache;
    // The open has just read the block from frame 0: reading it again would change nothing.
    const bool fresh = start == 0 && sequence.FirstCachedFrame() == 0 && held == sequence.CacheSize();
    sequence.SetCacheSize(held);
    if (!fresh)
        sequence.LoadFrames(start);
    return length;
}
