#include "CliCommon.h"

#include "export/BitmapFile.h"
#include "platform/Conversions.h"
#include "platform/Errors.h"
#include "viewer/formats/AllFormats.h"

#include <QFileInfo>

std::vector<TCliOption> BlockOptions()
{
    return {{"start", true, "first frame of the analysis block (default 0)"},
            {"length", true, "analysis length in frames (default 256)"},
            {"cache", true, "cache size in frames (default 512)"}};
}

std::vector<TCliOption> GrayLevelOptions()
{
    return {{"black", true, "black level (default 0)"},
            {"gray", true, "gray level (default 64)"},
            {"white", true, "white level (default 255)"},
            {"edge", false, "edge enhancement"}};
}

TCliOption OutputOption() { return {"o", true, "output file"}; }

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

std::unique_ptr<TSequence> OpenCliSequence(const TCliArgs& args)
{
    const QString path = QFileInfo(args.OnlyPositional("sequence file")).absoluteFilePath();
    if (!QFileInfo(path).isFile())
        throw EInOutError(QStringLiteral("Cannot open \"%1\": no such file").arg(path));
    auto sequence = std::make_unique<TCliSequence>();
    sequence->SetFileName(path);
    sequence->ReadSequenceFiles();
    return sequence;
}

int32_t ApplyBlockOptions(const TCliArgs& args, TSequence& sequence)
{
    const int32_t cache = args.Int("cache", TSequence::kOpenCacheSize);
    const int32_t length = args.Int("length", 256);
    const int32_t start = args.Int("start", 0);
    if (cache < 1)
        throw EError(QStringLiteral("The cache size must be at least 1 frame, not %1").arg(cache));
    if (length < 2)
        throw EError(QStringLiteral("The analysis length must be at least 2 frames, not %1").arg(length));
    if (length > cache)
        throw EError(QStringLiteral("The analysis length (%1) must not exceed the cache size (%2)").arg(length).arg(cache));
    if (start < 0)
        throw EError(QStringLiteral("The first frame of the block must not be negative, not %1").arg(start));
    sequence.SetCacheSize(cache);
    sequence.LoadFrames(start);
    return length;
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
    settings.blackLevel = args.Int("black", 0);
    settings.grayLevel = args.Int("gray", 64);
    settings.whiteLevel = args.Int("white", 255);
    settings.edgeEnhance = args.Has("edge");
    return settings;
}

QString OutputPath(const TCliArgs& args)
{
    if (!args.Has("o"))
        throw ECliUsage("an output file is required: -o FILE");
    return args.Text("o");
}

void WriteCliImage(const QImage& image, const QString& path) { SaveImageFile(image, path); }

QString CliNumber(double value) { return FloatToStrExact(value); }
