#include "viewer/ui/stremax3.h"

#include "platform/Conversions.h"
#include "viewer/io/SequenceHeader.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

TForm3::TForm3(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("File properties"));
    setModal(true);

    propertiesgroup_ = new QGroupBox(QStringLiteral("Properties of "), this);
    propertiesgroup_->setObjectName(QStringLiteral("propertiesgroup"));
    auto* lines = new QVBoxLayout(propertiesgroup_);
    // The captions line their colons up with blanks, which needs a fixed-pitch font.
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const auto addLine = [&](const char* role) {
        auto* label = new QLabel(propertiesgroup_);
        label->setObjectName(QString::fromLatin1(role));
        label->setFont(fixed);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        lines->addWidget(label);
        return label;
    };
    xpixelslabel_ = addLine("xpixelslabel");
    ypixelslabel_ = addLine("ypixelslabel");
    frameslabel_ = addLine("frameslabel");
    framesperseclabel_ = addLine("framesperseclabel");
    startframelabel_ = addLine("startframelabel");
    // The recording's own number of frame 0 (the header's key), apart from the playback anchor
    // above it, which is easily taken for it.
    firstframelabel_ = addLine("firstframelabel");
    formatlabel_ = addLine("formatlabel");
    formatlabel_->hide();  // until a recording is shown

    // Esc closes too; a visible button says how.
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* outer = new QVBoxLayout(this);
    outer->addWidget(propertiesgroup_);
    outer->addWidget(buttons);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    SetProperties(TSequenceHeader{}, 0);
}

void TForm3::SetProperties(const TSequenceHeader& header, int32_t playAnchorFrame)
{
    propertiesgroup_->setTitle(QStringLiteral("Properties of ") + QFileInfo(header.FileName).fileName());
    xpixelslabel_->setText(QStringLiteral("x pixels    : ") + QString::number(header.Width));
    ypixelslabel_->setText(QStringLiteral("y pixels    : ") + QString::number(header.Height));
    frameslabel_->setText(QStringLiteral("# of frames : ") + QString::number(header.FrameCount));
    framesperseclabel_->setText(QStringLiteral("frames/s    : ") +
                                FloatToStr(header.FramesPerSecond, UserDecimalSeparator()));
    startframelabel_->setText(QStringLiteral("Start frame : ") + QString::number(playAnchorFrame));
    firstframelabel_->setText(QStringLiteral("FIRSTFRAME  : ") + QString::number(header.FirstFrame));
}

void TForm3::ShowProperties(const TSequenceHeader& header, int32_t playAnchorFrame)
{
    SetProperties(header, playAnchorFrame);
    exec();
}

void TForm3::SetSourceFormat(const QString& format, int bitDepth)
{
    formatlabel_->setText(QStringLiteral("Format      : %1, %2 bit").arg(format).arg(bitDepth));
    formatlabel_->show();
}

QString TForm3::FormatText() const { return formatlabel_->text(); }

QString TForm3::GroupCaption() const { return propertiesgroup_->title(); }

QStringList TForm3::LineTexts() const
{
    return {xpixelslabel_->text(), ypixelslabel_->text(), frameslabel_->text(), framesperseclabel_->text(),
            startframelabel_->text(), firstframelabel_->text()};
}
