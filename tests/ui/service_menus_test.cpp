// The main window's Tools and Help menus: where they sit in the menu bar, what they hold, and a
// rebuilt Tools menu taking the old one's place.
#include "services/ui/ServiceDesktopWidget.h"
#include "services/SettingsContext.h"
#include "services/VersionFile.h"
#include "services/chlpmenu.h"
#include "services/stools.h"
#include "support/RecordingDesktop.h"
#include "support/TestDoubles.h"
#include "support/TestSupport.h"
#include "viewer/ui/stremax1.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>

namespace {

QStringList Titles(const QList<QAction*>& actions)
{
    QStringList titles;
    for (const QAction* action : actions)
        titles << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return titles;
}

QMenu* MenuNamed(QMenuBar& bar, const QString& title)
{
    for (QAction* action : bar.actions())
        if (action->text() == title)
            return action->menu();
    return nullptr;
}

}  // namespace

TEST(ServiceMenus, ToolsIsTheFourthMenuAndHelpTheLast)
{
    TScratch scratch;
    TSettingsContext context(TRegistryFolders{scratch.Path("user"), scratch.Path("machine"), scratch.Path("classes")},
                             TSystemFolders{});
    context.ProbeSharedRoots();
    // Checked today already, and no automatic checks: nothing asks or goes to the network.
    TRegistry user(context.Registry(), TRegistryRoot::currentUser);
    user.WriteInteger(QStringLiteral("\\Software\\VarnikData\\Tremax"), QStringLiteral("LastNewVersionCheckDate"),
                      DayNumber(QDate::currentDate()));
    user.WriteInteger(QStringLiteral("\\Software\\VarnikData\\Tremax"), QStringLiteral("AutoCheckForNewVersion"), 0);

    TFakeClock clock;
    TRecordingErrors errors;
    TForm1 form(errors, clock);
    QMenuBar& bar = *form.menuBar();
    EXPECT_EQ(Titles(bar.actions()).last(), QStringLiteral("&Help"));
    form.AttachServiceMenus(context, nullptr, {QStringLiteral("/opt/tremax/tremax")});
    QCoreApplication::processEvents();
    EXPECT_EQ(Titles(bar.actions()),
              (QStringList{"&File", "&View", "&Edit", "&Tools", "&Settings", "&Window", "&Help"}));

    QMenu* tools = MenuNamed(bar, QStringLiteral("&Tools"));
    ASSERT_TRUE(tools);
    EXPECT_EQ(Titles(tools->actions()), QStringList{"&Tremax"});
    QMenu* help = MenuNamed(bar, QStringLiteral("&Help"));
    ASSERT_TRUE(help);
    EXPECT_EQ(Titles(help->actions()), (QStringList{"E-mail Varnik Data", "Varnik Data Web", "Check for new version now",
                                                     "Check for new version automatically", "-", "A&bout..."}));
    EXPECT_TRUE(help->actions()[3]->isCheckable());
    EXPECT_FALSE(help->actions()[3]->isChecked());

    // A rebuild (as for another program's change) replaces the menu in its place.
    TRegistry machine(context.Registry(), TRegistryRoot::localMachine);
    machine.WriteString(QStringLiteral("\\SOFTWARE\\Quellan\\Toolmenu\\00009"), QStringLiteral("MenuText"),
                        QStringLiteral("&Sonel"));
    machine.WriteInteger(QStringLiteral("\\SOFTWARE\\Quellan\\Toolmenu\\00009"), QStringLiteral("HotKey"), 0x4000 + 0x53);
    form.ToolsMenu1()->insert_in_menu();
    QCoreApplication::processEvents();
    EXPECT_EQ(Titles(bar.actions()),
              (QStringList{"&File", "&View", "&Edit", "&Tools", "&Settings", "&Window", "&Help"}));
    tools = MenuNamed(bar, QStringLiteral("&Tools"));
    ASSERT_TRUE(tools);
    EXPECT_EQ(Titles(tools->actions()), (QStringList{"&Tremax", "&Sonel"}));
    EXPECT_EQ(tools->actions()[1]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST(ServiceMenus, DocumentsAreFilesAndAddressesAreKept)
{
    EXPECT_EQ(DocumentUrl(QStringLiteral("/opt/help/tremax manual.html")),
              QUrl::fromLocalFile(QStringLiteral("/opt/help/tremax manual.html")));
    EXPECT_EQ(DocumentUrl(QStringLiteral("mailto:info@varnikdata.com")).scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(DocumentUrl(QStringLiteral("https://www.varnikdata.com/")).host(), QStringLiteral("www.varnikdata.com"));
}

// The user's guide lies where the Help menu looks for it beside the program, so "&Help..." (F1)
// is the menu's first item and opens it; the guide names every command of the main window's
// menus with its key, the windows, and every command of tremax-cli.
TEST(ServiceMenus, TheHelpItemOpensTheUsersGuideThatNamesEveryCommand)
{
    TScratch scratch;
    TSettingsContext context(TRegistryFolders{scratch.Path("user"), scratch.Path("machine"), scratch.Path("classes")},
                             TSystemFolders{});
    context.ProbeSharedRoots();
    TRecordingDesktop desktop;
    THelpMenu help(context, desktop, QStringLiteral(TREMAX_PROGRAM));
    const QString guide = QDir::cleanPath(QFileInfo(QStringLiteral(TREMAX_PROGRAM)).absolutePath() +
                                          QStringLiteral("/../help/tremax.html"));
    ASSERT_EQ(help.HelpFile(), guide);
    THelpMenuContent content;
    help.OnMenuBuilt = [&](const THelpMenuContent& built) { content = built; };
    help.HasAboutBox = true;
    help.BuildMenu();
    ASSERT_FALSE(content.Items.empty());
    EXPECT_EQ(content.Items[0].Kind, THelpItemKind::helpContents);
    EXPECT_EQ(content.Items[0].Caption, QStringLiteral("&Help..."));
    EXPECT_EQ(content.Items[0].Shortcut, QKeySequence(Qt::Key_F1));
    help.OpenHelpFile();
    EXPECT_EQ(desktop.opened, QStringList{guide});

    QFile file(guide);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    TFakeClock clock;
    TRecordingErrors errors;
    TForm1 form(errors, clock);
    QStringList missing;
    for (QAction* menu : form.menuBar()->actions()) {
        if (!menu->menu())
            continue;
        for (QAction* item : menu->menu()->actions()) {
            if (item->isSeparator())
                continue;
            const QString caption = QString(item->text()).remove(QLatin1Char('&'));
            if (!text.contains(caption))
                missing << caption;
            const QString key = item->shortcut().toString();
            if (!key.isEmpty() && !text.contains(QStringLiteral("<kbd>") + key + QStringLiteral("</kbd>")))
                missing << key;
        }
    }
    for (QAction* step : form.actions())
        if (!step->shortcut().isEmpty() &&
            !text.contains(QStringLiteral("<kbd>") + step->shortcut().toString() + QStringLiteral("</kbd>")))
            missing << step->shortcut().toString();
    for (const char* window : {"Controls", "Kymo", "Point spectrum", "Row spectrum", "Waveform", "Speckle properties",
                               "Color legend", "Settings", "Sequence", "Axis limits", "Properties..."})
        if (!text.contains(QString::fromUtf8(window)))
            missing << QString::fromUtf8(window);
    for (const char* command : {"info", "render", "spectrum", "rowspectra", "colorize", "kymogram", "waveform",
                                "track", "montage", "export-smp", "legend", "smp-info"})
        if (!text.contains(QStringLiteral("tremax-cli %1 ").arg(QString::fromUtf8(command))))
            missing << QStringLiteral("tremax-cli ") + QString::fromUtf8(command);
    for (const char* format : {".bld", ".par", ".dsc", ".cih", ".mraw", ".tif", ".avi", ".smp", ".bmp", "CSV"})
        if (!text.contains(QString::fromUtf8(format)))
            missing << QString::fromUtf8(format);
    EXPECT_TRUE(missing.isEmpty()) << missing.join(QStringLiteral(", ")).toStdString();
}
