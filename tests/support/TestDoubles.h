#pragma once
// Stand-ins for the main window's clock and error handler.

#include "viewer/ErrorHandler.h"
#include "viewer/Playback.h"

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
