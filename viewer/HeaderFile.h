#pragma once
// The text header beside a frame file (".par", else ".dsc"): five keys, applied line by line.

#include "platform/Errors.h"

#include <QString>
#include <cstdint>

// Receives each used line's value at once, in file order. A setter may refuse a value by
// throwing; the lines before it stay applied.
class THeaderTarget {
public:
    virtual ~THeaderTarget() = default;
    virtual void SetImageWidth(int32_t width) = 0;
    virtual void SetImageHeight(int32_t height) = 0;
    virtual void SetRecordingRate(double framesPerSecond) = 0;
    virtual void SetFrameCount(int32_t frames) = 0;
    virtual void SetFirstFrame(int32_t frame) = 0;
    virtual void SetTrigger(int32_t frame) = 0;
};

// The header file that belongs to a frame file: ".par" when it exists, else ".dsc" when that
// exists, else empty.
QString FindHeaderFile(const QString& frameFileName);

// Applies one line of a header. Throws EConvertError or ERangeError with the run-time
// library's messages when a used line's value does not convert.
void ApplyHeaderLine(const QString& line, THeaderTarget& target);

// A value that converts but that the sequence cannot take (a width of 0, a negative frame
// count, ...). The reader puts the file and line in front of the message.
class EInvalidHeaderValue : public EError {
public:
    using EError::EError;
};

// Reads a header file to its end and applies every used line, stopping at the first failure.
// Conversion failures keep the run-time library's messages as they are; a file that cannot be
// read raises EInOutError.
void ReadHeaderFile(const QString& fileName, THeaderTarget& target);
