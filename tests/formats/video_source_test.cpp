// Video files: the header from the stream, refills that decode no more than they must, frames
// found again after seeking in a stream with reordered frames, and broken files.
#include "FormatTestSupport.h"
#include "VideoTestFiles.h"
#include "support/TestSupport.h"
#include "viewer/io/formats/video/VideoSource.h"

#include <gtest/gtest.h>

namespace {

class VideoSourceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (FfmpegTool().isEmpty())
            GTEST_SKIP() << "no ffmpeg tool to make videos with";
    }

    QString Encode(const QString& name, int32_t width, int32_t height, int32_t frames, const QStringList& codec)
    {
        const QString raw = WriteFrames(scratch, name + QStringLiteral(".raw"), width, height, frames, PatternValue);
        const QString video = scratch.Path(name);
        EXPECT_TRUE(EncodeGreyVideo(raw, width, height, 250, codec, video)) << name.toStdString();
        return video;
    }

    TScratch scratch;
};

}  // namespace

TEST_F(VideoSourceTest, IntraOnlyRefillsDecodeOnlyTheirFrames)
{
    TVideoSource source(Encode(QStringLiteral("i.mkv"), 10, 7, 20, {"-c:v", "ffv1", "-g", "1", "-pix_fmt", "gray"}));
    TRecordingTarget target;
    source.ReadHeader(target);
    EXPECT_EQ(target.calls, QStringList({"height 7", "width 10", "rate 250", "count 20"}));
    EXPECT_EQ(source.FormatName(), QStringLiteral("Video (ffv1, Matroska / WebM)"));
    EXPECT_EQ(source.BitDepth(), 8);
    const std::vector<uint8_t> block = ReadBlock(source, 5, 4, 10, 7);
    EXPECT_EQ(source.PacketsDecoded(), 4);
    EXPECT_EQ(block[0], PatternValue(5, 0, 0));
    EXPECT_EQ(block[3 * 70 + 69], PatternValue(8, 6, 9));
    // Across the end: two frames decoded, two of 127.
    const std::vector<uint8_t> tail = ReadBlock(source, 18, 4, 10, 7);
    EXPECT_EQ(source.PacketsDecoded(), 2);
    EXPECT_EQ(tail[70 + 69], PatternValue(19, 6, 9));
    EXPECT_EQ(tail[140], 127);
    EXPECT_EQ(tail[279], 127);
}

TEST_F(VideoSourceTest, FramesFoundAfterSeekingMatchTheFramesDecodedFromTheStart)
{
    // Key frames every 6 frames and two B-frames between references: frames are stored out of
    // the order they are shown in.
    TVideoSource source(Encode(QStringLiteral("b.mp4"), 16, 12, 40,
                               {"-c:v", "mpeg4", "-g", "6", "-bf", "2", "-q:v", "4", "-pix_fmt", "yuv420p"}));
    TRecordingTarget target;
    source.ReadHeader(target);
    EXPECT_EQ(target.calls, QStringList({"height 12", "width 16", "rate 250", "count 40"}));
    const size_t frame = 16 * 12;
    const std::vector<uint8_t> whole = ReadBlock(source, 0, 40, 16, 12);
    EXPECT_EQ(source.PacketsDecoded(), 40);
    for (const int32_t first : {1, 6, 7, 11, 34}) {
        const std::vector<uint8_t> block = ReadBlock(source, first, 5, 16, 12);
        EXPECT_LT(source.PacketsDecoded(), 20) << first;
        for (int32_t s = 0; s < 5 && first + s < 40; ++s)
            EXPECT_TRUE(std::equal(block.begin() + s * frame, block.begin() + (s + 1) * frame,
                                   whole.begin() + (first + s) * frame))
                << "frame " << first + s;
    }
    // Lossy, but near the pattern: the frames are where they belong.
    EXPECT_NEAR(whole[37 * frame + 5 * 16 + 9], PatternValue(37, 5, 9), 24);
}

TEST_F(VideoSourceTest, DamagedAndTruncatedFiles)
{
    const QString junk = scratch.Write(QStringLiteral("junk.mp4"), QByteArray(4096, 'x'));
    TVideoSource bad(junk);
    TRecordingTarget target;
    try {
        bad.ReadHeader(target);
        FAIL() << "junk was read as a video";
    } catch (const EInOutError& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Cannot open \"%1\": ").arg(junk))) << e.Message().toStdString();
    }
    std::vector<uint8_t> block(70);
    EXPECT_THROW(bad.ReadFrames(0, 1, 10, 7, block.data()), EInOutError);

    // An uncompressed AVI cut in its 12th frame: the frames before the cut are there.
    const QString avi = Encode(QStringLiteral("cut.avi"), 10, 7, 20, {"-c:v", "rawvideo", "-pix_fmt", "gray"});
    QFile file(avi);
    const qint64 size = file.size();
    ASSERT_TRUE(file.resize(size - 8 * 80 - 30));
    TVideoSource cut(avi);
    cut.ReadHeader(target);
    const int32_t count = target.calls.last().mid(6).toInt();
    EXPECT_GE(count, 10);
    EXPECT_LT(count, 20);
    const std::vector<uint8_t> frames = ReadBlock(cut, 0, 20, 10, 7);
    EXPECT_EQ(frames[9 * 70 + 33], PatternValue(9, 3, 3));
    EXPECT_EQ(frames[19 * 70 + 33], 127);
}

TEST(VideoSource, RecognisedByTheLeadingBytesOfItsContainers)
{
    EXPECT_TRUE(LooksLikeVideo(QByteArray("RIFF\x10\0\0\0AVI LIST", 16)));
    EXPECT_FALSE(LooksLikeVideo(QByteArray("RIFF\x10\0\0\0WAVEfmt ", 16)));
    EXPECT_TRUE(LooksLikeVideo(QByteArray("\0\0\0\x20" "ftypisom", 12)));
    EXPECT_TRUE(LooksLikeVideo(QByteArray("\x1A\x45\xDF\xA3\x9F", 5)));
    EXPECT_FALSE(LooksLikeVideo(QByteArray("II*\0", 4)));
}
