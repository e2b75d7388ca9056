#include "services/ui/ServiceDesktopWidget.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

QUrl DocumentUrl(const QString& target)
{
    if (target.startsWith(QLatin1Char('/')))
        return QUrl::fromLocalFile(target);
    const QUrl url(target);
    return url.scheme().isEmpty() ? QUrl::fromUserInput(target) : url;
}

TWidgetServiceDesktop::TWidgetServiceDesktop(QWidget* parent, std::function<void()> showAbout,
                                             std::function<void()> quit)
    : boxes_(parent), showAbout_(std::move(showAbout)), quit_(std::move(quit))
{
}

bool TWidgetServiceDesktop::AskYesNo(const QString& text, const QString& caption, TMessageIcon icon)
{
    return boxes_.Show(text, caption, icon, TMessageButtons::yesNo) == TMessageAnswer::yes;
}

void TWidgetServiceDesktop::ShowMessage(const QString& text, const QString& caption, TMessageIcon icon)
{
    boxes_.Show(text, caption, icon, TMessageButtons::ok);
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
