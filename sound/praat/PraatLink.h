#pragma once
// "Link to Praat": the sound's time of the current frame goes to a running Praat as a cursor move
// in its sound editor. Praat runs scripts that other programs hand it with `praat --send FILE`;
// ours moves the cursor and writes the cursor back into a reply file, so that we learn whether
// the editor was there.
//
// At most one script is on its way: a time asked for meanwhile replaces the waiting one, and goes
// when the reply to the previous one came (or it timed out). Nothing here blocks: the program runs
// as a QProcess and the reply is polled. State changes (started, no Praat, no editor, following)
// come as one text each, never one per frame.
//
// Praat keeps its folder in $HOME/.praat-dir and its process id in the file "pid" there; a Praat
// runs when that id names a living "praat" process. We never send without one, since Praat's
// sender signals whichever process that id names.

#include <QObject>
#include <QString>
#include <memory>
#include <optional>

class QProcess;
class QTemporaryDir;
class QTimer;

// Praat's preferences folder ($HOME/.praat-dir).
QString PraatFolder();
// Whether the Praat of PraatFolder() runs.
bool PraatRuns();
// The name Praat gives the Sound it reads from `path`: the base name without its last extension,
// every character other than a letter, a digit, '-' or '_' replaced by '_'.
QString PraatObjectName(const QString& path);
// The script that moves the sound editor's cursor of "Sound NAME" to `seconds` and writes
// "`sequence` CURSOR" (CURSOR "--undefined--" when that editor is not open) to `replyFile`.
QByteArray PraatCursorScript(const QString& soundName, double seconds, const QString& replyFile, int sequence);
// A value as Praat's script text writes it: with a dot and enough digits for a microsecond.
QString PraatNumber(double value);
// Text inside a Praat string literal (a double quote doubled).
QString PraatQuoted(const QString& text);

class TPraatLink : public QObject {
    Q_OBJECT
public:
    enum class TState { off, following, noEditor, noPraat, noProgram, failed };

    // `program`: the praat program to run (a name on PATH or a path).
    explicit TPraatLink(QString program = QStringLiteral("praat"), QObject* parent = nullptr);
    ~TPraatLink() override;

    // The Sound object whose editor follows, as Praat names it. Another name is reported anew.
    void SetSoundName(const QString& name)
    {
        if (name != soundName_)
            state_ = TState::off;
        soundName_ = name;
    }
    QString SoundName() const { return soundName_; }
    // Sends `seconds` now or as soon as the one on its way has been answered.
    void SendTime(double seconds);
    bool Busy() const { return busy_; }
    TState State() const { return state_; }
    // The text for the status bar of the current state.
    QString StateText() const;
    // Forgets the state (the next send reports again) and drops a waiting time.
    void Reset();

    // How long a reply may take before the next time goes anyway.
    static constexpr int kReplyTimeoutMs = 1500;

Q_SIGNALS:
    // The state changed; `text` says what the user should know.
    void stateChanged(const QString& text);
    // Praat answered a send: the editor's cursor as it read it (NaN when no editor was open).
    void replied(double cursor);

private:
    void StartNext();
    void Finished(bool started, int exitCode);
    void PollReply();
    void Done();
    void SetState(TState state);

    QString program_;
    QString soundName_;
    std::unique_ptr<QTemporaryDir> folder_;
    QProcess* process_ = nullptr;
    QTimer* poll_ = nullptr;
    std::optional<double> waiting_;
    bool busy_ = false;
    int sequence_ = 0;
    qint64 sentAtMs_ = 0;
    QString scriptFile_;
    TState state_ = TState::off;
};
