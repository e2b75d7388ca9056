#include "viewer/ui/stremax6.h"

#include "viewer/io/AnalysisSizes.h"
#include "viewer/session/ErrorHandler.h"

#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TForm6::TForm6(TAnalysisSizesTarget& sizes, TErrorHandler& errors, QWidget* parent)
    : QDialog(parent), sizes_(sizes), errors_(errors)
{
    setWindowTitle(QStringLiteral("Settings"));
    setModal(true);

    fftsizeedit_ = new QLineEdit(this);
    fftsizeedit_->setObjectName(QStringLiteral("fftsizeedit"));
    cachesizeedit_ = new QLineEdit(this);
    cachesizeedit_->setObjectName(QStringLiteral("cachesizeedit"));
    fftsizeedit_->setAccessibleName(QStringLiteral("FFT/kymogram size [points]"));
    cachesizeedit_->setAccessibleName(QStringLiteral("Cache size [frames]"));
    setAccessibleDescription(QStringLiteral("The analysis length and the number of frames in the cache"));
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("FFT/kymogram size [points]"), fftsizeedit_);
    fields->addRow(QStringLiteral("Cache size [frames]"), cachesizeedit_);

    okbutton_ = new QPushButton(QStringLiteral("&Ok"), this);
    okbutton_->setObjectName(QStringLiteral("okbutton"));
    okbutton_->setDefault(true);
    okbutton_->setAutoDefault(true);
    cancelbutton_ = new QPushButton(QStringLiteral("&Cancel"), this);
    cancelbutton_->setObjectName(QStringLiteral("cancelbutton"));
    cancelbutton_->setAutoDefault(false);
    connect(okbutton_, &QPushButton::clicked, this, &TForm6::OnOk);
    connect(cancelbutton_, &QPushButton::clicked, this, &QDialog::reject);  // Escape too (QDialog)
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okbutton_);
    buttons->addWidget(cancelbutton_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

int TForm6::ShowSettings()
{
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    return exec();
}

void TForm6::showEvent(QShowEvent* event)
{
    fftsizeedit_->setText(QString::number(sizes_.SpectrumLength()));
    cachesizeedit_->setText(QString::number(sizes_.CacheSize()));
    QDialog::showEvent(event);
}

void TForm6::OnOk()
{
    bool applied = false;
    errors_.Guarded([&] {
        ApplyAnalysisSizes(sizes_, fftsizeedit_->text(), cachesizeedit_->text());
        applied = true;
    });
    if (applied)
        accept();
}
