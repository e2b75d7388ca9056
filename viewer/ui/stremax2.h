#pragma once
// "Controls": a slider and an edit box for each display level of the main window, plus the
// phase and edge switches. Slider, edit box and the main window's setter can each change a
// value; the window keeps its own copy so that the three meet without echoing forever.

#include <QWidget>
#include <cstdint>
#include <functional>

class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLineEdit;
class QSlider;
class TDisplaySettingsTarget;
class TViewerSession;

class TForm2 : public QWidget {
    Q_OBJECT

public:
    // Built on the viewer session: edits go to it, and every level it stores is shown here (the
    // window hands an equal value back, which ends the exchange). The session must outlive it.
    // Laid out from the font: the designed 406 x 399, larger when the captions need it.
    explicit TForm2(TViewerSession& session, QWidget* parent = nullptr);
    // On any target that shows its values by calling the setters below (the tests' stand-in).
    explicit TForm2(TDisplaySettingsTarget& target, QWidget* parent = nullptr);
    ~TForm2() override;

    // Window-side setters, also called to show the session's values. A value equal to
    // the window's copy does nothing; otherwise it steps aside from its partner level, is
    // stored, handed to the target, and shown on the slider and in the edit box, except
    // in the box being typed in: that one shows the value when its edit finishes (Enter or
    // leaving it). The boxes take signs, digits and a decimal separator only.
    void SetBlackLevel(int32_t level);
    void SetGrayLevel(int32_t level);
    void SetWhiteLevel(int32_t level);
    void SetLoSat(double dB);
    void SetHiSat(double dB);
    void SetSpectrumBlack(double dB);
    void SetSpectrumWhite(double dB);
    // Tenths of a frame per second: ten times the session's rate, rounded.
    void SetPlaybackRateTenths(int32_t tenths);
    // The box always takes the value; the target hears of it only when it changed.
    void SetShowPhase(bool on);
    void SetEdgeEnhance(bool on);

    int32_t BlackLevel() const { return black_; }
    int32_t GrayLevel() const { return gray_; }
    int32_t WhiteLevel() const { return white_; }
    double LoSat() const { return loSat_; }
    double HiSat() const { return hiSat_; }
    double SpectrumBlack() const { return spectrumBlack_; }
    double SpectrumWhite() const { return spectrumWhite_; }
    int32_t PlaybackRateTenths() const { return rateTenths_; }
    bool ShowPhase() const { return showPhase_; }
    bool EdgeEnhance() const { return edgeEnhance_; }

private:
    struct TColumn {
        QSlider* track;
        QLineEdit* edit;
        std::function<QString()> text;  // the window's copy as the box shows it
    };
    class TTyping;
    void FollowSession(TViewerSession& session);
    TColumn AddColumn(int index, const QString& caption, const QString& role, int32_t maximum, int32_t ticks,
                      std::function<QString()> text);
    // Stores a dB level (already moved off its partner), hands it to the main window, shows it.
    void ApplyDecibel(double& copy, double dB, void (TDisplaySettingsTarget::*setter)(double), const TColumn& column);
    void ShowValue(const TColumn& column, const QString& text, int32_t position);

    TDisplaySettingsTarget& target_;

    QGroupBox* imagegroup_;
    QGridLayout* columns_ = nullptr;
    const QLineEdit* typingIn_ = nullptr;
    TColumn imageblack_{}, imagegray_{}, imagewhite_{}, dblow_{}, dbhigh_{}, spectrumwhite_{}, spectrumblack_{},
        framespersec_{};
    QCheckBox* showphasecheck_;
    QCheckBox* edgeenhancecheck_;

    int32_t black_ = 0;
    int32_t gray_ = 0;
    int32_t white_ = 0;
    double loSat_ = 0;
    double hiSat_ = 0;
    double spectrumBlack_ = 0;
    double spectrumWhite_ = 0;
    int32_t rateTenths_ = 0;
    bool showPhase_ = false;
    bool edgeEnhance_ = false;
};
