#include "services/ServiceDesktopWidget.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace {

QMessageBox::Icon BoxIcon(TMessageIcon icon)
{
    switch (icon) {
    case TMessageIcon::information: return QMessageBox::Information;
    case TMessageIcon::question: return QMessageBox::Question;
    case TMessageIcon::warning: return QMessageBox::Warning;
    case TMessageIcon::error: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

QUrl DocumentUrl(const QString& target)
{
    if (target.startsWith(QLatin1Char('/')))
        return QUrl::fromLocalFile(target);
    const QUrl url(target);
    return url.scheme().isEmpty() ? QUrl::fromUserInput(target) : url;
}

TWidgetServiceDesktop::TWidgetServiceDesktop(QWidget* parent, std::function<void()> showAbout,
                                             std::function<void()> quit)
    : parent_(parent), showAbout_(std::move(showAbout)), quit_(std::move(quit))
{
}

bool TWidgetServiceDesktop::AskYesNo(const QString& text, const QString& caption, TMessageIcon icon)
{
    QMessageBox box(BoxIcon(icon), caption, text, QMessageBox::Yes | QMessageBox::No, parent_);
    return box.exec() == QMessageBox::Yes;
}

void TWidgetServiceDesktop::ShowMessage(const QString& text, const QString& caption, TMessageIcon icon)
{
    QMessageBox box(BoxIcon(icon), caption, text, QMessageBox::Ok, parent_);
    box.exec();
}

bool TWidgetServiceDesktop::StartProgram(const QString& program, const QStringList& arguments)
{
    return !program.isEmpty() && QProcess::startDetached(program, arguments);
}

bool TWidgetServiceDesktop::OpenDocument(const QString& target)
{
    return !target.isEmpty() && QDesktopServices::openUrl(DocumentUrl(target));
}

void TWidgetServiceDesktop::ShowAbout()
{
    if (showAbout_)
        showAbout_();
}

void TWidgetServiceDesktop::Quit()
{
    if (quit_)
        quit_();
}
