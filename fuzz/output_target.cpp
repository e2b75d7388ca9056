// The sample-file export onto a name from the input, in a folder of planted things: a file of
// its own (of some mode), a folder, a FIFO, links to them, the open sequence's own files (also
// through a link and a hard link). Whatever the name: the sequence's files, the folder, the FIFO
// and the links stay what they were; the target is either the old file, untouched, or the whole
// new one; no temporary file is left; nothing waits for ever (a FIFO opened would hang the run).
// Names are kept inside the folder (a ".." may not climb out of it), and every planted link
// points inside it: nothing outside the fuzz folder can be reached.
#include "export/io/WaveformExport.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Errors.h"
#include "viewer/io/Sequence.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void Finding(const char* what, const QString& name)
{
    std::fprintf(stderr, "%s (target \"%s\")\n", what, qPrintable(name));
    std::abort();
}

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

mode_t KindOf(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
}

}  // namespace

void Fuzz_output_target(const uint8_t* data, size_t size)
{
    const std::vector<QByteArray> parts = SplitFuzzInput(data, size, 2);
    const QByteArray& options = parts[0];
    const auto option = [&](int i) { return i < options.size() ? uint8_t(options[i]) : uint8_t(0); };

    const QString scene = FuzzFolder() + QStringLiteral("/scene");
    QDir(scene).removeRecursively();
    QDir().mkpath(scene + QStringLiteral("/sub"));
    const auto at = [&](const char* name) { return scene + QLatin1Char('/') + QLatin1String(name); };

    const int32_t frames = 1 + option(0) % 40;
    QByteArray bytes;
    for (int32_t i = 0; i < 4 * 2 * frames; ++i)
        bytes += char(i * 7);
    {
        QFile bld(at("seq.bld"));
        bld.open(QIODevice::WriteOnly);
        bld.write(bytes);
        QFile par(at("seq.par"));
        par.open(QIODevice::WriteOnly);
        par.write(QStringLiteral("RESOLUTION: 4x2\nFRAMES: %1\nFRAMES/S: 50\n").arg(frames).toLatin1());
        QFile old(at("old.smp"));
        old.open(QIODevice::WriteOnly);
        old.write("old");
    }
    static const mode_t kModes[] = {0644, 0600, 0444, 0640};
    ::chmod(QFile::encodeName(at("old.smp")).constData(), kModes[option(1) % 4]);
    QDir().mkdir(at("dir.smp"));
    ::mkfifo(QFile::encodeName(at("pipe.smp")).constData(), 0600);
    QFile::link(QStringLiteral("old.smp"), at("link.smp"));
    QFile::link(QStringLiteral("seq.bld"), at("tobld.smp"));
    QFile::link(QStringLiteral("pipe.smp"), at("topipe.smp"));
    QFile::link(QStringLiteral("missing.smp"), at("dangling.smp"));
    ::link(QFile::encodeName(at("seq.par")).constData(), QFile::encodeName(at("hard.smp")).constData());
    const QStringList planted = QDir(scene).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);

    // The name: relative to the folder, and never out of it.
    QString name = QString::fromUtf8(parts[1]).remove(QChar(0));
    if (name.isEmpty())
        name = QStringLiteral("new.smp");
    const QString target = QDir::cleanPath(scene + QLatin1Char('/') + name);
    if (!target.startsWith(scene + QLatin1Char('/')))
        return;

    QMap<QString, mode_t> kinds;
    for (const QString& entry : planted)
        kinds[entry] = KindOf(scene + QLatin1Char('/') + entry);
    const QByteArray bld = Contents(at("seq.bld"));
    const QByteArray par = Contents(at("seq.par"));

    TSequence sequence;
    sequence.SetFileName(at("seq.bld"));
    try {
        sequence.ReadSequenceFiles();
    } catch (const EError&) {
        return;
    }
    TSMPfile smp;
    bool written = false;
    try {
        written = ExportWaveform(smp, sequence, QPoint(option(2) % 4, option(3) % 2), target,
                                 [&](int64_t, int64_t) { return option(4) % 4 != 0; });
    } catch (const EError&) {
    }

    if (Contents(at("seq.bld")) != bld || Contents(at("seq.par")) != par)
        Finding("the sequence's own files changed", name);
    for (auto it = kinds.cbegin(); it != kinds.cend(); ++it)
        if (KindOf(scene + QLatin1Char('/') + it.key()) != it.value())
            Finding("a planted entry changed its kind", name);
    const QByteArray old = Contents(at("old.smp"));
    if (old != "old" && old.size() != 1024 + 2 * frames)
        Finding("the old file is neither itself nor a whole new one", name);
    if (written && Contents(target).size() != 1024 + 2 * frames)
        Finding("a finished export is not whole", name);
    // Nothing new but the target itself (or, through a link, the file it names).
    const QStringList now = QDir(scene).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : now)
        if (!planted.contains(entry) && scene + QLatin1Char('/') + entry != target &&
            entry != QStringLiteral("missing.smp"))
            Finding("something was left beside the target", name + QStringLiteral(": ") + entry);
    for (const QString& entry : QDir(scene + QStringLiteral("/sub")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
        if (scene + QStringLiteral("/sub/") + entry != target)
            Finding("something was left beside the target", name + QStringLiteral(": sub/") + entry);
}
