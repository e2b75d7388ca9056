// The header functions: the items of a sample file, read with the sample-file component and
// handed out as one flat block of memory (so that the caller can release it with free()).
#include "sonellib/sonellib32.h"

#include "export/io/sSMP.h"

#include <QByteArray>
#include <QString>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Block layout: magic, item count, then per item its UTF-8 name and value, each NUL-terminated.
constexpr uint32_t kHeaderMagic = 0x52444853;  // "SHDR"

struct TBlockStart {
    uint32_t magic;
    uint32_t count;
};

QByteArray ReadLeadingBytes(int fd, qsizetype count)
{
    QByteArray bytes(count, '\0');
    qsizetype done = 0;
    while (done < count) {
        const ssize_t n = pread(fd, bytes.data() + done, size_t(count - done), off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    bytes.truncate(done);
    return bytes;
}

}  // namespace

extern "C" {

void* LoadHeader(int fd)
{
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return nullptr;
    const QByteArray leading = ReadLeadingBytes(fd, TSMPfile::kHeaderBufferSize);
    if (leading.isEmpty())
        return nullptr;
    QByteArray block;
    uint32_t count = 0;
    try {
        TSMPfile file;
        file.ParseHeader(leading);
        for (const QString& line : file.ItemLines()) {
            const qsizetype equals = line.indexOf(QLatin1Char('='));
            if (equals <= 0)
                continue;
            block += line.left(equals).toUtf8();
            block += '\0';
            block += line.mid(equals + 1).toUtf8();
            block += '\0';
            ++count;
        }
    } catch (...) {
        return nullptr;
    }
    if (count == 0)
        return nullptr;
    const TBlockStart start{kHeaderMagic, count};
    void* memory = std::malloc(sizeof start + size_t(block.size()));
    if (!memory)
        return nullptr;
    std::memcpy(memory, &start, sizeof start);
    std::memcpy(static_cast<char*>(memory) + sizeof start, block.constData(), size_t(block.size()));
    return memory;
}

int32_t GetHeaderValue(const void* header, const char* item, char* buffer, int32_t size)
{
    if (!buffer || size <= 0)
        return 0;
    buffer[0] = '\0';
    if (!header || !item)
        return 0;
    TBlockStart start{};
    std::memcpy(&start, header, sizeof start);
    if (start.magic != kHeaderMagic)
        return 0;
    const QString wanted = QString::fromUtf8(item);
    const char* p = static_cast<const char*>(header) + sizeof start;
    const char* found = nullptr;
    for (uint32_t i = 0; i < start.count; ++i) {
        const char* name = p;
        const char* value = name + std::strlen(name) + 1;
        p = value + std::strlen(value) + 1;
        if (QString::compare(QString::fromUtf8(name), wanted, Qt::CaseInsensitive) == 0)
            found = value;
    }
    if (!found)
        return 0;
    const size_t length = std::strlen(found);
    if (length + 1 > size_t(size))
        return 0;  // never a cut value: a shortened number would read as another number
    std::memcpy(buffer, found, length + 1);
    return 1;
}

}  // extern "C"
