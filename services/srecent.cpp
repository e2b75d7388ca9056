#include "services/srecent.h"

#include "platform/Errors.h"
#include "platform/FileNames.h"
#include "services/MessageBoxes.h"

#include <QAction>
#include <algorithm>

namespace {

QString HexDigit(int i) { return QString::number(i, 16).toUpper(); }

}  // namespace

bool RecentFileExists(const QString& path)
{
    const TFileKind kind = FileKindOf(path);
    return kind != TFileKind::missing && kind != TFileKind::directory;
}

QStringList MergeRecentFiles(const QStringList& touched, const QStringList& stored, const QSet<QString>& removed,
                             const QStringList& hidden, int shown)
{
    QStringList merged;
    QSet<QString> seen;
    const auto take = [&](const QString& path) {
        if (!path.isEmpty() && !seen.contains(path)) {
            seen.insert(path);
            merged << path;
        }
    };
    for (const QString& path : touched)
        if (merged.size() < shown)
            take(path);
    for (const QString& path : stored)
        if (merged.size() < shown && !removed.contains(path))
            take(path);
    for (const QString& path : hidden)
        take(path);
    return merged;
}

TRecentFiles::TRecentFiles(const TSettingsContext& context, TMessageBoxes& messages)
    : setting_(context), messages_(messages), driveType_(DriveTypeOf)
{
    setting_.SetName(name_ + QStringLiteral(".Setting"));
}

TRecentFiles::~TRecentFiles()
{
    // The menu may already be gone; the actions leave every widget that still shows them.
}

QString TRecentFiles::ItemCaption(int i) const
{
    return QLatin1Char('&') + HexDigit(i) + QLatin1Char(' ') + slots_[i - 1];
}

bool TRecentFiles::AnyShownSlotUsed() const
{
    return std::any_of(slots_.begin(), slots_.begin() + maxItems_, [](const QString& s) { return !s.isEmpty(); });
}

bool TRecentFiles::Accepted(const QString& path) const
{
    switch (driveType_(path)) {
    case TDriveType::noRootDir:
        return false;
    case TDriveType::removable:
        return AllowFileOnRemovable;
    case TDriveType::fixed:
        return AllowFileOnFixed;
    case TDriveType::remote:
        return AllowFileOnRemote;
    case TDriveType::cdrom:
        return AllowFileOnCDROM;
    case TDriveType::ramDisk:
        return AllowFileOnRAMDisk;
    case TDriveType::unknown:
        break;
    }
    return true;
}

void TRecentFiles::Tidy()
{
    for (int i = 0; i < kSlots; ++i) {
        if (slots_[i].isEmpty())
            continue;
        // Names as the file system compares them: exactly.
        for (int j = i + 1; j < kSlots; ++j)
            if (slots_[j] == slots_[i])
                slots_[j].clear();
    }
    const auto end = std::stable_partition(slots_.begin(), slots_.end(), [](const QString& s) { return !s.isEmpty(); });
    std::fill(end, slots_.end(), QString());
    if (menu_)
        for (int i = 1; i <= kSlots; ++i)
            if (items_[i - 1])
                // An "&" of the path is shown, not taken for the item's mnemonic.
                items_[i - 1]->setText(QLatin1Char('&') + HexDigit(i) + QLatin1Char(' ') +
                                       QString(slots_[i - 1]).replace(QLatin1Char('&'), QStringLiteral("&&")));
}

void TRecentFiles::AddFile(const QString& fileName)
{
    if (fileName.isEmpty())
        return;
    // The whole path is kept: a path cut short would name another file, or none.
    const QString path = AbsoluteFileName(fileName);
    if (Accepted(path)) {
        std::move_backward(slots_.begin(), slots_.end() - 1, slots_.end());
        slots_[0] = path;
        touched_.removeAll(path);
        touched_.prepend(path);
        removed_.remove(path);
    }
    Tidy();
    RebuildMenu();
}

void TRecentFiles::ClearList()
{
    for (const QString& path : slots_)
        if (!path.isEmpty())
            removed_.insert(path);
    touched_.clear();
    std::fill(slots_.begin(), slots_.end(), QString());
    Tidy();
    RebuildMenu();
}

void TRecentFiles::SetMaxItems(int maxItems)
{
    maxItems_ = std::clamp(maxItems, 0, kMaxItemsLimit);
    for (int i = maxItems_; i < kSlots; ++i)
        slots_[i].clear();
    RebuildMenu();
}

void TRecentFiles::SetBarBefore(bool on)
{
    barBefore_ = on;
    RebuildMenu();
}

void TRecentFiles::SetIncludeClearItem(bool on)
{
    includeClearItem_ = on;
    RebuildMenu();
}

void TRecentFiles::SetClearCaption(const QString& caption)
{
    clearCaption_ = caption.left(255);
    if (clear_)
        clear_->setText(clearCaption_);
    RebuildMenu();
}

void TRecentFiles::SetMenu(TRecentMenuHost* menu)
{
    if (menu == menu_)
        return;
    RemoveItems();
    menu_ = menu;
    if (loaded_)
        Loaded();
}

void TRecentFiles::RemoveItems()
{
    if (!inserted_ || !menu_)
        return;
    QList<QAction*> all{separator_.get()};
    for (const auto& item : items_)
        all << item.get();
    all << clear_.get();
    menu_->RemoveItems(all);
    inserted_ = false;
}

void TRecentFiles::RebuildMenu()
{
    if (!menu_ || !clear_)
        return;
    Save();
    RemoveItems();
    const int index = std::min(menuPos_, menu_->ItemCount());
    const bool used = AnyShownSlotUsed();
    separator_->setVisible(barBefore_ && used);
    QList<QAction*> all{separator_.get()};
    for (int i = 1; i <= kSlots; ++i) {
        items_[i - 1]->setVisible(!slots_[i - 1].isEmpty() && i <= maxItems_);
        all << items_[i - 1].get();
    }
    clear_->setVisible(includeClearItem_ && used);
    all << clear_.get();
    menu_->InsertItems(std::max(index, 0), all);
    inserted_ = true;
}

void TRecentFiles::Save()
{
    if (loading_)
        return;
    try {
        setting_.SetLocation(slroaming);
        const QStringList hidden(slots_.begin() + maxItems_, slots_.end());
        QStringList merged;
        setting_.ReplaceSection(SectionName(), [&](const TSetting::TValues& now) {
            QStringList stored;
            for (int i = 1; i <= kMaxItemsLimit; ++i)
                for (const TSetting::TValue& value : now)
                    if (QString::compare(value.Ident, HexDigit(i), Qt::CaseInsensitive) == 0) {
                        stored << value.Text;
                        break;
                    }
            merged = MergeRecentFiles(touched_, stored, removed_, hidden, maxItems_);
            TSetting::TValues next{{QStringLiteral("nToUse"), QString::number(maxItems_), true}};
            for (int i = 1; i <= maxItems_; ++i)
                next.push_back({HexDigit(i), merged.value(i - 1), false});
            return next;
        });
        touched_.clear();
        removed_.clear();
        for (int i = 0; i < kSlots; ++i)
            slots_[i] = merged.value(i);
        Tidy();  // the captions
    } catch (...) {
        // The list is kept in memory; the next change tries again.
    }
}

void TRecentFiles::Load()
{
    loading_ = true;
    try {
        setting_.SetLocation(slroaming);
        const QString section = SectionName();
        SetMaxItems(setting_.ReadInteger(section, QStringLiteral("nToUse"), maxItems_));
        for (int i = 1; i <= maxItems_; ++i) {
            const QString path = setting_.ReadString(section, HexDigit(i), QString());
            if (path.isEmpty())
                continue;
            if (!RecentFileExists(path)) {
                removed_.insert(path);  // and not brought back by the save after loading
                continue;
            }
            const auto free = std::find(slots_.begin(), slots_.end(), QString());
            if (free != slots_.end())
                *free = path;
            Tidy();
        }
    } catch (...) {
        // What was read so far stays.
    }
    loading_ = false;
}

void TRecentFiles::MakeItems()
{
    if (clear_)
        return;
    separator_ = std::make_unique<QAction>();
    separator_->setSeparator(true);  // no text: some styles draw a separator's text as a heading
    for (int i = 1; i <= kSlots; ++i) {
        items_[i - 1] = std::make_unique<QAction>();
        items_[i - 1]->setData(i);  // the item's tag
        QObject::connect(items_[i - 1].get(), &QAction::triggered, [this, i] { ClickItem(i); });
    }
    clear_ = std::make_unique<QAction>(clearCaption_);
    QObject::connect(clear_.get(), &QAction::triggered, [this] { ClickClear(); });
}

void TRecentFiles::Loaded()
{
    setting_.SetName(name_);
    if (!progId_)
        throw ESettingError(QStringLiteral("Nothing assigned to ") + name_ + QStringLiteral(".ProgId"));
    setting_.SetProgId(progId_);
    loaded_ = true;
    if (!menu_)
        return;
    MakeItems();
    Load();
    Tidy();  // the captions
    RebuildMenu();
}

void TRecentFiles::ClickItem(int i)
{
    if (i < 1 || i > kSlots)
        return;
    const QString path = slots_[i - 1];
    if (!RecentFileExists(path)) {
        messages_.Show(QStringLiteral("Can't find \n") + path, QStringLiteral("File not found"),
                       TMessageIcon::warning, TMessageButtons::ok);
        slots_[i - 1].clear();
        removed_.insert(path);
        touched_.removeAll(path);
        Tidy();
        RebuildMenu();
        return;
    }
    if (OnClick) {
        AddFile(path);
        OnClick(items_[i - 1].get(), i, path);
    }
}

void TRecentFiles::ClickClear()
{
    if (messages_.Show(QStringLiteral("Do you want to clear the list of recently used files?"),
                       QStringLiteral("Clear list"), TMessageIcon::question,
                       TMessageButtons::yesNo) == TMessageAnswer::yes)
        ClearList();
}
