#pragma once
// The text header beside a frame file (".par", else ".dsc"): five keys, applied line by line.

#include "platform/Errors.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// Receives each used line's value at once, in file order. A setter may refuse a value by
// throwing; the reader then stops.
class THeaderTarget {
public:
    virtual ~THeaderTarget() = default;
    virtual void SetImageWidth(int32_t width) = 0;
    virtual void SetImageHeight(int32_t height) = 0;
    virtual void SetRecordingRate(double framesPerSecond) = 0;
    virtual void SetFrameCount(int32_t frames) = 0;
    virtual void SetFirstFrame(int32_t frame) = 0;
    virtual void SetTrigger(int32_t frame) = 0;
    // Where the values that follow come from ("seq.par, line 3") and under which key, for
    // messages about them that can only be given later.
    virtual void SetValuePlace(const QString& place, const QString& key)
    {
        (void)place;
        (void)key;
    }
};

// A value that converts but that the sequence cannot take (a width of 0, a negative frame
// count, ...). The reader puts the file and line in front of the message.
class EInvalidHeaderValue : public EError {
public:
    using EError::EError;
};

// The values a sequence can take; EInvalidHeaderValue otherwise.
void CheckImageWidth(int32_t width);
void CheckImageHeight(int32_t height);
void CheckRecordingRate(double framesPerSecond);
void CheckFrameCount(int32_t frames);

// What a header says, gathered without applying anything: the last value of each key.
struct THeaderValues {
    std::optional<int32_t> width, height, frameCount, firstFrame, trigger;
    std::optional<double> framesPerSecond;
    QString sizePlace;  // where the frame size was last set, empty when not from a header line
    QString sizeKey;
};

// A message about a header value: "seq.par, line 3: Range check error (FRAMES:)"; without a key
// "seq.par, line 3: ...".
QString HeaderMessage(const QString& place, const QString& message, const QString& key);

// A header target that checks every value as it arrives and keeps it, so a header can be read
// to its end before anything changes. A key repeated on every line costs one assignment each.
class THeaderCollector : public THeaderTarget {
public:
    const THeaderValues& Values() const { return values_; }

    void SetImageWidth(int32_t width) override;
    void SetImageHeight(int32_t height) override;
    void SetRecordingRate(double framesPerSecond) override;
    void SetFrameCount(int32_t frames) override;
    void SetFirstFrame(int32_t frame) override { values_.firstFrame = frame; }
    void SetTrigger(int32_t frame) override { values_.trigger = frame; }
    void SetValuePlace(const QString& place, const QString& key) override
    {
        place_ = place;
        key_ = key;
    }

private:
    THeaderValues values_;
    QString place_;
    QString key_;
};

// The header files that belong to a frame file, in the order they are preferred: for ".par",
// then ".dsc", the name with its extension changed ("seq." and "seq" give "seq.par"), or where
// that is absent a name differing only in case ("SEQ.PAR"), as a file system that ignores case
// would find it. Folders do not count.
QStringList HeaderFileCandidates(const QString& frameFileName);
// The first candidate, or empty.
QString FindHeaderFile(const QString& frameFileName);

// A header chosen in place of its sequence (".par" or ".dsc", in any case) stands for the frame
// file of its base name: the ".bld" beside it, else one whose name differs in case only. Any
// other path is returned as it is. A header without a frame file beside it raises EInOutError
// naming both.
QString FrameFileOfHeader(const QString& path);

// Applies one line of a header. Throws EConvertError or ERangeError with the run-time
// library's messages when a used line's value does not convert.
void ApplyHeaderLine(const QString& line, THeaderTarget& target);

// Reads a header file to its end, in blocks, and applies every used line, stopping at the first
// failure. Every failure of a line is raised as its own kind with the file, the line and the key
// around the message ("seq.par, line 3: Range check error (FRAMES:)"); a file that cannot be
// read, or is not a regular file, raises EInOutError.
void ReadHeaderFile(const QString& fileName, THeaderTarget& target);
