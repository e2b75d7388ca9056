#pragma once
// TRecentFiles: the list of recently opened files, shown as numbered items of a menu ("&1 path"
// … "&F path", most recent first), kept in the user's roaming settings file and reporting a
// click on an item to its owner. The main window has one, attached to its File menu; it adds
// every file it opens and opens the file of a clicked item.
//
// 16 slots, slot 1 the most recent; the first MaxItems (0 … 15) are shown and saved. Entries
// are full paths, compared as the file system compares names: exactly, so "Alpha.bld" and
// "alpha.bld" are two files and two entries. Storage, through a TSetting at slroaming: section
// "RecentFiles" + ListName, "nToUse" = MaxItems, "1" … "F" (hexadecimal) = the paths. Every
// storage error is swallowed: the list is a convenience, never a reason for a message.
//
// Several instances share the stored list. A save replaces the section whole, in one step under
// the store's lock, with the list merged from what this instance did since it last read or wrote
// the store and what the store holds now (MergeRecentFiles): a killed save leaves the old list,
// and what another instance saved in between is kept, while what this instance removed ("File
// not found") or cleared ("Clear list...") never comes back.
//
// Which files are accepted goes by the drive they are on (DriveType.h: how a Linux mount counts
// as removable, network, CD or RAM disk). A file under a tmpfs such as /tmp counts as on a RAM
// disk and is refused while AllowFileOnRAMDisk is False.
//
// Ownership: the owner keeps the context, the message boxes, the ProgId and the menu host alive
// as long as the list. The list owns its 18 menu items (QActions). User-interface thread.

#include "platform/DriveType.h"
#include "services/cSetting.h"

#include <QList>
#include <QSet>
#include <QStringList>
#include <QString>
#include <array>
#include <functional>
#include <memory>

class QAction;
class TMessageBoxes;
class TProgId;
class TSettingsContext;

// The parent menu as the list sees it.
class TRecentMenuHost {
public:
    virtual ~TRecentMenuHost() = default;
    virtual int ItemCount() const = 0;
    // Puts `items`, in this order, before the item at `index` (at the end when it is the count).
    virtual void InsertItems(int index, const QList<QAction*>& items) = 0;
    virtual void RemoveItems(const QList<QAction*>& items) = 0;
};

// The clicked item, its position 1 … 16 at the click and the file's full path.
using tRecentEvent = std::function<void(QAction* sender, int ItemNo, const QString& FileName)>;

class TRecentFiles {
public:
    static constexpr int kSlots = 16;
    static constexpr int kMaxItemsLimit = 15;

    TRecentFiles(const TSettingsContext& context, TMessageBoxes& messages);
    ~TRecentFiles();
    TRecentFiles(const TRecentFiles&) = delete;
    TRecentFiles& operator=(const TRecentFiles&) = delete;

    // The component's name, for the message of Loaded.
    const QString& Name() const { return name_; }
    void SetName(const QString& name) { name_ = name; }

    TRecentMenuHost* Menu() const { return menu_; }
    // After Loaded: everything is rebuilt as after loading.
    void SetMenu(TRecentMenuHost* menu);
    int MaxItems() const { return maxItems_; }
    // Clamped to 0 … 15; slots above the new value are emptied; the menu is rebuilt.
    void SetMaxItems(int maxItems);
    int MenuPos() const { return menuPos_; }
    void SetMenuPos(int menuPos) { menuPos_ = menuPos; }
    tRecentEvent OnClick;
    bool BarBefore() const { return barBefore_; }
    void SetBarBefore(bool on);
    bool IncludeClearItem() const { return includeClearItem_; }
    void SetIncludeClearItem(bool on);
    const QString& ClearCaption() const { return clearCaption_; }
    void SetClearCaption(const QString& caption);
    bool AllowFileOnRemovable = false;
    bool AllowFileOnRemote = true;
    bool AllowFileOnFixed = true;
    bool AllowFileOnCDROM = false;
    bool AllowFileOnRAMDisk = false;
    const QString& ListName() const { return listName_; }
    void SetListName(const QString& name) { listName_ = name.left(255); }
    const TProgId* ProgId() const { return progId_; }
    void SetProgId(const TProgId* progId) { progId_ = progId; }
    // Tests put their own drives here (default DriveTypeOf).
    void SetDriveTypeProbe(std::function<TDriveType(const QString&)> probe) { driveType_ = std::move(probe); }

    // When the owner has set it up: without a ProgId ESettingError
    // "Nothing assigned to <Name>.ProgId"; with a menu the items are made, the list loaded and
    // the menu rebuilt (which writes the loaded, tidied list back).
    void Loaded();

    // Puts the file (made a full path) at the top when its drive is accepted; then tidies,
    // rebuilds and saves. An empty name does nothing.
    void AddFile(const QString& fileName);
    // Empties every slot, rebuilds and saves.
    void ClearList();

    // A click on item i (1 … 16): a vanished file is reported ("File not found") and dropped;
    // otherwise the file moves to slot 1 and OnClick fires.
    void ClickItem(int i);
    // A click on the clear item: asks "Clear list", clears on Yes.
    void ClickClear();

    // Slot i (1 … 16); empty when free.
    QString Slot(int i) const { return slots_[i - 1]; }
    // "&" + i in hexadecimal + " " + the path of slot i.
    QString ItemCaption(int i) const;
    // Null before the items are made.
    QAction* Item(int i) const { return items_[i - 1].get(); }
    QAction* Separator() const { return separator_.get(); }
    QAction* ClearItem() const { return clear_.get(); }
    // The storage section: "RecentFiles" + ListName.
    QString SectionName() const { return QStringLiteral("RecentFiles") + listName_; }
    const TSetting& Setting() const { return setting_; }

private:
    bool Accepted(const QString& path) const;
    void Tidy();
    void RebuildMenu();
    void RemoveItems();
    void Save();
    void Load();
    void MakeItems();
    bool AnyShownSlotUsed() const;

    TSetting setting_;
    TMessageBoxes& messages_;
    std::function<TDriveType(const QString&)> driveType_;
    QString name_ = QStringLiteral("RecentFiles1");
    TRecentMenuHost* menu_ = nullptr;
    int maxItems_ = 5;
    int menuPos_ = 100;
    bool barBefore_ = true;
    bool includeClearItem_ = true;
    QString clearCaption_ = QStringLiteral("&Clear list...");
    QString listName_;
    const TProgId* progId_ = nullptr;

    std::array<QString, kSlots> slots_;
    std::array<std::unique_ptr<QAction>, kSlots> items_;
    std::unique_ptr<QAction> separator_;
    std::unique_ptr<QAction> clear_;
    bool inserted_ = false;
    // Since the store was last read or written: the files put at the top (most recent first)
    // and those removed or cleared.
    QStringList touched_;
    QSet<QString> removed_;
    bool loading_ = false;
    bool loaded_ = false;
};

// The file name of a drive-type check and of the click: exists and is not a folder.
bool RecentFileExists(const QString& path);

// The list a save stores: what this instance put at the top since it last read or wrote the
// store (`touched`, most recent first), then what the store holds now (`stored`), less what this
// instance removed or cleared since then (`removed`), at most `shown` entries; then this
// instance's hidden entries (beyond what is shown, never stored). No name twice, names compared
// exactly; empty names are dropped.
QStringList MergeRecentFiles(const QStringList& touched, const QStringList& stored, const QSet<QString>& removed,
                             const QStringList& hidden, int shown);
