#pragma once
// What several tremax-cli commands share: the sequence opened as the program opens it, the
// analysis block and grey levels from their options, their range checks, output of numbers,
// images and files.

#include "CliArgs.h"
#include "viewer/render/FrameRenderer.h"
#include "viewer/io/Sequence.h"
#include "viewer/io/formats/Recording.h"  // CheckRow, CheckColumn, CheckPixel, CheckFrameOption

#include <QImage>
#include <QPoint>
#include <QTextStream>
#include <memory>

class TSpectrumStore;

struct TCliCommand {
    const char* name;
    const char* synopsis;  // the words after the command name; option values named as in the help
    const char* summary;
    std::vector<TCliOption> options;
    int (*run)(const TCliArgs& args, QTextStream& out, QTextStream& err);
};

// Options shared by several commands.
std::vector<TCliOption> BlockOptions();      // --start F --length S --cache K
std::vector<TCliOption> GrayLevelOptions();  // --black B --gray G --white W --edge
TCliOption OutputOption();                   // -o FILE
std::vector<TCliOption> Join(std::initializer_list<std::vector<TCliOption>> groups);

// The sequence file named by the one positional, made absolute. A missing name, or one that is
// a folder, a FIFO or a device, is refused with a message that says so.
QString CliSequencePath(const TCliArgs& args);
// Opens that sequence exactly as the program opens it (the cache back to 512 frames, the header
// or the defaults, the memory checked, the block from frame 0). A command that reads fewer
// frames of the block asks for that many slots instead (`slots` > 0).
std::unique_ptr<TSequence> OpenCliSequence(const TCliArgs& args, int32_t slots = 0);
// The header as that open would apply it, through the same formats, read and checked, with
// the first frame read (not kept) so that an unreadable recording fails; no frame block is made.
TSequenceHeader ReadCliHeader(const TCliArgs& args);


// The analysis block: --cache, then --start (the block's first frame, inside the sequence).
// Returns the analysis length (--length), refused when it exceeds the cache. The block holds
// `slots` frames when given (> 0; at least the length): the first frames of the cache a
// command reads, checked as if the whole cache were held.
int32_t ApplyBlockOptions(const TCliArgs& args, TSequence& sequence, int32_t slots = 0);
// The spectrum store as the main window keeps it, for that analysis length.
std::unique_ptr<TSpectrumStore> OpenCliStore(TSequence& sequence, int32_t length);

// The pixel of --x and --y; both are required (ECliUsage without them).
QPoint PixelOptions(const TCliArgs& args);

// The grey levels (each 0 … 255) and edge switch of the options.
TRenderSettings GrayLevelSettings(const TCliArgs& args);
// A grey level option (--black, --gray, --white), refused outside 0 … 255.
int32_t GreyLevelOption(const TCliArgs& args, const char* name, int32_t fallback);

// Whether an -o file asks for a CSV table rather than an image (its name ends in ".csv").
bool IsCsvPath(const QString& path);
// The -o file, required.
QString OutputPath(const TCliArgs& args);
// Writes a 24-bit image: ".bmp" uncompressed bottom-up BMP, ".png" PNG; anything else refused.
// Through the safe writer: never onto a file the sequence (when given) is read from.
void WriteCliImage(const QImage& image, const QString& path, const TSequence* sequence);
// Writes bytes to the -o file the same way.
void WriteCliFile(const QByteArray& bytes, const QString& path, const TSequence& sequence);

// A number as the tool prints it: "." separator, shortest form that reads back.
QString CliNumber(double value);
