// Two programs of the family on a private session bus: a change of the tools list posted by one
// rebuilds the other's Tools menu; a program's own post does not rebuild its own.
#include "platform/bus/ApplicationWindow.h"
#include "services/SettingsContext.h"
#include "services/bus/ToolsBusChannel.h"
#include "services/stools.h"
#include "support/RecordingDesktop.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

namespace {

bool WaitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QTest::qWait(10);
    return done();
}

}  // namespace

TEST(ToolsBus, AChangePostedByOneProgramRebuildsTheOthersMenu)
{
    TApplicationWindow window;
    ASSERT_TRUE(window.Connect(QStringLiteral("TREMAX"))) << "no session bus: run under dbus-run-session";
    TScratch scratch;
    const QStringList folders = {scratch.Path("user"), scratch.Path("machine"), scratch.Path("classes")};
    TSettingsContext context(TRegistryFolders{folders[0], folders[1], folders[2]}, TSystemFolders{});
    context.ProbeSharedRoots();
    TBusToolsChannel channel(window);
    EXPECT_NE(channel.Message(), 0u);
    TRecordingDesktop desktop;
    TToolsProgram program;
    program.ExecutablePath = QStringLiteral("/opt/tremax/tremax");
    TToolsMenu menu(context, desktop, &channel, program);
    menu.ThisAppMenuText = QStringLiteral("Tremax");
    menu.ThisAppName = QStringLiteral("Tremax");
    menu.AutoInsertThisApp = true;
    int builds = 0;
    int told = 0;
    menu.OnMenuBuilt = [&](const TToolsMenuContent&) { ++builds; };
    menu.OnBroadcastedChange = [&] { ++told; };
    menu.Loaded();  // registers Tremax and posts: its own post is not for itself
    ASSERT_EQ(builds, 1);
    ASSERT_EQ(menu.Content().Items.size(), 1u);
    QTest::qWait(300);
    EXPECT_EQ(builds, 1);

    QProcess other;
    other.start(QStringLiteral(TREMAX_TOOLS_HELPER), folders + QStringList{"Sonel", "Sonel"});
    ASSERT_TRUE(other.waitForStarted(5000));
    EXPECT_TRUE(WaitUntil([&] { return builds == 2; }, 10000)) << other.readAllStandardError().constData();
    EXPECT_EQ(told, 1);
    ASSERT_EQ(menu.Content().Items.size(), 2u);
    EXPECT_EQ(menu.Content().Items[1].Caption, QStringLiteral("&Sonel"));
    ASSERT_TRUE(other.waitForFinished(10000));
    EXPECT_EQ(other.exitCode(), 0);
    EXPECT_EQ(other.readAllStandardOutput(), QByteArray("added\n"));
    QTest::qWait(100);
    EXPECT_EQ(builds, 2);
}

// Six programs adding a tool at the same moment: each tool gets a key of its own, none is lost.
TEST(ToolsBus, ProgramsAddingToolsAtOnceLoseNone)
{
    TScratch scratch;
    const QStringList folders = {scratch.Path("user"), scratch.Path("machine"), scratch.Path("classes")};
    std::vector<std::unique_ptr<QProcess>> helpers;
    for (int i = 0; i < 6; ++i) {
        auto& helper = helpers.emplace_back(std::make_unique<QProcess>());
        helper->start(QStringLiteral(TREMAX_TOOLS_HELPER),
                      folders + QStringList{QStringLiteral("Tool %1").arg(i), QStringLiteral("tool%1").arg(i)});
    }
    for (auto& helper : helpers) {
        ASSERT_TRUE(helper->waitForFinished(30000));
        EXPECT_EQ(helper->exitCode(), 0) << helper->readAllStandardError().constData();
    }
    TSettingsContext context(TRegistryFolders{folders[0], folders[1], folders[2]}, TSystemFolders{});
    context.ProbeSharedRoots();
    TRecordingDesktop desktop;
    TToolsMenu menu(context, desktop, nullptr, TToolsProgram{});
    QSet<QString> keys;
    for (int i = 0; i < 6; ++i) {
        const QString key = menu.app_keyname(QStringLiteral("tool%1").arg(i));
        EXPECT_FALSE(key.isEmpty()) << "tool" << i << " was lost";
        keys.insert(key);
    }
    EXPECT_EQ(keys.size(), 6);
}
