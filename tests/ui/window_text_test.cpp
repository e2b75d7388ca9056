// Captions and labels of the small windows, at the desktop's font and at 1.5 times it: every
// text widget is at least as large as its text needs, and no two of them overlap.
#include "analysis/SpeckleSettings.h"
#include "analysis/ui/stremax11.h"
#include "export/ui/stremax8.h"
#include "export/ui/stremax9.h"
#include "viewer/session/ErrorHandler.h"
#include "plot/ui/AxisLimitForm.h"
#include "support/FontScale.h"
#include "support/TestDoubles.h"
#include "viewer/session/DisplaySettingsTarget.h"
#include "viewer/ui/stremax1.h"
#include "viewer/ui/stremax2.h"
#include "viewer/ui/stremax3.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include "support/FontScale.h"

#include <functional>
#include <memory>

namespace {

class TIgnoreSettings : public TDisplaySettingsTarget {
public:
    void SetBlackLevel(int32_t) override {}
    void SetGrayLevel(int32_t) override {}
    void SetWhiteLevel(int32_t) override {}
    void SetLoSat(double) override {}
    void SetHiSat(double) override {}
    void SetSpectrumBlack(double) override {}
    void SetSpectrumWhite(double) override {}
    void SetPlaybackRate(double) override {}
    void SetShowPhase(bool) override {}
    void SetEdgeEnhance(bool) override {}
};

// The text and the box it has, in the window's coordinates.
struct TText {
    QString text;
    QRect box;
    QSize needed;
};

std::vector<TText> TextsOf(QWidget& window)
{
    std::vector<TText> texts;
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (!child->isVisibleTo(&window))
            continue;
        QString text;
        if (auto* label = qobject_cast<QLabel*>(child))
            text = label->text();
        else if (auto* tool = qobject_cast<QToolButton*>(child); tool && tool->toolButtonStyle() == Qt::ToolButtonIconOnly)
            continue;  // its text is a tool tip
        else if (auto* button = qobject_cast<QAbstractButton*>(child))
            text = button->text();
        if (text.isEmpty())
            continue;
        texts.push_back({text, QRect(child->mapTo(&window, QPoint(0, 0)), child->size()), child->sizeHint()});
    }
    return texts;
}

void ExpectTextsApart(QWidget& window, const std::string& what)
{
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const std::vector<TText> texts = TextsOf(window);
    EXPECT_FALSE(texts.empty()) << what;
    for (size_t i = 0; i < texts.size(); ++i) {
        const TText& a = texts[i];
        EXPECT_GE(a.box.width(), a.needed.width()) << what << ": \"" << a.text.toStdString() << "\" is cut";
        EXPECT_GE(a.box.height(), a.needed.height()) << what << ": \"" << a.text.toStdString() << "\" is cut";
        EXPECT_TRUE(QRect(QPoint(0, 0), window.size()).contains(a.box))
            << what << ": \"" << a.text.toStdString() << "\" leaves the window";
        for (size_t j = i + 1; j < texts.size(); ++j)
            EXPECT_FALSE(a.box.intersects(texts[j].box))
                << what << ": \"" << a.text.toStdString() << "\" meets \"" << texts[j].text.toStdString() << "\"";
    }
    window.hide();
}

}  // namespace

TEST(WindowTexts, NoCaptionTouchesAnotherAtEitherScale)
{
    for (const double scale : {1.0, 1.5}) {
        const TFontScale font(scale);
        const std::string at = " at " + std::to_string(scale) + "x";
        TIgnoreSettings target;
        TForm2 controls(target);
        ExpectTextsApart(controls, "Controls" + at);
        TSpeckleSettings settings;
        TForm11 speckle(settings);
        ExpectTextsApart(speckle, "Speckle properties" + at);
        TForm3 properties;
        ExpectTextsApart(properties, "File properties" + at);
        TAxisLimitForm limits;
        ExpectTextsApart(limits, "Axis limits" + at);
        // The montage dialogs: "Down-sampling (skip factor)" once ran under the text group.
        TFakeClock clock;
        TRecordingErrors errors;
        TViewerSession session(clock);
        const auto keep = [](const QImage&) {};
        TForm8 sequence(session, errors, keep);
        ExpectTextsApart(sequence, "Sequence" + at);
        TForm9 explanatory(session, errors, keep, [] { return TValueRange{0, 255}; });
        ExpectTextsApart(explanatory, "explanatory sequence" + at);
    }
}

TEST(WindowTexts, StatusPanelsHoldTheirLongestTexts)
{
    for (const double scale : {1.0, 1.5}) {
        const TFontScale font(scale);
        TFakeClock clock;
        TRecordingErrors errors;
        TForm1 form(errors, clock);
        // Wide enough for the specified panels and the frame's time beside them at 1.5x.
        form.resize(600, 400);
        form.SetStatusText(TStatusPanel::frame, QStringLiteral("Frame #:9999999"));
        form.SetStatusText(TStatusPanel::frequency, QStringLiteral("f=99999.9"));
        ExpectTextsApart(form, "status bar at " + std::to_string(scale) + "x");
    }
}

TEST(WindowTexts, AtTheLeastWindowSizeTheStatusPanelsThatDoNotFitGiveWay)
{
    for (const double scale : {1.0, 1.5}) {
        const TFontScale font(scale);
        TFakeClock clock;
        TRecordingErrors errors;
        TForm1 form(errors, clock);
        form.FirstActivation();  // "Frame #:0" and "0.000 ms" from the start
        form.SetStatusText(TStatusPanel::frequency, QStringLiteral("f=250.0"));
        form.SetStatusText(TStatusPanel::readout, QStringLiteral("column 17, row 3: 100"));
        form.resize(form.minimumSize());
        ExpectTextsApart(form, "least window at " + std::to_string(scale) + "x");
        // The frame number, the first panel, always stays.
        bool frameShown = false;
        for (const TText& text : TextsOf(form))
            frameShown = frameShown || text.text == QStringLiteral("Frame #:0");
        EXPECT_TRUE(frameShown);
        // Wide again, everything is back.
        form.resize(900, 400);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        QStringList texts;
        for (const TText& text : TextsOf(form))
            texts << text.text;
        EXPECT_TRUE(texts.contains(QStringLiteral("0.000 ms"))) << texts.join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(texts.contains(QStringLiteral("f=250.0")));
        form.hide();
    }
}
