#include "viewer/widgets/PlotMenu.h"

#include "platform/SafeFileWriter.h"
#include "viewer/session/ErrorHandler.h"
#include "viewer/io/Sequence.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QWidget>

QMenu* AttachPlotMenu(QWidget& picture, TErrorHandler& errors, const TPlotMenuCommands& commands)
{
    auto* menu = new QMenu(&picture);
    const auto add = [&](const char* caption, const std::function<void()>& command) {
        if (!command)
            return;
        QObject::connect(menu->addAction(QString::fromUtf8(caption)), &QAction::triggered, &picture,
                         [&errors, command] { errors.Guarded(command); });
    };
    add("Fit to data", commands.fit);
    add("Reset", commands.reset);
    if (commands.exportData && !menu->isEmpty())
        menu->addSeparator();
    add("Export data...", commands.exportData);
    picture.setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(&picture, &QWidget::customContextMenuRequested, menu,
                     [menu, &picture](QPoint position) { menu->popup(picture.mapToGlobal(position)); });
    return menu;
}

QString SuggestedTableName(const TSequence& sequence, const QString& what)
{
    const QString file = sequence.Header().FileName;
    if (file.isEmpty())
        return what + QStringLiteral(".csv");
    const QFileInfo info(file);
    return info.dir().filePath(info.completeBaseName() + QLatin1Char('_') + what + QStringLiteral(".csv"));
}

void AskAndWriteTable(QWidget* parent, const TSequence& sequence, const QString& suggested,
                      const std::function<QByteArray()>& table)
{
    QFileDialog dialog(parent, QStringLiteral("Export data"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({QStringLiteral("CSV tables (*.csv)"), QStringLiteral("All files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    WriteFileSafely(dialog.selectedFiles().front(), table(), sequence.SourceFiles());
}
