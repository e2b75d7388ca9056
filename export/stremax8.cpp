#include "export/stremax8.h"

#include "export/MontageFrames.h"
#include "platform/Conversions.h"
#include "viewer/ErrorHandler.h"
#include "viewer/ViewerSession.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QLineEdit* AddEdit(QWidget* parent, const char* caption, const char* name, const char* text, int top)
{
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    label->setGeometry(8, top, 140, 16);
    auto* edit = new QLineEdit(QString::fromLatin1(text), parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(8, top + 17, 121, 22);
    label->setBuddy(edit);
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
    setFixedSize(292, 165);

    skipedit_ = AddEdit(this, "Down-sampling (skip factor)", "skipedit", "4", 6);
    nxedit_ = AddEdit(this, "# of pics (x-wise)", "nxedit", "4", 50);
    nyedit_ = AddEdit(this, "# of pics (y-wise)", "nyedit", "3", 94);

    auto* textgroup = new QGroupBox(QStringLiteral("Text on each image"), this);
    textgroup->setObjectName(QStringLiteral("textgroup"));
    textgroup->setGeometry(150, 6, 134, 90);
    auto* choices = new QVBoxLayout(textgroup);
    choices->setContentsMargins(8, 4, 4, 4);
    choices->setSpacing(0);
    nonebutton_ = new QRadioButton(QStringLiteral("None"), textgroup);
    framebutton_ = new QRadioButton(QStringLiteral("Frame number"), textgroup);
    timebutton_ = new QRadioButton(QStringLiteral("Time"), textgroup);
    for (QRadioButton* button : {nonebutton_, framebutton_, timebutton_})
        choices->addWidget(button);
    framebutton_->setChecked(true);

    aspectbox_ = new QCheckBox(QStringLiteral("Fix aspect ratio"), this);
    aspectbox_->setObjectName(QStringLiteral("aspectbox"));
    aspectbox_->setGeometry(150, 102, 134, 20);
    aspectbox_->setChecked(true);

    auto* copybutton = new QPushButton(QStringLiteral("Copy to clipboard"), this);
    copybutton->setObjectName(QStringLiteral("copybutton"));
    copybutton->setGeometry(8, 134, 130, 25);
    copybutton->setDefault(true);
    connect(copybutton, &QPushButton::clicked, this, &TForm8::CopyToClipboard);
    auto* closebutton = new QPushButton(QStringLiteral("Close"), this);
    closebutton->setObjectName(QStringLiteral("closebutton"));
    closebutton->setGeometry(204, 134, 80, 25);
    connect(closebutton, &QPushButton::clicked, this, &QDialog::reject);
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
