#include "CliCommon.h"

#include "analysis/SpectrumStore.h"
#include "export/BitmapFile.h"
#include "platform/Conversions.h"
#include "platform/Errors.h"
#include "platform/FileNames.h"
#include "platform/SafeFileWriter.h"
#include "viewer/HeaderFile.h"
#include "viewer/formats/AllFormats.h"

#include <vector>

namespace {
constexpr int32_t kLevelLimit = 255;
}  // namespace

int32_t GreyLevelOption(const TCliArgs& args, const char* name, int32_t fallback)
{
    const int32_t level = args.Int(name, fallback);
    if (level < 0 || level > kLevelLimit)
        throw EError(QStringLiteral("--%1 %2 is outside the grey levels 0 to %3")
                         .arg(QLatin1String(name))
                         .arg(level)
                         .arg(kLevelLimit));
    return level;
}


std::vector<TCliOption> BlockOptions()
{
    return {{"start", "F", "first frame of the analysis block (default 0)"},
            {"length", "S", "analysis length in frames (default 256)"},
            {"cache", "K", "cache size in frames (default 512)"}};
}

std::vector<TCliOption> GrayLevelOptions()
{
    return {{"black", "B", "black level, 0 to 255 (default 0)"},
            {"gray", "G", "gray level, 0 to 255 (default 64)"},
            {"white", "W", "white level, 0 to 255 (default 255)"},
            {"edge", nullptr, "edge enhancement"}};
}

TCliOption OutputOption() { return {"o", "FILE", "output file", "-"}; }

std::vector<TCliOption> Join(std::initializer_list<std::vector<TCliOption>> groups)
{
    std::vector<TCliOption> all;
    for (const auto& group : groups)
        all.insert(all.end(), group.begin(), group.end());
    return all;
}

namespace {

// A sequence that reads every recording format of this build; the factory lives as long as it.
struct TCliFormats {
    TCliFormats() { RegisterOptionalFormats(formats); }
    TFrameSourceFactory formats;
};

class TCliSequence : private TCliFormats, public TSequence {
public:
    TCliSequence() : TSequence(nullptr, &formats) {}
};

}  // namespace

QString CliSequencePath(const TCliArgs& args)
{
    const QString given = args.OnlyPositional("sequence file");
    const TFileKind kind = FileKindOf(given);
    if (kind == TFileKind::missing)
        throw EInOutError(QStringLiteral("Cannot open \"%1\": no such file").arg(given));
    if (kind != TFileKind::regular)
        throw EInOutError(
            QStringLiteral("Cannot open \"%1\": it is %2, not a frame file").arg(given, FileKindText(kind)));
    // A header given in place of its sequence stands for the frame file it describes.
    return AbsoluteFileName(FrameFileOfHeader(given));
}

std::unique_ptr<TSequence> OpenCliSequence(const TCliArgs& args, int32_t slots)
{
    auto sequence = std::make_unique<TCliSequence>();
    TOpenPlan plan = sequence->PlanOpen(CliSequencePath(args));
    if (slots > 0)
        plan.cacheSize = slots;
    sequence->CheckOpenFits(plan);
    sequence->ApplyOpen(std::move(plan));
    return sequence;
}

TSequenceHeader ReadCliHeader(const TCliArgs& args)
{
    // The same formats as every other command, so that a camera file gives its own header.
    const TCliSequence sequence;
    TOpenPlan plan = sequence.PlanOpen(CliSequencePath(args));
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

void CheckFrameOption(const TSequence& sequence, const char* option, int32_t frame)
{
    const int32_t last = sequence.Header().FrameCount - 1;
    if (frame < 0 || frame > last)
        throw EError(QStringLiteral("--%1 %2 is outside the sequence (frames 0 to %3)")
                         .arg(QLatin1String(option))
                         .arg(frame)
                         .arg(last));
}

int32_t ApplyBlockOptions(const TCliArgs& args, TSequence& sequence, int32_t slots)
{
    const int32_t cache = args.Int("cache", TSequence::kOpenCacheSize);
    const int32_t length = args.Int("length", 256);
    const int32_t start = args.Int("start", 0);
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

std::unique_ptr<TSpectrumStore> OpenCliStore(TSequence& sequence, int32_t length)
{
    auto store = std::make_unique<TSpectrumStore>(sequence);
    store->SetSpectrumLength(length);
    return store;
}

QPoint PixelOptions(const TCliArgs& args)
{
    if (!args.Has("x") || !args.Has("y"))
        throw ECliUsage("the pixel is required: --x X --y Y");
    return QPoint(args.Int("x", 0), args.Int("y", 0));
}

TRenderSettings GrayLevelSettings(const TCliArgs& args)
{
    TRenderSettings settings;
    settings.blackLevel = GreyLevelOption(args, "black", 0);
    settings.grayLevel = GreyLevelOption(args, "gray", 64);
    settings.whiteLevel = GreyLevelOption(args, "white", 255);
    settings.edgeEnhance = args.Has("edge");
    return settings;
}

QString OutputPath(const TCliArgs& args)
{
    if (!args.Has("o"))
        throw ECliUsage("an output file is required: -o FILE");
    return args.Text("o");
}

bool IsCsvPath(const QString& path) { return path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive); }

void WriteCliImage(const QImage& image, const QString& path, const TSequence* sequence)
{
    SaveImageFile(image, path, sequence ? sequence->SourceFiles() : QStringList());
}

void WriteCliFile(const QByteArray& bytes, const QString& path, const TSequence& sequence)
{
    WriteFileSafely(path, bytes, sequence.SourceFiles());
}

QString CliNumber(double value) { return FloatToStrExact(value); }
