// Errors that escape window events: caught by the application object, reported once on the
// user-interface thread, logged by the error log; the program goes on. And the services as the
// program starts them: recent files in the File menu, start and end records.
#include "app/ui/Startup.h"
#include "app/ui/TremaxApplication.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "services/SettingsContext.h"
#include "services/sini.h"
#include "services/srecent.h"
#include "support/TestSupport.h"
#include "viewer/ui/stremax1.h"
#include "viewer/ui/stremax2.h"
#include "analysis/ui/stremax4.h"
#include "analysis/ui/stremax5.h"
#include "analysis/ui/stremax7.h"
#include "analysis/ui/stremax11.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

namespace {

TTremaxApplication& App() { return *static_cast<TTremaxApplication*>(QCoreApplication::instance()); }

// An object whose user events throw; its other events count.
class TThrower : public QObject {
public:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User)
            throw EError(QStringLiteral("Broken event"));
        if (event->type() == QEvent::Type(QEvent::User + 1))
            throw 42;  // not even an exception class
        ++handled;
        return QObject::event(event);
    }
    int handled = 0;
};

struct TReport {
    QObject* sender;
    QString message;
    bool onMainThread;
};

struct ApplicationTest : ::testing::Test {
    ApplicationTest()
    {
        App().SetUncaughtHandler([this](QObject* sender, const QString& message) {
            reports.append({sender, message, QThread::currentThread() == App().thread()});
            if (nested)
                nested();
        });
    }
    ~ApplicationTest() override { App().SetUncaughtHandler({}); }
    bool WaitForReports(int count)
    {
        return QTest::qWaitFor([&] { return reports.size() >= count; }, 5000);
    }
    QList<TReport> reports;
    std::function<void()> nested;
};

}  // namespace

TEST_F(ApplicationTest, ErrorInAnEventIsReportedLaterAndTheProgramGoesOn)
{
    TThrower thrower;
    QEvent broken(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&thrower, &broken));
    EXPECT_TRUE(reports.isEmpty());  // never from inside the failed event
    ASSERT_TRUE(WaitForReports(1));
    EXPECT_EQ(reports[0].sender, &thrower);
    EXPECT_EQ(reports[0].message, QStringLiteral("Broken event"));

    QEvent odd(QEvent::Type(QEvent::User + 1));
    QCoreApplication::sendEvent(&thrower, &odd);
    ASSERT_TRUE(WaitForReports(2));
    EXPECT_EQ(reports[1].message, QStringLiteral("Unknown exception"));

    QEvent fine(QEvent::Type(QEvent::User + 2));
    QCoreApplication::sendEvent(&thrower, &fine);
    EXPECT_EQ(thrower.handled, 1);
}

TEST_F(ApplicationTest, ErrorOnAnotherThreadIsReportedOnTheInterfaceThread)
{
    QThread worker;
    auto* thrower = new TThrower;
    thrower->moveToThread(&worker);
    worker.start();
    QCoreApplication::postEvent(thrower, new QEvent(QEvent::User));
    ASSERT_TRUE(WaitForReports(1));
    EXPECT_TRUE(reports[0].onMainThread);
    EXPECT_EQ(reports[0].message, QStringLiteral("Broken event"));
    QMetaObject::invokeMethod(thrower, [thrower] { delete thrower; }, Qt::BlockingQueuedConnection);
    worker.quit();
    worker.wait();
}

TEST_F(ApplicationTest, ErrorWhileReportingIsNotReportedAgain)
{
    TThrower thrower;
    const int dropped = App().Dropped();
    // The report itself meets another broken event (as a message box's own events might).
    nested = [&thrower] {
        QEvent again(QEvent::User);
        QCoreApplication::sendEvent(&thrower, &again);
    };
    QEvent broken(QEvent::User);
    QCoreApplication::sendEvent(&thrower, &broken);
    ASSERT_TRUE(WaitForReports(1));
    QTest::qWait(50);
    EXPECT_EQ(reports.size(), 1);
    EXPECT_EQ(App().Dropped(), dropped + 1);
}

namespace {

// Closes every message box that comes up, keeping its text: OK, or No to a question.
class TBoxCloser {
public:
    TBoxCloser()
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            texts << box->windowTitle() + QStringLiteral(": ") + box->text();
            QAbstractButton* button = box->button(QMessageBox::No) ? box->button(QMessageBox::No) : box->button(QMessageBox::Ok);
            button->click();
        });
        timer_.start();
    }
    QStringList texts;

private:
    QTimer timer_;
};

// The program's folders in a scratch folder for the length of a test.
class TScratchEnvironment {
public:
    explicit TScratchEnvironment(const TScratch& scratch)
    {
        Set("TREMAX_REGISTRY_USER_DIR", scratch.Path("reg/user"));
        Set("TREMAX_REGISTRY_MACHINE_DIR", scratch.Path("reg/machine"));
        Set("TREMAX_REGISTRY_CLASSES_DIR", scratch.Path("reg/classes"));
        Set("XDG_CONFIG_HOME", scratch.Path("config"));
        Set("XDG_DATA_HOME", scratch.Path("data"));
        Set("XDG_DATA_DIRS", scratch.Path("sysdata"));
        Set("XDG_CONFIG_DIRS", scratch.Path("sysconfig"));
    }
    ~TScratchEnvironment()
    {
        for (const auto& [name, value] : saved_)
            value.isNull() ? qunsetenv(name.constData()) : qputenv(name.constData(), value);
    }

private:
    void Set(const char* name, const QString& value)
    {
        saved_.emplace_back(QByteArray(name), qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray());
        qputenv(name, value.toUtf8());
    }
    std::vector<std::pair<QByteArray, QByteArray>> saved_;
};

// Throws on the main window's user events, as a broken handler of a window would.
class TBrokenHandler : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::User)
            throw EError(QStringLiteral("Window handler broke"));
        return false;
    }
};

}  // namespace

TEST(ProgramStart, RecentFilesErrorLogAndTerminationAsTheProgramRunsThem)
{
    TScratch scratch;
    const TScratchEnvironment environment(scratch);
    const QString logFile = scratch.Path("log/CorveErr.log");
    QDir().mkpath(scratch.Path("log"));
    {
        const auto settings = TSettingsContext::FromEnvironment();
        TCorvelIni family(*settings);
        family.WriteBool(QStringLiteral("ErrorLog"), QStringLiteral("LogErrors"), true);
        family.WriteString(QStringLiteral("ErrorLog"), QStringLiteral("LogFileName"), logFile);
    }
    scratch.WriteText(QStringLiteral("clip.par"), QStringLiteral("RESOLUTION: 40x20\nFRAMES/S: 50\nFRAMES: 30\n"));
    const QString clip = WriteFrames(scratch, QStringLiteral("clip.bld"), 40, 20, 30, PatternValue);
    const QString program = QCoreApplication::arguments().front();
    TBoxCloser closer;
    {
        auto windows = CreateTremaxWindows(QString());
        TForm1& main = *windows->main;
        EXPECT_TRUE(TIniFile(logFile).ReadValue(QStringLiteral("Termination"), program)->startsWith(QStringLiteral("Started at ")));

        // An opened sequence is listed in the File menu after "Properties...", and reopened from it.
        // (The scratch folder may lie on a tmpfs, which counts as a RAM disk.)
        main.RecentFiles()->AllowFileOnRAMDisk = true;
        main.OpenSequence(clip);
        QMenu* file = main.menuBar()->findChild<QMenu*>();
        ASSERT_NE(file, nullptr);
        QStringList visible;
        for (QAction* action : file->actions())
            if (action->isVisible())
                visible << (action->isSeparator() ? QStringLiteral("-") : action->text());
        EXPECT_EQ(visible, (QStringList{"Open image sequence", "Open sound...", "Save SMP...", "Save several images...", "Export data...",
                                        "Properties...", "-", "&1 " + clip, "&Clear list...", "-", "E&xit"}));
        main.UpdateTitle(QString());
        main.RecentFiles()->Item(1)->trigger();
        EXPECT_EQ(main.windowTitle(), clip + QStringLiteral(" - Tremax"));

        // The speckle tracker's last sums go into every record.
        main.Session().SetSpeckleOn(true);
        main.Session().TrackSpeckle(QPoint(20, 10));
        const QString debugText = main.Session().SpeckleDebugText();
        ASSERT_TRUE(debugText.startsWith(QStringLiteral("sa:"))) << debugText.toStdString();

        // A broken window event: shown, logged, and the program goes on.
        TBrokenHandler broken;
        main.installEventFilter(&broken);
        QCoreApplication::postEvent(&main, new QEvent(QEvent::User));
        ASSERT_TRUE(QTest::qWaitFor([&] { return closer.texts.size() >= 2; }, 5000)) << closer.texts.join('|').toStdString();
        EXPECT_EQ(closer.texts[0], QStringLiteral("Logfile created: ") + logFile +
                                       QStringLiteral("\nPlease send this file to support@varnikdata.com"));
        EXPECT_EQ(closer.texts[1], QStringLiteral("clip.bld - Tremax: Window handler broke"));
        main.removeEventFilter(&broken);
        const QStringList sections = TIniFile(logFile).SectionNames();
        ASSERT_EQ(sections.size(), 2);
        EXPECT_EQ(TIniFile(logFile).ReadValue(sections[1], QStringLiteral("Message")), QStringLiteral("Window handler broke"));
        EXPECT_EQ(TIniFile(logFile).ReadValue(sections[1], QStringLiteral("DebugString")), debugText);
        EXPECT_TRUE(main.isEnabled());
    }
    EXPECT_TRUE(TIniFile(logFile).ReadValue(QStringLiteral("Termination"), program)->startsWith(QStringLiteral("Terminated at ")));
}

namespace {

// The menu item of the main window with this text, in any menu.
QAction* MenuItem(TForm1& main, const QString& text)
{
    for (QMenu* menu : main.menuBar()->findChildren<QMenu*>())
        for (QAction* action : menu->actions())
            if (action->text() == text)
                return action;
    return nullptr;
}

}  // namespace

TEST(ProgramStart, SavedLayoutComesBackOverTheStartupPlacement)
{
    TScratch scratch;
    const TScratchEnvironment environment(scratch);
    TBoxCloser closer;
    // Places no start-up placement would choose: the main window away from the corner, the
    // tools overlapping it and each other.
    struct TPlace {
        QWidget* window;
        QRect geometry;  // left, top, width, height; a null size: the position only
    };
    const auto placesOf = [](TTremaxWindows& w) {
        return std::vector<TPlace>{{w.main.get(), QRect(210, 130, 350, 330)},
                                   {w.controls.get(), QRect(QPoint(230, 150), QSize())},
                                   {w.kymogram.get(), QRect(250, 170, 301, 211)},
                                   {w.pointSpectrum.get(), QRect(270, 190, 322, 233)},
                                   {w.waveform.get(), QRect(290, 210, 343, 244)},
                                   {w.speckle.get(), QRect(QPoint(310, 230), QSize())}};
    };
    QSize speckleDesign;
    {
        auto windows = CreateTremaxWindows(QString());
        windows->main->show();
        windows->main->FirstActivation();
        QCoreApplication::processEvents();
        speckleDesign = windows->speckle->size();
        for (const TPlace& place : placesOf(*windows)) {
            place.window->move(place.geometry.topLeft());
            if (!place.geometry.size().isEmpty())
                place.window->resize(place.geometry.size());
        }
        // The speckle window's size is written but never read back.
        windows->speckle->resize(speckleDesign + QSize(40, 30));
        QAction* save = MenuItem(*windows->main, QStringLiteral("Save &now!"));
        ASSERT_NE(save, nullptr);
        save->trigger();
    }
    auto windows = CreateTremaxWindows(QString());
    windows->main->show();
    windows->main->FirstActivation();
    QCoreApplication::processEvents();
    for (const TPlace& place : placesOf(*windows)) {
        const QString name = place.window->metaObject()->className();
        EXPECT_EQ(place.window->pos(), place.geometry.topLeft()) << name.toStdString();
        if (!place.geometry.size().isEmpty()) {
            EXPECT_EQ(place.window->size(), place.geometry.size()) << name.toStdString();
        }
    }
    EXPECT_EQ(windows->speckle->size(), speckleDesign);
}

// The first start's questions (the version check, and the ".bld" association when another
// program opens them) come once the main window is shown and its windows are placed, once each.
TEST(ProgramStart, TheFirstStartQuestionsWaitForThePlacedWindowsAndComeOnce)
{
    TScratch scratch;
    const TScratchEnvironment environment(scratch);
    // A classes root that cannot be written (a folder below a plain file): the desktop is asked.
    scratch.WriteText(QStringLiteral("plain"), QStringLiteral("x"));
    qputenv("TREMAX_REGISTRY_CLASSES_DIR", QFile::encodeName(scratch.Path("plain/classes")));
    QDir().mkpath(scratch.Path("config"));
    QDir().mkpath(scratch.Path("sysdata/applications"));
    scratch.WriteText(QStringLiteral("config/mimeapps.list"),
                      QStringLiteral("[Default Applications]\napplication/x-tremax-bld=other.desktop\n"));
    scratch.WriteText(QStringLiteral("sysdata/applications/other.desktop"),
                      QStringLiteral("[Desktop Entry]\nType=Application\nName=Other\nExec=/usr/bin/other %f\n"));
    TBoxCloser closer;
    auto windows = CreateTremaxWindows(QString());
    TForm1& main = *windows->main;
    // The windows are placed when the first activation ends: nothing was asked by then.
    int askedWhenPlaced = -1;
    QObject::connect(&main, &TForm1::firstActivationDone, [&] { askedWhenPlaced = int(closer.texts.size()); });
    StartServiceMenus(*windows, {QStringLiteral("tremax")});
    // Nothing is asked before the window shows.
    QTest::qWait(200);
    EXPECT_TRUE(closer.texts.isEmpty()) << closer.texts.join('|').toStdString();
    main.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return closer.texts.size() >= 2; }, 5000)) << closer.texts.join('|').toStdString();
    EXPECT_TRUE(closer.texts[0].startsWith(QStringLiteral("Version check: ")) ||
                closer.texts[1].startsWith(QStringLiteral("Version check: ")))
        << closer.texts.join('|').toStdString();
    EXPECT_TRUE(closer.texts.join('|').contains(QStringLiteral("/usr/bin/other"))) << closer.texts.join('|').toStdString();
    EXPECT_EQ(askedWhenPlaced, 0);
    // Once: showing the window again asks nothing more.
    main.hide();
    main.show();
    QTest::qWait(300);
    EXPECT_EQ(closer.texts.size(), 2) << closer.texts.join('|').toStdString();
    main.hide();
}
