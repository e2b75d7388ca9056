#include "platform/Conversions.h"
#include "viewer/session/DisplaySettingsTarget.h"
#include "viewer/ui/stremax2.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QSlider>
#include <QTest>

#include <memory>

namespace {

// Stands in for the main window: records each call and, like the real setters, stores a
// different value and shows it in the controls window.
class TFakeMain : public TDisplaySettingsTarget {
public:
    TForm2* window = nullptr;
    QStringList calls;
    int32_t black = 0, gray = 0, white = 0;
    double loSat = 0, hiSat = 0, spectrumBlack = 0, spectrumWhite = 0, rate = 0;
    bool showPhase = false, edgeEnhance = false;

    void SetBlackLevel(int32_t v) override { Store("SetBlackLevel", black, v, &TForm2::SetBlackLevel); }
    void SetGrayLevel(int32_t v) override { Store("SetGrayLevel", gray, v, &TForm2::SetGrayLevel); }
    void SetWhiteLevel(int32_t v) override { Store("SetWhiteLevel", white, v, &TForm2::SetWhiteLevel); }
    void SetLoSat(double v) override { Store("SetLoSat", loSat, v, &TForm2::SetLoSat); }
    void SetHiSat(double v) override { Store("SetHiSat", hiSat, v, &TForm2::SetHiSat); }
    void SetSpectrumBlack(double v) override { Store("SetSpectrumBlack", spectrumBlack, v, &TForm2::SetSpectrumBlack); }
    void SetSpectrumWhite(double v) override { Store("SetSpectrumWhite", spectrumWhite, v, &TForm2::SetSpectrumWhite); }
    void SetShowPhase(bool v) override { Store("SetShowPhase", showPhase, v, &TForm2::SetShowPhase); }
    void SetEdgeEnhance(bool v) override { Store("SetEdgeEnhance", edgeEnhance, v, &TForm2::SetEdgeEnhance); }
    void SetPlaybackRate(double v) override
    {
        Record("SetPlaybackRate", v);
        if (v != rate)
            window->SetPlaybackRateTenths(RoundToInt((rate = v) * 10));
    }

private:
    template <typename T>
    void Store(const char* setter, T& stored, T value, void (TForm2::*show)(T))
    {
        Record(setter, double(value));
        if (value != stored)
            (window->*show)(stored = value);
    }
    void Record(const char* setter, double value)
    {
        calls << QString::fromLatin1(setter) + QLatin1Char('(') + QString::number(value) + QLatin1Char(')');
    }
};

// Puts the default locale back when a test changed it.
class TLocaleGuard {
public:
    explicit TLocaleGuard(const QLocale& locale) { QLocale::setDefault(locale); }
    ~TLocaleGuard() { QLocale::setDefault(saved_); }

private:
    QLocale saved_;
};

class ControlsWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<TForm2>(main);
        main.window = window.get();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        // The main window's first activation pushes its defaults in this order.
        window->SetWhiteLevel(255);
        window->SetGrayLevel(64);
        window->SetBlackLevel(0);
        window->SetPlaybackRateTenths(200);
        window->SetLoSat(-50);
        window->SetHiSat(-30);
        window->SetSpectrumBlack(-50);
        window->SetSpectrumWhite(-90);
        main.calls.clear();
    }

    QSlider* Track(const char* role) const
    {
        auto* track = window->findChild<QSlider*>(QLatin1String(role) + QLatin1String("track"));
        EXPECT_NE(track, nullptr) << role;
        return track;
    }
    QLineEdit* Edit(const char* role) const
    {
        auto* edit = window->findChild<QLineEdit*>(QLatin1String(role) + QLatin1String("edit"));
        EXPECT_NE(edit, nullptr) << role;
        return edit;
    }
    // Replaces the edit's text keystroke by keystroke, as a user selecting it all and typing.
    void Type(const char* role, const QString& text) const
    {
        QLineEdit* edit = Edit(role);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    // Ends the edit as Enter does: the box then shows the value.
    void Finish(const char* role) const { QTest::keyClick(Edit(role), Qt::Key_Return); }
    // Replaces the edit's text in one edit, as a paste does.
    void Paste(const char* role, const QString& text) const
    {
        QLineEdit* edit = Edit(role);
        edit->selectAll();
        edit->insert(text);
    }
    // A drag to `position`, as the mouse moves the handle.
    void Drag(const char* role, int position) const
    {
        QSlider* track = Track(role);
        track->setSliderDown(true);
        track->setSliderPosition(position);
        track->setSliderDown(false);
    }
    // On the box and its caption, where a click toggles it.
    static void Click(QCheckBox* box)
    {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->sizeHint().width() / 2, box->height() / 2));
    }
    int CallsTo(const char* setter) const
    {
        return int(main.calls.filter(QLatin1String(setter) + QLatin1Char('(')).size());
    }

    TFakeMain main;
    std::unique_ptr<TForm2> window;
};

TEST_F(ControlsWindow, HasItsColumnsCaptionsAndRanges)
{
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Controls"));
    EXPECT_GE(window->width(), 406);  // the designed size, more where the font needs it
    EXPECT_GE(window->height(), 399);
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    auto* group = window->findChild<QGroupBox*>(QStringLiteral("imagegroup"));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->title(), QStringLiteral("Image"));

    struct TExpected {
        const char* role;
        const char* caption;
        int maximum, ticks, position;
        const char* text;
    };
    const TExpected columns[] = {
        {"imageblack", "Black", 255, 32, 255, "0"},        {"imagegray", "Gray", 255, 32, 191, "64"},
        {"imagewhite", "White", 255, 32, 0, "255"},        {"dblow", "dB low", 100, 32, 50, "-50"},
        {"dbhigh", "dB High", 100, 32, 30, "-30"},         {"spectrumwhite", "White", 100, 32, 90, "-90"},
        {"spectrumblack", "Black", 100, 32, 50, "-50"},    {"framespersec", "Frames/s", 1000, 128, 300, "20"},
    };
    int previousLeft = -1;
    for (const TExpected& column : columns) {
        SCOPED_TRACE(column.role);
        auto* label = window->findChild<QLabel*>(QLatin1String(column.role) + QLatin1String("label"));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), QLatin1String(column.caption));
        QSlider* track = Track(column.role);
        EXPECT_EQ(track->orientation(), Qt::Vertical);
        EXPECT_EQ(track->minimum(), 0);
        EXPECT_EQ(track->maximum(), column.maximum);
        EXPECT_EQ(track->tickInterval(), column.ticks);
        EXPECT_EQ(track->value(), column.position);
        EXPECT_EQ(Edit(column.role)->text(), QLatin1String(column.text));
        EXPECT_GT(track->x(), previousLeft);  // left to right in this order
        EXPECT_LT(label->y(), track->y());
        EXPECT_GT(Edit(column.role)->y(), track->y());
        previousLeft = track->x();
    }
    EXPECT_TRUE(Track("imagewhite")->invertedAppearance());  // position 0 at the top
    auto* showPhase = window->findChild<QCheckBox*>(QStringLiteral("showphasecheck"));
    auto* edge = window->findChild<QCheckBox*>(QStringLiteral("edgeenhancecheck"));
    ASSERT_NE(showPhase, nullptr);
    ASSERT_NE(edge, nullptr);
    EXPECT_EQ(showPhase->text(), QStringLiteral("Show phase info as hue"));
    EXPECT_EQ(edge->text(), QStringLiteral("Edge enhance"));
    EXPECT_GT(showPhase->y(), Edit("imageblack")->y());
}

TEST_F(ControlsWindow, ArrowKeysMoveTheHandleTheWayTheyPoint)
{
    QSlider* black = Track("imageblack");
    black->setFocus();
    QTest::keyClick(black, Qt::Key_Up);
    EXPECT_EQ(black->value(), 254);
    EXPECT_EQ(main.black, 1);
    EXPECT_EQ(Edit("imageblack")->text(), QStringLiteral("1"));
    QTest::keyClick(black, Qt::Key_Down);
    EXPECT_EQ(main.black, 0);
    EXPECT_EQ(main.calls, QStringList({"SetBlackLevel(1)", "SetBlackLevel(0)"}));
}

TEST_F(ControlsWindow, WhiteJumpsOverBlackAndStaysShownBeyondTheSlider)
{
    // Down onto black 0: white -1, which the slider cannot show.
    QSlider* white = Track("imagewhite");
    white->setFocus();
    QTest::keyClick(white, Qt::Key_End);
    EXPECT_EQ(main.white, -1);
    EXPECT_EQ(window->WhiteLevel(), -1);
    EXPECT_EQ(white->value(), 255);
    EXPECT_EQ(Edit("imagewhite")->text(), QStringLiteral("-1"));
    EXPECT_EQ(main.calls, QStringList({"SetWhiteLevel(-1)"}));

    // Back up across black: 0 again collides and jumps to 1, shown once the edit ends.
    Type("imagewhite", QStringLiteral("0"));
    EXPECT_EQ(main.white, 1);
    EXPECT_EQ(white->value(), 254);
    EXPECT_EQ(Edit("imagewhite")->text(), QStringLiteral("0"));
    Finish("imagewhite");
    EXPECT_EQ(Edit("imagewhite")->text(), QStringLiteral("1"));
}

TEST_F(ControlsWindow, BlackBouncesBackFromWhite)
{
    Type("imagewhite", QStringLiteral("64"));
    ASSERT_EQ(main.white, 64);
    Type("imageblack", QStringLiteral("64"));
    EXPECT_EQ(main.black, 63);
    Finish("imageblack");
    EXPECT_EQ(Edit("imageblack")->text(), QStringLiteral("63"));
    EXPECT_EQ(Track("imageblack")->value(), 192);

    // From above (white below black), black bounces back up.
    Drag("imageblack", 155);  // 100
    ASSERT_EQ(main.black, 100);
    Drag("imageblack", 191);  // 64
    EXPECT_EQ(main.black, 65);
    EXPECT_EQ(Track("imageblack")->value(), 190);
    EXPECT_EQ(main.calls.last(), QStringLiteral("SetBlackLevel(65)"));
}

TEST_F(ControlsWindow, GrayStepsAsideFromBlackOnlyAndBlackMayMeetGray)
{
    Drag("imagegray", 255);  // onto black 0 while black is below white: below black
    EXPECT_EQ(main.gray, -1);
    EXPECT_EQ(Edit("imagegray")->text(), QStringLiteral("-1"));
    EXPECT_EQ(Track("imagegray")->value(), 255);

    Drag("imagegray", 0);  // gray may meet white
    EXPECT_EQ(main.gray, 255);

    Drag("imagegray", 155);
    Drag("imageblack", 155);  // black may meet gray
    EXPECT_EQ(main.black, 100);
    EXPECT_EQ(main.gray, 100);

    Drag("imagegray", 154);
    Drag("imagegray", 155);
    EXPECT_EQ(main.gray, 99);

    Type("imagewhite", QStringLiteral("50"));  // black now above white: gray steps above black
    ASSERT_EQ(main.white, 50);
    Drag("imagegray", 155);
    EXPECT_EQ(main.gray, 101);
    EXPECT_EQ(Track("imagegray")->value(), 154);
}

TEST_F(ControlsWindow, DecibelPairsStepAside)
{
    Drag("dbhigh", 50);  // high down onto low -50: bounces back up
    EXPECT_EQ(main.hiSat, -49.0);
    EXPECT_EQ(Edit("dbhigh")->text(), QStringLiteral("-49"));
    EXPECT_EQ(Track("dbhigh")->value(), 49);

    Drag("dblow", 49);  // low up onto high -49: jumps over
    EXPECT_EQ(main.loSat, -48.0);
    EXPECT_EQ(Edit("dblow")->text(), QStringLiteral("-48"));
    EXPECT_EQ(Track("dblow")->value(), 48);

    Drag("spectrumblack", 90);  // spectrum black down onto white -90: bounces back
    EXPECT_EQ(main.spectrumBlack, -89.0);
    EXPECT_EQ(Edit("spectrumblack")->text(), QStringLiteral("-89"));
    EXPECT_EQ(Track("spectrumblack")->value(), 89);

    Drag("spectrumwhite", 89);  // spectrum white up onto black -89: bounces back
    EXPECT_EQ(main.spectrumWhite, -90.0);
    EXPECT_EQ(Edit("spectrumwhite")->text(), QStringLiteral("-90"));
    EXPECT_EQ(Track("spectrumwhite")->value(), 90);

    EXPECT_EQ(main.calls, QStringList({"SetHiSat(-49)", "SetLoSat(-48)", "SetSpectrumBlack(-89)",
                                       "SetSpectrumWhite(-90)"}));
}

TEST_F(ControlsWindow, RatesFollowTheUsersDecimalSeparator)
{
    const TLocaleGuard german{QLocale(QLocale::German)};
    Type("framespersec", QStringLiteral("2,5"));
    EXPECT_EQ(main.rate, 2.5);
    EXPECT_EQ(window->PlaybackRateTenths(), 25);
    EXPECT_EQ(Track("framespersec")->value(), 475);
    EXPECT_EQ(Edit("framespersec")->text(), QStringLiteral("2,5"));

    Type("framespersec", QStringLiteral("-20"));
    EXPECT_EQ(main.rate, -20.0);
    EXPECT_EQ(Track("framespersec")->value(), 700);

    Drag("framespersec", 497);
    EXPECT_EQ(main.rate, 0.3);
    EXPECT_EQ(Edit("framespersec")->text(), QStringLiteral("0,3"));

    Type("dblow", QStringLiteral("-12,5"));
    EXPECT_EQ(main.loSat, -12.5);
    EXPECT_EQ(Track("dblow")->value(), 12);
    EXPECT_EQ(Edit("dblow")->text(), QStringLiteral("-12,5"));
}

TEST_F(ControlsWindow, TextsThatDoNotConvertAreIgnored)
{
    const TLocaleGuard german{QLocale(QLocale::German)};
    Type("framespersec", QStringLiteral("-"));
    Type("framespersec", QStringLiteral("abc"));  // letters are refused: the "-" stays
    EXPECT_EQ(Edit("framespersec")->text(), QStringLiteral("-"));
    Edit("framespersec")->selectAll();
    QTest::keyClick(Edit("framespersec"), Qt::Key_Backspace);
    EXPECT_EQ(Edit("framespersec")->text(), QString());  // the text stays as typed
    Type("dbhigh", QStringLiteral("-"));
    EXPECT_TRUE(main.calls.isEmpty()) << main.calls.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(Edit("framespersec")->text(), QStringLiteral("20"));  // until the box is left
    EXPECT_EQ(Track("framespersec")->value(), 300);
    Finish("dbhigh");
    EXPECT_EQ(Edit("dbhigh")->text(), QStringLiteral("-30"));

    // Keystroke by keystroke: each text that converts applies, the rest leave the value alone.
    Type("framespersec", QStringLiteral("2.5"));  // a point is no separator here
    EXPECT_EQ(main.calls, QStringList({"SetPlaybackRate(2)"}));
    Paste("framespersec", QStringLiteral("1e10"));  // a letter: the paste is refused
    EXPECT_EQ(main.rate, 2.0);
    EXPECT_EQ(Edit("framespersec")->text(), QStringLiteral("2.5"));
    Paste("framespersec", QStringLiteral("1000000000,5"));  // ten times that overflows
    EXPECT_EQ(main.rate, 2.0);
    Paste("framespersec", QStringLiteral("-7,5"));
    EXPECT_EQ(main.rate, -7.5);
    Type("imageblack", QStringLiteral("6.5"));
    EXPECT_EQ(main.black, 6);
}

TEST_F(ControlsWindow, TypedValuesBeyondTheSliderEndAtItsEnd)
{
    Type("dblow", QStringLiteral("-120"));
    EXPECT_EQ(main.loSat, -100.0);
    EXPECT_EQ(Edit("dblow")->text(), QStringLiteral("-120"));  // as typed, while typing
    Finish("dblow");
    EXPECT_EQ(Edit("dblow")->text(), QStringLiteral("-100"));
    EXPECT_EQ(Track("dblow")->value(), 100);
    EXPECT_EQ(main.calls.last(), QStringLiteral("SetLoSat(-100)"));

    // With the slider already at its end nothing moves it, so the typed value stays.
    QLineEdit* low = Edit("dblow");
    low->end(false);
    QTest::keyClicks(low, QStringLiteral("0"));
    EXPECT_EQ(main.loSat, -1000.0);
    EXPECT_EQ(low->text(), QStringLiteral("-1000"));
    EXPECT_EQ(Track("dblow")->value(), 100);

    Type("framespersec", QStringLiteral("80"));
    EXPECT_EQ(main.rate, 50.0);
    EXPECT_EQ(Track("framespersec")->value(), 0);
    Edit("imagegray")->setFocus();  // leaving the box ends the edit
    EXPECT_EQ(Edit("framespersec")->text(), QStringLiteral("50"));
    // A typed 1000 stays 1000 keystroke by keystroke (never turning into 500 on the way), and
    // with the slider at its end already, the value stays too.
    Type("framespersec", QStringLiteral("1000"));
    EXPECT_EQ(main.rate, 1000.0);
    Finish("framespersec");
    EXPECT_EQ(Edit("framespersec")->text(), QStringLiteral("1000"));

    Type("imagegray", QStringLiteral("300"));
    EXPECT_EQ(main.gray, 255);
    Finish("imagegray");
    EXPECT_EQ(Edit("imagegray")->text(), QStringLiteral("255"));
}

TEST_F(ControlsWindow, MainWindowValuesAreShownWithoutAnotherRound)
{
    // As the main window's setter does: store, then show in the window.
    main.white = 200;
    window->SetWhiteLevel(200);
    EXPECT_EQ(Edit("imagewhite")->text(), QStringLiteral("200"));
    EXPECT_EQ(Track("imagewhite")->value(), 55);
    // The window hands the value on once; the main window has it already and stops there.
    EXPECT_EQ(main.calls, QStringList({"SetWhiteLevel(200)"}));

    main.calls.clear();
    window->SetWhiteLevel(200);
    EXPECT_TRUE(main.calls.isEmpty());

    main.rate = -7.5;
    window->SetPlaybackRateTenths(-75);
    EXPECT_EQ(Edit("framespersec")->text(), QStringLiteral("-7.5"));
    EXPECT_EQ(Track("framespersec")->value(), 575);
    EXPECT_EQ(CallsTo("SetPlaybackRate"), 1);

    main.spectrumWhite = -95;
    window->SetSpectrumWhite(-95);
    EXPECT_EQ(Track("spectrumwhite")->value(), 95);
    EXPECT_EQ(CallsTo("SetSpectrumWhite"), 1);
}

TEST_F(ControlsWindow, SwitchesReachTheMainWindowOncePerChange)
{
    auto* edge = window->findChild<QCheckBox*>(QStringLiteral("edgeenhancecheck"));
    ASSERT_NE(edge, nullptr);
    Click(edge);
    EXPECT_TRUE(edge->isChecked());
    EXPECT_TRUE(main.edgeEnhance);
    Click(edge);
    EXPECT_FALSE(edge->isChecked());
    EXPECT_FALSE(main.edgeEnhance);
    EXPECT_EQ(main.calls, QStringList({"SetEdgeEnhance(1)", "SetEdgeEnhance(0)"}));

    // From the main window: the box follows, and the main window hears of it once.
    main.calls.clear();
    auto* showPhase = window->findChild<QCheckBox*>(QStringLiteral("showphasecheck"));
    ASSERT_NE(showPhase, nullptr);
    main.showPhase = true;
    window->SetShowPhase(true);
    EXPECT_TRUE(showPhase->isChecked());
    EXPECT_TRUE(window->ShowPhase());
    window->SetShowPhase(true);
    EXPECT_EQ(main.calls, QStringList({"SetShowPhase(1)"}));
    Click(showPhase);
    EXPECT_FALSE(main.showPhase);
    EXPECT_FALSE(showPhase->isChecked());
}

}  // namespace
