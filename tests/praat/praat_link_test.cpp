// Praat beside Tremax without Praat: the cursor script and Praat's object names, the plugin's
// install into a scratch Praat folder, the sender's coalescing and states against a stand-in
// "praat" program, and the single-instance entry on a private session bus.
#include "platform/Errors.h"
#include "sound/praat/PraatLink.h"
#include "sound/praat/PraatPlugin.h"
#include "sound/praat/ShowTimeBus.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// HOME pointed at a scratch folder for one test, so that Praat's folder is a scratch one.
class THomeScope {
public:
    explicit THomeScope(const QString& home) : old_(qgetenv("HOME")) { qputenv("HOME", home.toUtf8()); }
    ~THomeScope() { qputenv("HOME", old_); }

private:
    QByteArray old_;
};

}  // namespace

TEST(PraatText, ObjectNamesAsPraatGivesThem)
{
    // Names as Debian's Praat 6.3 showed them after "Read from file".
    EXPECT_EQ(PraatObjectName(QStringLiteral("/data/voice.wav")), QStringLiteral("voice"));
    EXPECT_EQ(PraatObjectName(QStringLiteral("/data/demo.bld")), QStringLiteral("demo"));
    EXPECT_EQ(PraatObjectName(QStringLiteral("/d/my voi-ce.t1\u00e9(2).wav")), QStringLiteral("my_voi-ce_t1\u00e9_2_"));
}

TEST(PraatText, CursorScriptMovesTheNamedEditorAndReplies)
{
    EXPECT_EQ(PraatCursorScript(QStringLiteral("a\"b"), 0.10025, QStringLiteral("/tmp/r \"1\".txt"), 7),
              QByteArray("nocheck editor: \"Sound a\"\"b\"\n"
                         "nocheck Move cursor to: 0.100250\n"
                         "tremax_cursor = nocheck Get cursor\n"
                         "nocheck endeditor\n"
                         "writeFileLine: \"/tmp/r \"\"1\"\".txt\", \"7 \", tremax_cursor\n"));
    EXPECT_EQ(PraatNumber(-0.0000004), QStringLiteral("-0.000000"));
    EXPECT_EQ(PraatNumber(12.3456789), QStringLiteral("12.345679"));
}

TEST(ShowTimeArgument, TakenWithItsNumber)
{
    QStringList arguments{"tremax", "--show-time", "0.25", "x.bld"};
    EXPECT_EQ(TakeShowTimeArgument(arguments), std::optional<double>(0.25));
    EXPECT_EQ(arguments, QStringList({"tremax", "x.bld"}));

    QStringList none{"tremax", "x.bld"};
    EXPECT_EQ(TakeShowTimeArgument(none), std::nullopt);
    EXPECT_EQ(none, QStringList({"tremax", "x.bld"}));

    for (const QStringList& bad : {QStringList{"tremax", "--show-time"}, QStringList{"tremax", "--show-time", "abc"},
                                   QStringList{"tremax", "--show-time", "nan"}, QStringList{"tremax", "--show-time", "inf"}}) {
        QStringList arguments = bad;
        EXPECT_THROW(TakeShowTimeArgument(arguments), EError) << bad.join(' ').toStdString();
    }
}

TEST(PraatPlugin, ShellWordGivesThePathBack)
{
    // The shell itself reads the word back.
    for (const QString& path : {QStringLiteral("/usr/bin/tremax"), QStringLiteral("/tmp/it's \"q\" $HOME `x`/tremax")}) {
        QProcess shell;
        shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("printf %s ") + ShellQuoted(path)});
        ASSERT_TRUE(shell.waitForFinished(5000));
        EXPECT_EQ(QString::fromUtf8(shell.readAllStandardOutput()), path);
    }
}

TEST(PraatPlugin, InstallsOnceAndNeverOverwritesTheUsersChanges)
{
    TScratch scratch;
    const QString folder = scratch.Path(QStringLiteral("praat/plugin_Tremax"));
    const QString setup = folder + QStringLiteral("/setup.praat");
    const QString show = folder + QStringLiteral("/show_in_tremax.praat");

    EXPECT_EQ(InstallPraatPlugin(folder, QStringLiteral("/opt/a \"b\"/tremax"), false), TPluginInstall::installed);
    EXPECT_TRUE(ReadAll(setup).contains(
        "Add menu command: \"SoundEditor\", \"Time\", \"Show in Tremax\", \"\", 0, \"show_in_tremax.praat\"\n"));
    // The program path as a shell word, inside a Praat string (quotes doubled).
    EXPECT_TRUE(ReadAll(show).contains("runSystem_nocheck: \"'/opt/a \"\"b\"\"/tremax' --show-time \", "
                                       "fixed$ (tremax_cursor, 6), \" >/dev/null 2>&1 &\"\n"))
        << ReadAll(show).constData();

    EXPECT_EQ(InstallPraatPlugin(folder, QStringLiteral("/opt/a \"b\"/tremax"), false), TPluginInstall::current);
    // Our own copy for another program: replaced without a question.
    EXPECT_EQ(InstallPraatPlugin(folder, QStringLiteral("/usr/bin/tremax"), false), TPluginInstall::installed);
    EXPECT_TRUE(ReadAll(show).contains("'/usr/bin/tremax' --show-time"));

    // The user's own line: kept, until the user agrees.
    QByteArray changed = ReadAll(setup);
    changed.insert(0, "# mine\n");
    QFile file(setup);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(changed);
    file.close();
    EXPECT_EQ(InstallPraatPlugin(folder, QStringLiteral("/usr/bin/tremax"), false), TPluginInstall::userChanged);
    EXPECT_EQ(ReadAll(setup), changed);
    EXPECT_EQ(InstallPraatPlugin(folder, QStringLiteral("/usr/local/bin/tremax"), false), TPluginInstall::userChanged);
    EXPECT_TRUE(ReadAll(show).contains("'/usr/bin/tremax' --show-time"));
    EXPECT_EQ(InstallPraatPlugin(folder, QStringLiteral("/usr/bin/tremax"), true), TPluginInstall::installed);
    EXPECT_FALSE(ReadAll(setup).contains("# mine"));

    // A file without our last line is the user's too.
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Add menu command: \"SoundEditor\", \"Time\", \"Mine\", \"\", 0, \"mine.praat\"\n");
    file.close();
    EXPECT_EQ(InstallPraatPlugin(folder, QStringLiteral("/usr/bin/tremax"), false), TPluginInstall::userChanged);
}

TEST(PraatPlugin, AFolderThatCannotBeMadeIsNamed)
{
    TScratch scratch;
    const QString blocker = scratch.WriteText(QStringLiteral("file"), QStringLiteral("x"));
    const QString folder = blocker + QStringLiteral("/plugin_Tremax");
    try {
        InstallPraatPlugin(folder, QStringLiteral("/usr/bin/tremax"), false);
        FAIL() << "installed below a file";
    } catch (const EError& e) {
        EXPECT_TRUE(e.Message().contains(folder)) << e.Message().toStdString();
    }
}

// A scratch HOME whose Praat folder names a running process (a copy of `sleep` whose name starts
// like Praat's), and a stand-in "praat" program that answers scripts as Praat would: it logs each
// time it was given and writes the reply after a while.
class PraatSender : public ::testing::Test {
protected:
    void SetUp() override
    {
        home_ = std::make_unique<THomeScope>(scratch_.Path(QStringLiteral("home")));
        QDir().mkpath(scratch_.Path(QStringLiteral("home/.praat-dir")));
        log_ = scratch_.Path(QStringLiteral("sent.log"));
        program_ = scratch_.Write(QStringLiteral("praat"),
                                  QStringLiteral("#!/bin/sh\n"
                                                 "script=$2\n"
                                                 "t=$(sed -n 's/^nocheck Move cursor to: //p' \"$script\")\n"
                                                 "reply=$(sed -n 's/^writeFileLine: \"\\(.*\\)\", \"\\([0-9]*\\) \".*/\\1/p' \"$script\")\n"
                                                 "n=$(sed -n 's/^writeFileLine: \".*\", \"\\([0-9]*\\) \".*/\\1/p' \"$script\")\n"
                                                 "echo \"$t\" >> '%1'\n"
                                                 "sleep 0.2\n"
                                                 "if [ -e '%2' ]; then echo \"$n --undefined--\" > \"$reply\"; "
                                                 "else echo \"$n $t\" > \"$reply\"; fi\n")
                                      .arg(log_, scratch_.Path(QStringLiteral("no-editor")))
                                      .toUtf8());
        QFile::setPermissions(program_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    void TearDown() override
    {
        if (sleeper_.state() != QProcess::NotRunning) {
            sleeper_.kill();
            sleeper_.waitForFinished(2000);
        }
        home_.reset();
    }
    void StartPraatStandIn()
    {
        const QString copy = scratch_.Path(QStringLiteral("praatsleep"));
        ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), copy));
        sleeper_.start(copy, {QStringLiteral("60")});
        ASSERT_TRUE(sleeper_.waitForStarted(5000));
        WritePid(sleeper_.processId());
    }
    void WritePid(qint64 pid)
    {
        scratch_.WriteText(QStringLiteral("home/.praat-dir/pid"), QStringLiteral("%1 6307\n").arg(pid));
    }
    QStringList Sent() const { return QString::fromUtf8(ReadAll(log_)).split('\n', Qt::SkipEmptyParts); }

    TScratch scratch_;
    std::unique_ptr<THomeScope> home_;
    QString log_;
    QString program_;
    QProcess sleeper_;
};

TEST_F(PraatSender, SendsTheLatestTimeOnceTheOneOnItsWayIsAnswered)
{
    StartPraatStandIn();
    TPraatLink link(program_);
    link.SetSoundName(QStringLiteral("demo"));
    QSignalSpy states(&link, &TPraatLink::stateChanged);
    QSignalSpy replies(&link, &TPraatLink::replied);
    for (int i = 1; i <= 9; ++i)
        link.SendTime(0.1 * i);
    EXPECT_TRUE(link.Busy());
    ASSERT_TRUE(QTest::qWaitFor([&] { return replies.size() == 2; }, 5000)) << replies.size();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !link.Busy(); }, 2000));
    QTest::qWait(300);
    EXPECT_EQ(Sent(), QStringList({"0.100000", "0.900000"}));
    EXPECT_DOUBLE_EQ(replies.at(1).at(0).toDouble(), 0.9);
    ASSERT_EQ(states.size(), 1);
    EXPECT_EQ(link.State(), TPraatLink::TState::following);
    EXPECT_TRUE(states.at(0).at(0).toString().contains(QStringLiteral("\"Sound demo\"")));

    // Another sound's editor: told anew.
    link.SetSoundName(QStringLiteral("voice"));
    link.SendTime(0.4);
    ASSERT_TRUE(QTest::qWaitFor([&] { return replies.size() == 3; }, 5000)) << replies.size();
    ASSERT_EQ(states.size(), 2);
    EXPECT_TRUE(states.at(1).at(0).toString().contains(QStringLiteral("\"Sound voice\"")));

    // An editor that is gone: said once.
    scratch_.WriteText(QStringLiteral("no-editor"), QStringLiteral("x"));
    link.SendTime(0.5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return replies.size() == 4; }, 5000)) << replies.size();
    EXPECT_TRUE(std::isnan(replies.at(3).at(0).toDouble()));
    link.SendTime(0.6);
    ASSERT_TRUE(QTest::qWaitFor([&] { return replies.size() == 5; }, 5000)) << replies.size();
    ASSERT_EQ(states.size(), 3);
    EXPECT_EQ(link.State(), TPraatLink::TState::noEditor);
}

TEST_F(PraatSender, WithoutARunningPraatNothingRunsAndTheUserIsToldOnce)
{
    TPraatLink link(program_);
    QSignalSpy states(&link, &TPraatLink::stateChanged);
    for (int i = 0; i < 5; ++i)
        link.SendTime(0.1 * i);
    // A stale process id that names another program (this test) is no Praat: never signalled.
    WritePid(QCoreApplication::applicationPid());
    for (int i = 0; i < 5; ++i)
        link.SendTime(0.1 * i);
    QTest::qWait(300);
    EXPECT_TRUE(Sent().isEmpty());
    ASSERT_EQ(states.size(), 1);
    EXPECT_EQ(link.State(), TPraatLink::TState::noPraat);
    EXPECT_FALSE(link.Busy());
}

TEST_F(PraatSender, AMissingProgramIsSaidOnceAndTheLinkGoesOn)
{
    StartPraatStandIn();
    TPraatLink link(scratch_.Path(QStringLiteral("no-such-praat")));
    QSignalSpy states(&link, &TPraatLink::stateChanged);
    link.SendTime(0.1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return states.size() == 1; }, 5000)) << states.size();
    EXPECT_EQ(link.State(), TPraatLink::TState::noProgram);
    EXPECT_TRUE(states.at(0).at(0).toString().contains(QStringLiteral("no-such-praat")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !link.Busy(); }, 2000));
    link.SendTime(0.2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !link.Busy(); }, 2000));
    QTest::qWait(100);
    EXPECT_EQ(states.size(), 1);
}

TEST(ShowTimeBus, ARunningTremaxTakesTheTimeAndASecondCannotServe)
{
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "no session bus";
    EXPECT_FALSE(SendShowTime(0.25, 2000));  // nobody serves yet
    TShowTimeService service;
    ASSERT_TRUE(service.Register());
    QSignalSpy asked(&service, &TShowTimeService::showTimeRequested);

    // Another program on the bus: Debian's gdbus client.
    QProcess client;
    client.start(QStringLiteral("gdbus"),
                 {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                  QStringLiteral("org.tremax.Tremax"), QStringLiteral("--object-path"),
                  QStringLiteral("/org/tremax/Tremax"), QStringLiteral("--method"),
                  QStringLiteral("org.tremax.Tremax.ShowTime"), QStringLiteral("0.1025")});
    if (client.waitForStarted(5000)) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return asked.size() == 1; }, 5000)) << asked.size();
        EXPECT_DOUBLE_EQ(asked.at(0).at(0).toDouble(), 0.1025);
        client.waitForFinished(5000);
        EXPECT_EQ(client.exitCode(), 0) << client.readAllStandardError().constData();
    }

    TShowTimeService second;
    EXPECT_FALSE(second.Register());
}
