// The sound that belongs to a recording: found beside the sequence and offered once per file,
// dropped on the window, and the glottis' frequency handed to the sound window beside its F0.
#include "glottis/ui/GlottisWindow.h"
#include "sound/ui/SoundWindow.h"
#include "support/TestDoubles.h"
#include "support/TestSupport.h"
#include "tools/DemoSequence.h"
#include "viewer/session/ViewerSession.h"
#include "viewer/ui/stremax1.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

// A 16-bit mono WAV of `count` samples at `rate`, written byte by byte.
QByteArray Wav(int rate, int count)
{
    QByteArray bytes;
    const auto u32 = [&bytes](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes.append(char((v >> (8 * i)) & 0xFF));
    };
    const auto u16 = [&bytes](uint16_t v) {
        bytes.append(char(v & 0xFF));
        bytes.append(char(v >> 8));
    };
    bytes.append("RIFF");
    u32(36 + 2 * count);
    bytes.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(2 * rate);
    u16(2);
    u16(16);
    bytes.append("data");
    u32(2 * count);
    for (int i = 0; i < count; ++i)
        u16(uint16_t(int16_t((i % 40) * 500 - 10000)));
    return bytes;
}

// Answers each message box that comes up with `button`, recording its text.
class TAnswerer {
public:
    explicit TAnswerer(QMessageBox::StandardButton button) : button_(button)
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts << box->text();
                box->button(button_)->click();
            }
        });
        timer_.start(5);
    }
    void Answer(QMessageBox::StandardButton button) { button_ = button; }
    QStringList texts;

private:
    QMessageBox::StandardButton button_;
    QTimer timer_;
};

class SoundBesideTest : public ::testing::Test {
protected:
    SoundBesideTest() : main(errors, clock) {}
    QString Sequence(const QString& name)
    {
        scratch.WriteText(name + QStringLiteral(".par"), QStringLiteral("RESOLUTION: 12x6\nFRAMES: 300\nFRAMES/S: 1000\n"));
        return WriteFrames(scratch, name + QStringLiteral(".bld"), 12, 6, 300, PatternValue);
    }
    void Settle() { QTest::qWait(50); }

    TScratch scratch;
    TFakeClock clock;
    TRecordingErrors errors;
    TForm1 main;
};

}  // namespace

TEST_F(SoundBesideTest, ASoundWithTheSequencesNameIsOfferedOncePerFile)
{
    const QString k = Sequence(QStringLiteral("k"));
    const QString kSound = scratch.Write(QStringLiteral("k.wav"), Wav(8000, 4000));
    const QString m = Sequence(QStringLiteral("m"));
    const QString mSound = scratch.Write(QStringLiteral("m.FLAC.smp"), QByteArray());  // not m's: other base name
    const QString mWav = scratch.Write(QStringLiteral("m.WAV"), Wav(8000, 2000));
    Sequence(QStringLiteral("n"));  // nothing beside
    TAnswerer answerer(QMessageBox::No);

    main.OpenSequence(k);
    Settle();
    ASSERT_EQ(answerer.texts, QStringList{QStringLiteral("Open the sound \"%1\" beside this recording?").arg(kSound)});
    EXPECT_FALSE(main.SoundWindow().HasSound());
    main.OpenSequence(k);  // "No" is remembered
    Settle();
    EXPECT_EQ(answerer.texts.size(), 1);

    answerer.Answer(QMessageBox::Yes);
    main.OpenSequence(m);
    Settle();
    ASSERT_EQ(answerer.texts.size(), 2);
    EXPECT_EQ(answerer.texts[1], QStringLiteral("Open the sound \"%1\" beside this recording?").arg(mWav));
    ASSERT_TRUE(main.SoundWindow().HasSound());
    EXPECT_EQ(QFileInfo(main.SoundWindow().Sound().Info.FileName).absoluteFilePath(), mWav);
    EXPECT_EQ(main.SoundWindow().Sound().Samples.size(), 2000u);

    // "Yes" is remembered: k's sound in between, m's comes back without a question.
    main.OpenSequence(scratch.Path(QStringLiteral("n.bld")));
    Settle();
    main.SoundWindow().OpenSound(kSound);
    main.OpenSequence(m);
    Settle();
    EXPECT_EQ(answerer.texts.size(), 2);
    EXPECT_EQ(QFileInfo(main.SoundWindow().Sound().Info.FileName).absoluteFilePath(), mWav);
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join(' ').toStdString();
    (void)mSound;
}

TEST_F(SoundBesideTest, ASoundDroppedOnTheWindowOpensAsTheSoundAndTheSequenceStays)
{
    const QString k = Sequence(QStringLiteral("k"));
    const QString sound = scratch.Write(QStringLiteral("voice.wav"), Wav(8000, 3000));
    main.OpenSequence(k);
    Settle();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(sound)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&main, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&main, &drop);
    EXPECT_TRUE(drop.isAccepted());
    ASSERT_TRUE(main.SoundWindow().HasSound()) << errors.messages.join(' ').toStdString();
    EXPECT_EQ(main.SoundWindow().Sound().Samples.size(), 3000u);
    EXPECT_EQ(main.Session().Sequence().Header().FileName, k);
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join(' ').toStdString();
}

TEST_F(SoundBesideTest, TheGlottisFrequencyGoesBesideTheSoundsF0)
{
    const QString path = scratch.Path(QStringLiteral("g.bld"));
    WriteDemoSequence(path, GlottisDemoParameters());  // 230 Hz at 4000 frames/s, first frame 0
    main.OpenSequence(path);
    TGlottisWindow glottis(main.Session(), errors);
    TToolWindows tools;
    tools.glottis = &glottis;
    main.AttachToolWindows(tools);
    main.SoundWindow().OpenSound(scratch.Write(QStringLiteral("voice.wav"), Wav(8000, 8000)));
    main.SoundWindow().SetSyncTime(0.5);  // frame 0 at 0.5 s

    main.Session().SetKymogramSpan(0, 399);
    glottis.SetSeed(QPoint(127, 63));
    QElapsedTimer t;
    t.start();
    while (glottis.Running() && t.elapsed() < 60000)
        QTest::qWait(5);
    ASSERT_TRUE(glottis.HasResult());

    const auto rows = [&] {
        std::vector<std::pair<double, double>> found;
        for (const QByteArray& line : main.SoundWindow().DataTable().split('\n'))
            if (line.startsWith("compare_hz,")) {
                const QList<QByteArray> cells = line.split(',');
                found.emplace_back(cells[1].toDouble(), cells[2].toDouble());
            }
        return found;
    };
    std::vector<std::pair<double, double>> track = rows();
    // 400 frames of 230 Hz at 4000 frames/s: 23 cycles in frames 0 ... 399 = 0.5 ... 0.6 s, each
    // 17.4 frames long as bounds on whole or half frames allow (16.5 ... 18.5), 230 Hz on average.
    ASSERT_GE(track.size(), 20u);
    double periods = 0;
    for (const auto& [seconds, hz] : track) {
        EXPECT_GT(seconds, 0.5);
        EXPECT_LT(seconds, 0.6);
        EXPECT_GE(hz, 4000 / 18.5);
        EXPECT_LE(hz, 4000 / 16.5);
        periods += 1 / hz;
    }
    EXPECT_NEAR(track.size() / periods, 230, 230 * 0.01);
    // h moved: the track moves with it.
    main.SoundWindow().SetSyncTime(0.25);
    const std::vector<std::pair<double, double>> moved = rows();
    ASSERT_EQ(moved.size(), track.size());
    for (size_t i = 0; i < moved.size(); ++i)
        EXPECT_NEAR(moved[i].first, track[i].first - 0.25, 1e-9);
}
