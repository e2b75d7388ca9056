#include "viewer/io/BldFrameSource.h"

#include "platform/Errors.h"
#include "platform/FileNames.h"
#include "platform/PoolParts.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

QString SystemMessage(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// Bytes [from, to) of the file into block + from, until the file ends; the bytes read, or -1
// with `error` set.
int64_t ReadRange(int fd, uint8_t* block, off_t offset, size_t from, size_t to, int& error)
{
    size_t got = from;
    while (got < to) {
        const ssize_t n = ::pread(fd, block + got, to - got, offset + off_t(got));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return -1;
        }
        if (n == 0)
            break;
        got += size_t(n);
    }
    return int64_t(got - from);
}

// Reads this large and above are split between two threads: the kernel makes each fresh page
// (zeroed) on the thread that first writes it, which costs as much as the copy itself.
constexpr size_t kSplitReadBytes = size_t(64) << 20;

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
    int error = 0;
    int64_t got = 0;
    if (wanted >= kSplitReadBytes && std::thread::hardware_concurrency() > 1) {
        const size_t half = wanted / 2 / (size_t(2) << 20) * (size_t(2) << 20);  // on a huge page boundary
        int secondError = 0;
        int64_t second = 0;
        RunPoolParts(2, [&](int part) {
            if (part == 0)
                got = ReadRange(fd, block, offset, 0, half, error);
            else
                second = ReadRange(fd, block, offset, half, wanted, secondError);
        });
        if (got >= 0 && second < 0)
            error = secondError;
        // Only what lies unbroken from the start counts.
        got = got < 0 || second < 0 ? -1 : size_t(got) < half ? got : got + second;
    } else {
        got = ReadRange(fd, block, offset, 0, wanted, error);
    }
    if (got < 0) {
        ::close(fd);
        throw EInOutError(QStringLiteral("Cannot read \"%1\": %2").arg(fileName_, SystemMessage(error)));
    }
    ::close(fd);
    const size_t wholeRows = size_t(got) / size_t(width);
    std::fill(block + wholeRows * size_t(width), block + wanted, kMissingFill);
}
