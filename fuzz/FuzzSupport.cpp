#include "fuzz/FuzzSupport.h"

#include "platform/Errors.h"
#include "viewer/io/Sequence.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>

namespace {

// Small enough that a refill costs little, large enough for every shape the seeds have.
constexpr int64_t kFuzzMemoryRoom = int64_t(64) << 20;
constexpr int32_t kFuzzSlots = 4;

}  // namespace

const QString& FuzzFolder()
{
    // One folder for the process: libFuzzer calls the entry millions of times.
    static const QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/tremax-fuzz-XXXXXX"));
    static const QString path = folder.path();
    if (!folder.isValid())
        throw std::runtime_error("cannot make the fuzz folder");
    return path;
}

QString WriteFuzzFile(const QString& name, const QByteArray& bytes)
{
    const QString path = FuzzFolder() + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write a fuzz file");
    return path;
}

void RemoveFuzzFile(const QString& name) { QFile::remove(FuzzFolder() + QLatin1Char('/') + name); }

std::vector<QByteArray> SplitFuzzInput(const uint8_t* data, size_t size, int parts)
{
    std::vector<QByteArray> result;
    const char* at = reinterpret_cast<const char*>(data);
    const char* const end = at + size;
    const size_t separator = std::strlen(kFuzzFileSeparator);
    while (int(result.size()) < parts - 1) {
        const char* found = std::search(at, end, kFuzzFileSeparator, kFuzzFileSeparator + separator);
        result.emplace_back(at, qsizetype(found - at));
        at = found == end ? end : found + separator;
    }
    result.emplace_back(at, qsizetype(end - at));
    return result;
}

const TSequence& FuzzSequence(const TFrameSourceFactory& formats)
{
    // One per factory: the replay test runs every entry in one process.
    static std::map<const TFrameSourceFactory*, std::unique_ptr<TSequence>> sequences;
    std::unique_ptr<TSequence>& sequence = sequences[&formats];
    if (!sequence) {
        sequence = std::make_unique<TSequence>(nullptr, &formats);
        sequence->SetMemoryRoomQuery([] { return TMemoryRoom{kFuzzMemoryRoom, QStringLiteral("the fuzzing limit")}; });
    }
    return *sequence;
}

void FuzzOpenSequence(const TSequence& sequence, const QString& path)
{
    try {
        TOpenPlan plan = sequence.PlanOpen(path);
        sequence.CheckOpenFits(plan);
        const TSequenceHeader& header = plan.header;
        TFrameCache block(header.Width, header.Height, kFuzzSlots);
        block.Fill(plan.source.get(), 0);
        block.Fill(plan.source.get(), header.FrameCount - 1);
        block.Fill(plan.source.get(), header.FrameCount / 2);
    } catch (const EError&) {
    }
}
