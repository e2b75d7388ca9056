#pragma once
// Small helpers shared by the tests: scratch folders and little sequences on disk.

#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <functional>
#include <vector>

// A scratch folder removed at the end of the test.
class TScratch {
public:
    TScratch();
    QString Path(const QString& name) const;
    // Writes `bytes` to the file `name` in the folder and returns its full path.
    QString Write(const QString& name, const QByteArray& bytes) const;
    QString WriteText(const QString& name, const QString& text) const { return Write(name, text.toLatin1()); }

private:
    QTemporaryDir dir_;
};

// A frame file of `frames` frames whose pixel (frame, row, column) is value(frame, row, column).
QString WriteFrames(const TScratch& scratch, const QString& name, int32_t width, int32_t height, int32_t frames,
                    const std::function<uint8_t(int32_t, int32_t, int32_t)>& value);

// The value the test sequences use: distinct for nearby frames, rows and columns.
inline uint8_t PatternValue(int32_t frame, int32_t row, int32_t column)
{
    return uint8_t((frame * 7 + row * 3 + column) & 0xFF);
}

// Runs `body` in a forked child process and returns its exit status, or 128 + the signal that
// ended it (a crash is a result, not the end of the test run). The child runs on one thread.
int RunInChild(const std::function<int()>& body);

// The process's address space in bytes now (for address-space limits a little above it).
int64_t AddressSpaceBytes();
