#pragma once
// Where frames come from. A source knows one recording on disk: it fills a sequence header from
// the recording's own metadata (or from the header file beside it) and reads runs of frames
// into a frame block. The frame cache holds the block; the sequence owns the source.

#include "viewer/io/HeaderFile.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TFrameSource {
public:
    // Rows that a recording does not supply (past its end, or after a short read) read as this.
    static constexpr uint8_t kMissingFill = 127;

    virtual ~TFrameSource() = default;

    // The path the source was made for.
    virtual QString FileName() const = 0;
    // A short name of the format ("Raw frames (.bld)") and the bit depth of its samples before
    // they are mapped to 8 bits, for the file properties.
    virtual QString FormatName() const = 0;
    virtual int BitDepth() const { return 8; }
    // Every file the recording is read from (the frame file and its header, say): output files
    // must never replace them.
    virtual QStringList SourceFiles() const { return {FileName()}; }

    // Applies what the recording says about itself to `target`, through its setters, in the
    // order a header file would (height, width, rate, count, first frame, trigger); fields the
    // format lacks are left alone. Throws EError (a subclass) with a message naming the file.
    virtual void ReadHeader(THeaderTarget& target) = 0;

    // Reads `count` frames of `height` rows of `width` bytes, starting at frame `first` (>= 0),
    // into `block` (count * height * width bytes). Rows the recording does not supply are set
    // to kMissingFill. Throws EInOutError when the recording exists but cannot be read.
    // Thread-safe: the sequence may call it from a worker thread while the interface thread
    // reads FileName, FormatName or BitDepth; two reads never overlap on one source.
    virtual void ReadFrames(int32_t first, int32_t count, int32_t width, int32_t height,
                            uint8_t* block) const = 0;

    // How many whole frames of `width` x `height` the recording holds; -1 when the format
    // cannot tell without reading them.
    virtual int64_t FramesHeld(int32_t width, int32_t height) const
    {
        (void)width;
        (void)height;
        return -1;
    }
};

// Picks and makes the source for a path. Sources register by file extension (lower case,
// without the dot) and, where another format's extension may lie, by the file's leading bytes;
// a ".bld" is headerless raw data and is never rerouted by its content. A path whose extension
// no source claims is read as raw frames. The program builds one factory at start-up (each
// optional format is a library of its own with a registration function) and hands it to the
// session; it is not shared state. Interface thread only.
class TFrameSourceFactory {
public:
    using Creator = std::function<std::unique_ptr<TFrameSource>(const QString& path)>;
    // True when the format is recognised in a file's leading bytes.
    using Sniffer = std::function<bool(const QByteArray& leadingBytes)>;

    // Starts with the raw-frame source only.
    TFrameSourceFactory();

    void Register(const QStringList& extensions, const QString& filterName, Creator creator,
                  Sniffer sniffer = {});
    std::unique_ptr<TFrameSource> Create(const QString& path) const;
    // One open-dialog filter per registered format ("Image sequence (*.bld)", ...).
    QStringList Filters() const;

private:
    struct Kind {
        QStringList extensions;
        QString filterName;
        Creator creator;
        Sniffer sniffer;
    };
    std::vector<Kind> kinds_;
};
