#include "CliCommon.h"

#include "analysis/SpectrumStore.h"
#include "export/io/BitmapFile.h"
#include "platform/Conversions.h"
#include "platform/Errors.h"
#include "platform/FileNames.h"
#include "platform/SafeFileWriter.h"
#include "viewer/io/HeaderFile.h"
#include "viewer/io/formats/Recording.h"

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

QString CliSequencePath(const TCliArgs& args) { return RecordingPath(args.OnlyPositional("sequence file")); }

std::unique_ptr<TSequence> OpenCliSequence(const TCliArgs& args, int32_t slots)
{
    return OpenRecording(args.OnlyPositional("sequence file"), slots);
}

TSequenceHeader ReadCliHeader(const TCliArgs& args) { return ReadRecordingHeader(args.OnlyPositional("sequence file")); }

int32_t ApplyBlockOptions(const TCliArgs& args, TSequence& sequence, int32_t slots)
{
    return ApplyAnalysisBlock(sequence, args.Int("start", 0), args.Int("length", 256),
                              args.Int("cache", TSequence::kOpenCacheSize), slots);
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
