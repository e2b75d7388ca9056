#pragma once
// What several tremax-cli commands share: the sequence opened as the program opens it, the
// analysis block and grey levels from their options, output of numbers and images.

#include "CliArgs.h"
#include "viewer/FrameRenderer.h"
#include "viewer/Sequence.h"

#include <QImage>
#include <QPoint>
#include <QTextStream>
#include <memory>

struct TCliCommand {
    const char* name;
    const char* synopsis;  // the words after the command name
    const char* summary;
    std::vector<TCliOption> options;
    int (*run)(const TCliArgs& args, QTextStream& out, QTextStream& err);
};

// Options shared by several commands.
std::vector<TCliOption> BlockOptions();      // --start --length --cache
std::vector<TCliOption> GrayLevelOptions();  // --black --gray --white --edge
TCliOption OutputOption();                   // -o FILE
std::vector<TCliOption> Join(std::initializer_list<std::vector<TCliOption>> groups);

// Opens the sequence named by the one positional, exactly as the program opens it (the cache
// back to 512 frames, the header or the defaults, the block from frame 0). A missing file is an
// error here.
std::unique_ptr<TSequence> OpenCliSequence(const TCliArgs& args);

// The analysis block: --cache, then --start (the block's first frame). Returns the analysis
// length (--length), refused when it exceeds the cache.
int32_t ApplyBlockOptions(const TCliArgs& args, TSequence& sequence);

// The pixel of --x and --y; both are required (ECliUsage without them).
QPoint PixelOptions(const TCliArgs& args);

// The grey levels and edge switch of the options.
TRenderSettings GrayLevelSettings(const TCliArgs& args);

// The -o file, required.
QString OutputPath(const TCliArgs& args);
// Writes a 24-bit image: ".bmp" uncompressed bottom-up BMP, ".png" PNG; anything else refused.
void WriteCliImage(const QImage& image, const QString& path);

// A number as the tool prints it: "." separator, shortest form that reads back.
QString CliNumber(double value);
