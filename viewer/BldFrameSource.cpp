#include "viewer/BldFrameSource.h"

#include "platform/Errors.h"
#include "platform/FileNames.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString SystemMessage(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

}  // namespace

QStringList TBldFrameSource::SourceFiles() const { return QStringList{fileName_} + HeaderFileCandidates(fileName_); }

void TBldFrameSource::ReadHeader(THeaderTarget& target)
{
    const QString headerFile = FindHeaderFile(fileName_);
    if (!headerFile.isEmpty()) {
        ReadHeaderFile(headerFile, target);
        return;
    }
    target.SetImageHeight(64);
    target.SetImageWidth(256);
    target.SetFrameCount(2048);
    target.SetRecordingRate(1904);
    target.SetFirstFrame(0);
}

int64_t TBldFrameSource::FramesHeld(int32_t width, int32_t height) const
{
    const int64_t frameBytes = int64_t(width) * int64_t(height);
    struct stat info {};
    if (frameBytes <= 0 || ::stat(EncodeFileName(fileName_).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return 0;
    return int64_t(info.st_size) / frameBytes;
}

void TBldFrameSource::ReadFrames(int32_t first, int32_t count, int32_t width, int32_t height,
                                 uint8_t* block) const
{
    const size_t frameBytes = size_t(width) * size_t(height);
    const size_t wanted = frameBytes * size_t(count);
    if (FileKindOf(fileName_) == TFileKind::missing) {
        std::fill(block, block + wanted, kMissingFill);
        return;
    }
    // Not blocking: a FIFO must not stall the program until someone writes to it.
    const int fd = ::open(EncodeFileName(fileName_).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw EInOutError(QStringLiteral("Cannot open \"%1\": %2").arg(fileName_, SystemMessage(errno)));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw EInOutError(QStringLiteral("Cannot read \"%1\": it is %2, not a frame file")
                              .arg(fileName_, FileKindText(FileKindOf(fileName_))));
    }

    const off_t offset = off_t(first) * off_t(frameBytes);
    size_t got = 0;
    while (got < wanted) {
        const ssize_t n = ::pread(fd, block + got, wanted - got, offset + off_t(got));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            throw EInOutError(QStringLiteral("Cannot read \"%1\": %2").arg(fileName_, SystemMessage(error)));
        }
        if (n == 0)
            break;
        got += size_t(n);
    }
    ::close(fd);
    const size_t wholeRows = got / size_t(width);
    std::fill(block + wholeRows * size_t(width), block + wanted, kMissingFill);
}
