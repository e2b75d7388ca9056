// The main window with Praat: the sound time of the frame sent to Praat ("Link to Praat", against
// a stand-in "praat" on PATH), and Praat's time shown as the frame (stopping playback, clamped,
// waiting for a sequence), with a sequence whose first and trigger frames are not 0 and a sound
// whose h is not 0.
#include "sound/ui/SoundWindow.h"
#include "support/TestDoubles.h"
#include "support/TestSupport.h"
#include "viewer/session/ViewerSession.h"
#include "viewer/ui/stremax1.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QByteArray Wav8k(int count)
{
    QByteArray bytes("RIFF");
    const auto u32 = [&bytes](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes.append(char((v >> (8 * i)) & 0xFF));
    };
    u32(36 + 2 * count);
    bytes.append("WAVEfmt ");
    u32(16);
    bytes.append(QByteArray::fromHex("01000100"));  // PCM, mono
    u32(8000);
    u32(16000);
    bytes.append(QByteArray::fromHex("02001000"));  // 2 bytes a frame, 16 bits
    bytes.append("data");
    u32(2 * count);
    bytes.append(QByteArray(2 * count, '\0'));
    return bytes;
}

class PraatLinkWindowTest : public ::testing::Test {
protected:
    PraatLinkWindowTest() : oldHome(qgetenv("HOME")), oldPath(qgetenv("PATH")), main(errors, clock)
    {
        // Praat's folder in a scratch HOME, naming a running process called like Praat; a
        // stand-in "praat" first on PATH that logs the editor and time of each script and answers.
        QDir().mkpath(scratch.Path(QStringLiteral("home/.praat-dir")));
        QDir().mkpath(scratch.Path(QStringLiteral("bin")));
        qputenv("HOME", scratch.Path(QStringLiteral("home")).toUtf8());
        qputenv("PATH", scratch.Path(QStringLiteral("bin")).toUtf8() + ':' + oldPath);
        QFile::copy(QStringLiteral("/bin/sleep"), scratch.Path(QStringLiteral("praatsleep")));
        sleeper.start(scratch.Path(QStringLiteral("praatsleep")), {QStringLiteral("60")});
        sleeper.waitForStarted(5000);
        scratch.WriteText(QStringLiteral("home/.praat-dir/pid"), QStringLiteral("%1 1\n").arg(sleeper.processId()));
        log = scratch.Path(QStringLiteral("sent.log"));
        const QString fake = scratch.Write(
            QStringLiteral("bin/praat"),
            QStringLiteral("#!/bin/sh\n"
                           "sed -n 's/^nocheck editor: //p; s/^nocheck Move cursor to: //p' \"$2\" | tr '\\n' ' ' >> '%1'\n"
                           "echo >> '%1'\n"
                           "t=$(sed -n 's/^nocheck Move cursor to: //p' \"$2\")\n"
                           "reply=$(sed -n 's/^writeFileLine: \"\\(.*\\)\", \"\\([0-9]*\\) \".*/\\1/p' \"$2\")\n"
                           "n=$(sed -n 's/^writeFileLine: \".*\", \"\\([0-9]*\\) \".*/\\1/p' \"$2\")\n"
                           "echo \"$n $t\" > \"$reply\"\n")
                .arg(log)
                .toUtf8());
        QFile::setPermissions(fake, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        scratch.WriteText(QStringLiteral("k.par"), QStringLiteral("RESOLUTION: 12x6\nFRAMES: 300\nFRAMES/S: 1000\n"
                                                                  "FIRSTFRAME: 100\nTRIGGER: 50\n"));
        sequence = WriteFrames(scratch, QStringLiteral("k.bld"), 12, 6, 300, PatternValue);
    }
    ~PraatLinkWindowTest() override
    {
        sleeper.kill();
        sleeper.waitForFinished(2000);
        qputenv("HOME", oldHome);
        qputenv("PATH", oldPath);
    }
    QStringList Sent() const
    {
        QFile file(log);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)
                                              : QStringList();
    }
    void OpenWithSound()
    {
        main.OpenSequence(sequence);
        main.SoundWindow().OpenSound(scratch.Write(QStringLiteral("my voice.wav"), Wav8k(16000)));
        main.SoundWindow().SetSyncTime(0.5);
    }

    TScratch scratch;
    QByteArray oldHome, oldPath;
    QProcess sleeper;
    QString log, sequence;
    TFakeClock clock;
    TRecordingErrors errors;
    TForm1 main;
};

}  // namespace

TEST_F(PraatLinkWindowTest, TheFramesSoundTimeGoesToTheEditorOfTheOpenSound)
{
    OpenWithSound();
    main.Session().SetCurrentFrame(3);
    EXPECT_TRUE(Sent().isEmpty());  // off
    main.LinkToPraatAction()->setChecked(true);
    // t = (F0 + i - T) / r + h = (100 + 3 - 50) / 1000 + 0.5
    ASSERT_TRUE(QTest::qWaitFor([&] { return Sent().size() == 1; }, 5000));
    EXPECT_EQ(Sent().back(), QStringLiteral("\"Sound my_voice\" 0.553000 "));
    main.Session().SetCurrentFrame(7);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Sent().size() == 2; }, 5000));
    EXPECT_EQ(Sent().back(), QStringLiteral("\"Sound my_voice\" 0.557000 "));

    // Praat's own move is not sent back; the link goes on afterwards.
    QTest::qWait(200);
    main.ShowSoundTime(0.6105);
    EXPECT_EQ(main.View().CurrentFrame, 60);  // floor((0.6105 - 0.5) * 1000) + 50 - 100
    QTest::qWait(300);
    EXPECT_EQ(Sent().size(), 2);
    main.LinkToPraatAction()->setChecked(false);
    main.Session().SetCurrentFrame(8);
    QTest::qWait(300);
    EXPECT_EQ(Sent().size(), 2);
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join(' ').toStdString();
}

TEST_F(PraatLinkWindowTest, PraatsTimeStopsPlaybackAndShowsItsFrameInsideTheFile)
{
    // Before any sequence: kept, and shown once one is open (h = 0 then: no sound yet).
    main.ShowSoundTime(0.0605);
    EXPECT_EQ(main.View().CurrentFrame, 0);
    main.OpenSequence(sequence);
    ASSERT_TRUE(QTest::qWaitFor([&] { return main.View().CurrentFrame == 10; }, 2000));  // floor(60.5) + 50 - 100

    main.SoundWindow().OpenSound(scratch.Write(QStringLiteral("voice.wav"), Wav8k(8000)));
    main.SoundWindow().SetSyncTime(0.5);
    main.SetPlayButton(true);
    ASSERT_TRUE(main.PlayButtonDown());
    main.ShowSoundTime(0.7);  // (0.7 - 0.5) * 1000 + 50 - 100 = 150
    EXPECT_FALSE(main.PlayButtonDown());
    EXPECT_FALSE(main.Session().Playing());
    EXPECT_EQ(main.View().CurrentFrame, 150);
    main.ShowSoundTime(0.4);  // -150: the first frame
    EXPECT_EQ(main.View().CurrentFrame, 0);
    main.ShowSoundTime(99);  // after the end: the last
    EXPECT_EQ(main.View().CurrentFrame, 299);
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join(' ').toStdString();
}
