// The audio track of a video (or audio) container, through FFmpeg's decoders.
#include "sound/Sound.h"

#include "platform/FileNames.h"

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/samplefmt.h>
}

namespace {

QString AvText(int error)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof(text));
    return QString::fromUtf8(text);
}

struct InputCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecCloser {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};

// One decoded frame as interleaved floats, full scale 1.
void ToFloats(const AVFrame& frame, int channels, std::vector<float>& out)
{
    const int n = frame.nb_samples;
    out.resize(size_t(n) * size_t(channels));
    const auto format = AVSampleFormat(frame.format);
    const bool planar = av_sample_fmt_is_planar(format);
    for (int c = 0; c < channels; ++c) {
        const uint8_t* data = planar ? frame.extended_data[c] : frame.extended_data[0];
        for (int i = 0; i < n; ++i) {
            const int at = planar ? i : i * channels + c;
            float v = 0;
            switch (av_get_packed_sample_fmt(format)) {
            case AV_SAMPLE_FMT_U8: v = (float(data[at]) - 128.0f) / 128.0f; break;
            case AV_SAMPLE_FMT_S16: v = float(reinterpret_cast<const int16_t*>(data)[at]) / 32768.0f; break;
            case AV_SAMPLE_FMT_S32: v = float(double(reinterpret_cast<const int32_t*>(data)[at]) / 2147483648.0); break;
            case AV_SAMPLE_FMT_S64: v = float(double(reinterpret_cast<const int64_t*>(data)[at]) / 9223372036854775808.0); break;
            case AV_SAMPLE_FMT_FLT: v = reinterpret_cast<const float*>(data)[at]; break;
            case AV_SAMPLE_FMT_DBL: v = float(reinterpret_cast<const double*>(data)[at]); break;
            default: break;
            }
            out[size_t(i) * size_t(channels) + size_t(c)] = v;
        }
    }
}

}  // namespace

namespace soundformats {

void ReadWithFfmpeg(const QString& path, int32_t channel, bool wantSamples, TSound& sound)
{
    av_log_set_level(AV_LOG_QUIET);
    AVFormatContext* raw = nullptr;
    int status = avformat_open_input(&raw, EncodeFileName(path).constData(), nullptr, nullptr);
    if (status < 0)
        throw ESoundError(QStringLiteral("\"%1\" is not a sound file this program reads (%2)").arg(path, AvText(status)));
    std::unique_ptr<AVFormatContext, InputCloser> input(raw);
    if ((status = avformat_find_stream_info(input.get(), nullptr)) < 0)
        throw ESoundError(QStringLiteral("Cannot read the streams of \"%1\": %2").arg(path, AvText(status)));
    const AVCodec* codec = nullptr;
    const int stream = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (stream < 0 || !codec)
        throw ESoundError(QStringLiteral("\"%1\" has no sound track this program can decode").arg(path));
    AVStream* track = input->streams[stream];
    std::unique_ptr<AVCodecContext, CodecCloser> decoder(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), track->codecpar) < 0 ||
        (status = avcodec_open2(decoder.get(), codec, nullptr)) < 0)
        throw ESoundError(QStringLiteral("Cannot decode the sound track of \"%1\"").arg(path));

    TSoundInfo& info = sound.Info;
    info.Format = QString::fromUtf8(input->iformat->name).section(QLatin1Char(','), 0, 0);
    info.SampleRate = decoder->sample_rate;
    info.ChannelCount = decoder->ch_layout.nb_channels;
    if (info.ChannelCount <= 0 || info.SampleRate <= 0)
        throw ESoundError(QStringLiteral("The sound track of \"%1\" has no channels or no sample rate").arg(path));
    CheckChannel(path, channel, info.ChannelCount);
    if (track->duration > 0 && track->time_base.den > 0)
        info.SampleCount = int64_t(double(track->duration) * av_q2d(track->time_base) * info.SampleRate + 0.5);
    else if (input->duration > 0)
        info.SampleCount = int64_t(double(input->duration) / AV_TIME_BASE * info.SampleRate + 0.5);
    if (!wantSamples)
        return;

    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    std::vector<float> floats;
    auto drain = [&] {
        while (avcodec_receive_frame(decoder.get(), frame.get()) == 0) {
            const int channels = frame->ch_layout.nb_channels > 0 ? frame->ch_layout.nb_channels : info.ChannelCount;
            if (channels != info.ChannelCount)
                throw ESoundError(QStringLiteral("The sound track of \"%1\" changes its channels").arg(path));
            ToFloats(*frame, channels, floats);
            TakeChannel(floats.data(), frame->nb_samples, channels, channel, sound.Samples);
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == stream && avcodec_send_packet(decoder.get(), packet.get()) >= 0)
            drain();
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(decoder.get(), nullptr);
    drain();
    info.SampleCount = int64_t(sound.Samples.size());
}

}  // namespace soundformats
