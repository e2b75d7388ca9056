#include "sound/praat/PraatLink.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <limits>

QString PraatFolder()
{
    return QDir::homePath() + QStringLiteral("/.praat-dir");
}

bool PraatRuns()
{
    QFile pidFile(PraatFolder() + QStringLiteral("/pid"));
    if (!pidFile.open(QIODevice::ReadOnly))
        return false;
    // "PID WINDOW": the first number is the process.
    const QList<QByteArray> words = pidFile.read(256).simplified().split(' ');
    bool ok = false;
    const qint64 pid = words.value(0).toLongLong(&ok);
    if (!ok || pid <= 0)
        return false;
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly))
        return false;
    return comm.readAll().trimmed().startsWith("praat");
}

QString PraatObjectName(const QString& path)
{
    const QString fileName = QFileInfo(path).fileName();
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    QString name = dot > 0 ? fileName.left(dot) : fileName;
    for (QChar& c : name)
        if (!c.isLetterOrNumber() && c != QLatin1Char('-') && c != QLatin1Char('_'))
            c = QLatin1Char('_');
    return name;
}

QString PraatNumber(double value)
{
    return QString::number(value, 'f', 6);
}

QString PraatQuoted(const QString& text)
{
    QString quoted = text;
    return quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
}

QByteArray PraatCursorScript(const QString& soundName, double seconds, const QString& replyFile, int sequence)
{
    // Each line is allowed to fail: a closed editor must not put an error window up in Praat for
    // every frame. The reply says whether the editor was there.
    const QString script = QStringLiteral(
                               "nocheck editor: \"Sound %1\"\n"
                               "nocheck Move cursor to: %2\n"
                               "tremax_cursor = nocheck Get cursor\n"
                               "nocheck endeditor\n"
                               "writeFileLine: \"%3\", \"%4 \", tremax_cursor\n")
                               .arg(PraatQuoted(soundName), PraatNumber(seconds), PraatQuoted(replyFile))
                               .arg(sequence);
    return script.toUtf8();
}

TPraatLink::TPraatLink(QString program, QObject* parent)
    : QObject(parent), program_(std::move(program)), poll_(new QTimer(this))
{
    poll_->setInterval(10);
    connect(poll_, &QTimer::timeout, this, &TPraatLink::PollReply);
}

TPraatLink::~TPraatLink()
{
    if (process_) {
        process_->disconnect(this);
        process_->kill();
        process_->waitForFinished(1000);
    }
}

void TPraatLink::SendTime(double seconds)
{
    if (!std::isfinite(seconds))
        return;
    waiting_ = seconds;
    if (!busy_)
        StartNext();
}

void TPraatLink::Reset()
{
    waiting_.reset();
    state_ = TState::off;
}

QString TPraatLink::StateText() const
{
    switch (state_) {
    case TState::off:
        return QStringLiteral("Link to Praat is off");
    case TState::following:
        return QStringLiteral("Link to Praat is on: the cursor of \"Sound %1\" in Praat follows the frame").arg(soundName_);
    case TState::noEditor:
        return QStringLiteral("Link to Praat is on, but Praat has no editor open for \"Sound %1\": open the sound "
                              "in Praat and choose \"View & Edit\"")
            .arg(soundName_);
    case TState::noPraat:
        return QStringLiteral("Link to Praat is on, but no Praat is running: start Praat to link");
    case TState::noProgram:
        return QStringLiteral("Link to Praat is on, but the program \"%1\" could not be started: install Praat")
            .arg(program_);
    case TState::failed:
        return QStringLiteral("Link to Praat is on, but \"%1 --send\" failed").arg(program_);
    }
    return {};
}

void TPraatLink::SetState(TState state)
{
    if (state == state_)
        return;
    state_ = state;
    Q_EMIT stateChanged(StateText());
}

void TPraatLink::StartNext()
{
    if (!waiting_)
        return;
    const double seconds = *waiting_;
    waiting_.reset();
    if (!PraatRuns()) {
        SetState(TState::noPraat);
        return;
    }
    if (!folder_) {
        folder_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/tremax-praat-XXXXXX"));
        if (!folder_->isValid()) {
            folder_.reset();
            SetState(TState::failed);
            return;
        }
    }
    ++sequence_;
    // A file of its own for every script: Praat reads it some time after the sender has ended.
    scriptFile_ = folder_->filePath(QStringLiteral("cursor%1.praat").arg(sequence_));
    QFile script(scriptFile_);
    if (!script.open(QIODevice::WriteOnly) ||
        script.write(PraatCursorScript(soundName_, seconds, folder_->filePath(QStringLiteral("reply.txt")), sequence_)) < 0) {
        SetState(TState::failed);
        return;
    }
    script.close();
    busy_ = true;
    sentAtMs_ = QDateTime::currentMSecsSinceEpoch();
    process_ = new QProcess(this);
    process_->setProgram(program_);
    process_->setArguments({QStringLiteral("--send"), scriptFile_});
    process_->setStandardOutputFile(QProcess::nullDevice());
    process_->setStandardErrorFile(QProcess::nullDevice());
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            Finished(false, -1);
    });
    connect(process_, &QProcess::finished, this, [this](int exitCode, QProcess::ExitStatus status) {
        Finished(true, status == QProcess::NormalExit ? exitCode : -1);
    });
    process_->start();
}

void TPraatLink::Finished(bool started, int exitCode)
{
    if (process_) {
        process_->disconnect(this);
        process_->deleteLater();
        process_ = nullptr;
    }
    if (!started || exitCode != 0) {
        SetState(started ? TState::failed : TState::noProgram);
        Done();
        return;
    }
    poll_->start();
}

void TPraatLink::PollReply()
{
    QFile reply(folder_->filePath(QStringLiteral("reply.txt")));
    if (reply.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> words = reply.readAll().simplified().split(' ');
        bool ok = false;
        if (words.size() == 2 && words[0].toInt(&ok) == sequence_ && ok) {
            bool number = false;
            const double cursor = words[1].toDouble(&number);
            SetState(number ? TState::following : TState::noEditor);
            Q_EMIT replied(number ? cursor : std::numeric_limits<double>::quiet_NaN());
            // Praat has read the script by now.
            QFile::remove(scriptFile_);
            Done();
            return;
        }
    }
    if (QDateTime::currentMSecsSinceEpoch() - sentAtMs_ > kReplyTimeoutMs) {
        // Praat took the signal but ran nothing (busy in a dialog, say): the next time goes anyway.
        Done();
    }
}

void TPraatLink::Done()
{
    poll_->stop();
    scriptFile_.clear();
    busy_ = false;
    StartNext();
}
