// The "Settings" dialog and the window layout over real widgets.
#include "services/SettingsContext.h"
#include "services/sini.h"
#include "support/TestDoubles.h"
#include "support/TestSupport.h"
#include "viewer/io/AnalysisSizes.h"
#include "viewer/ui/WindowLayoutWidget.h"
#include "viewer/ui/stremax6.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

// Takes any values and counts the calls.
class TSizes : public TAnalysisSizesTarget {
public:
    int32_t SpectrumLength() const override { return length; }
    int32_t CacheSize() const override { return cache; }
    void SetSpectrumLength(int32_t frames) override { length = frames; }
    void SetCacheSize(int32_t frames) override { cache = frames; }
    int32_t length = 256;
    int32_t cache = 512;
};

}  // namespace

TEST(SettingsDialog, OkAppliesAndClosesAFailureKeepsItOpen)
{
    TSizes sizes;
    TRecordingErrors errors;
    TForm6 dialog(sizes, errors);
    bool stayedOpen = false;
    QTimer::singleShot(0, &dialog, [&] {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Settings"));
        EXPECT_EQ(dialog.FftSizeEdit()->text(), QStringLiteral("256"));
        EXPECT_EQ(dialog.CacheSizeEdit()->text(), QStringLiteral("512"));
        dialog.FftSizeEdit()->setText(QStringLiteral("abc"));
        dialog.OkButton()->click();
        stayedOpen = dialog.isVisible();
        dialog.FftSizeEdit()->setText(QStringLiteral("300"));
        dialog.CacheSizeEdit()->setText(QStringLiteral("1000"));
        QTest::keyClick(dialog.CacheSizeEdit(), Qt::Key_Return);  // the default button
    });
    EXPECT_EQ(dialog.ShowSettings(), int(QDialog::Accepted));
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(errors.messages, QStringList{"'abc' is not a valid integer value"});
    EXPECT_EQ(sizes.length, 300);
    EXPECT_EQ(sizes.cache, 1000);

    // Escape changes nothing; the next showing starts from the values now in force.
    QTimer::singleShot(0, &dialog, [&] {
        EXPECT_EQ(dialog.FftSizeEdit()->text(), QStringLiteral("300"));
        dialog.FftSizeEdit()->setText(QStringLiteral("64"));
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(dialog.ShowSettings(), int(QDialog::Rejected));
    EXPECT_EQ(sizes.length, 300);
}

TEST(SettingsDialog, LayoutOfWidgetsComesBackAndAMaximisedWindowKeepsItsSavedPlace)
{
    TScratch scratch;
    TSystemFolders folders;
    folders.ExecutableName = QStringLiteral("tremax");
    TSettingsContext context(TRegistryFolders{scratch.Path("user"), scratch.Path("machine"), scratch.Path("classes")},
                             folders);
    QWidget film, speckle;
    film.setGeometry(120, 80, 331, 375);
    speckle.setGeometry(30, 500, 220, 160);
    {
        TIni ini(context);
        SaveWidgetLayout(ini, {{"Film", &film}, {"Controls", nullptr}, {"Speckle", &speckle}}, QStringLiteral("3.0.0.3"));
        film.setGeometry(200, 150, 500, 400);  // moved, then maximised
        film.setWindowState(Qt::WindowMaximized);
        ASSERT_TRUE(film.isMaximized());
        speckle.setGeometry(60, 520, 400, 300);
        SaveWidgetLayout(ini, {{"Film", &film}, {"Speckle", &speckle}}, QStringLiteral("3.0.0.3"));
    }
    QWidget newFilm, newSpeckle;
    newFilm.setGeometry(10, 10, 200, 200);
    newSpeckle.setGeometry(10, 10, 220, 160);
    LoadWidgetLayout(TIni(context), {{"Film", &newFilm}, {"Speckle", &newSpeckle}});
    EXPECT_EQ(newFilm.pos(), QPoint(120, 80));
    EXPECT_EQ(newFilm.size(), QSize(331, 375));
    EXPECT_EQ(newSpeckle.pos(), QPoint(60, 520));
    EXPECT_EQ(newSpeckle.size(), QSize(220, 160));  // its design size: the saved size is not read
}
