// Photron recordings: the headers, the sample widths against values packed by hand, and what
// damaged or incomplete recordings give.
#include "FormatTestSupport.h"
#include "support/TestSupport.h"
#include "viewer/io/Sequence.h"
#include "viewer/io/formats/photron/PhotronSource.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

QString CihText(const QString& extra)
{
    return QStringLiteral("#Camera Information Header\r\n") + extra;
}

QString Opening(const QString& file, const QString& problem)
{
    return QStringLiteral("Cannot open \"%1\": %2").arg(file, problem);
}

QString ErrorOf(TPhotronSource& source)
{
    TRecordingTarget target;
    try {
        source.ReadHeader(target);
    } catch (const EError& e) {
        return e.Message();
    }
    return QStringLiteral("no error");
}

}  // namespace

TEST(PhotronSource, TwelveBitPackedSamplesUnpackExactlyAndRowsCutShortRead127)
{
    TScratch scratch;
    scratch.WriteText(QStringLiteral("r.cih"),
                      CihText(QStringLiteral("Image Width : 3\nImage Height : 2\nColor Type : Mono\nColor Bit : 12\n"
                                             "EffectiveBit Depth : 12\nEffectiveBit Side : Lower\nTotal Frame : 2\n")));
    // Frame 0: 0xABC 0x123 0xFFF / 0x000 0x800 0x7F0, packed by hand; a row of 3 samples is
    // 4.5 bytes, so row 1 starts inside a byte. Frame 1 (0x010 0x0FF 0xE00 / ...) stops after
    // 5 bytes: row 0 arrives whole, row 1 does not.
    const QByteArray frames = QByteArray::fromHex("ABC123" "FFF000" "8007F0" "0100FF" "E000");
    scratch.Write(QStringLiteral("r.mraw"), frames);
    TPhotronSource source(scratch.Path(QStringLiteral("r.mraw")));
    TRecordingTarget target;
    source.ReadHeader(target);
    EXPECT_EQ(target.calls, QStringList({"height 2", "width 3", "count 2"}));
    EXPECT_EQ(source.BitDepth(), 12);
    EXPECT_EQ(source.FormatName(), QStringLiteral("Photron MRAW, 12-bit packed"));

    const std::vector<uint8_t> expected = {0xAB, 0x12, 0xFF, 0x00, 0x80, 0x7F,  // frame 0
                                           0x01, 0x0F, 0xE0, 127,  127,  127,   // frame 1
                                           127,  127,  127,  127,  127,  127};  // past the end
    EXPECT_EQ(ReadBlock(source, 0, 3, 3, 2), expected);
    // A block wider and lower than the frames: columns it lacks are 127, rows it lacks dropped.
    EXPECT_EQ(ReadBlock(source, 0, 1, 4, 1), std::vector<uint8_t>({0xAB, 0x12, 0xFF, 127}));
}

TEST(PhotronSource, ARefillOfLargeTwelveBitFramesReadInHalvesSideBySideIsWholeAndStopsWhereTheFileDoes)
{
    // 1024 x 512 samples of 12 bits: 786432 bytes a frame, so a five-frame refill is read and
    // unpacked in parts. Every sample of frame f is 0x123 + 0x211·f; its top 8 bits are shown.
    TScratch scratch;
    scratch.WriteText(QStringLiteral("big.cih"),
                      CihText(QStringLiteral("Image Width : 1024\nImage Height : 512\nColor Type : Mono\n"
                                             "Color Bit : 12\nEffectiveBit Depth : 12\nEffectiveBit Side : Lower\n"
                                             "Total Frame : 5\n")));
    QByteArray file;
    for (int f = 0; f < 4; ++f) {
        const int sample = 0x123 + 0x211 * f;
        const char triple[3] = {char(sample >> 4), char(((sample & 0xF) << 4) | (sample >> 8)), char(sample & 0xFF)};
        for (int pair = 0; pair < 1024 * 512 / 2; ++pair)
            file.append(triple, 3);
    }
    file.truncate(3 * 786432 + 100 * 1536 + 7);  // frame 3 stops inside its row 100; frame 4 is missing
    scratch.Write(QStringLiteral("big.mraw"), file);
    TPhotronSource source(scratch.Path(QStringLiteral("big.mraw")));
    TRecordingTarget target;
    source.ReadHeader(target);
    const std::vector<uint8_t> block = ReadBlock(source, 0, 5, 1024, 512);
    ASSERT_EQ(block.size(), size_t(5) * 1024 * 512);
    const uint8_t shown[] = {0x12, 0x33, 0x54, 0x75};
    for (size_t i = 0; i < block.size(); ++i) {
        const size_t frame = i / (1024 * 512);
        const size_t row = i % (1024 * 512) / 1024;
        const uint8_t expected = frame < 3 || (frame == 3 && row < 100) ? shown[frame] : 127;
        ASSERT_EQ(block[i], expected) << "frame " << frame << " row " << row;
    }
}

TEST(PhotronSource, TenAndSixteenBitSamplesMapByTheEffectiveDepth)
{
    TScratch scratch;
    // 10-bit: 0x3FF 0x001 0x200 0x155 in five bytes, effective 10: the top 8 bits.
    scratch.WriteText(QStringLiteral("ten.cih"), CihText(QStringLiteral("Image Width : 4\nImage Height : 1\nColor Bit : 10\n")));
    scratch.Write(QStringLiteral("ten.mraw"), QByteArray::fromHex("FFC0180555"));
    TPhotronSource ten(scratch.Path(QStringLiteral("ten.cih")));
    TRecordingTarget target;
    ten.ReadHeader(target);
    EXPECT_EQ(target.calls, QStringList({"height 1", "width 4", "count 1"}));  // from the file's size
    EXPECT_EQ(ReadBlock(ten, 0, 1, 4, 1), std::vector<uint8_t>({0xFF, 0x00, 0x80, 0x55}));

    // 16-bit little-endian. Lower 12 bits used: 0x0ABC -> 0xAB, 0x0FFF -> 0xFF, and 0x1000,
    // which 12 bits cannot hold, saturates. Higher: 0xABC0 -> 0xAB.
    const QByteArray sixteen = QByteArray::fromHex("BC0AFF0F0010C0AB");
    scratch.Write(QStringLiteral("low.mraw"), sixteen);
    scratch.WriteText(QStringLiteral("low.cih"),
                      CihText(QStringLiteral("Image Width : 4\nImage Height : 1\nColor Bit : 16\nEffectiveBit Depth : 12\n")));
    TPhotronSource low(scratch.Path(QStringLiteral("low.mraw")));
    low.ReadHeader(target);
    EXPECT_EQ(low.BitDepth(), 12);
    EXPECT_EQ(ReadBlock(low, 0, 1, 4, 1), std::vector<uint8_t>({0xAB, 0xFF, 0xFF, 0xFF}));
    scratch.Write(QStringLiteral("high.mraw"), sixteen);
    scratch.WriteText(QStringLiteral("high.cih"),
                      CihText(QStringLiteral("Image Width : 4\nImage Height : 1\nColor Bit : 16\n"
                                             "EffectiveBit Depth : 12\nEffectiveBit Side : Higher\n")));
    TPhotronSource high(scratch.Path(QStringLiteral("high.mraw")));
    high.ReadHeader(target);
    EXPECT_EQ(ReadBlock(high, 0, 1, 4, 1), std::vector<uint8_t>({0x0A, 0x0F, 0x10, 0xAB}));
}

TEST(PhotronSource, CihAndCihxGiveTheSameHeader)
{
    TScratch scratch;
    scratch.Write(QStringLiteral("a.mraw"), QByteArray(6 * 4 * 9, char(1)));
    scratch.Write(QStringLiteral("b.mraw"), QByteArray(6 * 4 * 9, char(1)));
    scratch.WriteText(QStringLiteral("a.cih"),
                      CihText(QStringLiteral("Date : 2024/01/02\nTime : 10:11\nRecord Rate(fps) : 250.5\n"
                                             "Total Frame : 7\nStart Frame : -3\nCorrect Trigger Frame : 2\n"
                                             "Image Width : 6\nImage Height : 4\nColor Type : Mono\nColor Bit : 8\n"
                                             "File Format : MRaw\nImage Width : 99\n")));
    // Bytes before the XML, as the camera software writes them.
    scratch.Write(QStringLiteral("b.cihx"),
                  QByteArray("\x01\x02\x03\n") +
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<cih>"
                      "<recordInfo><recordRate>250.5</recordRate></recordInfo>"
                      "<frameInfo><totalFrame>7</totalFrame><startFrame>-3</startFrame>"
                      "<correctTriggerFrame>2</correctTriggerFrame></frameInfo>"
                      "<imageDataInfo><resolution><width>6</width><height>4</height></resolution>"
                      "<colorInfo><type>Mono</type><bit>8</bit></colorInfo>"
                      "<effectiveBit><depth>8</depth><side>Lower</side></effectiveBit></imageDataInfo>"
                      "<imageFileInfo><fileFormat>MRaw</fileFormat></imageFileInfo></cih>\n" +
                      QByteArray("\0\x7F", 2));
    const QStringList expected = {"height 4", "width 6", "rate 250.5", "count 7", "first -3", "trigger 2"};
    for (const char* name : {"a.cih", "a.mraw", "b.cihx", "b.mraw"}) {
        TPhotronSource source(scratch.Path(QLatin1String(name)));
        TRecordingTarget target;
        source.ReadHeader(target);
        EXPECT_EQ(target.calls, expected) << name;
        // 7 frames said, 9 in the file: the recording ends at 7.
        const std::vector<uint8_t> block = ReadBlock(source, 6, 2, 6, 4);
        EXPECT_EQ(block[0], 1);
        EXPECT_EQ(block[24], 127);
    }
}

TEST(PhotronSource, DamagedOrUnsupportedHeadersNameTheFileAndTheProblem)
{
    TScratch scratch;
    scratch.Write(QStringLiteral("r.mraw"), QByteArray(16, char(1)));
    const QString cih = scratch.Path(QStringLiteral("r.cih"));
    TPhotronSource source(scratch.Path(QStringLiteral("r.mraw")));
    auto errorWith = [&](const QString& keys) {
        scratch.WriteText(QStringLiteral("r.cih"), CihText(keys));
        return ErrorOf(source);
    };
    const QString open = QStringLiteral("Cannot open \"%1\": ").arg(cih);
    EXPECT_EQ(errorWith(QStringLiteral("Image Width : 4\nColor Bit : 8\n")),
              open + QStringLiteral("the header has no \"Image Height\""));
    EXPECT_EQ(errorWith(QStringLiteral("Image Width : 4\nImage Height : 4\n")),
              open + QStringLiteral("the header has no \"Color Bit\""));
    EXPECT_EQ(errorWith(QStringLiteral("Image Width : 4 px\nImage Height : 4\nColor Bit : 8\n")),
              open + QStringLiteral("\"Image Width\": '4 px' is not a valid integer value"));
    EXPECT_EQ(errorWith(QStringLiteral("Image Width : 0\nImage Height : 4\nColor Bit : 8\n")),
              open + QStringLiteral("\"Image Width\" must be at least 1, not 0"));
    EXPECT_EQ(errorWith(QStringLiteral("Image Width : 4\nImage Height : 4\nColor Bit : 24\n")),
              open + QStringLiteral("\"Color Bit\" is 24: only 8, 10, 12 and 16-bit samples are read"));
    EXPECT_EQ(errorWith(QStringLiteral("Image Width : 4\nImage Height : 4\nColor Bit : 8\nColor Type : Color\n")),
              open + QStringLiteral("\"Color Type\" is \"Color\": only monochrome recordings are read"));
    EXPECT_EQ(errorWith(QStringLiteral("Image Width : 3\nImage Height : 1\nColor Bit : 10\n")),
              open + QStringLiteral("frames of 3 x 1 samples of 10 bits do not fill whole bytes"));

    scratch.Write(QStringLiteral("x.cihx"), "<?xml version=\"1.0\"?><cih><imageDataInfo><resolution><width>4</width>");
    TPhotronSource cut(scratch.Path(QStringLiteral("x.cihx")));
    EXPECT_TRUE(ErrorOf(cut).startsWith(Opening(scratch.Path(QStringLiteral("x.cihx")), QStringLiteral("the XML header is damaged"))))
        << ErrorOf(cut).toStdString();

    // A header without its frame file, a frame file without its header.
    scratch.WriteText(QStringLiteral("alone.cih"), CihText(QStringLiteral("Image Width : 4\nImage Height : 4\nColor Bit : 8\n")));
    TPhotronSource alone(scratch.Path(QStringLiteral("alone.cih")));
    EXPECT_EQ(ErrorOf(alone), Opening(scratch.Path(QStringLiteral("alone.cih")),
                                         QStringLiteral("its frame file \"%1\" does not exist")
                                             .arg(scratch.Path(QStringLiteral("alone.mraw")))));
    scratch.Write(QStringLiteral("bare.mraw"), QByteArray(16, char(1)));
    TPhotronSource bare(scratch.Path(QStringLiteral("bare.mraw")));
    EXPECT_EQ(ErrorOf(bare), Opening(scratch.Path(QStringLiteral("bare.mraw")),
                                        QStringLiteral("there is no header (\".cihx\" or \".cih\") beside it")));
    std::vector<uint8_t> block(16);
    EXPECT_THROW(bare.ReadFrames(0, 1, 4, 4, block.data()), EInOutError);
}

TEST(PhotronSource, AValueTheSequenceRefusesNamesTheHeader)
{
    TScratch scratch;
    scratch.Write(QStringLiteral("r.mraw"), QByteArray(16, char(1)));
    scratch.WriteText(QStringLiteral("r.cih"),
                      CihText(QStringLiteral("Record Rate(fps) : 0\nImage Width : 4\nImage Height : 4\nColor Bit : 8\n")));
    TPhotronSource source(scratch.Path(QStringLiteral("r.mraw")));
    TSequence sequence;
    try {
        source.ReadHeader(sequence);
        FAIL() << "a rate of 0 was taken";
    } catch (const EInvalidHeaderValue& e) {
        EXPECT_EQ(e.Message(), Opening(scratch.Path(QStringLiteral("r.cih")),
                                          QStringLiteral("the frame rate must be a positive number, not 0")));
    }
    EXPECT_EQ(sequence.Width(), 4);  // what was applied before stays
}

TEST(PhotronSource, OnlyACihIsRecognisedByItsLeadingBytes)
{
    EXPECT_TRUE(LooksLikePhotronHeader("#Camera Information Header\r\nDate : 1"));
    EXPECT_FALSE(LooksLikePhotronHeader("II*\0"));
    EXPECT_FALSE(LooksLikePhotronHeader(""));
}

// Low bits that are set in a 10-bit sample count too: bytes 00 00 00 F0 00 hold 0, 0, 60, 0,
// which are 0, 0, 15, 0 in 8 bits.
TEST(PhotronSource, TenBitSamplesWithLowBitsSetUnpackExactly)
{
    TScratch scratch;
    scratch.WriteText(QStringLiteral("t.cih"), CihText(QStringLiteral("Image Width : 4\nImage Height : 1\nColor Bit : 10\n")));
    scratch.Write(QStringLiteral("t.mraw"), QByteArray::fromHex("000000F000"));
    TPhotronSource source(scratch.Path(QStringLiteral("t.cih")));
    TRecordingTarget target;
    source.ReadHeader(target);
    EXPECT_EQ(ReadBlock(source, 0, 1, 4, 1), std::vector<uint8_t>({0, 0, 15, 0}));
}

// A ".cihx" with a thumbnail of its own size: the image's size is the one read.
TEST(PhotronSource, TheImagesSizeWinsOverTheThumbnails)
{
    TScratch scratch;
    scratch.Write(QStringLiteral("t.mraw"), QByteArray(6 * 4, char(1)));
    scratch.Write(QStringLiteral("t.cihx"),
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<cih>"
                  "<imageDataInfo><resolution><width>6</width><height>4</height></resolution>"
                  "<colorInfo><type>Mono</type><bit>8</bit></colorInfo></imageDataInfo>"
                  "<thumbnail><resolution><width>64</width><height>48</height></resolution>"
                  "<colorInfo><type>Color</type><bit>24</bit></colorInfo></thumbnail></cih>\n");
    TPhotronSource source(scratch.Path(QStringLiteral("t.cihx")));
    TRecordingTarget target;
    source.ReadHeader(target);
    EXPECT_EQ(target.calls, QStringList({"height 4", "width 6", "count 1"}));
}

namespace {

// The processor time this thread has used, in milliseconds: time the thread waits while others
// run (the machine is shared) does not count.
double ThreadMilliseconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Times of each header's parse (three parses each), in milliseconds of this thread's processor
// time, round by round. The headers take turns, so that a busy moment of the machine slows them
// alike; the shortest time of each is its own, undisturbed one.
std::vector<std::vector<double>> ParseMilliseconds(const std::vector<QByteArray>& headers)
{
    std::vector<std::vector<double>> rounds(30, std::vector<double>(headers.size()));
    for (std::vector<double>& round : rounds)
        for (size_t k = 0; k < headers.size(); ++k) {
            const double start = ThreadMilliseconds();
            for (int i = 0; i < 3; ++i)
                ParsePhotronHeader(headers[k], QStringLiteral("r.cihx"));
            round[k] = (ThreadMilliseconds() - start) / 3;
        }
    return rounds;
}

QByteArray CihxWith(const QByteArray& inner, const QByteArray& attributes)
{
    return "<?xml version=\"1.0\"?>\n<cih" + attributes + "><imageDataInfo><resolution><width>6</width><height>4</height>"
           "</resolution><colorInfo><bit>8</bit></colorInfo></imageDataInfo>" + inner + "</cih>\n";
}

}  // namespace

// Headers are read in time proportional to their size: doubling the attributes, the elements or
// the lines (10^4, 2·10^4, 4·10^4) at most about doubles the time (under 3 times, which holds
// under the sanitizers too). Headers above 1 MB are refused.
TEST(PhotronSource, HeadersAreReadInLinearTimeUpTo1MB)
{
    TScratch scratch;
    scratch.Write(QStringLiteral("r.mraw"), QByteArray(6 * 4, char(1)));
    // Short names and values: the sizes stay within the processor's caches even under the
    // sanitizers, so that only the parser's own work is compared.
    const auto letters = [](int i) {
        QByteArray name;
        for (++i; i > 0; i = (i - 1) / 26)
            name.prepend(char('a' + (i - 1) % 26));
        return name;
    };
    const auto attributes = [&](int n) {
        QByteArray text;
        for (int i = 0; i < n; ++i)
            text += " " + letters(i) + "=\"\"";
        return CihxWith({}, text);
    };
    const auto elements = [](int n) {
        QByteArray text;
        for (int i = 0; i < n; ++i)
            text += "<e/>";
        return CihxWith("<extra>" + text + "</extra>", {});
    };
    const auto lines = [](int n) {
        QByteArray text = "#Camera Information Header\r\nImage Width : 6\r\nImage Height : 4\r\nColor Bit : 8\r\n";
        for (int i = 0; i < n; ++i)
            text += "k:1\n";
        return text;
    };
    const struct {
        const char* what;
        std::function<QByteArray(int)> make;
    } kinds[] = {{"attributes", attributes}, {"elements", elements}, {"lines", lines}};
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.what);
        const auto rounds = ParseMilliseconds({kind.make(10000), kind.make(20000), kind.make(40000)});
        double best[3] = {1e300, 1e300, 1e300};
        for (const std::vector<double>& round : rounds)
            for (size_t k = 0; k < 3; ++k)
                best[k] = std::min(best[k], round[k]);
        std::printf("%s: 1e4 %.2f ms, 2e4 %.2f ms, 4e4 %.2f ms\n", kind.what, best[0], best[1], best[2]);
        // Below half a millisecond the scheduler's grain decides: only longer parses are compared.
        EXPECT_LT(best[1], 3 * std::max(best[0], 0.5));
        EXPECT_LT(best[2], 3 * std::max(best[1], 0.5));
    }

    // The largest header taken: attributes up to just under 1 MB; one byte more is refused.
    const auto numbered = [](int n) {
        QByteArray text;
        for (int i = 0; i < n; ++i)
            text += " a" + QByteArray::number(i) + "=\"" + QByteArray::number(i) + "\"";
        return CihxWith({}, text);
    };
    int count = 60000;
    while (numbered(count + 1000).size() <= (1 << 20))
        count += 1000;
    QByteArray largest = numbered(count);
    scratch.Write(QStringLiteral("r.cihx"), largest);
    TPhotronSource taken(scratch.Path(QStringLiteral("r.cihx")));
    TRecordingTarget target;
    QElapsedTimer timer;
    timer.start();
    taken.ReadHeader(target);  // read from the file, as the program reads it
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    EXPECT_EQ(target.calls, QStringList({"height 4", "width 6", "count 1"}));
    std::printf("largest header taken: %lld bytes in %.2f ms\n", static_cast<long long>(largest.size()), ms);
    RecordProperty("largest_header_bytes", int(largest.size()));
    largest.append(QByteArray((1 << 20) + 1 - largest.size(), ' '));
    scratch.Write(QStringLiteral("r.cihx"), largest);
    TPhotronSource over(scratch.Path(QStringLiteral("r.cihx")));
    EXPECT_EQ(ErrorOf(over), Opening(scratch.Path(QStringLiteral("r.cihx")),
                                        QStringLiteral("a header of 1048577 bytes is not a Photron header")));
}
