#pragma once
// "Speckle properties": whether the trace is shown, the sizes of the correlation and scouting
// areas, the reference image and the image processing. Every change is handed on as the whole
// new settings (the session stores them); nothing is tracked again until the next click. Laid out
// from the font, so larger desktop fonts make it grow rather than clip.

#include <QWidget>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QGridLayout;
class QGroupBox;
class QSpinBox;
struct TSpeckleSettings;

class TForm11 : public QWidget {
    Q_OBJECT
public:
    // `settings` are the session's, read only here; they must outlive this window.
    explicit TForm11(const TSpeckleSettings& settings, QWidget* parent = nullptr);

    // The main window's SetSpeckleOn, called with the box's state when the user clicks it.
    void OnShowTraceClicked(std::function<void(bool)> handler) { showTraceClicked_ = std::move(handler); }
    // Called with the new settings after the user changed a size or an option.
    void OnSettingsChanged(std::function<void(const TSpeckleSettings&)> handler) { settingsChanged_ = std::move(handler); }

    // The check box follows SpeckleOn; no handler is called.
    void ShowSpeckleOn(bool on);
    // The controls take the settings' current values (as on every show); no handler is called.
    void ReadSettings();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QGroupBox* AddSizeGroup(const QString& role, const QString& caption, QSpinBox*& x, QSpinBox*& y);
    QSpinBox* AddSpinEdit(QGridLayout& rows, int row, const QString& role, const QString& caption);
    QGroupBox* AddRadioGroup(const QString& role, const QString& caption, const QString& first,
                             const QString& second, QButtonGroup*& buttons);
    // Hands on the settings with one change made by `change`.
    void Written(const std::function<void(TSpeckleSettings&)>& change);

    const TSpeckleSettings& settings_;
    std::function<void(bool)> showTraceClicked_;
    std::function<void(const TSpeckleSettings&)> settingsChanged_;
    bool reading_ = false;

    QCheckBox* showtracecheck_;
    QSpinBox* corrxedit_;
    QSpinBox* corryedit_;
    QSpinBox* scoutxedit_;
    QSpinBox* scoutyedit_;
    QButtonGroup* correlateto_;
    QButtonGroup* processing_;
};
