#pragma once
// The window layout (WindowLayout.h) over widgets: each entry a section name and a top-level
// widget (null entries are skipped). The main window calls these from "Save &now!" and its
// first activation. User-interface thread.

#include <QString>
#include <utility>
#include <vector>

class QWidget;
class TIni;

using TWidgetLayoutList = std::vector<std::pair<QString, QWidget*>>;

void SaveWidgetLayout(TIni& store, const TWidgetLayoutList& windows, const QString& version);
void LoadWidgetLayout(const TIni& store, const TWidgetLayoutList& windows);
