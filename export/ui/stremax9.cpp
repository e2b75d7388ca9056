#include "export/ui/stremax9.h"

#include "export/io/MontageFrames.h"
#include "platform/Conversions.h"
#include "viewer/session/ErrorHandler.h"
#include "viewer/session/ViewerSession.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The explanatory sequence walks through consecutive frames: read them a few dozen at a time.
constexpr int32_t kChunkFrames = 64;

}  // namespace

TForm9::TForm9(TViewerSession& session, TErrorHandler& errors, TPictureCopy copy, TRangeSource waveformRange,
               QWidget* parent)
    : QDialog(parent), session_(session), errors_(errors), copy_(std::move(copy)),
      waveformRange_(std::move(waveformRange))
{
    setWindowTitle(QStringLiteral("Form9"));
    setModal(true);

    // Laid out by the texts' sizes: nothing is cut at any font size.
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(2);
    const auto addEdit = [this, column](const char* caption, const char* name, const char* text) {
        auto* label = new QLabel(QString::fromUtf8(caption), this);
        auto* edit = new QLineEdit(QString::fromLatin1(text), this);
        edit->setObjectName(QString::fromLatin1(name));
        label->setBuddy(edit);
        column->addWidget(label);
        column->addWidget(edit);
        column->addSpacing(6);
        return edit;
    };
    imagesedit_ = addEdit("# of images", "imagesedit", "10");
    skipedit_ = addEdit("Skip", "skipedit", "2");

    auto* copybutton = new QPushButton(QStringLiteral("Copy to clipboard"), this);
    copybutton->setObjectName(QStringLiteral("copybutton"));
    copybutton->setDefault(true);
    connect(copybutton, &QPushButton::clicked, this, &TForm9::CopyToClipboard);
    auto* closebutton = new QPushButton(QStringLiteral("Close"), this);
    closebutton->setObjectName(QStringLiteral("closebutton"));
    connect(closebutton, &QPushButton::clicked, this, &QDialog::reject);
    column->addWidget(copybutton);
    column->addSpacing(8);
    column->addWidget(closebutton);
    column->setSizeConstraint(QLayout::SetFixedSize);
}

TExplanatorySettings TForm9::Settings() const
{
    TExplanatorySettings settings;
    settings.images = StrToInt(imagesedit_->text());
    settings.skip = StrToInt(skipedit_->text());
    const TViewState& view = session_.View();
    settings.firstFrame = view.CurrentFrame;
    settings.point = view.SelectedPoint;
    settings.blackLevel = view.BlackLevel;
    settings.whiteLevel = view.WhiteLevel;
    const TValueRange range = waveformRange_ ? waveformRange_() : TValueRange{};
    settings.valueLo = range.lo;
    settings.valueHi = range.hi;
    return settings;
}

void TForm9::CopyToClipboard()
{
    bool copied = false;
    errors_.Guarded([this, &copied] {
        const TExplanatorySettings settings = Settings();
        TMontageFrames frames(session_.Sequence(), kChunkFrames);
        copy_(BuildExplanatorySequence(frames, settings).bitmap);
        copied = true;
    });
    if (copied)
        accept();
}
