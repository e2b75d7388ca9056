#include "export/ui/stremax8.h"

#include "export/io/MontageFrames.h"
#include "platform/Conversions.h"
#include "viewer/session/ErrorHandler.h"
#include "viewer/session/ViewerSession.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

// A caption above its edit box, in the left column.
QLineEdit* AddEdit(QWidget* parent, QVBoxLayout* column, const char* caption, const char* name, const char* text)
{
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    auto* edit = new QLineEdit(QString::fromLatin1(text), parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 12 + 12);
    label->setBuddy(edit);
    column->addWidget(label);
    column->addWidget(edit);
    return edit;
}

}  // namespace

TForm8::TForm8(TViewerSession& session, TErrorHandler& errors, TPictureCopy copy, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      session_(session), errors_(errors), copy_(std::move(copy))
{
    setWindowTitle(QStringLiteral("Sequence"));
    setModal(true);

    // Laid out by the texts' sizes, so that no caption is cut at any font size; the dialog is
    // as large as they need and no larger.
    auto* edits = new QVBoxLayout;
    edits->setSpacing(2);
    skipedit_ = AddEdit(this, edits, "Down-sampling (skip factor)", "skipedit", "4");
    edits->addSpacing(6);
    nxedit_ = AddEdit(this, edits, "# of pics (x-wise)", "nxedit", "4");
    edits->addSpacing(6);
    nyedit_ = AddEdit(this, edits, "# of pics (y-wise)", "nyedit", "3");
    edits->addStretch(1);

    auto* textgroup = new QGroupBox(QStringLiteral("Text on each image"), this);
    textgroup->setObjectName(QStringLiteral("textgroup"));
    auto* choices = new QVBoxLayout(textgroup);
    choices->setSpacing(0);
    nonebutton_ = new QRadioButton(QStringLiteral("None"), textgroup);
    framebutton_ = new QRadioButton(QStringLiteral("Frame number"), textgroup);
    timebutton_ = new QRadioButton(QStringLiteral("Time"), textgroup);
    for (QRadioButton* button : {nonebutton_, framebutton_, timebutton_})
        choices->addWidget(button);
    framebutton_->setChecked(true);

    aspectbox_ = new QCheckBox(QStringLiteral("Fix aspect ratio"), this);
    aspectbox_->setObjectName(QStringLiteral("aspectbox"));
    aspectbox_->setChecked(true);
    auto* options = new QVBoxLayout;
    options->addWidget(textgroup);
    options->addWidget(aspectbox_);
    options->addStretch(1);

    auto* copybutton = new QPushButton(QStringLiteral("Copy to clipboard"), this);
    copybutton->setObjectName(QStringLiteral("copybutton"));
    copybutton->setDefault(true);
    connect(copybutton, &QPushButton::clicked, this, &TForm8::CopyToClipboard);
    auto* closebutton = new QPushButton(QStringLiteral("Close"), this);
    closebutton->setObjectName(QStringLiteral("closebutton"));
    connect(closebutton, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(copybutton);
    buttons->addStretch(1);
    buttons->addWidget(closebutton);

    auto* columns = new QHBoxLayout;
    columns->addLayout(edits);
    columns->addSpacing(12);
    columns->addLayout(options);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(8, 6, 8, 6);
    outer->addLayout(columns);
    outer->addSpacing(6);
    outer->addLayout(buttons);
    outer->setSizeConstraint(QLayout::SetFixedSize);
}

TMontageSettings TForm8::Settings() const
{
    TMontageSettings settings;
    settings.across = StrToInt(nxedit_->text());
    settings.down = StrToInt(nyedit_->text());
    settings.skip = StrToInt(skipedit_->text());
    settings.text = nonebutton_->isChecked() ? mtnone : timebutton_->isChecked() ? mttime : mtframe;
    settings.fixAspect = aspectbox_->isChecked();
    const TViewState& view = session_.View();
    settings.firstFrame = view.CurrentFrame;
    settings.blackLevel = view.BlackLevel;
    settings.whiteLevel = view.WhiteLevel;
    settings.framesPerSecond = session_.Sequence().Header().FramesPerSecond;
    settings.decimalSeparator = UserDecimalSeparator();
    return settings;
}

void TForm8::CopyToClipboard()
{
    bool copied = false;
    errors_.Guarded([this, &copied] {
        const TMontageSettings settings = Settings();
        TMontageFrames frames(session_.Sequence());
        copy_(BuildMontage(frames, settings));
        copied = true;
    });
    if (copied)
        accept();
}

void TForm8::showEvent(QShowEvent* event)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
}
