#pragma once
// "File properties": the header numbers of the open sequence, shown modally.

#include <QDialog>
#include <QStringList>
#include <cstdint>

class QGroupBox;
class QLabel;
struct TSequenceHeader;

class TForm3 : public QDialog {
    Q_OBJECT

public:
    explicit TForm3(QWidget* parent = nullptr);

    // Fills the group caption and the six lines; `playAnchorFrame` is the frame at which
    // playback was last anchored.
    void SetProperties(const TSequenceHeader& header, int32_t playAnchorFrame);
    // SetProperties, then runs the dialog modally once, until Close, Esc or the close box.
    void ShowProperties(const TSequenceHeader& header, int32_t playAnchorFrame);

    QString GroupCaption() const;
    // The six lines from top to bottom: the five specified, then the header's first frame.
    QStringList LineTexts() const;
    // Below the six lines: the recording's format and the bit depth of its samples.
    void SetSourceFormat(const QString& format, int bitDepth);
    QString FormatText() const;

private:
    QGroupBox* propertiesgroup_;
    QLabel* xpixelslabel_;
    QLabel* ypixelslabel_;
    QLabel* frameslabel_;
    QLabel* framesperseclabel_;
    QLabel* startframelabel_;
    QLabel* firstframelabel_;
    QLabel* formatlabel_;
};
