#pragma once
// "Color legend": the colour legend of colorizing on screen, beside the image, with its units
// (dB down the side, degrees of phase along the bottom when phase is shown as hue). The picture
// is the very bitmap "Copy color legend" copies, scaled to the window.

#include <QImage>
#include <QWidget>

class TColourLegendWindow : public QWidget {
    Q_OBJECT
public:
    explicit TColourLegendWindow(QWidget* parent = nullptr);

    // The saturation levels and the phase switch of the legend shown.
    void SetLevels(double loSat, double hiSat, bool showPhase);
    const QImage& Legend() const { return legend_; }
    bool ShowsPhase() const { return showPhase_; }
    // The unit captions drawn: "[dB]", and "[°]" with phase.
    QStringList UnitTexts() const;

Q_SIGNALS:
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QImage legend_;
    bool showPhase_ = false;
};
