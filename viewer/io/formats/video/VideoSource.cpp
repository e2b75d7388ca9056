#include "viewer/io/formats/video/VideoSource.h"

#include "platform/Diagnostics.h"
#include "viewer/io/FormatSupport.h"
#include "viewer/io/formats/video/VideoIndex.h"

#include <QFile>
#include <optional>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace {

QString AvMessage(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromLocal8Bit(text);
}

// FFmpeg's objects, released when they go.
struct TInput {
    AVFormatContext* context = nullptr;
    int stream = -1;
    ~TInput() { avformat_close_input(&context); }
    AVStream* Stream() const { return context->streams[stream]; }
};
struct TDecoder {
    AVCodecContext* context = nullptr;
    ~TDecoder() { avcodec_free_context(&context); }
};
struct TPacket {
    AVPacket* packet = av_packet_alloc();
    ~TPacket() { av_packet_free(&packet); }
};
struct TPicture {
    AVFrame* frame = av_frame_alloc();
    ~TPicture() { av_frame_free(&frame); }
};
struct TScaler {
    SwsContext* context = nullptr;
    ~TScaler() { sws_freeContext(context); }
};

// Opens the file and settles on its video stream (`stream` < 0: the best one). Only that
// stream's packets are read.
void OpenInput(const QString& path, int stream, TInput& input)
{
    // The library's own log lines reach standard error only when asked for (--verbose): every
    // failure that matters comes back here and is reported with the file's name.
    av_log_set_level(VerboseDiagnostics() ? AV_LOG_INFO : AV_LOG_QUIET);
    const int opened = avformat_open_input(&input.context, QFile::encodeName(path).constData(), nullptr, nullptr);
    if (opened < 0)
        throw EInOutError(CannotOpen(path, AvMessage(opened)));
    const bool known = stream >= 0 && stream < int(input.context->nb_streams)
                    && input.context->streams[stream]->codecpar->codec_id != AV_CODEC_ID_NONE
                    && input.context->streams[stream]->codecpar->width > 0;
    if (!known) {
        const int found = avformat_find_stream_info(input.context, nullptr);
        if (found < 0)
            throw EInOutError(CannotOpen(path, AvMessage(found)));
    }
    if (stream < 0)
        stream = av_find_best_stream(input.context, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream < 0 || stream >= int(input.context->nb_streams)
        || input.context->streams[stream]->codecpar->codec_type != AVMEDIA_TYPE_VIDEO)
        throw EInOutError(CannotOpen(path, QStringLiteral("it has no video stream")));
    input.stream = stream;
    for (unsigned i = 0; i < input.context->nb_streams; ++i)
        if (int(i) != stream)
            input.context->streams[i]->discard = AVDISCARD_ALL;
}

void OpenDecoder(const QString& path, const TInput& input, TDecoder& decoder)
{
    const AVCodecParameters* parameters = input.Stream()->codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    if (!codec)
        throw EInOutError(CannotOpen(path, QStringLiteral("there is no decoder for its %1 video")
                                               .arg(QLatin1String(avcodec_get_name(parameters->codec_id)))));
    decoder.context = avcodec_alloc_context3(codec);
    if (!decoder.context)
        throw EOutOfMemory(CannotOpen(path, QStringLiteral("no memory for a decoder")));
    int result = avcodec_parameters_to_context(decoder.context, parameters);
    if (result >= 0) {
        decoder.context->thread_count = 0;  // as many as the machine has
        decoder.context->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
        result = avcodec_open2(decoder.context, codec, nullptr);
    }
    if (result < 0)
        throw EInOutError(CannotOpen(path, AvMessage(result)));
}

int64_t Stamp(int64_t value) { return value == AV_NOPTS_VALUE ? TVideoIndex::kNoStamp : value; }

// True when the first plane of frames of this format is the grey picture, byte for byte.
bool LumaIsGrey(AVPixelFormat format, AVColorRange range)
{
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    if (!d || (d->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_HWACCEL)))
        return false;
    const AVComponentDescriptor& y = d->comp[0];
    if (y.plane != 0 || y.step != 1 || y.shift != 0 || y.offset != 0 || y.depth != 8)
        return false;
    const bool fullRange = range == AVCOL_RANGE_JPEG || format == AV_PIX_FMT_YUVJ420P || format == AV_PIX_FMT_YUVJ422P
                        || format == AV_PIX_FMT_YUVJ444P || format == AV_PIX_FMT_YUVJ440P || format == AV_PIX_FMT_YUVJ411P;
    return d->nb_components <= 2 || fullRange;
}

}  // namespace

struct TVideoSource::TLayout {
    int stream = -1;
    int32_t width = 0;
    int32_t height = 0;
    std::optional<double> rate;
    int bitDepth = 8;
    QString formatName;
    TVideoIndex index;
};

namespace {

std::shared_ptr<const TVideoSource::TLayout> ReadLayout(const QString& path)
{
    TInput input;
    OpenInput(path, -1, input);
    auto layout = std::make_shared<TVideoSource::TLayout>();
    const AVStream* stream = input.Stream();
    const AVCodecParameters* parameters = stream->codecpar;
    layout->stream = input.stream;
    layout->width = parameters->width;
    layout->height = parameters->height;
    if (layout->width < 1 || layout->height < 1 || int64_t(layout->width) * layout->height > INT32_MAX)
        throw EInOutError(CannotOpen(path, QStringLiteral("its video has no usable frame size (%1 x %2)")
                                               .arg(layout->width)
                                               .arg(layout->height)));
    if (!avcodec_find_decoder(parameters->codec_id))
        throw EInOutError(CannotOpen(path, QStringLiteral("there is no decoder for its %1 video")
                                               .arg(QLatin1String(avcodec_get_name(parameters->codec_id)))));
    if (const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(AVPixelFormat(parameters->format)))
        layout->bitDepth = d->comp[0].depth;
    for (const AVRational r : {stream->avg_frame_rate, stream->r_frame_rate})
        if (r.num > 0 && r.den > 0) {
            layout->rate = av_q2d(r);
            break;
        }
    layout->formatName = QStringLiteral("Video (%1, %2)")
                             .arg(QLatin1String(avcodec_get_name(parameters->codec_id)),
                                  QString::fromUtf8(input.context->iformat->long_name ? input.context->iformat->long_name
                                                                                       : input.context->iformat->name));

    // The packets, read to the end without decoding; a damaged tail ends the recording there.
    TPacket packet;
    while (av_read_frame(input.context, packet.packet) >= 0) {
        const AVPacket& p = *packet.packet;
        if (p.stream_index == input.stream)
            layout->index.AddPacket(Stamp(p.pts), Stamp(p.dts), p.flags & AV_PKT_FLAG_KEY, !(p.flags & AV_PKT_FLAG_DISCARD));
        av_packet_unref(packet.packet);
    }
    layout->index.Finish();
    if (layout->index.FrameCount() == 0)
        throw EInOutError(CannotOpen(path, QStringLiteral("its video stream holds no frames")));
    return layout;
}

// One refill: decodes frames first ... end - 1 into their slots.
class TDecodeRun {
public:
    TDecodeRun(const QString& path, const TVideoSource::TLayout& layout, int32_t first, int32_t end, int32_t width,
               int32_t height, uint8_t* block)
        : path_(path), layout_(layout), first_(first), end_(end), width_(width), height_(height), block_(block),
          filled_(size_t(end - first), false)
    {
    }

    // Decodes from the key frame before the run, or from the start of the stream when the file
    // cannot be positioned there. Returns the packets decoded.
    int64_t Run()
    {
        if (!Decode(false))
            Decode(true);
        return packets_;
    }

    // Slots the decoder gave no frame for.
    void FillRest()
    {
        const size_t frame = size_t(width_) * size_t(height_);
        for (size_t s = 0; s < filled_.size(); ++s)
            if (!filled_[s])
                FillMissing(block_ + s * frame, frame);
    }

private:
    // False when positioning landed after the key frame the run needs.
    bool Decode(bool fromStart)
    {
        const TVideoIndex& index = layout_.index;
        const bool byStamp = index.Seekable();
        const int32_t start = byStamp ? index.StartPacket(first_, end_) : 0;
        const int32_t last = byStamp ? index.LastPacket(first_, end_) : INT32_MAX;
        TInput input;
        OpenInput(path_, layout_.stream, input);
        TDecoder decoder;
        OpenDecoder(path_, input, decoder);
        if (start > 0 && !fromStart
            && av_seek_frame(input.context, input.stream, index.PacketStamp(start), AVSEEK_FLAG_BACKWARD) < 0)
            return false;

        TPacket packet;
        TPicture picture;
        shown_ = 0;
        packets_ = 0;
        bool firstPacket = true;
        while (av_read_frame(input.context, packet.packet) >= 0) {
            if (packet.packet->stream_index != input.stream) {
                av_packet_unref(packet.packet);
                continue;
            }
            const int32_t at = byStamp ? index.PacketAt(Stamp(packet.packet->dts)) : -1;
            if (firstPacket && at > start)
                return false;
            firstPacket = false;
            if (at >= 0 && at < start) {  // decoding begins at the key frame
                av_packet_unref(packet.packet);
                continue;
            }
            if (at > last) {
                av_packet_unref(packet.packet);
                break;
            }
            const int sent = avcodec_send_packet(decoder.context, packet.packet);
            av_packet_unref(packet.packet);
            // A packet the decoder refuses is a damaged frame: it reads as the missing fill.
            if (sent == AVERROR(ENOMEM))
                throw EOutOfMemory(CannotRead(path_, AvMessage(sent)));
            ++packets_;
            Receive(decoder, picture);
            if (at == last || (!byStamp && shown_ >= end_))
                break;
        }
        avcodec_send_packet(decoder.context, nullptr);  // the frames still inside the decoder
        Receive(decoder, picture);
        return true;
    }

    void Receive(TDecoder& decoder, TPicture& picture)
    {
        while (avcodec_receive_frame(decoder.context, picture.frame) >= 0) {
            const AVFrame* f = picture.frame;
            const int64_t stamp = f->pts != AV_NOPTS_VALUE ? f->pts : f->best_effort_timestamp;
            const int32_t number = layout_.index.Seekable() ? layout_.index.FrameAt(Stamp(stamp)) : shown_;
            ++shown_;
            if (number >= first_ && number < end_ && !filled_[size_t(number - first_)]) {
                Convert(*f, block_ + size_t(number - first_) * size_t(width_) * size_t(height_));
                filled_[size_t(number - first_)] = true;
            }
            av_frame_unref(picture.frame);
        }
    }

    // One decoded frame as 8-bit grey into a block frame; what it does not cover reads 127.
    void Convert(const AVFrame& f, uint8_t* out)
    {
        const int32_t rows = std::min(f.height, height_);
        const uint8_t* grey = nullptr;
        ptrdiff_t stride = 0;
        if (LumaIsGrey(AVPixelFormat(f.format), f.color_range)) {
            grey = f.data[0];
            stride = f.linesize[0];
        } else {
            scaler_.context = sws_getCachedContext(scaler_.context, f.width, f.height, AVPixelFormat(f.format), f.width,
                                                   f.height, AV_PIX_FMT_GRAY8, SWS_POINT, nullptr, nullptr, nullptr);
            if (!scaler_.context)
                throw EInOutError(CannotRead(path_, QStringLiteral("its %1 frames cannot be converted to grey")
                                                       .arg(QLatin1String(av_get_pix_fmt_name(AVPixelFormat(f.format))))));
            const bool intoBlock = f.width == width_ && f.height <= height_;
            if (!intoBlock)
                scratch_.resize(size_t(f.width) * size_t(f.height));
            uint8_t* target[4] = {intoBlock ? out : scratch_.data(), nullptr, nullptr, nullptr};
            const int targetStride[4] = {f.width, 0, 0, 0};
            sws_scale(scaler_.context, f.data, f.linesize, 0, f.height, target, targetStride);
            if (intoBlock) {
                FillMissing(out + size_t(rows) * size_t(width_), size_t(height_ - rows) * size_t(width_));
                return;
            }
            grey = scratch_.data();
            stride = f.width;
        }
        for (int32_t y = 0; y < rows; ++y)
            PlaceRow(grey + y * stride, f.width, out + size_t(y) * size_t(width_), width_);
        FillMissing(out + size_t(rows) * size_t(width_), size_t(height_ - rows) * size_t(width_));
    }

    const QString& path_;
    const TVideoSource::TLayout& layout_;
    const int32_t first_;
    const int32_t end_;
    const int32_t width_;
    const int32_t height_;
    uint8_t* const block_;
    std::vector<bool> filled_;
    int32_t shown_ = 0;  // frames the decoder gave, for streams without usable stamps
    int64_t packets_ = 0;
    TScaler scaler_;
    std::vector<uint8_t> scratch_;  // frames of another size than the block's
};

}  // namespace

TVideoSource::TVideoSource(QString path) : path_(std::move(path)) {}

TVideoSource::~TVideoSource() = default;

QString TVideoSource::FormatName() const
{
    const std::shared_ptr<const TLayout> layout = layout_.Peek();
    return layout ? layout->formatName : QStringLiteral("Video");
}

int TVideoSource::BitDepth() const
{
    const std::shared_ptr<const TLayout> layout = layout_.Peek();
    return layout ? layout->bitDepth : 8;
}

void TVideoSource::ReadHeader(THeaderTarget& target)
{
    const std::shared_ptr<const TLayout> layout = layout_.Renew([this] { return ReadLayout(path_); });
    ApplyNamingFile(path_, [&] {
        target.SetImageHeight(layout->height);
        target.SetImageWidth(layout->width);
        if (layout->rate)
            target.SetRecordingRate(*layout->rate);
        target.SetFrameCount(layout->index.FrameCount());
    });
}

void TVideoSource::ReadFrames(int32_t first, int32_t count, int32_t width, int32_t height, uint8_t* block) const
{
    const std::shared_ptr<const TLayout> layout = layout_.Get([this] { return ReadLayout(path_); });
    const int32_t present = FillPastEnd(layout->index.FrameCount(), first, count, size_t(width) * size_t(height), block);
    packetsDecoded_ = 0;
    if (present == 0)
        return;
    TDecodeRun run(path_, *layout, first, first + present, width, height, block);
    packetsDecoded_ = run.Run();
    run.FillRest();
}

bool LooksLikeVideo(const QByteArray& leadingBytes)
{
    const bool avi = leadingBytes.startsWith("RIFF") && leadingBytes.mid(8, 4) == "AVI ";
    const bool quickTime = leadingBytes.mid(4, 4) == "ftyp" || leadingBytes.mid(4, 4) == "moov";
    const bool matroska = leadingBytes.startsWith(QByteArray("\x1A\x45\xDF\xA3", 4));
    return avi || quickTime || matroska;
}
