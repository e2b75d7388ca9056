#include "export/sSMP.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QLocale>
#include <gtest/gtest.h>

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
}
