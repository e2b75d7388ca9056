// TSMPfile: labels, kept as "L1", "L2", ... items or in a side file named by "labels".
#include "export/io/sSMP.h"

#include "export/io/FileNameParts.h"
#include "export/io/OemCodePage.h"
#include "export/io/sSMPNames.h"
#include "platform/SafeFileWriter.h"

#include <QDir>
#include <QFileInfo>

using namespace smpnames;

namespace {

// The first two separators of a label are "," or ";"; both become ",".
QString NormaliseLabel(QString label)
{
    int separators = 0;
    for (qsizetype i = 0; i < label.size() && separators < 2; ++i)
        if (label[i] == QLatin1Char(',') || label[i] == QLatin1Char(';')) {
            label[i] = QLatin1Char(',');
            ++separators;
        }
    return label;
}

// More than a label file of any use holds: a label per channel, each a line of a header's length.
constexpr qint64 kMaxSideFileBytes = qint64(1) << 20;

}  // namespace

void TSMPfile::SetLabels(const QStringList& labels)
{
    labels_.clear();
    for (const QString& label : labels)
        labels_.append(NormaliseLabel(label));
}

QString TSMPfile::CSVFileName()
{
    const QString named = get_item(kLabels);
    if (!named.isEmpty())
        csvFileName_ = named;
    return csvFileName_;
}

void TSMPfile::SetCSVFileName(const QString& name)
{
    csvFileName_ = name;
    RemoveItems([](const Item& item) { return SameName(item.name, kLabels); });
    if (!name.isEmpty())
        items_.push_back({kLabels, name});
}

void TSMPfile::ReadLabelItems()
{
    labels_.clear();
    for (qsizetype n = 1; !get_item(LabelItemName(n)).isEmpty(); ++n)
        labels_.append(NormaliseLabel(get_item(LabelItemName(n))));
}

QString TSMPfile::ResolveSidePath(const QString& name) const
{
    if (name.isEmpty() || QFileInfo(name).isAbsolute())
        return name;
    return QFileInfo(filename_).dir().filePath(name);
}

bool TSMPfile::SideFileIsOurs(const QString& path) const
{
    // A header may name any file as its side file: only a label file of this sample file (its
    // first line names it) is ever replaced or deleted.
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return true;
    // Never opened unless it is a regular file: opening a FIFO would wait for a writer.
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    const QString first = FromOemCodePage(file.readLine(4096).trimmed()).replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QFileInfo(first).fileName() == QFileInfo(filename_).fileName();
}

void TSMPfile::LoadSideFile()
{
    // An unreadable side file leaves the labels as they were: nothing is lost for want of it.
    const QString path = ResolveSidePath(csvFileName_);
    // The header may name anything: only a regular file is read (a FIFO would wait for a
    // writer, a device like /dev/zero never end), and no more of it than labels can fill.
    QFile file(path);
    if (path.isEmpty() || !QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return;
    const QList<QByteArray> lines = file.read(kMaxSideFileBytes).split('\n');
    labels_.clear();
    for (qsizetype i = 1; i < lines.size(); ++i) {  // the first line names the sample file
        const QByteArray line = lines[i].endsWith('\r') ? lines[i].chopped(1) : lines[i];
        if (!line.isEmpty())
            labels_.append(NormaliseLabel(FromOemCodePage(line)));
    }
    loadedSideFile_ = path;
}

QString TSMPfile::PlaceLabels()
{
    // The labels in the header are L1, L2, ... up to the first missing number.
    qsizetype count = 0;
    while (!get_item(LabelItemName(count + 1)).isEmpty())
        ++count;
    RemoveItems([count](const Item& item) {
        for (qsizetype n = 1; n <= count; ++n)
            if (SameName(item.name, LabelItemName(n)))
                return true;
        return false;
    });
    if (ExternalLabels) {
        if (CSVFileName().isEmpty())
            SetCSVFileName(filename_.left(ExtensionDot(filename_)) + QStringLiteral(".csv"));
        return {};
    }
    for (qsizetype i = 0; i < labels_.size(); ++i)
        set_item(LabelItemName(i + 1), labels_[i]);
    const QString erase = EraseCSVFile ? loadedSideFile_ : QString();
    loadedSideFile_.clear();
    SetCSVFileName({});
    return erase;
}

void TSMPfile::FinishLabels(const QString& erase)
{
    if (!ExternalLabels) {
        if (!erase.isEmpty() && SideFileIsOurs(erase))
            QFile::remove(erase);
        return;
    }
    const QString path = ResolveSidePath(csvFileName_);
    QByteArray text = ToOemCodePage(filename_) + "\r\n";
    for (const QString& label : labels_)
        text += ToOemCodePage(label) + "\r\n";
    if (!SideFileIsOurs(path)) {
        lastError_ = QStringLiteral("Cannot write the label file %1: it is not this sample file's").arg(Quoted(path));
        return;
    }
    try {
        WriteFileSafely(path, text);  // the old label file stays whole until the new one is
        loadedSideFile_ = path;
    } catch (const EError& e) {
        lastError_ = e.Message();
    }
}
