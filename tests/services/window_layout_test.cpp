#include "services/SettingsContext.h"
#include "services/sini.h"
#include "support/TestSupport.h"
#include "services/WindowLayout.h"

#include <gtest/gtest.h>

namespace {

class TFakeWindow : public TLayoutWindow {
public:
    explicit TFakeWindow(TWindowGeometry g) : geometry(g) {}
    bool IsNormal() const override { return normal; }
    TWindowGeometry Geometry() const override { return geometry; }
    void SetLeft(int32_t v) override { geometry.Left = v; }
    void SetTop(int32_t v) override { geometry.Top = v; }
    void SetWidth(int32_t v) override { geometry.Width = v; }
    void SetHeight(int32_t v) override { geometry.Height = v; }
    TWindowGeometry geometry;
    bool normal = true;
};

struct TStore {
    TStore()
        : context(TRegistryFolders{scratch.Path("user"), scratch.Path("machine"), scratch.Path("classes")}, Folders())
    {
    }
    static TSystemFolders Folders()
    {
        TSystemFolders folders;
        folders.ExecutableName = QStringLiteral("tremax");
        return folders;
    }
    TScratch scratch;
    TSettingsContext context;
};

// The program's six windows, each at its own place.
struct TWindows {
    TFakeWindow film{{100, 50, 331, 375}}, controls{{10, 20, 250, 300}}, kymo{{500, 24, 300, 200}},
        point{{500, 260, 300, 180}}, waveform{{500, 476, 300, 150}}, speckle{{40, 600, 220, 160}};
    std::vector<TLayoutEntry> Entries()
    {
        const QStringList sections = LayoutSections();
        TFakeWindow* windows[] = {&film, &controls, &kymo, &point, &waveform, &speckle};
        std::vector<TLayoutEntry> entries;
        for (int i = 0; i < 6; ++i)
            entries.push_back({sections[i], windows[i]});
        return entries;
    }
};

}  // namespace

TEST(WindowLayout, RoundTripKeepsWhatWasSavedWhileNormal)
{
    TStore store;
    TWindows saved;
    {
        TIni ini(store.context);
        SaveLayout(ini, saved.Entries(), QStringLiteral("3.0.0.3"));
        // Maximised later and saved again: the main window's values stay those of before.
        saved.film.normal = false;
        saved.film.geometry = {0, 0, 1920, 1080};
        saved.kymo.geometry.Left = 640;
        SaveLayout(ini, saved.Entries(), QStringLiteral("3.0.0.3"));
    }

    TIni ini(store.context);
    EXPECT_EQ(ini.ReadString(QStringLiteral("Common"), QStringLiteral("Version"), QString()), QStringLiteral("3.0.0.3"));
    // The controls' size is not written; the speckle window's is.
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Controls"), QStringLiteral("XSize"), -1), -1);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Speckle"), QStringLiteral("YSize"), -1), 160);

    TWindows next;  // design places of a new start, all different
    next.film.geometry = {1, 2, 3, 4};
    next.controls.geometry = {5, 6, 7, 8};
    next.speckle.geometry = {9, 10, 11, 12};
    LoadLayout(ini, next.Entries());
    EXPECT_EQ(next.film.geometry, (TWindowGeometry{100, 50, 331, 375}));
    EXPECT_EQ(next.controls.geometry, (TWindowGeometry{10, 20, 7, 8}));
    EXPECT_EQ(next.kymo.geometry, (TWindowGeometry{640, 24, 300, 200}));
    EXPECT_EQ(next.speckle.geometry, (TWindowGeometry{40, 600, 11, 12}));
}

TEST(WindowLayout, MissingKeysKeepTheCurrentPlaces)
{
    TStore store;
    TIni ini(store.context);
    ini.WriteInteger(QStringLiteral("Kymo"), QStringLiteral("YPos"), 77);
    TWindows windows;
    LoadLayout(ini, windows.Entries());
    EXPECT_EQ(windows.kymo.geometry, (TWindowGeometry{500, 77, 300, 200}));
    EXPECT_EQ(windows.film.geometry, (TWindowGeometry{100, 50, 331, 375}));

    EXPECT_FALSE(ReadSaveOnExit(ini));
    WriteSaveOnExit(ini, true);
    EXPECT_TRUE(ReadSaveOnExit(ini));
}
