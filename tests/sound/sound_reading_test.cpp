// Reading sound: the samples written by libsndfile (WAV, FLAC, AIFF), by the ffmpeg program (an
// MKV's PCM or FLAC track) and by our own sample-file writer come back as written, channel by
// channel; the files that cannot be read say so by name.
#include "export/io/sSMP.h"
#include "sound/Sound.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <memory>
#include <sndfile.h>

namespace {

constexpr int kRate = 8000;
constexpr int kFrames = 5000;  // not a multiple of any block size

// Two channels that differ, with both extremes of 16 bits in each.
int16_t Written(int frame, int channel)
{
    if (frame == 10)
        return channel == 0 ? int16_t(32767) : int16_t(-32768);
    if (frame == 11)
        return channel == 0 ? int16_t(-32768) : int16_t(32767);
    const int value = ((frame * 2654435761u) >> 16) % 60000 - 30000;
    return int16_t(channel == 0 ? value : -value / 3);
}

std::vector<int16_t> Interleaved()
{
    std::vector<int16_t> samples;
    for (int f = 0; f < kFrames; ++f)
        for (int c = 0; c < 2; ++c)
            samples.push_back(Written(f, c));
    return samples;
}

QString WriteWithSndfile(const TScratch& scratch, const QString& name, int format)
{
    const QString path = scratch.Path(name);
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = format | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
    const std::vector<int16_t> samples = Interleaved();
    EXPECT_EQ(sf_writef_short(file, samples.data(), kFrames), kFrames);
    sf_close(file);
    return path;
}

QString WriteSmp(const TScratch& scratch, const QString& name, const QString& sync)
{
    const QString path = scratch.Path(name);
    TSMPfile smp;
    EXPECT_TRUE(smp.new_file(path));
    smp.SetSampleRate(kRate);
    smp.SetChannelCount(2);
    if (!sync.isNull())
        smp.set_item(QStringLiteral("hspsync"), sync);
    smp.insert_nonpresent_defaults();
    for (int c = 0; c < 2; ++c) {
        auto chunk = std::make_unique<TSMPChunk>();
        for (int f = 0; f < kFrames;) {
            chunk->count = 0;
            for (; f < kFrames && chunk->count < 1000; ++f)
                chunk->samples[size_t(chunk->count++)] = Written(f, c);
            smp.WriteChannel(c, *chunk);
        }
    }
    EXPECT_TRUE(smp.save_file()) << smp.LastError().toStdString();
    EXPECT_TRUE(smp.close_file());
    return path;
}

// The ffmpeg program turns the WAV into an MKV with the given audio codec.
QString WriteMkv(const TScratch& scratch, const QString& wav, const QString& name, const QString& codec)
{
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty())
        return {};
    const QString path = scratch.Path(name);
    QProcess process;
    process.start(ffmpeg, {"-nostdin", "-loglevel", "error", "-y", "-i", wav, "-c:a", codec, path});
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return path;
}

void ExpectSamples(const QString& path, const QString& format)
{
    SCOPED_TRACE(path.toStdString());
    for (int channel = 0; channel < 2; ++channel) {
        const TSound sound = ReadSound(path, channel);
        EXPECT_EQ(sound.Info.Format, format);
        EXPECT_EQ(sound.Info.SampleRate, kRate);
        EXPECT_EQ(sound.Info.ChannelCount, 2);
        ASSERT_EQ(sound.Samples.size(), size_t(kFrames));
        EXPECT_EQ(sound.Info.SampleCount, kFrames);
        int wrong = 0;
        for (int f = 0; f < kFrames; ++f)
            if (sound.Samples[size_t(f)] != float(Written(f, channel)) / 32768.0f && wrong++ < 5)
                ADD_FAILURE() << "channel " << channel << " sample " << f << ": " << sound.Samples[size_t(f)] * 32768.0f
                              << " read, " << Written(f, channel) << " written";
    }
    // Both channels mixed: their mean.
    const TSound mixed = ReadSound(path, TSound::kMixChannels);
    ASSERT_EQ(mixed.Samples.size(), size_t(kFrames));
    for (int f : {0, 10, 11, 4999})
        EXPECT_FLOAT_EQ(mixed.Samples[size_t(f)], float((Written(f, 0) + Written(f, 1)) / 65536.0)) << f;
}

TEST(SoundReading, EveryFormatGivesTheSamplesWritten)
{
    TScratch scratch;
    const QString wav = WriteWithSndfile(scratch, "voice.wav", SF_FORMAT_WAV);
    ExpectSamples(wav, "WAV");
    ExpectSamples(WriteWithSndfile(scratch, "voice.flac", SF_FORMAT_FLAC), "FLAC");
    ExpectSamples(WriteWithSndfile(scratch, "voice.aiff", SF_FORMAT_AIFF), "AIFF");
    ExpectSamples(WriteSmp(scratch, "voice.smp", {}), "smp");
    const QString pcm = WriteMkv(scratch, wav, "pcm.mkv", "pcm_s16le");
    if (pcm.isEmpty())
        GTEST_SKIP() << "the ffmpeg program is missing";
    ExpectSamples(pcm, "matroska");
    ExpectSamples(WriteMkv(scratch, wav, "flac.mkv", "flac"), "matroska");
}

TEST(SoundReading, InfoReadsNoSamplesAndSampleFilesBringTheirSyncTime)
{
    TScratch scratch;
    const TSoundInfo info = ReadSoundInfo(WriteWithSndfile(scratch, "voice.wav", SF_FORMAT_WAV));
    EXPECT_EQ(info.SampleCount, kFrames);
    EXPECT_DOUBLE_EQ(info.Duration(), 0.625);
    EXPECT_FALSE(info.SyncTime.has_value());

    EXPECT_DOUBLE_EQ(ReadSoundInfo(WriteSmp(scratch, "a.smp", "2.048")).SyncTime.value_or(-1), 2.048);
    // Written with a comma, or not a number: no synchronisation time.
    EXPECT_FALSE(ReadSoundInfo(WriteSmp(scratch, "b.smp", "2,048")).SyncTime.has_value());
    EXPECT_FALSE(ReadSoundInfo(WriteSmp(scratch, "c.smp", "soon")).SyncTime.has_value());
}

TEST(SoundReading, FailuresNameTheFileAndTheProblem)
{
    TScratch scratch;
    const QString wav = WriteWithSndfile(scratch, "voice.wav", SF_FORMAT_WAV);
    auto message = [](const std::function<void()>& read) -> std::string {
        try {
            read();
        } catch (const ESoundError& e) {
            return e.Message().toStdString();
        }
        return "no error";
    };
    EXPECT_EQ(message([&] { ReadSound(wav, 2); }), "The sound file \"" + wav.toStdString() + "\" has no channel 2 (channels 0 to 1)");
    const QString missing = scratch.Path("missing.wav");
    EXPECT_EQ(message([&] { ReadSound(missing); }), "The sound file \"" + missing.toStdString() + "\" does not exist");
    const QString text = scratch.WriteText("notes.wav", "these are notes, not a sound\n");
    EXPECT_NE(message([&] { ReadSound(text); }).find(text.toStdString()), std::string::npos);
    const QString empty = scratch.Write("empty.flac", {});
    EXPECT_NE(message([&] { ReadSound(empty); }).find(empty.toStdString()), std::string::npos);
    // A sample file without a usable rate.
    const QString smp = scratch.WriteText("bad.smp", "sftot=fast\r\nnchans=1\r\n=\r\n");
    EXPECT_EQ(message([&] { ReadSound(smp); }),
              "The sample file \"" + smp.toStdString() + "\" has no usable sample rate (\"sftot\")");
}

}  // namespace
