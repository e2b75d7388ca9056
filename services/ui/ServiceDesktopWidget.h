#pragma once
// The desktop of the tools and help menus with widgets: standard message boxes over the main
// window, programs started without a shell (QProcess), documents and addresses opened by the
// desktop's associated program (QDesktopServices). User-interface thread.

#include "services/ui/MessageBoxDialog.h"
#include "services/ServiceDesktop.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <functional>

class TWidgetServiceDesktop : public TServiceDesktop {
public:
    // `showAbout` and `quit` are the main window's; `parent` is where message boxes appear.
    TWidgetServiceDesktop(QWidget* parent, std::function<void()> showAbout, std::function<void()> quit);

    bool AskYesNo(const QString& text, const QString& caption, TMessageIcon icon) override;
    void ShowMessage(const QString& text, const QString& caption, TMessageIcon icon) override;
    bool StartProgram(const QString& program, const QStringList& arguments) override;
    bool OpenDocument(const QString& target) override;
    void ShowAbout() override;
    void Quit() override;

private:
    TMessageBoxDialog boxes_;
    std::function<void()> showAbout_;
    std::function<void()> quit_;
};

// A file path as a file address; anything with a scheme ("https:", "mailto:") as it stands.
QUrl DocumentUrl(const QString& target);
