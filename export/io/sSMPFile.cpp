// TSMPfile: the file itself: creating, opening, the header block, the temporary copy.
#include "export/io/sSMP.h"

#include "export/io/sSMPNames.h"
#include "platform/FileNames.h"
#include "platform/SafeFileWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace smpnames;

namespace {

QString NewTemporaryName()
{
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/smpXXXXXX.tmp"));
    file.setAutoRemove(false);
    return file.open() ? file.fileName() : QString();
}

// The "head" of a file on disk, for a header written into a file that is not open.
int64_t HeadOnDisk(const QString& path, int32_t fallback)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0)
        return fallback;
    TSMPfile reader;
    reader.defheadsize = fallback;
    reader.ParseHeader(file.read(TSMPfile::kHeaderBufferSize));
    return reader.HeadSize();
}

// Why `name` cannot be written to, or empty: the checks of every output file of the program (never
// onto a folder, a FIFO or a device), and a name this component's file functions can reach (one
// with bytes that are not UTF-8 would be written under another name).
QString OutputProblem(const QString& name)
{
    try {
        CheckOutputTarget(name);
    } catch (const EError& e) {
        return e.Message();
    }
    if (EncodeFileName(name) != QFile::encodeName(name))
        return QStringLiteral("Cannot write \"%1\": sample files cannot be written under a name that is not UTF-8")
            .arg(name);
    return {};
}

}  // namespace

bool TSMPfile::Fail(const QString& message)
{
    lastError_ = message;
    return false;
}

void TSMPfile::SyncWrites(QFile& file) const
{
    if (!WriteThroughCache)
        return;
    file.flush();
#ifdef Q_OS_UNIX
    ::fdatasync(file.handle());
#endif
}

void TSMPfile::CloseHandle()
{
    if (file_) {
        file_->close();
        file_.reset();
    }
    if (workIsTemp_)
        QFile::remove(workName_);
    workIsTemp_ = false;
    if (pending_) {  // never committed: the old file stays, the temporary file goes
        workName_ = pending_->Target();
        pending_.reset();
    }
}

bool TSMPfile::CommitPending()
{
    if (!pending_)
        return true;
    QString problem;
    if (!file_->flush())
        problem = QStringLiteral("Cannot write %1: %2").arg(Quoted(filename_), file_->errorString());
    else
        try {
            pending_->Commit();  // flushes to the disk and renames over the name new_file was given
            workName_ = pending_->Target();
            pending_.reset();
            return true;
        } catch (const EError& e) {
            problem = e.Message();
        }
    CloseHandle();
    return Fail(problem);
}

void TSMPfile::discard_file()
{
    CloseHandle();
}

bool TSMPfile::new_file(const QString& name)
{
    close_file();
    lastError_.clear();
    if (const QString problem = OutputProblem(name); !problem.isEmpty())
        return Fail(problem);
    readOnly_ = false;
    filename_ = name;
    workName_ = name;
    if (UseTempFile) {
        workName_ = NewTemporaryName();
        if (workName_.isEmpty())
            return Fail(QStringLiteral("Cannot make a temporary file for %1").arg(Quoted(name)));
        workIsTemp_ = true;
    }
    if (!UseTempFile) {
        // The file that is there stays until the new one is complete.
        try {
            pending_ = std::make_unique<TSafeFileWriter>(name);
        } catch (const EError& e) {
            return Fail(e.Message());
        }
        workName_ = pending_->TemporaryPath();
    }
    auto file = std::make_unique<QFile>(workName_);
    if (workIsTemp_ && file->exists() && !file->remove()) {
        CloseHandle();
        return Fail(QStringLiteral("Cannot replace %1: %2").arg(Quoted(name), file->errorString()));
    }
    // Unbuffered: every write reaches the system at once, and so does its failure.
    if (!file->open(QIODevice::ReadWrite | QIODevice::Unbuffered |
                    (pending_ ? QIODevice::ExistingOnly : QIODevice::NewOnly))) {
        const QString reason = file->errorString();
        CloseHandle();
        return Fail(QStringLiteral("Cannot create %1: %2").arg(Quoted(name), reason));
    }
    file_ = std::move(file);
    clear();
    dataOffset_ = HeadSize();
    nextSample_.fill(0);
    holdPending_ = true;
    const bool saved = save_file();
    holdPending_ = false;
    if (!saved)
        CloseHandle();
    return saved;
}

bool TSMPfile::open_file(const QString& name, bool readOnly)
{
    close_file();
    lastError_.clear();
    if (!QFileInfo(name).isFile())
        return Fail(QStringLiteral("There is no sample file %1").arg(Quoted(name)));
    readOnly_ = readOnly;
    filename_ = name;
    workName_ = name;
    if (UseTempFile) {
        workName_ = NewTemporaryName();
        workIsTemp_ = !workName_.isEmpty();
        if (!workIsTemp_ || !QFile::remove(workName_) || !QFile::copy(name, workName_)) {
            CloseHandle();
            return Fail(QStringLiteral("Cannot make a temporary copy of %1").arg(Quoted(name)));
        }
        QFile(workName_).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    auto file = std::make_unique<QFile>(workName_);
    if (!file->open((readOnly ? QIODevice::ReadOnly : QIODevice::ReadWrite) | QIODevice::Unbuffered)) {
        const QString message = QStringLiteral("Cannot open %1: %2").arg(Quoted(name), file->errorString());
        file_ = std::move(file);
        close_file();
        return Fail(message);
    }
    const QByteArray header = file->read(kHeaderBufferSize);
    file_ = std::move(file);
    ParseHeader(header);
    nextSample_.fill(0);
    if (header.isEmpty()) {
        close_file();
        return Fail(QStringLiteral("The sample file %1 is empty").arg(Quoted(name)));
    }
    return true;
}

bool TSMPfile::close_file()
{
    if (!file_) {
        CloseHandle();
        return true;
    }
    if (pending_ && !CommitPending())
        return false;
    const bool flushed = file_->flush() || !file_->isWritable();
    const QString reason = file_->errorString();
    CloseHandle();
    return flushed || Fail(QStringLiteral("Cannot finish writing %1: %2").arg(Quoted(filename_), reason));
}

bool TSMPfile::WriteHeaderBlock(QFile& file, int64_t oldOffset, int32_t head)
{
    // A header block that changes size moves the samples behind it, so that it never covers
    // them and they still start at "head".
    const int64_t size = file.size();
    const int64_t data = std::max<int64_t>(0, size - oldOffset);
    if (head != oldOffset) {
        if (data > 0 && !MoveData(file, oldOffset, head, data))
            return Fail(QStringLiteral("Cannot move the samples of %1 behind the grown header: %2")
                            .arg(Quoted(filename_), file.errorString()));
        if (!file.resize(head + data))
            return Fail(QStringLiteral("Cannot resize %1: %2").arg(Quoted(filename_), file.errorString()));
    }
    dataOffset_ = head;

    static const QByteArray zeros(65536, '\0');
    int64_t written = 0;
    bool ok = file.seek(0);
    if (ok) {
        const QByteArray text = text_.left(head);
        ok = WriteAll(file, text.constData(), text.size());
        written = text.size();
    }
    while (ok && written < head) {
        const int64_t piece = std::min<int64_t>(zeros.size(), head - written);
        ok = WriteAll(file, zeros.constData(), piece);
        written += piece;
    }
    if (!ok || !file.flush())
        return Fail(QStringLiteral("Cannot write the header of %1: %2").arg(Quoted(filename_), file.errorString()));
    SyncWrites(file);
    return true;
}

bool TSMPfile::MoveData(QFile& file, int64_t from, int64_t to, int64_t length)
{
    std::vector<char> buffer(size_t(std::min<int64_t>(length, 1 << 20)));
    const int64_t piece = int64_t(buffer.size());
    const auto copy = [&](int64_t start, int64_t n) {
        return file.seek(from + start) && file.read(buffer.data(), n) == n && file.seek(to + start) &&
               WriteAll(file, buffer.data(), n);
    };
    if (to > from) {  // from the end backwards: nothing is read after it was overwritten
        for (int64_t end = length; end > 0; end -= piece)
            if (!copy(std::max<int64_t>(0, end - piece), std::min(piece, end)))
                return false;
    } else {
        for (int64_t start = 0; start < length; start += piece)
            if (!copy(start, std::min(piece, length - start)))
                return false;
    }
    return file.flush();
}

bool TSMPfile::CopyWorkingFile()
{
    // The working file goes onto Filename in 8192-byte blocks and keeps its date; Filename is
    // replaced only once the copy is complete.
    if (!file_->flush())
        return Fail(QStringLiteral("Cannot write %1: %2").arg(Quoted(workName_), file_->errorString()));
    QFile from(workName_);
    if (!from.open(QIODevice::ReadOnly))
        return Fail(QStringLiteral("Cannot read %1: %2").arg(Quoted(workName_), from.errorString()));
    try {
        TSafeFileWriter to(filename_);
        char block[8192];
        for (;;) {
            const qint64 n = from.read(block, sizeof block);
            if (n < 0)
                return Fail(QStringLiteral("Cannot read %1: %2").arg(Quoted(workName_), from.errorString()));
            if (n == 0)
                break;
            to.Write(block, n);
        }
        to.Commit();
    } catch (const EError& e) {
        return Fail(e.Message());
    }
    QFile copied(filename_);
    if (copied.open(QIODevice::ReadWrite))
        copied.setFileTime(QFileInfo(workName_).lastModified(), QFileDevice::FileModificationTime);
    return true;
}

bool TSMPfile::SwitchToFilename()
{
    CloseHandle();
    workName_ = filename_;
    auto file = std::make_unique<QFile>(filename_);
    if (!file->open((readOnly_ ? QIODevice::ReadOnly : QIODevice::ReadWrite) | QIODevice::Unbuffered))
        return Fail(QStringLiteral("Cannot open %1: %2").arg(Quoted(filename_), file->errorString()));
    file_ = std::move(file);
    return true;
}

bool TSMPfile::save_file(const QString& name)
{
    lastError_.clear();
    const QString pendingName = filename_;
    if (!name.isEmpty()) {
        if (const QString problem = OutputProblem(name); !problem.isEmpty())
            return Fail(problem);
        filename_ = name;
    }
    validate_items();
    const QString sideToErase = PlaceLabels();  // settled before the header is built
    int32_t head = HeadSize();
    while (head < UsedSize())
        SetHeadSize(head = (UsedSize() + 1) / 2 * 2);
    if (text_.size() > kHeaderBufferSize)
        return Fail(QStringLiteral("The header of %1 would be %2 bytes long; at most %3 can be read back")
                        .arg(Quoted(filename_))
                        .arg(text_.size())
                        .arg(kHeaderBufferSize));
    if (filename_.isEmpty())
        return Fail(QStringLiteral("The sample file has no name"));

    // A new file saved under another name first reaches its own.
    if (pending_ && filename_ != pendingName && !CommitPending())
        return false;
    // Saved under another name: the file moves there first, the original keeps its header.
    // Names are compared as files: copying a file onto itself would empty it.
    if (file_ && !workIsTemp_ && !pending_ && QFileInfo(workName_) != QFileInfo(filename_)) {
        readOnly_ = false;  // the copy is the caller's to write, whatever the original was
        if (!CopyWorkingFile() || !SwitchToFilename())
            return false;
    }
    if (file_ && readOnly_)
        return Fail(QStringLiteral("%1 is open read-only").arg(Quoted(filename_)));
    bool ok = false;
    if (file_) {
        ok = WriteHeaderBlock(*file_, dataOffset_, head);
    } else {
        QFile file(filename_);
        const int64_t oldOffset = HeadOnDisk(filename_, defheadsize);
        ok = file.open(QIODevice::ReadWrite) ? WriteHeaderBlock(file, oldOffset, head)
                                             : Fail(QStringLiteral("Cannot open %1: %2")
                                                        .arg(Quoted(filename_), file.errorString()));
    }

    if (ok && pending_ && !holdPending_)
        ok = CommitPending();

    FinishLabels(sideToErase);

    if (ok && file_ && workIsTemp_) {
        ok = CopyWorkingFile();
        if (ok && !UseTempFile)
            ok = SwitchToFilename();
    }
    return ok;
}
