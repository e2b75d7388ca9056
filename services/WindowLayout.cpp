#include "services/WindowLayout.h"

#include "services/sini.h"

#include <limits>

namespace {

const QString kXPos = QStringLiteral("XPos");
const QString kYPos = QStringLiteral("YPos");
const QString kXSize = QStringLiteral("XSize");
const QString kYSize = QStringLiteral("YSize");
const QString kCommon = QStringLiteral("Common");

struct TSectionRule {
    bool WriteSize;
    bool ReadSize;
};

TSectionRule RuleOf(const QString& section)
{
    if (section.compare(QLatin1String("Controls"), Qt::CaseInsensitive) == 0)
        return {false, false};
    // The speckle window's size is written but never read: it comes back in its design size.
    if (section.compare(QLatin1String("Speckle"), Qt::CaseInsensitive) == 0)
        return {true, false};
    return {true, true};
}

}  // namespace

QStringList LayoutSections()
{
    return {QStringLiteral("Film"),          QStringLiteral("Controls"), QStringLiteral("Kymo"),
            QStringLiteral("PointSpectrum"), QStringLiteral("Waveform"), QStringLiteral("Speckle")};
}

void SaveLayout(TIni& store, const std::vector<TLayoutEntry>& windows, const QString& version)
{
    for (const TLayoutEntry& entry : windows) {
        if (!entry.Window || !entry.Window->IsNormal())
            continue;  // keeps the values saved while it was normal
        const TWindowGeometry geometry = entry.Window->Geometry();
        store.WriteInteger(entry.Section, kXPos, geometry.Left);
        store.WriteInteger(entry.Section, kYPos, geometry.Top);
        if (RuleOf(entry.Section).WriteSize) {
            store.WriteInteger(entry.Section, kXSize, geometry.Width);
            store.WriteInteger(entry.Section, kYSize, geometry.Height);
        }
    }
    store.WriteString(kCommon, QStringLiteral("Version"), version);
}

void LoadLayout(const TIni& store, const std::vector<TLayoutEntry>& windows)
{
    for (const TLayoutEntry& entry : windows) {
        if (!entry.Window)
            continue;
        TLayoutWindow& window = *entry.Window;
        window.SetLeft(store.ReadInteger(entry.Section, kXPos, window.Geometry().Left));
        window.SetTop(store.ReadInteger(entry.Section, kYPos, window.Geometry().Top));
        if (RuleOf(entry.Section).ReadSize) {
            window.SetWidth(store.ReadInteger(entry.Section, kXSize, window.Geometry().Width));
            window.SetHeight(store.ReadInteger(entry.Section, kYSize, window.Geometry().Height));
        }
    }
}

TLayoutSaved SavedLayoutOf(const TIni& store, const QString& section)
{
    // No window sits at this value: it stands for a key the store does not hold.
    constexpr int32_t kAbsent = std::numeric_limits<int32_t>::min();
    const auto held = [&](const QString& key) { return store.ReadInteger(section, key, kAbsent) != kAbsent; };
    TLayoutSaved saved;
    saved.Position = held(kXPos) && held(kYPos);
    saved.Size = RuleOf(section).ReadSize && held(kXSize) && held(kYSize);
    return saved;
}

bool ReadSaveOnExit(const TIni& store) { return store.ReadBool(kCommon, QStringLiteral("SaveOnExit"), false); }

void WriteSaveOnExit(TIni& store, bool on) { store.WriteBool(kCommon, QStringLiteral("SaveOnExit"), on); }
