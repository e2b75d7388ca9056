#include "support/TestSupport.h"

#include <QFile>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

TScratch::TScratch()
{
    if (!dir_.isValid())
        throw std::runtime_error("cannot make a scratch folder");
}

QString TScratch::Path(const QString& name) const { return dir_.filePath(name); }

QString TScratch::Write(const QString& name, const QByteArray& bytes) const
{
    const QString path = Path(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
    return path;
}

QString WriteFrames(const TScratch& scratch, const QString& name, int32_t width, int32_t height, int32_t frames,
                    const std::function<uint8_t(int32_t, int32_t, int32_t)>& value)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(width) * height * frames);
    for (int32_t f = 0; f < frames; ++f)
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                bytes.append(char(value(f, y, x)));
    return scratch.Write(name, bytes);
}

int RunInChild(const std::function<int()>& body)
{
    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("cannot fork");
    if (pid == 0) {
        int status = 3;
        try {
            status = body();
        } catch (...) {
            status = 4;
        }
        ::_exit(status);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int64_t AddressSpaceBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(0).toLongLong() * ::sysconf(_SC_PAGESIZE);
}
