#pragma once
// Stand-ins for the main window's clock and error handler.

#include "viewer/session/ErrorHandler.h"
#include "viewer/session/Playback.h"

#include <QStringList>

// A clock the test moves by hand (days).
class TFakeClock : public TPlaybackClock {
public:
    double NowDays() const override { return now; }
    double now = 1;
};

// Keeps the messages instead of showing them.
class TRecordingErrors : public TErrorHandler {
public:
    void HandleError(const QString& message) override { messages << message; }
    QStringList messages;
};

#include "viewer/io/FrameSource.h"

#include <QByteArray>
#include <functional>

// A recording held in memory: frames of `width` x `height` whose pixel (frame, row, column) is
// `value`; its header names the size, rate and count. Counts its reads.
class TMemoryFrameSource : public TFrameSource {
public:
    using Value = std::function<uint8_t(int32_t frame, int32_t row, int32_t column)>;
    TMemoryFrameSource(QString name, int32_t width, int32_t height, int32_t frames, double rate, Value value)
        : name_(std::move(name)), width_(width), height_(height), frames_(frames), rate_(rate), value_(std::move(value))
    {
    }
    QString FileName() const override { return name_; }
    QString FormatName() const override { return QStringLiteral("In memory"); }
    void ReadHeader(THeaderTarget& target) override
    {
        target.SetImageHeight(height_);
        target.SetImageWidth(width_);
        target.SetRecordingRate(rate_);
        target.SetFrameCount(frames_);
    }
    void ReadFrames(int32_t first, int32_t count, int32_t width, int32_t height, uint8_t* block) const override
    {
        ++*reads_;
        for (int32_t f = 0; f < count; ++f)
            for (int32_t r = 0; r < height; ++r)
                for (int32_t c = 0; c < width; ++c)
                    *block++ = first + f < frames_ ? value_(first + f, r, c) : kMissingFill;
    }
    int Reads() const { return *reads_; }

private:
    QString name_;
    int32_t width_, height_, frames_;
    double rate_;
    Value value_;
    std::shared_ptr<int> reads_ = std::make_shared<int>(0);
};
