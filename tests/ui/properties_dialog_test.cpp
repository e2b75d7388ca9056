#include "viewer/io/SequenceHeader.h"
#include "viewer/ui/stremax3.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QLocale>
#include <QTimer>

namespace {

TSequenceHeader Header()
{
    TSequenceHeader header;
    header.FileName = QStringLiteral("/data/runs/cantilever.bld");
    header.Width = 256;
    header.Height = 64;
    header.FrameCount = 2048;
    header.FramesPerSecond = 1904;
    header.FirstFrame = -120;
    return header;
}

}  // namespace

TEST(PropertiesDialog, ShowsTheHeaderNumbersDirectlyAfterTheLabels)
{
    TForm3 dialog;
    dialog.SetProperties(Header(), 317);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("File properties"));
    EXPECT_EQ(dialog.GroupCaption(), QStringLiteral("Properties of cantilever.bld"));
    EXPECT_EQ(dialog.LineTexts(), QStringList({"x pixels    : 256", "y pixels    : 64", "# of frames : 2048",
                                               "frames/s    : 1904", "Start frame : 317",
                                               "FIRSTFRAME  : -120"}));

    // Fractional rates in the shortest form with the user's separator.
    TSequenceHeader header = Header();
    header.FramesPerSecond = 2000.5;
    QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German));
    dialog.SetProperties(header, 0);
    QLocale::setDefault(saved);
    EXPECT_EQ(dialog.LineTexts()[3], QStringLiteral("frames/s    : 2000,5"));
    EXPECT_EQ(dialog.LineTexts()[4], QStringLiteral("Start frame : 0"));
    // The playback anchor and the recording's own numbering stay apart.
    EXPECT_EQ(dialog.LineTexts()[5], QStringLiteral("FIRSTFRAME  : -120"));

    // The recording's format and sample depth follow the five lines.
    dialog.SetSourceFormat(QStringLiteral("Photron MRAW, 12-bit packed"), 12);
    EXPECT_EQ(dialog.FormatText(), QStringLiteral("Format      : Photron MRAW, 12-bit packed, 12 bit"));
    EXPECT_EQ(dialog.LineTexts().size(), 6);
}

TEST(PropertiesDialog, RunsModally)
{
    TForm3 dialog;
    bool wasModal = false;
    QTimer::singleShot(0, &dialog, [&] {
        wasModal = QApplication::activeModalWidget() == &dialog;
        dialog.reject();
    });
    dialog.ShowProperties(Header(), 5);
    EXPECT_TRUE(wasModal);
    EXPECT_EQ(dialog.LineTexts()[4], QStringLiteral("Start frame : 5"));
}

TEST(PropertiesDialog, TheCloseButtonEndsIt)
{
    TForm3 dialog;
    QTimer::singleShot(0, &dialog, [&] {
        auto* buttons = dialog.findChild<QDialogButtonBox*>();
        ASSERT_NE(buttons, nullptr);
        buttons->button(QDialogButtonBox::Close)->click();
    });
    dialog.ShowProperties(Header(), 0);
    EXPECT_FALSE(dialog.isVisible());
}
