#include "export/io/sSMP.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray Padded(QByteArray bytes, qsizetype size)
{
    bytes.append(QByteArray(size - bytes.size(), '\0'));
    return bytes;
}

QString MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EError& e) {
        return e.Message();
    }
    return QStringLiteral("(no error)");
}

// One chunk of the given samples.
TSMPChunk Chunk(std::initializer_list<int16_t> samples)
{
    TSMPChunk chunk;
    for (const int16_t s : samples)
        chunk.samples[size_t(chunk.count++)] = s;
    return chunk;
}

// The header text of the growth tests: "head=NNNN" CR LF (11 bytes), "=" CR LF (3), the comment
// lines with CR LF each and the three terminator bytes: 11 + 3 + 5 * 202 + (n + 2) + 3 bytes.
void AddComment(TSMPfile& smp, qsizetype lastLineLength)
{
    for (int i = 0; i < 5; ++i)
        smp.Comment.append(QString(200, QLatin1Char('c')));
    smp.Comment.append(QString(lastLineLength, QLatin1Char('d')));
}

}  // namespace

TEST(SampleFile, ANewFileIsTheEmptyHeaderPaddedTo1024Bytes)
{
    TScratch scratch;
    const QString path = scratch.Path(QStringLiteral("new.smp"));
    scratch.Write(QStringLiteral("new.smp"), QByteArray(5000, 'x'));  // replaced, not overwritten in place
    TSMPfile smp;
    ASSERT_TRUE(smp.new_file(path)) << smp.LastError().toStdString();
    EXPECT_TRUE(smp.IsOpen());
    EXPECT_TRUE(smp.close_file());
    EXPECT_EQ(ReadAll(path), Padded(QByteArray("=\r\n\x00\x04\x1a", 6), 1024));
}

TEST(SampleFile, ParsingStopsAtZeroOrEofAndSkipsLinesWithoutEquals)
{
    TSMPfile smp;
    // CR and 0x04 inside lines are dropped; "junk" has no "=" and "empty=" no value; after "="
    // every line is a comment, "=" signs included; 0x1A ends the header.
    smp.ParseHeader(QByteArray("nchans=2\r\nju\x04nk\r\nempty=\r\n\r\nHead=9\nhead=2048\r\n=\r\nx=1 comment\r\n"
                               "\r\nsecond\x1amore=lost\r\n"));
    EXPECT_EQ(smp.ItemLines(), (QStringList{"head=2048", "nchans=2", "Head=9"}));
    EXPECT_EQ(smp.Comment, (QStringList{"x=1 comment", "second"}));
    EXPECT_EQ(smp.DataOffset(), 9);  // the last "head" in any case is the one looked up
    EXPECT_EQ(smp.get_item(QStringLiteral("HEAD")), QStringLiteral("9"));
    EXPECT_EQ(smp.get_item(QStringLiteral("more")), QString());

    smp.ParseHeader(QByteArray("a=1\r\nb=2\x00" "c=3\r\n", 12));
    EXPECT_EQ(smp.ItemLines(), (QStringList{"a=1", "b=2"}));
    // A line of 300 characters is cut to 255.
    smp.ParseHeader("long=" + QByteArray(295, 'v') + "\r\n");
    EXPECT_EQ(smp.get_item(QStringLiteral("long")).size(), 250);
}

TEST(SampleFile, ItemsAreReplacedByExactNameAndFoundInAnyCase)
{
    TSMPfile smp;
    smp.set_item(QStringLiteral("file"), QStringLiteral("samp"));
    smp.set_item(QStringLiteral("head"), QStringLiteral("1024"));
    smp.set_item(QStringLiteral("Head"), QStringLiteral("2"));
    smp.add_line(QStringLiteral("sftot=8000=x"));
    smp.set_nonpresent_item(QStringLiteral("FILE"), QStringLiteral("other"));
    smp.set_proc(QStringLiteral("first"));
    smp.set_proc(QStringLiteral("second"));
    smp.validate_items();
    EXPECT_EQ(smp.ItemLines(), (QStringList{"head=1024", "file=samp", "Head=2", "sftot=8000=x", "proc0=first",
                                            "proc1=second"}));
    smp.set_item(QStringLiteral("file"), QString());
    smp.add_line(QStringLiteral("proc0"));
    EXPECT_EQ(smp.get_item(QStringLiteral("file")), QString());
    EXPECT_EQ(smp.get_item(QStringLiteral("proc0")), QString());
    // A value with a line break or a terminator byte stays on its line and ends nothing.
    smp.clear();
    smp.set_item(QStringLiteral("a"), QStringLiteral("x\ny\x1az"));
    EXPECT_EQ(smp.HeaderText(), QByteArray("a=x?y?z\r\n=\r\n\x00\x04\x1a", 15));
}

TEST(SampleFile, NumbersAreWrittenWithADotWhateverTheLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TSMPfile smp;
    smp.SetSampleRate(29.97);
    EXPECT_EQ(smp.get_item(QStringLiteral("sftot")), QStringLiteral("29.97"));
    smp.SetSampleRate(1000);
    EXPECT_EQ(smp.get_item(QStringLiteral("sftot")), QStringLiteral("1000"));
    smp.SetSampleRate(0.12345678);  // "0.######": six decimals at most
    EXPECT_EQ(smp.get_item(QStringLiteral("sftot")), QStringLiteral("0.123457"));
    // One channel, no "view" yet: "view0"; six significant digits.
    smp.SetView(0, -256, 256.0000001);
    EXPECT_EQ(smp.get_item(QStringLiteral("view0")), QStringLiteral("-256,256"));
    smp.SetValueRange(-1, -32768, 0.1);
    EXPECT_EQ(smp.get_item(QStringLiteral("range")), QStringLiteral("-32768,0.1"));
    // One channel with only "view": that item is replaced, and its label stays.
    smp.set_item(QStringLiteral("view0"), QString());
    smp.set_item(QStringLiteral("view"), QStringLiteral("-1,1,left, right"));
    smp.SetView(0, 1.23456789, -0.5);
    EXPECT_EQ(smp.ItemLines().filter(QStringLiteral("view")), QStringList{"view=1.23457,-0.5,left, right"});
    // "ch"n is kept when the file names its channels so.
    smp.set_item(QStringLiteral("ch1"), QStringLiteral("old"));
    smp.SetChannelLabel(1, QStringLiteral("new"));
    smp.SetChannelLabel(2, QStringLiteral("two"));
    EXPECT_EQ(smp.get_item(QStringLiteral("ch1")), QStringLiteral("new"));
    EXPECT_EQ(smp.get_item(QStringLiteral("channel2")), QStringLiteral("two"));
    QLocale::setDefault(saved);
}

TEST(SampleFile, AGrowingHeaderRaisesHeadToEvenAndMovesTheSamplesBehindIt)
{
    TScratch scratch;
    TSMPfile smp;
    // 1100 bytes: samples already written at 1024 move to 1100.
    const QString moved = scratch.Path(QStringLiteral("moved.smp"));
    ASSERT_TRUE(smp.new_file(moved));
    smp.WriteChannel(0, Chunk({1, -2, 3}));
    AddComment(smp, 71);
    ASSERT_TRUE(smp.save_file());
    EXPECT_EQ(smp.get_item(QStringLiteral("head")), QStringLiteral("1100"));
    EXPECT_EQ(smp.UsedSize(), 1100);
    smp.WriteChannel(0, Chunk({4}));
    ASSERT_TRUE(smp.close_file());
    QByteArray bytes = ReadAll(moved);
    ASSERT_EQ(bytes.size(), 1100 + 8);
    EXPECT_EQ(bytes.mid(1100), QByteArray("\x01\x00\xfe\xff\x03\x00\x04\x00", 8));
    EXPECT_TRUE(bytes.startsWith("head=1100\r\n=\r\nccc"));
    EXPECT_EQ(bytes.mid(1097, 3), QByteArray("\x00\x04\x1a", 3));

    // 1101 bytes: "head" 1102; the header grew before any sample, which then starts there.
    const QString later = scratch.Path(QStringLiteral("later.smp"));
    ASSERT_TRUE(smp.new_file(later));
    AddComment(smp, 72);
    ASSERT_TRUE(smp.save_file());
    EXPECT_EQ(smp.get_item(QStringLiteral("head")), QStringLiteral("1102"));
    smp.WriteChannel(0, Chunk({255 * 128}));
    ASSERT_TRUE(smp.open_file(later, true));
    EXPECT_EQ(smp.DataOffset(), 1102);
    EXPECT_EQ(smp.SampleCount(0), 1);
    smp.close_file();
    bytes = ReadAll(later);
    EXPECT_EQ(bytes.size(), 1104);
    EXPECT_EQ(bytes.mid(1102), QByteArray("\x80\x7f"));

    // A header the 32768-byte reading buffer could not hold is refused, the file untouched.
    ASSERT_TRUE(smp.open_file(later, false));
    for (int i = 0; i < 130; ++i)
        smp.Comment.append(QString(250, QLatin1Char('e')));
    EXPECT_FALSE(smp.save_file());
    EXPECT_TRUE(smp.LastError().contains(later)) << smp.LastError().toStdString();
    smp.close_file();
    EXPECT_EQ(ReadAll(later), bytes);
}

// Every write to a channel goes on where the one before ended, the third as much as the second.
TEST(SampleFile, WritesToOneChannelFollowEachOther)
{
    TScratch scratch;
    const QString path = scratch.Path(QStringLiteral("three.smp"));
    TSMPfile smp;
    ASSERT_TRUE(smp.new_file(path));
    smp.WriteChannel(0, Chunk({1, 2}));
    smp.WriteChannel(0, Chunk({3}));
    smp.WriteChannel(0, Chunk({4}));
    EXPECT_EQ(smp.SampleCount(0), 4);
    ASSERT_TRUE(smp.close_file());
    EXPECT_EQ(ReadAll(path).mid(1024), QByteArray("\x01\x00\x02\x00\x03\x00\x04\x00", 8));
}

TEST(SampleFile, ScanListsPlaceEachChannelAndKeepTheOthers)
{
    TScratch scratch;
    const QString path = scratch.Path(QStringLiteral("scan.smp"));
    TSMPfile smp;
    ASSERT_TRUE(smp.new_file(path));
    smp.SetChannelCount(3);
    smp.set_item(QStringLiteral("scan"), QStringLiteral("(0, 1;0 2)"));
    ASSERT_TRUE(smp.save_file());
    // Channel 0 has stride 2, channels 1 and 2 stride 4; each write reads and keeps the rest.
    smp.WriteChannel(0, Chunk({1, 2, 3}));
    smp.WriteChannel(2, Chunk({30, 31}));
    smp.WriteChannel(1, Chunk({20, 21}));
    smp.WriteChannel(0, Chunk({4}));
    EXPECT_EQ(smp.SampleCount(0), 4);
    EXPECT_EQ(smp.SampleCount(2), 2);
    EXPECT_THROW(smp.WriteChannel(3, Chunk({1})), EError);
    smp.close_file();
    QByteArray words;
    for (const int w : {1, 20, 2, 30, 3, 21, 4, 31})
        words += char(w) + QByteArray(1, '\0');
    EXPECT_EQ(ReadAll(path).mid(1024), words);

    // "msb=first": each sample's high byte first.
    ASSERT_TRUE(smp.open_file(path, false));
    smp.set_item(QStringLiteral("scan"), QString());
    smp.SetChannelCount(1);
    smp.SetMSBFirst(true);
    smp.WriteChannel(0, Chunk({0x0102}));
    smp.close_file();
    EXPECT_EQ(ReadAll(path).mid(1024, 4), QByteArray("\x01\x02\x14\x00", 4));

    // Invalid lists: a channel missing, a channel unevenly spaced (0 0 1), or spaced so that its
    // next scan's sample would land on another channel (0 1 1).
    ASSERT_TRUE(smp.open_file(path, false));
    smp.SetChannelCount(2);
    for (const char* scan : {"0,0", "0,0,1", "0,1,1", "0,1,200"}) {
        smp.set_item(QStringLiteral("scan"), QString::fromLatin1(scan));
        EXPECT_EQ(MessageOf([&] { smp.WriteChannel(0, Chunk({1})); }),
                  QStringLiteral("File header in %1\rHas an invalid \"scan\" item:\rscan=%2").arg(path, scan));
    }
    smp.set_item(QStringLiteral("scan"), QStringLiteral("1 0 1 0"));
    EXPECT_EQ(smp.SampleCount(1), 4);  // valid: eight words, two per scan of channel 1
    smp.close_file();
}

TEST(SampleFile, ATemporaryCopyOrANewNameReachesTheFileOnlyOnSave)
{
    TScratch scratch;
    const QString path = scratch.Path(QStringLiteral("t.smp"));
    TSMPfile smp;
    ASSERT_TRUE(smp.new_file(path));
    smp.close_file();
    const QByteArray before = ReadAll(path);

    smp.UseTempFile = true;
    ASSERT_TRUE(smp.open_file(path, false));
    const QString work = smp.WorkingFileName();
    EXPECT_NE(work, path);
    smp.WriteChannel(0, Chunk({5}));
    smp.set_item(QStringLiteral("sftot"), QStringLiteral("8000"));
    EXPECT_EQ(ReadAll(path), before);
    ASSERT_TRUE(smp.save_file());
    EXPECT_EQ(ReadAll(path).size(), 1026);
    EXPECT_TRUE(ReadAll(path).startsWith("sftot=8000\r\n=\r\n"));
    smp.WriteChannel(0, Chunk({6}));  // after the last save: lost with the copy on close
    EXPECT_TRUE(smp.close_file());
    EXPECT_FALSE(QFile::exists(work));
    EXPECT_EQ(ReadAll(path).size(), 1026);

    // Saved under another name, the file is copied there first and the original keeps its
    // header; another spelling of the same name is the same file, not a copy onto itself.
    smp.UseTempFile = false;
    const QByteArray saved = ReadAll(path);
    ASSERT_TRUE(smp.open_file(path, true));
    smp.set_item(QStringLiteral("sftot"), QStringLiteral("9"));
    const QString other = scratch.Path(QStringLiteral("other.smp"));
    ASSERT_TRUE(smp.save_file(other)) << smp.LastError().toStdString();
    smp.WriteChannel(0, Chunk({7}));
    EXPECT_TRUE(smp.save_file(scratch.Path(QStringLiteral("./other.smp"))));
    smp.close_file();
    EXPECT_EQ(ReadAll(path), saved);
    const QByteArray copy = ReadAll(other);
    EXPECT_EQ(copy.size(), 1026);
    EXPECT_EQ(copy.left(1024), Padded(QByteArray("sftot=9\r\n=\r\n\x00\x04\x1a", 15), 1024));
    EXPECT_EQ(copy.mid(1024), QByteArray("\x07\x00", 2));
}

TEST(SampleFile, LabelsMoveBetweenItemsAndTheirOwnSideFileOnly)
{
    TScratch scratch;
    const QString path = scratch.Write(QStringLiteral("l.smp"),
                                       "L1=0.5;1.5;a;b\r\nL2=2,3,c\r\nL4=gap\r\n=\r\n" + QByteArray(3, '\0'));
    TSMPfile smp;
    ASSERT_TRUE(smp.open_file(path, false));
    EXPECT_EQ(smp.Labels(), (QStringList{"0.5,1.5,a;b", "2,3,c"}));
    smp.SetCSVFileName(QStringLiteral("l.csv"));
    ASSERT_TRUE(smp.save_file());
    smp.close_file();
    // L4 was never a label (L3 is missing): it stays an item.
    EXPECT_TRUE(ReadAll(path).startsWith("L4=gap\r\nlabels=l.csv\r\n=\r\n"));
    EXPECT_EQ(ReadAll(scratch.Path(QStringLiteral("l.csv"))), (path + "\r\n0.5,1.5,a;b\r\n2,3,c\r\n").toUtf8());
    ASSERT_TRUE(smp.open_file(path, true));
    EXPECT_TRUE(smp.ExternalLabels);
    EXPECT_EQ(smp.Labels(), (QStringList{"0.5,1.5,a;b", "2,3,c"}));
    smp.close_file();

    // A header naming somebody else's file as its side file never overwrites it.
    const QByteArray foreign = "not a label file\n";
    scratch.Write(QStringLiteral("notes.txt"), foreign);
    scratch.Write(QStringLiteral("f.smp"), "labels=notes.txt\r\n=\r\n" + QByteArray(1, '\0'));
    ASSERT_TRUE(smp.open_file(scratch.Path(QStringLiteral("f.smp")), false));
    smp.save_file();
    smp.SetCSVFileName({});
    smp.save_file();  // labels back into the header: the side file would be erased
    smp.close_file();
    EXPECT_EQ(ReadAll(scratch.Path(QStringLiteral("notes.txt"))), foreign);
}

// A header may name anything as its side file: a device that never ends, a FIFO nobody writes
// to, a link to nowhere. Opening reads only regular files; saving never writes through a link.
TEST(SampleFile, SideFilesThatAreNoRegularFilesAreNeitherReadNorWritten)
{
    TScratch scratch;
    const QString fifo = scratch.Path(QStringLiteral("labels.fifo"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString dangling = scratch.Path(QStringLiteral("dangling.csv"));
    const QString target = scratch.Path(QStringLiteral("elsewhere.csv"));
    ASSERT_TRUE(QFile::link(target, dangling));
    QStringList sides{fifo, dangling};
    // A device that never ends, as a node of the test's own (where it may make one, as root in
    // CI): a broken check must never reach a real device.
    const QString zero = scratch.Path(QStringLiteral("zero.node"));
    if (::mknod(QFile::encodeName(zero).constData(), S_IFCHR | 0600, ::makedev(1, 5)) == 0)
        sides.prepend(zero);
    for (const QString& side : sides) {
        SCOPED_TRACE(side.toStdString());
        const QString path = scratch.Write(QStringLiteral("s.smp"), ("labels=" + side + "\r\n=\r\n").toUtf8() + '\0');
        const int status = RunInChild([&] {
            alarm(20);  // a hang ends the child, not the test run
            TSMPfile smp;
            if (!smp.open_file(path, false) || !smp.ExternalLabels || !smp.Labels().isEmpty())
                return 1;
            smp.SetLabels({QStringLiteral("a,b,c")});
            smp.save_file();
            smp.close_file();
            return 0;
        });
        EXPECT_EQ(status, 0);
    }
    EXPECT_FALSE(QFileInfo::exists(target));
}
