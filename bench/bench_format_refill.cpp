// Refilling the frame block (512 frames of 256 x 256) from the recording formats, against
// floors measured in the same run: the raw frame file's refill and one plain read of its bytes
// for Photron MRAW, FFmpeg decoding the same packets (already in memory) for intra-only video.
#include "BenchRatio.h"
#include "tools/DemoSequence.h"
#include "viewer/io/BldFrameSource.h"
#include "viewer/io/FrameCache.h"
#include "viewer/io/formats/photron/PhotronSource.h"
#if TREMAX_HAVE_VIDEO
#include "viewer/io/formats/video/VideoSource.h"
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}
#include <QProcess>
#include <QStandardPaths>
#endif

#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kSide = 256;
constexpr int kFrames = 512;
constexpr size_t kFrameBytes = size_t(kSide) * kSide;
constexpr size_t kBytes = kFrameBytes * kFrames;

struct TFiles {
    QTemporaryDir dir;
    QString bld, mraw8, mraw12, ffv1, mjpeg;
};

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
}

void WriteCih(const QString& path, int bits)
{
    WriteFile(path, QStringLiteral("#Camera Information Header\nRecord Rate(fps) : 4000\nTotal Frame : %1\n"
                                   "Image Width : %2\nImage Height : %2\nColor Type : Mono\nColor Bit : %3\n"
                                   "File Format : MRaw\n")
                        .arg(kFrames)
                        .arg(kSide)
                        .arg(bits)
                        .toLatin1());
}

#if TREMAX_HAVE_VIDEO
// Encodes the raw frames with the ffmpeg tool; empty when it is missing or fails.
QString Encode(const TFiles& files, const QString& name, const QStringList& codec)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (tool.isEmpty())
        return {};
    const QString video = files.dir.filePath(name);
    QProcess p;
    p.start(tool, QStringList({"-v", "error", "-y", "-f", "rawvideo", "-pix_fmt", "gray", "-s",
                               QStringLiteral("%1x%1").arg(kSide), "-r", "4000", "-i", files.bld})
                      + codec + QStringList({video}));
    return p.waitForFinished(300000) && p.exitCode() == 0 ? video : QString();
}
#endif

const TFiles& Files()
{
    static TFiles files = [] {
        TFiles f;
        f.bld = f.dir.filePath(QStringLiteral("demo.bld"));
        TDemoParameters demo;
        demo.height = kSide;
        demo.frames = kFrames;
        QByteArray eight, twelve;
        std::vector<uint8_t> frame;
        for (int i = 0; i < kFrames; ++i) {
            DemoFrame(demo, i, frame);
            eight.append(reinterpret_cast<const char*>(frame.data()), qsizetype(frame.size()));
            for (size_t p = 0; p < frame.size(); p += 2) {  // 12-bit pairs, the low nibbles varying
                const uint32_t a = uint32_t(frame[p]) << 4 | (p & 15), b = uint32_t(frame[p + 1]) << 4 | (i & 15);
                twelve.append(char(a >> 4)).append(char((a & 15) << 4 | b >> 8)).append(char(b & 0xFF));
            }
        }
        WriteFile(f.bld, eight);
        f.mraw8 = f.dir.filePath(QStringLiteral("m8.mraw"));
        WriteFile(f.mraw8, eight);
        WriteCih(f.dir.filePath(QStringLiteral("m8.cih")), 8);
        f.mraw12 = f.dir.filePath(QStringLiteral("m12.mraw"));
        WriteFile(f.mraw12, twelve);
        WriteCih(f.dir.filePath(QStringLiteral("m12.cih")), 12);
#if TREMAX_HAVE_VIDEO
        f.ffv1 = Encode(f, QStringLiteral("intra.mkv"), {"-c:v", "ffv1", "-g", "1", "-pix_fmt", "gray"});
        f.mjpeg = Encode(f, QStringLiteral("intra.avi"), {"-c:v", "mjpeg", "-q:v", "3", "-pix_fmt", "yuvj420p"});
#endif
        return f;
    }();
    return files;
}

void PlainRead(benchmark::State& state, const QString& path, size_t bytes)
{
    std::vector<uint8_t> buffer(bytes);
    const QByteArray name = QFile::encodeName(path);
    for (auto _ : state) {
        const int fd = ::open(name.constData(), O_RDONLY);
        size_t got = 0;
        while (got < bytes) {
            const ssize_t n = ::pread(fd, buffer.data() + got, bytes - got, off_t(got));
            if (n <= 0)
                break;
            got += size_t(n);
        }
        ::close(fd);
        benchmark::DoNotOptimize(buffer.data());
    }
}

void PlainRead8(benchmark::State& state) { PlainRead(state, Files().bld, kBytes); }
void PlainRead12(benchmark::State& state) { PlainRead(state, Files().mraw12, kBytes * 3 / 2); }

void BldRefill(benchmark::State& state)
{
    TFrameCache cache;
    cache.Reshape(kSide, kSide);
    cache.SetSlotCount(kFrames);
    const TBldFrameSource bld(Files().bld);
    for (auto _ : state) {
        cache.Fill(&bld, 0);
        benchmark::DoNotOptimize(cache.Slot(0));
    }
}

void Refill(benchmark::State& state, TFrameSource& source, int32_t frames)
{
    std::vector<uint8_t> block(kFrameBytes * size_t(frames));
    for (auto _ : state) {
        source.ReadFrames(0, frames, kSide, kSide, block.data());
        benchmark::DoNotOptimize(block.data());
    }
}

void Mraw8Refill(benchmark::State& state)
{
    TPhotronSource source(Files().mraw8);
    Refill(state, source, kFrames);
}

void Mraw12Refill(benchmark::State& state)
{
    TPhotronSource source(Files().mraw12);
    Refill(state, source, kFrames);
}

#if TREMAX_HAVE_VIDEO
constexpr int kVideoFrames = 128;

void VideoRefill(benchmark::State& state, const QString& path)
{
    if (path.isEmpty()) {
        state.SkipWithError("no ffmpeg tool to encode the video");
        return;
    }
    TVideoSource source(path);
    Refill(state, source, kVideoFrames);
}

// The floor: the decoder alone on the same packets, read into memory beforehand, with the same
// threads the source asks for.
void DecodeOnly(benchmark::State& state, const QString& path)
{
    if (path.isEmpty()) {
        state.SkipWithError("no ffmpeg tool to encode the video");
        return;
    }
    AVFormatContext* format = nullptr;
    avformat_open_input(&format, QFile::encodeName(path).constData(), nullptr, nullptr);
    avformat_find_stream_info(format, nullptr);
    const int stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    std::vector<AVPacket*> packets;
    AVPacket* packet = av_packet_alloc();
    while (int(packets.size()) < kVideoFrames && av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == stream)
            packets.push_back(av_packet_clone(packet));
        av_packet_unref(packet);
    }
    const AVCodec* codec = avcodec_find_decoder(format->streams[stream]->codecpar->codec_id);
    AVCodecContext* decoder = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(decoder, format->streams[stream]->codecpar);
    decoder->thread_count = 0;
    decoder->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    avcodec_open2(decoder, codec, nullptr);
    AVFrame* frame = av_frame_alloc();
    for (auto _ : state) {
        int frames = 0;
        for (AVPacket* p : packets) {
            avcodec_send_packet(decoder, p);
            while (avcodec_receive_frame(decoder, frame) >= 0)
                ++frames;
        }
        avcodec_send_packet(decoder, nullptr);
        while (avcodec_receive_frame(decoder, frame) >= 0)
            ++frames;
        avcodec_flush_buffers(decoder);
        benchmark::DoNotOptimize(frames);
    }
    av_frame_free(&frame);
    avcodec_free_context(&decoder);
    for (AVPacket* p : packets)
        av_packet_free(&p);
    av_packet_free(&packet);
    avformat_close_input(&format);
}

void Ffv1Refill(benchmark::State& state) { VideoRefill(state, Files().ffv1); }
void Ffv1DecodeOnly(benchmark::State& state) { DecodeOnly(state, Files().ffv1); }
void MjpegRefill(benchmark::State& state) { VideoRefill(state, Files().mjpeg); }
void MjpegDecodeOnly(benchmark::State& state) { DecodeOnly(state, Files().mjpeg); }
#endif

void Register(const char* name, void (*function)(benchmark::State&))
{
    benchmark::RegisterBenchmark(name, function)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv)
{
    Files();
    Register("PlainRead8", PlainRead8);
    Register("PlainRead12", PlainRead12);
    Register("BldRefill", BldRefill);
    Register("Mraw8Refill", Mraw8Refill);
    Register("Mraw12Refill", Mraw12Refill);
#if TREMAX_HAVE_VIDEO
    Register("Ffv1DecodeOnly", Ffv1DecodeOnly);
    Register("Ffv1Refill", Ffv1Refill);
    Register("MjpegDecodeOnly", MjpegDecodeOnly);
    Register("MjpegRefill", MjpegRefill);
#endif
    return RunWithRatios(argc, argv,
                         {{"Mraw8Refill", "PlainRead8", 1.2},
                          {"Mraw8Refill", "BldRefill", 1.2},
                          {"Mraw12Refill", "PlainRead8", 2.0},
                          {"Mraw12Refill", "BldRefill", 2.0},
                          {"Mraw12Refill", "PlainRead12", 0},
                          {"Ffv1Refill", "Ffv1DecodeOnly", 3.0},
                          {"MjpegRefill", "MjpegDecodeOnly", 3.0}});
}
