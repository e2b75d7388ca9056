// The recent-files list: slots, menu items, storage in the roaming INI file, the boxes.
#include "platform/IniFile.h"
#include "services/SettingsContext.h"
#include "services/cProgId.h"
#include "services/srecent.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <csignal>

namespace {

// A menu of three items of its own, as a list of actions.
class TFakeMenu : public TRecentMenuHost {
public:
    TFakeMenu()
    {
        for (const char* caption : {"Open", "Properties...", "E&xit"})
            actions << own.emplace_back(std::make_unique<QAction>(QString::fromUtf8(caption))).get();
    }
    int ItemCount() const override { return int(actions.size()); }
    void InsertItems(int index, const QList<QAction*>& items) override
    {
        for (int i = 0; i < items.size(); ++i)
            actions.insert(index + i, items[i]);
    }
    void RemoveItems(const QList<QAction*>& items) override
    {
        for (QAction* item : items)
            actions.removeAll(item);
    }
    // The captions of the visible items, top to bottom.
    QStringList Visible() const
    {
        QStringList texts;
        for (QAction* action : actions)
            if (action->isVisible())
                texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
        return texts;
    }
    std::vector<std::unique_ptr<QAction>> own;
    QList<QAction*> actions;
};

struct TRecentTest : ::testing::Test {
    TRecentTest()
        : context(TRegistryFolders{scratch.Path("reg/user"), scratch.Path("reg/machine"), scratch.Path("reg/classes")},
                  Folders())
    {
    }
    TSystemFolders Folders() const
    {
        TSystemFolders folders;
        folders.RoamingAppData = scratch.Path("roaming");
        folders.WindowsDirectory = scratch.Path("windows");
        folders.ExecutableName = QStringLiteral("tremax");
        return folders;
    }
    // The main window's settings, on fixed drives unless a test says otherwise.
    std::unique_ptr<TRecentFiles> MakeList(bool load = true)
    {
        auto list = std::make_unique<TRecentFiles>(context, boxes);
        list->SetMaxItems(9);
        list->SetMenuPos(2);
        list->SetProgId(&progId);
        list->SetMenu(&menu);
        list->SetDriveTypeProbe([this](const QString& path) { return drives.value(QFileInfo(path).path(), TDriveType::fixed); });
        if (load)
            list->Loaded();
        return list;
    }
    // The INI file as the family places it: roaming folder, company, product, version.
    QString IniPath() const { return scratch.Path("roaming/VarnikData/Tremax/3.0.0.3/tremax.ini"); }
    QString IniText() const
    {
        QFile file(IniPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    QString Existing(const QString& name) const { return scratch.WriteText(name, QStringLiteral("x")); }

    TScratch scratch;
    TSettingsContext context;
    TScriptedMessageBoxes boxes;
    TProgId progId = TremaxProgId();
    TFakeMenu menu;
    QHash<QString, TDriveType> drives;  // by folder
};

}  // namespace

TEST_F(TRecentTest, NamesAreComparedExactlyAsTheFileSystemDoes)
{
    auto list = MakeList();
    for (const char* name : {"/data/A.bld", "/data/b.bld", "/data/c.bld", "/data/d.bld"})
        list->AddFile(QString::fromUtf8(name));
    ASSERT_EQ(list->Slot(3), QStringLiteral("/data/b.bld"));
    // Another letter case is another file: both stay.
    list->AddFile(QStringLiteral("/data/B.BLD"));
    EXPECT_EQ(list->Slot(1), QStringLiteral("/data/B.BLD"));
    EXPECT_EQ(list->Slot(2), QStringLiteral("/data/d.bld"));
    EXPECT_EQ(list->Slot(3), QStringLiteral("/data/c.bld"));
    EXPECT_EQ(list->Slot(4), QStringLiteral("/data/b.bld"));
    EXPECT_EQ(list->Slot(5), QStringLiteral("/data/A.bld"));
    // The same name again moves to the top; the entries between close up.
    list->AddFile(QStringLiteral("/data/c.bld"));
    EXPECT_EQ(list->Slot(1), QStringLiteral("/data/c.bld"));
    EXPECT_EQ(list->Slot(2), QStringLiteral("/data/B.BLD"));
    EXPECT_EQ(list->Slot(3), QStringLiteral("/data/d.bld"));
    EXPECT_EQ(list->Slot(4), QStringLiteral("/data/b.bld"));
    EXPECT_EQ(list->Slot(6), QString());
    // Opening one of two names that differ in letter case keeps the other, also on disk.
    const QString upper = Existing(QStringLiteral("Alpha.bld"));
    const QString lower = Existing(QStringLiteral("alpha.bld"));
    list->AddFile(upper);
    list->AddFile(lower);
    auto again = MakeList();
    EXPECT_EQ(again->Slot(1), lower);
    EXPECT_EQ(again->Slot(2), upper);
    // Relative names are made full paths.
    list->AddFile(QStringLiteral("rel.bld"));
    EXPECT_EQ(list->Slot(1), QDir::currentPath() + QStringLiteral("/rel.bld"));
}

TEST_F(TRecentTest, TenFilesWithNineItemsKeepTheTenthHiddenAndUnsaved)
{
    auto list = MakeList();
    // Empty: neither separator nor clear item shows.
    EXPECT_EQ(menu.Visible(), (QStringList{"Open", "Properties...", "E&xit"}));
    for (int i = 1; i <= 10; ++i)
        list->AddFile(QStringLiteral("/data/f%1.bld").arg(i));
    QStringList expected{"Open", "Properties...", "-"};
    for (int i = 1; i <= 9; ++i)
        expected << QStringLiteral("&%1 /data/f%2.bld").arg(i).arg(11 - i);
    expected << "&Clear list..." << "E&xit";
    EXPECT_EQ(menu.Visible(), expected);
    EXPECT_EQ(list->Slot(10), QStringLiteral("/data/f1.bld"));
    EXPECT_FALSE(list->Item(10)->isVisible());
    EXPECT_EQ(menu.actions.size(), 3 + 18);

    const QString text = IniText();
    EXPECT_TRUE(text.contains(QStringLiteral("[RecentFiles]")));
    EXPECT_TRUE(text.contains(QStringLiteral("nToUse=9")));
    EXPECT_TRUE(text.contains(QStringLiteral("9=/data/f2.bld")));
    EXPECT_FALSE(text.contains(QStringLiteral("f1.bld"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("A=")));

    // One more pushes it to slot 11; lowering MaxItems empties the slots above.
    list->AddFile(QStringLiteral("/data/f11.bld"));
    EXPECT_EQ(list->Slot(11), QStringLiteral("/data/f1.bld"));
    list->SetMaxItems(3);
    EXPECT_EQ(list->Slot(3), QStringLiteral("/data/f9.bld"));
    EXPECT_EQ(list->Slot(4), QString());
    list->SetMaxItems(40);
    EXPECT_EQ(list->MaxItems(), 15);
    list->SetMaxItems(-1);
    EXPECT_EQ(list->MaxItems(), 0);
    EXPECT_EQ(menu.Visible(), (QStringList{"Open", "Properties...", "E&xit"}));
}

TEST_F(TRecentTest, StoredCountAboveFifteenGivesFifteenAndCaptionsUseHexDigits)
{
    QStringList paths;
    QString ini = QStringLiteral("[RecentFiles]\nnToUse=20\n");
    const QString digits = QStringLiteral("123456789ABCDEFG");
    for (int i = 0; i < 16; ++i) {
        paths << Existing(QStringLiteral("s%1.bld").arg(i + 1));
        ini += digits[i] + QStringLiteral("=") + paths.last() + QLatin1Char('\n');
    }
    // A file that is gone is dropped at load; the ones after it move up.
    QFile::remove(paths[1]);
    QDir().mkpath(QFileInfo(IniPath()).path());
    QFile file(IniPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(ini.toUtf8());
    file.close();

    auto list = MakeList();
    EXPECT_EQ(list->MaxItems(), 15);
    EXPECT_EQ(list->Slot(1), paths[0]);
    EXPECT_EQ(list->Slot(2), paths[2]);
    EXPECT_EQ(list->Slot(14), paths[14]);  // "F"
    EXPECT_EQ(list->Slot(15), QString());  // "G" is not read
    EXPECT_EQ(list->ItemCaption(10), QStringLiteral("&A ") + paths[10]);
    EXPECT_EQ(list->ItemCaption(14), QStringLiteral("&E ") + paths[14]);
    EXPECT_EQ(list->Item(14)->text(), QStringLiteral("&E ") + paths[14]);
    // Loading writes the tidied list back.
    EXPECT_TRUE(IniText().contains(QStringLiteral("nToUse=15")));
    EXPECT_TRUE(IniText().contains(QStringLiteral("2=") + paths[2]));
    EXPECT_TRUE(IniText().contains(QStringLiteral("F=\n")) || IniText().endsWith(QStringLiteral("F=")));

    list->AddFile(QStringLiteral("/data/x.bld"));
    for (int i = 10; i <= 15; ++i)
        EXPECT_TRUE(list->ItemCaption(i).startsWith(QLatin1Char('&') + QStringLiteral("ABCDEF")[i - 10] + QLatin1Char(' ')));
}

TEST_F(TRecentTest, VanishedFileIsReportedAndDroppedAnExistingOneIsOpened)
{
    auto list = MakeList();
    const QString kept = Existing(QStringLiteral("kept.bld"));
    const QString gone = Existing(QStringLiteral("gone.bld"));
    list->AddFile(kept);
    list->AddFile(gone);
    QList<std::pair<int, QString>> opened;
    list->OnClick = [&](QAction*, int item, const QString& name) { opened.append({item, name}); };
    QFile::remove(gone);

    list->ClickItem(1);
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Can't find \n") + gone);
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("File not found"));
    EXPECT_EQ(boxes.shown[0].icon, TMessageIcon::warning);
    EXPECT_EQ(boxes.shown[0].buttons, TMessageButtons::ok);
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(list->Slot(1), kept);
    EXPECT_FALSE(IniText().contains(QStringLiteral("gone.bld")));

    const QString other = Existing(QStringLiteral("other.bld"));
    list->AddFile(other);
    list->Item(2)->trigger();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], std::make_pair(2, kept));
    EXPECT_EQ(list->Slot(1), kept);
    EXPECT_EQ(list->Slot(2), other);
}

TEST_F(TRecentTest, ClearAsksAndOnlyYesClears)
{
    auto list = MakeList();
    list->AddFile(QStringLiteral("/data/a.bld"));
    list->ClearItem()->trigger();
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Do you want to clear the list of recently used files?"));
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Clear list"));
    EXPECT_EQ(boxes.shown[0].icon, TMessageIcon::question);
    EXPECT_EQ(list->Slot(1), QStringLiteral("/data/a.bld"));
    boxes.answers << TMessageAnswer::yes;
    list->ClickClear();
    EXPECT_EQ(list->Slot(1), QString());
    EXPECT_FALSE(list->Separator()->isVisible());
    EXPECT_FALSE(list->ClearItem()->isVisible());
    EXPECT_FALSE(IniText().contains(QStringLiteral("a.bld")));
}

TEST_F(TRecentTest, DrivesDecideWhichFilesAreListed)
{
    auto list = MakeList();
    drives[QStringLiteral("/ram")] = TDriveType::ramDisk;
    drives[QStringLiteral("/cd")] = TDriveType::cdrom;
    drives[QStringLiteral("/stick")] = TDriveType::removable;
    drives[QStringLiteral("/net")] = TDriveType::remote;
    drives[QStringLiteral("/none")] = TDriveType::noRootDir;
    drives[QStringLiteral("/odd")] = TDriveType::unknown;
    for (const char* name : {"/ram/a.bld", "/cd/a.bld", "/stick/a.bld", "/none/a.bld", "/net/a.bld", "/odd/a.bld"})
        list->AddFile(QString::fromUtf8(name));
    EXPECT_EQ(list->Slot(1), QStringLiteral("/odd/a.bld"));
    EXPECT_EQ(list->Slot(2), QStringLiteral("/net/a.bld"));
    EXPECT_EQ(list->Slot(3), QString());
    // A refused file still tidies and saves: the list on disk is the one in memory.
    EXPECT_TRUE(IniText().contains(QStringLiteral("1=/odd/a.bld")));
    list->AllowFileOnRAMDisk = true;
    list->AllowFileOnCDROM = true;
    list->AllowFileOnRemovable = true;
    list->AllowFileOnFixed = false;
    list->AddFile(QStringLiteral("/ram/a.bld"));
    list->AddFile(QStringLiteral("/cd/a.bld"));
    list->AddFile(QStringLiteral("/stick/a.bld"));
    list->AddFile(QStringLiteral("/fixed/a.bld"));
    EXPECT_EQ(list->Slot(1), QStringLiteral("/stick/a.bld"));
    EXPECT_EQ(list->Slot(3), QStringLiteral("/ram/a.bld"));
    EXPECT_EQ(list->Slot(6), QString());
}

TEST_F(TRecentTest, WithoutProgIdLoadingFailsAndStorageErrorsAreSwallowed)
{
    TRecentFiles bare(context, boxes);
    bare.SetMenu(&menu);
    try {
        bare.Loaded();
        FAIL() << "no error";
    } catch (const ESettingError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Nothing assigned to RecentFiles1.ProgId"));
    }
    // The settings folder is a file: nothing can be saved, and nothing is reported.
    scratch.WriteText(QStringLiteral("roaming"), QStringLiteral("not a folder"));
    auto list = MakeList();
    list->AddFile(QStringLiteral("/data/a.bld"));
    EXPECT_EQ(list->Slot(1), QStringLiteral("/data/a.bld"));
    EXPECT_TRUE(boxes.shown.isEmpty());
    // A path with "&" shows it rather than making it the item's mnemonic.
    list->AddFile(QStringLiteral("/data/R&D.bld"));
    EXPECT_EQ(list->ItemCaption(1), QStringLiteral("&1 /data/R&D.bld"));
    EXPECT_EQ(list->Item(1)->text(), QStringLiteral("&1 /data/R&&D.bld"));
}

// Two instances of the program share the stored list: each save merges what the other saved in
// between, and what one removed or cleared never comes back through the other.
TEST_F(TRecentTest, TwoInstancesKeepEachOthersFilesButNotWhatOneRemoved)
{
    QStringList files;
    for (const char* name : {"a.bld", "b.bld", "c.bld", "d.bld", "e.bld", "f.bld"})
        files << Existing(QString::fromUtf8(name));
    auto first = MakeList();
    first->AddFile(files[0]);
    auto second = MakeList();  // started after: it reads a.bld
    ASSERT_EQ(second->Slot(1), files[0]);
    first->AddFile(files[1]);
    second->AddFile(files[2]);  // saved last: its own file first, then what the first saved
    auto stored = [&] {
        auto reader = MakeList();
        QStringList names;
        for (int i = 1; i <= 9 && !reader->Slot(i).isEmpty(); ++i)
            names << reader->Slot(i);
        return names;
    };
    EXPECT_EQ(stored(), (QStringList{files[2], files[1], files[0]}));
    EXPECT_EQ(second->Slot(2), files[1]);  // the menu shows the merged list

    // The first drops a vanished file ("File not found"); the second, which still lists it,
    // saves after that without bringing it back.
    QFile::remove(files[0]);
    ASSERT_EQ(first->Slot(2), files[0]);  // its slots as it last saved: b, a
    first->ClickItem(2);
    ASSERT_EQ(boxes.shown.size(), 1);
    Existing(QStringLiteral("a.bld"));  // back on disk, but removed from the list
    second->AddFile(files[3]);
    EXPECT_EQ(stored(), (QStringList{files[3], files[2], files[1]}));

    // The second clears its list; the first, which still shows the old entries, adds one.
    boxes.answers << TMessageAnswer::yes;
    second->ClickClear();
    EXPECT_EQ(stored(), QStringList());
    first->AddFile(files[4]);
    EXPECT_EQ(stored(), QStringList({files[4]}));
}

// A save replaces the stored list in one step: a writer killed at any moment leaves the old list
// or the new one, whole (checked over at least 50 kills at random moments of a writer that saves
// round and round).
TEST_F(TRecentTest, AKilledSaveLeavesTheWholeOldOrNewList)
{
    QStringList files;
    for (int i = 0; i < 12; ++i)
        files << Existing(QStringLiteral("k%1.bld").arg(i));
    {
        auto list = MakeList();
        for (int i = 0; i < 9; ++i)
            list->AddFile(files[i]);
    }
    QRandomGenerator random(27);
    int duringSaves = 0;
    for (int kill = 0; kill < 60; ++kill) {
        QProcess writer;
        writer.start(QStringLiteral(TREMAX_REGISTRY_HELPER), QStringList{"recent", scratch.Path(QString()), "-"} + files);
        ASSERT_TRUE(writer.waitForReadyRead(20000)) << writer.readAllStandardError().toStdString();
        ASSERT_EQ(writer.readLine().trimmed(), QByteArray("ready"));
        QThread::usleep(random.bounded(200, 20000));
        ::kill(pid_t(writer.processId()), SIGKILL);
        ASSERT_TRUE(writer.waitForFinished(20000));
        const TIniFile ini(IniPath());
        ASSERT_EQ(ini.ReadValue(QStringLiteral("RecentFiles"), QStringLiteral("nToUse")), QStringLiteral("9")) << kill;
        QSet<QString> listed;
        for (int i = 1; i <= 9; ++i) {
            const QString path = ini.ReadValue(QStringLiteral("RecentFiles"), QString::number(i)).value_or(QString());
            ASSERT_TRUE(files.contains(path)) << "kill " << kill << ", entry " << i << ": " << path.toStdString();
            listed.insert(path);
        }
        EXPECT_EQ(listed.size(), 9) << kill;
        duringSaves += QDir(QFileInfo(IniPath()).path()).entryList({"tremax.ini.tmp.*"}, QDir::Files).size();
    }
    // The kills did land inside saves now and then (a half-written file left for the next writer).
    RecordProperty("kills_inside_a_save", duringSaves);
}

// Six instances started at once, each adding its own file while the others save theirs: every
// file is in the stored list afterwards.
TEST_F(TRecentTest, SixInstancesSavingAtOnceLoseNothing)
{
    const QString go = scratch.Path(QStringLiteral("go"));
    std::vector<std::unique_ptr<QProcess>> writers;
    QStringList files;
    for (int i = 0; i < 6; ++i) {
        files << Existing(QStringLiteral("six%1.bld").arg(i));
        auto& writer = writers.emplace_back(std::make_unique<QProcess>());
        writer->start(QStringLiteral(TREMAX_REGISTRY_HELPER), {"recent", scratch.Path(QString()), go, files.back()});
    }
    for (auto& writer : writers) {
        ASSERT_TRUE(writer->waitForReadyRead(20000)) << writer->readAllStandardError().toStdString();
        ASSERT_EQ(writer->readLine().trimmed(), QByteArray("ready"));
    }
    Existing(QStringLiteral("go"));
    for (auto& writer : writers) {
        ASSERT_TRUE(writer->waitForFinished(30000));
        EXPECT_EQ(writer->exitCode(), 0) << writer->readAllStandardError().toStdString();
    }
    auto list = MakeList();
    QStringList listed;
    for (int i = 1; i <= 9; ++i)
        if (!list->Slot(i).isEmpty())
            listed << list->Slot(i);
    listed.sort();
    EXPECT_EQ(listed, files);
}
