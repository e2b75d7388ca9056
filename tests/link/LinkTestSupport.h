#pragma once
// Shared pieces of the link tests: sample files, the shared memory left behind, and the
// stand-in companion as a separate process driven through its standard input and output.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <cstdint>

// A sample file with the given items ("name=value" each), written by the sample-file component.
void WriteSampleFile(const QString& path, const QStringList& items);

// Names under /dev/shm of this user's link blocks and atoms.
QStringList LeftoverSharedMemory();

class TStandinProcess {
public:
    // Starts the stand-in and waits until it is on the bus; Window() is 0 when it failed.
    explicit TStandinProcess(const QStringList& arguments);
    ~TStandinProcess();

    uint32_t Window() const { return window_; }
    // Sends a command and waits (serving this process's events) for the first new line that
    // starts with `reply`; empty when none came in time.
    QString Command(const QString& command, const QString& reply);
    // Waits for the first new line starting with `prefix`.
    QString WaitFor(const QString& prefix, int timeoutMs = 5000);
    // Every line since the last Command, and all of them.
    QStringList LinesSinceCommand() const { return lines_.mid(commandStart_); }
    const QStringList& Lines() const { return lines_; }

private:
    void Collect();

    QProcess process_;
    QByteArray pending_;
    QStringList lines_;
    qsizetype commandStart_ = 0;
    qsizetype searchFrom_ = 0;
    uint32_t window_ = 0;
};
