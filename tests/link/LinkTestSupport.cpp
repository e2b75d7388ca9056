#include "LinkTestSupport.h"

#include "export/io/sSMP.h"
#include "platform/SharedSegment.h"

#include <QDir>
#include <QTest>
#include <unistd.h>

void WriteSampleFile(const QString& path, const QStringList& items)
{
    TSMPfile file;
    file.new_file(path);
    for (const QString& item : items)
        file.add_line(item);
    file.save_file();
    file.close_file();
}

namespace {

// This test run's own shared-memory names, set before anything makes a block: another Tremax
// running beside the tests (or another test run) neither sees these blocks nor adds to them.
// The stand-in companion inherits it.
const bool kOwnNamespace = [] {
    qputenv("TREMAX_SHM_NAMESPACE", "linktest" + QByteArray::number(qint64(getpid())));
    return true;
}();

}  // namespace

QStringList LeftoverSharedMemory()
{
    return QDir(QStringLiteral("/dev/shm"))
        .entryList({QString::fromStdString(TSharedSegments::NamePrefix("blk")) + QLatin1Char('*'),
                    QString::fromStdString(TSharedSegments::NamePrefix("atom")) + QLatin1Char('*')},
                   QDir::Files | QDir::System);
}

TStandinProcess::TStandinProcess(const QStringList& arguments)
{
    process_.setProgram(QStringLiteral(TREMAX_STANDIN_PATH));
    process_.setArguments(arguments);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QObject::connect(&process_, &QProcess::readyReadStandardOutput, [this] { Collect(); });
    process_.start();
    const QString ready = WaitFor(QStringLiteral("ready "));
    if (!ready.isEmpty())
        window_ = ready.mid(6).toUInt(nullptr, 16);
}

TStandinProcess::~TStandinProcess()
{
    process_.closeWriteChannel();  // the stand-in ends with its input
    if (!process_.waitForFinished(5000))
        process_.kill();
    process_.waitForFinished(1000);
}

void TStandinProcess::Collect()
{
    pending_ += process_.readAllStandardOutput();
    qsizetype end;
    while ((end = pending_.indexOf('\n')) >= 0) {
        lines_ << QString::fromUtf8(pending_.left(end));
        pending_.remove(0, end + 1);
    }
}

QString TStandinProcess::WaitFor(const QString& prefix, int timeoutMs)
{
    QString found;
    const bool arrived = QTest::qWaitFor([&] {
        for (; searchFrom_ < lines_.size(); ++searchFrom_)
            if (lines_[searchFrom_].startsWith(prefix)) {
                found = lines_[searchFrom_++];
                return true;
            }
        return false;
    }, timeoutMs);
    return arrived ? found : QString();
}

QString TStandinProcess::Command(const QString& command, const QString& reply)
{
    commandStart_ = lines_.size();
    searchFrom_ = lines_.size();
    process_.write((command + QLatin1Char('\n')).toUtf8());
    return WaitFor(reply);
}
