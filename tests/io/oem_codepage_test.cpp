// Header text in CP850, checked byte for byte against glibc's converter.
#include "export/io/OemCodePage.h"

#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

TEST(OemCodePage, AllBytesMatchIconvBothWays)
{
    const QString iconv = QStandardPaths::findExecutable(QStringLiteral("iconv"));
    if (iconv.isEmpty())
        GTEST_SKIP() << "iconv is not installed";
    QByteArray all(256, '\0');
    for (int b = 0; b < 256; ++b)
        all[b] = char(b);
    QProcess process;
    process.start(iconv, {QStringLiteral("-f"), QStringLiteral("CP850"), QStringLiteral("-t"), QStringLiteral("UTF-16LE")});
    process.write(all);
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(10000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const QByteArray utf16 = process.readAllStandardOutput();
    ASSERT_EQ(utf16.size(), 512);
    const QString expected(reinterpret_cast<const QChar*>(utf16.constData()), 256);

    EXPECT_EQ(FromOemCodePage(all), expected);
    EXPECT_EQ(ToOemCodePage(expected), all);
}

TEST(OemCodePage, CharactersOutsideCp850BecomeOneQuestionMarkEach)
{
    // The euro sign, a CJK character and an emoji (two UTF-16 units): not in CP850.
    EXPECT_EQ(ToOemCodePage(QString::fromUtf8("a\u20ac\u4e2d\U0001F600\u00e9")), QByteArray("a???\x82"));
    EXPECT_EQ(ToOemCodePage(QString(QChar(0xD800))), QByteArray("?"));  // a lone surrogate
}
