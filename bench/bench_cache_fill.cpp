// Filling the frame block (512 frames of 256 x 256) from a file in the page cache, against one
// read of the same bytes into a buffer.
#include "BenchRatio.h"
#include "viewer/io/Sequence.h"

#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kSide = 256;
constexpr int kFrames = 512;
constexpr size_t kBytes = size_t(kSide) * kSide * kFrames;

const QString& SequenceFile()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString bld = dir.filePath(QStringLiteral("bench.bld"));
        QFile file(bld);
        file.open(QIODevice::WriteOnly);
        std::vector<char> bytes(kBytes);
        for (size_t i = 0; i < kBytes; ++i)
            bytes[i] = char(i * 31 % 251);
        file.write(bytes.data(), qint64(bytes.size()));
        file.close();
        QFile par(dir.filePath(QStringLiteral("bench.par")));
        par.open(QIODevice::WriteOnly);
        par.write("RESOLUTION: 256x256\nFRAMES: 512\n");
        return bld;
    }();
    return path;
}

void OneReadFloor(benchmark::State& state)
{
    std::vector<uint8_t> buffer(kBytes);
    const QByteArray name = QFile::encodeName(SequenceFile());
    for (auto _ : state) {
        const int fd = ::open(name.constData(), O_RDONLY);
        size_t got = 0;
        while (got < kBytes) {
            const ssize_t n = ::read(fd, buffer.data() + got, kBytes - got);
            if (n <= 0)
                break;
            got += size_t(n);
        }
        ::close(fd);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytes));
}

void CacheFill(benchmark::State& state)
{
    TSequence sequence;
    sequence.SetFileName(SequenceFile());
    sequence.ReadSequenceFiles();
    for (auto _ : state) {
        sequence.LoadFrames(0);
        benchmark::DoNotOptimize(sequence.Cache().Slot(0));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytes));
}

}  // namespace

int main(int argc, char** argv)
{
    SequenceFile();
    benchmark::RegisterBenchmark("OneReadFloor", OneReadFloor)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("CacheFill", CacheFill)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
    // Throughput ratio = floor time / fill time; the fill must reach at least 0.7 of the floor's,
    // i.e. take at most 1 / 0.7 = 1.43 times as long.
    return RunWithRatios(argc, argv, {{"CacheFill", "OneReadFloor", 1.0 / 0.7}});
}
