// A second process for the registry tests.
//   RegistryHelper write FOLDER PREFIX COUNT   COUNT transactions on the user root, each storing
//                                              PREFIX<i> = i and adding 1 to "Count", in key "Stress"
//   RegistryHelper die FOLDER                  starts writing "Victim" = "new" and is killed
//                                              after its new file is written, before the rename
//   RegistryHelper recent SCRATCH GO FILE...   a recent-files list (MaxItems 9) stored under
//                                              SCRATCH/roaming as the tests keep it: prints
//                                              "ready" when loaded, waits for the file GO, then
//                                              adds each FILE in turn; with GO "-" it adds them
//                                              round and round until it is killed
#include "platform/Registry.h"
#include "services/MessageBoxes.h"
#include "services/SettingsContext.h"
#include "services/cProgId.h"
#include "services/srecent.h"

#include <QAction>
#include <QGuiApplication>
#include <QFileInfo>
#include <QThread>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

class TNoBoxes : public TMessageBoxes {
public:
    TMessageAnswer Show(const QString&, const QString&, TMessageIcon, TMessageButtons) override
    {
        return TMessageAnswer::no;
    }
};

class TListMenu : public TRecentMenuHost {
public:
    int ItemCount() const override { return int(items.size()); }
    void InsertItems(int index, const QList<QAction*>& added) override
    {
        for (int i = 0; i < added.size(); ++i)
            items.insert(index + i, added[i]);
    }
    void RemoveItems(const QList<QAction*>& removed) override
    {
        for (QAction* item : removed)
            items.removeAll(item);
    }
    QList<QAction*> items;
};

int RunRecent(int argc, char** argv)
{
    // Menu items are actions of Qt Gui: a GUI application, never shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString scratch = QString::fromLocal8Bit(argv[2]);
    const QString go = QString::fromLocal8Bit(argv[3]);
    TSystemFolders folders;
    folders.RoamingAppData = scratch + QStringLiteral("/roaming");
    folders.WindowsDirectory = scratch + QStringLiteral("/windows");
    folders.ExecutableName = QStringLiteral("tremax");
    const TSettingsContext context(TRegistryFolders{scratch + QStringLiteral("/reg/user"), {}, {}}, folders);
    TNoBoxes boxes;
    const TProgId progId = TremaxProgId();
    TListMenu menu;
    TRecentFiles list(context, boxes);
    list.SetMaxItems(9);
    list.SetProgId(&progId);
    list.SetMenu(&menu);
    list.SetDriveTypeProbe([](const QString&) { return TDriveType::fixed; });
    list.Loaded();
    std::printf("ready\n");
    std::fflush(stdout);
    QStringList files;
    for (int i = 4; i < argc; ++i)
        files << QString::fromLocal8Bit(argv[i]);
    if (go == QLatin1String("-")) {
        for (qsizetype i = 0;; ++i)
            list.AddFile(files[i % files.size()]);
    }
    while (!QFileInfo::exists(go))
        QThread::msleep(1);
    for (const QString& file : files)
        list.AddFile(file);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 5 && std::strcmp(argv[1], "recent") == 0)
        return RunRecent(argc, argv);
    if (argc < 3)
        return 2;
    TRegistryConfig config(TRegistryFolders{QString::fromLocal8Bit(argv[2]), {}, {}});
    config.SetSyncToDisk(false);  // the rename is what other processes see
    TRegistry registry(config, TRegistryRoot::currentUser);
    try {
        if (std::strcmp(argv[1], "write") == 0 && argc == 5) {
            const QString prefix = QString::fromLocal8Bit(argv[3]);
            const int count = std::atoi(argv[4]);
            for (int i = 0; i < count; ++i) {
                registry.Update([&](TRegistryKey& root) {
                    TRegistryKey& key = root.FindOrAdd(QStringLiteral("Stress"));
                    const TRegistryValue* counter = key.Value(QStringLiteral("Count"));
                    const uint32_t n = counter ? counter->Number + 1 : 1;
                    key.SetValue({QStringLiteral("Count"), TRegistryValueType::number, {}, n});
                    key.SetValue({prefix + QString::number(i), TRegistryValueType::number, {}, uint32_t(i)});
                    return true;
                });
            }
            return 0;
        }
        if (std::strcmp(argv[1], "die") == 0) {
            config.SetBeforeReplaceHook([] { std::raise(SIGKILL); });
            registry.WriteString(QStringLiteral("Stress"), QStringLiteral("Victim"), QStringLiteral("new"));
            return 0;
        }
    } catch (const EError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 2;
}
