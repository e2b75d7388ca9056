#pragma once
// The context menu of a plot's picture (the right button, which no plot picks with): "Fit to
// data" and "Reset" for the value axis where the plot has one, and "Export data...".

#include <QString>
#include <functional>

class QByteArray;
class QMenu;
class QWidget;
class TErrorHandler;
class TSequence;

struct TPlotMenuCommands {
    std::function<void()> fit;         // absent: no "Fit to data"
    std::function<void()> reset;       // absent: no "Reset"
    std::function<void()> exportData;  // absent: no "Export data..."
};

// The menu is the picture's child; each command runs guarded by `errors`, which must outlive it.
QMenu* AttachPlotMenu(QWidget& picture, TErrorHandler& errors, const TPlotMenuCommands& commands);

// Asks where to save a table (a CSV file named `suggested`, in the sequence's folder) and writes
// it there whole or not at all, never onto a file the sequence is read from. Nothing happens when
// the user cancels.
void AskAndWriteTable(QWidget* parent, const TSequence& sequence, const QString& suggested,
                      const std::function<QByteArray()>& table);
// The file name offered: the sequence's name without its extension, "_", `what`, ".csv".
QString SuggestedTableName(const TSequence& sequence, const QString& what);
