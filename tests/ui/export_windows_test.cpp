// The montage windows, the Edit menu's copies and "Save several images...": defaults, what the
// copies carry, refusals, and the BMP files read back by an independent decoder (python3).
#include "analysis/ui/stremax4.h"
#include "export/session/Clipboard.h"
#include "export/ui/stremax8.h"
#include "export/ui/stremax9.h"
#include "support/TestDoubles.h"
#include "support/TestSupport.h"
#include "viewer/render/GrayCurve.h"
#include "viewer/ui/stremax1.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QProcess>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTimer>
#include <cmath>
#include <gtest/gtest.h>

namespace {

class ExportWindowsTest : public ::testing::Test {
protected:
    ExportWindowsTest() : form(errors, clock) {}

    // A 40 x 20 sequence of 300 frames at 2000 frames/s, opened at the first activation.
    void Open()
    {
        scratch.WriteText(QStringLiteral("run3.par"), QStringLiteral("RESOLUTION: 40x20\nFRAMES/S: 2000\nFRAMES: 300\n"));
        form.SetCommandLineFile(WriteFrames(scratch, QStringLiteral("run3.bld"), 40, 20, 300, PatternValue));
        form.FirstActivation();
        ASSERT_TRUE(errors.messages.isEmpty()) << errors.messages.join(QLatin1Char('\n')).toStdString();
    }
    template <class T>
    T* Child(QWidget& window, const char* name)
    {
        return window.findChild<T*>(QString::fromLatin1(name));
    }
    // Runs `answer` on the first modal dialog once the event loop runs it.
    static void WhenModal(std::function<void(QWidget*)> answer)
    {
        QTimer::singleShot(0, [answer] { answer(QApplication::activeModalWidget()); });
    }

    TScratch scratch;
    TFakeClock clock;
    TRecordingErrors errors;
    TForm1 form;
    QList<QImage> copies;
    TForm8::TPictureCopy keep = [this](const QImage& image) { copies << image; };
};

// The pixels of BMP files as python3 reads them: for each, "W H" then one hex line per row, top
// first.
QList<QStringList> DecodedBmps(const QStringList& paths)
{
    QProcess python;
    python.start(QStringLiteral("python3"), QStringList{QStringLiteral(TREMAX_TEST_SUPPORT_DIR "/read_bmp.py")} + paths);
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        return {{QStringLiteral("python3 failed: ") + QString::fromUtf8(python.readAllStandardError())}};
    const QStringList lines =
        QString::fromLatin1(python.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QList<QStringList> files;
    for (qsizetype at = 0; at < lines.size();) {
        const qsizetype rows = lines[at].section(QLatin1Char(' '), 1).toInt();
        files << lines.mid(at, rows + 1);
        at += rows + 1;
    }
    return files;
}

QStringList HexRows(const QImage& image)
{
    QStringList rows{QStringLiteral("%1 %2").arg(image.width()).arg(image.height())};
    for (int y = 0; y < image.height(); ++y) {
        QString row;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            row += QStringLiteral("%1%2%3").arg(qRed(p), 2, 16, QLatin1Char('0')).arg(qGreen(p), 2, 16, QLatin1Char('0'))
                       .arg(qBlue(p), 2, 16, QLatin1Char('0'));
        }
        rows << row;
    }
    return rows;
}

}  // namespace

TEST_F(ExportWindowsTest, TheSequenceWindowStartsWithItsDefaultsCopiesOnceAndKeepsItsTexts)
{
    Open();
    form.Session().SetCurrentFrame(100);
    TForm8 window(form.Session(), errors, keep);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Sequence"));
    window.layout()->activate();
    EXPECT_EQ(window.minimumSize(), window.maximumSize());  // fixed, as large as its texts need
    EXPECT_EQ(Child<QLineEdit>(window, "skipedit")->text(), QStringLiteral("4"));
    EXPECT_EQ(Child<QLineEdit>(window, "nxedit")->text(), QStringLiteral("4"));
    EXPECT_EQ(Child<QLineEdit>(window, "nyedit")->text(), QStringLiteral("3"));
    EXPECT_TRUE(Child<QCheckBox>(window, "aspectbox")->isChecked());
    QStringList choices;
    for (QRadioButton* button : window.findChildren<QRadioButton*>())
        choices << button->text() + (button->isChecked() ? QStringLiteral("*") : QString());
    EXPECT_EQ(choices, (QStringList{QStringLiteral("None"), QStringLiteral("Frame number*"), QStringLiteral("Time")}));

    // A text that is no number: the toolkit's message, nothing copied, the window stays.
    window.show();
    Child<QLineEdit>(window, "nxedit")->setText(QStringLiteral("2x"));
    Child<QPushButton>(window, "copybutton")->click();
    EXPECT_EQ(errors.messages, QStringList{QStringLiteral("'2x' is not a valid integer value")});
    EXPECT_TRUE(copies.isEmpty());
    EXPECT_TRUE(window.isVisible());

    Child<QLineEdit>(window, "nxedit")->setText(QStringLiteral("2"));
    Child<QLineEdit>(window, "nyedit")->setText(QStringLiteral("1"));
    window.findChildren<QRadioButton*>().at(2)->setChecked(true);
    Child<QCheckBox>(window, "aspectbox")->setChecked(false);  // 40 x 20 would be doubled
    const TMontageSettings settings = window.Settings();
    EXPECT_EQ(settings.firstFrame, 100);
    EXPECT_EQ(settings.framesPerSecond, 2000);
    EXPECT_EQ(settings.text, mttime);
    Child<QPushButton>(window, "copybutton")->click();
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(copies[0].width(), 80);
    EXPECT_GT(copies[0].height(), 20);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(Child<QLineEdit>(window, "nxedit")->text(), QStringLiteral("2"));
    EXPECT_EQ(form.Sequence().FirstCachedFrame(), 0);  // the block stays where the analysis has it
}

TEST_F(ExportWindowsTest, TheExplanatoryWindowRefusesASkipOfZeroAndUsesTheWaveformRange)
{
    Open();
    form.Session().SetSelectedPoint(12, 5);
    TForm9 window(form.Session(), errors, keep, [] { return TValueRange{20, 220}; });
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Form9"));
    window.layout()->activate();
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_EQ(Child<QLineEdit>(window, "imagesedit")->text(), QStringLiteral("10"));
    EXPECT_EQ(Child<QLineEdit>(window, "skipedit")->text(), QStringLiteral("2"));
    const TExplanatorySettings settings = window.Settings();
    EXPECT_EQ(settings.point, QPoint(12, 5));
    EXPECT_EQ(settings.valueLo, 20);
    EXPECT_EQ(settings.valueHi, 220);

    window.show();
    Child<QLineEdit>(window, "skipedit")->setText(QStringLiteral("0"));
    Child<QPushButton>(window, "copybutton")->click();
    EXPECT_EQ(errors.messages, QStringList{QStringLiteral("The skip must be at least 1, not 0")});
    EXPECT_TRUE(copies.isEmpty());
    EXPECT_TRUE(window.isVisible());
    Child<QLineEdit>(window, "skipedit")->setText(QStringLiteral("2"));
    Child<QPushButton>(window, "copybutton")->click();
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(copies[0].width(), 400);  // 10 images of 40 x 20 (rows doubled)
    EXPECT_FALSE(window.isVisible());
}

TEST_F(ExportWindowsTest, TheEditMenuCopiesWithTheirShortcutsAndOpensTheMontageModally)
{
    TForm4 kymogram(form.Session(), errors);
    TForm8 sequence(form.Session(), errors, CopyImageToClipboard);
    TToolWindows tools;
    tools.kymogram = &kymogram;
    tools.sequence = &sequence;
    form.AttachToolWindows(tools);
    Open();
    const std::pair<const char*, QKeySequence> shortcuts[] = {
        {"Copy image", QKeySequence(Qt::CTRL | Qt::Key_C)},
        {"Copy kymogram", QKeySequence(Qt::CTRL | Qt::Key_K)},
        {"Copy point spectrum", QKeySequence(Qt::CTRL | Qt::Key_P)},
        {"Copy Image sequence", QKeySequence(Qt::CTRL | Qt::Key_I)},
        {"Copy explanatory image sequence", QKeySequence()},
        {"Copy spectrum", QKeySequence()},
        {"Save several images...", QKeySequence()},
    };
    for (const auto& [caption, shortcut] : shortcuts) {
        const QAction* action = form.Action(QString::fromUtf8(caption));
        ASSERT_TRUE(action) << caption;
        EXPECT_TRUE(action->isEnabled()) << caption;
        EXPECT_EQ(action->shortcut(), shortcut) << caption;
    }
    EXPECT_EQ(form.Action(QStringLiteral("Copy Image sequence"))->statusTip(),
              QStringLiteral("Copy several frames to the clipboard"));
    EXPECT_EQ(form.Action(QStringLiteral("Save several images..."))->statusTip(),
              QStringLiteral("Saves a sequence of images into BMP files"));

    kymogram.BuildKymogram();
    ASSERT_FALSE(kymogram.Bitmap().isNull());
    form.Action(QStringLiteral("Copy kymogram"))->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
              kymogram.Bitmap().convertToFormat(QImage::Format_RGB32));

    WhenModal([](QWidget* dialog) {
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Sequence"));
        dialog->findChild<QRadioButton*>()->setChecked(true);  // "None"
        dialog->findChild<QPushButton*>(QStringLiteral("copybutton"))->click();
    });
    form.Action(QStringLiteral("Copy Image sequence"))->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(160, 3 * 40));  // rows doubled
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join(QLatin1Char('\n')).toStdString();
}

TEST_F(ExportWindowsTest, SaveSeveralImagesAsksThenWritesTheRenderedFramesAsNumberedBmpFiles)
{
    if (QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty())
        GTEST_SKIP() << "python3 missing: no independent BMP decoder";
    Open();
    form.Session().SetBlackLevel(10);
    form.Session().SetWhiteLevel(200);  // gray 64: a curved mapping
    form.Session().SetCurrentFrame(57);
    QFile::remove(scratch.Path(QStringLiteral("run358.bmp")));
    scratch.WriteText(QStringLiteral("run358.bmp"), QStringLiteral("an older file, overwritten"));
    WhenModal([](QWidget* dialog) {
        auto* prompt = qobject_cast<QInputDialog*>(dialog);
        ASSERT_TRUE(prompt);
        EXPECT_EQ(prompt->windowTitle(), QStringLiteral("Copy images"));
        EXPECT_EQ(prompt->labelText(), QStringLiteral("# of imaes to copy"));
        EXPECT_EQ(prompt->textValue(), QStringLiteral("20"));
        prompt->setTextValue(QStringLiteral("3"));
        prompt->accept();
    });
    form.Action(QStringLiteral("Save several images..."))->trigger();
    ASSERT_TRUE(errors.messages.isEmpty()) << errors.messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(form.View().CurrentFrame, 60);
    EXPECT_FALSE(QFile::exists(scratch.Path(QStringLiteral("run360.bmp"))));

    // The quadratic through (10, 0), (64, 0.5), (200, 1), worked out here (Lagrange form).
    const auto curve = [](double v) {
        return 0.5 * (v - 10) * (v - 200) / ((64.0 - 10) * (64 - 200)) + (v - 10) * (v - 64) / ((200.0 - 10) * (200 - 64));
    };
    const QList<QStringList> files = DecodedBmps({scratch.Path(QStringLiteral("run357.bmp")),
                                                  scratch.Path(QStringLiteral("run358.bmp")),
                                                  scratch.Path(QStringLiteral("run359.bmp"))});
    ASSERT_EQ(files.size(), 3) << files.value(0).value(0).toStdString();
    for (int frame = 57; frame < 60; ++frame) {
        const QStringList& decoded = files[frame - 57];
        ASSERT_EQ(decoded.size(), 21) << decoded.value(0).toStdString();
        EXPECT_EQ(decoded[0], QStringLiteral("40 20"));
        int bad = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 40; ++x) {
                const int g = int(std::clamp(std::nearbyint(255 * curve(PatternValue(frame, y, x))), 0.0, 255.0));
                if (decoded[y + 1].mid(6 * x, 6) != QStringLiteral("%1").arg(g, 2, 16, QLatin1Char('0')).repeated(3))
                    ++bad;
            }
        EXPECT_EQ(bad, 0) << "frame " << frame;
    }

    // Colorized frames are saved as the image box shows them.
    form.Session().SetCurrentFrame(10);
    form.Session().SetSelectedFrequency(7 * 2000.0 / 256);  // the pattern's sawtooth: 7 periods in 256 frames
    form.Colorize(true);
    form.SaveImages(QStringLiteral("2"));
    // Where and how many, and the folder a click away.
    EXPECT_EQ(form.StatusText(TStatusPanel::notice),
              QStringLiteral("Saved 2 images in %1: run310.bmp to run311.bmp").arg(scratch.Path(QString())));
    auto* openFolder = form.findChild<QPushButton*>(QStringLiteral("openfolderbutton"));
    ASSERT_NE(openFolder, nullptr);
    EXPECT_FALSE(openFolder->isHidden());
    EXPECT_EQ(openFolder->property("folder").toString(), scratch.Path(QString()));
    const QList<QStringList> colourFiles =
        DecodedBmps({scratch.Path(QStringLiteral("run310.bmp")), scratch.Path(QStringLiteral("run311.bmp"))});
    ASSERT_EQ(colourFiles.size(), 2) << colourFiles.value(0).value(0).toStdString();
    for (int frame = 10; frame < 12; ++frame) {
        form.Session().SetCurrentFrame(frame);
        EXPECT_EQ(colourFiles[frame - 10], HexRows(form.FrameBitmap()));
    }
    bool coloured = false;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            coloured = coloured || qRed(form.FrameBitmap().pixel(x, y)) != qBlue(form.FrameBitmap().pixel(x, y));
    EXPECT_TRUE(coloured);

    EXPECT_THROW(form.SaveImages(QStringLiteral("-1")), EError);
    EXPECT_THROW(form.SaveImages(QStringLiteral("301")), EError);
}

TEST_F(ExportWindowsTest, SaveSeveralImagesWithoutASequenceIsRefusedBeforeAsking)
{
    form.FirstActivation();
    EXPECT_FALSE(form.Action(QStringLiteral("Save several images..."))->isEnabled());
    errors.Guarded([&] { form.SaveSeveralImages(); });
    EXPECT_EQ(errors.messages, QStringList{QStringLiteral("No image sequence is open: there are no images to save")});
}
