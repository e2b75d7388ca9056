// Paths: names as the bytes on disk, header look-up as a file system that ignores case would do
// it, and names that are not files.
#include "platform/Errors.h"
#include "platform/FileNames.h"
#include "support/TestSupport.h"
#include "viewer/io/Sequence.h"

#include <QElapsedTimer>
#include <QFile>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Creates a file under a raw byte name in the scratch folder.
QByteArray WriteRaw(const TScratch& scratch, const QByteArray& name, const QByteArray& bytes)
{
    const QByteArray path = QFile::encodeName(scratch.Path(QString())) + '/' + name;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
    ::close(fd);
    return path;
}

}  // namespace

TEST(FileNames, EveryByteSequenceSurvivesDecodingAndEncoding)
{
    struct Case {
        QByteArray bytes;
        QString text;
    } cases[] = {
        {"caf\xC3\xA9.bld", QStringLiteral("caf\u00E9.bld")},                 // valid UTF-8
        {"caf\xE9.bld", QStringLiteral("caf") + QChar(0xDCE9) + QStringLiteral(".bld")},  // Latin-1 byte
        {"\xC0\xAF", QString(QChar(0xDCC0)) + QChar(0xDCAF)},                  // overlong "/"
        {"\xED\xA0\x80", QString(QChar(0xDCED)) + QChar(0xDCA0) + QChar(0xDC80)},  // an encoded surrogate
        {"\xF0\x9F\x98\x80", QString::fromUcs4(U"\U0001F600")},               // four bytes
        {"\xF4\x90\x80\x80", QString(QChar(0xDCF4)) + QChar(0xDC90) + QChar(0xDC80) + QChar(0xDC80)},  // > U+10FFFF
        {"a\xE2\x82", QStringLiteral("a") + QChar(0xDCE2) + QChar(0xDC82)},   // cut short
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecodeFileName(c.bytes), c.text) << c.bytes.toHex().toStdString();
        EXPECT_EQ(EncodeFileName(c.text), c.bytes) << c.bytes.toHex().toStdString();
    }
    EXPECT_EQ(ChangeFileExtension(QStringLiteral("/d.x/seq."), QStringLiteral(".par")), QStringLiteral("/d.x/seq.par"));
    EXPECT_EQ(ChangeFileExtension(QStringLiteral("/d.x/seq"), QStringLiteral(".par")), QStringLiteral("/d.x/seq.par"));
    EXPECT_EQ(ChangeFileExtension(QStringLiteral("a.b.bld"), QStringLiteral(".dsc")), QStringLiteral("a.b.dsc"));
}

TEST(FileNames, ASequenceUnderANameThatIsNotUtf8OpensWithItsHeader)
{
    TScratch scratch;
    QByteArray frames(4 * 2 * 3, '\0');
    for (int i = 0; i < frames.size(); ++i)
        frames[i] = char(i);
    const QByteArray bld = WriteRaw(scratch, "s\xE9q.bld", frames);
    const QByteArray par = WriteRaw(scratch, "s\xE9q.par", "RESOLUTION: 4x2\nFRAMES: 3\n");
    TSequence sequence;
    sequence.SetFileName(DecodeFileName(bld));
    sequence.ReadSequenceFiles();
    EXPECT_EQ(sequence.Width(), 4);
    EXPECT_EQ(sequence.Header().FrameCount, 3);
    EXPECT_EQ(sequence.Cache().Row(2, 1)[3], 2 * 8 + 4 + 3);
    EXPECT_EQ(FileKindOf(DecodeFileName(bld)), TFileKind::regular);
    // The scratch folder's removal goes through Qt, which cannot name these files.
    ::unlink(bld.constData());
    ::unlink(par.constData());
}

TEST(FileNames, ANameTheFileDialogShowsLossilyIsFoundWhenOnlyOneEntryFits)
{
    TScratch scratch;
    const QByteArray folder = QFile::encodeName(scratch.Path(QStringLiteral("d\u00FCr"))).replace("\xC3\xBC", "\xFC");
    ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
    const QByteArray one = folder + "/s\xE9q.bld";
    const QByteArray cut = folder + "/x\xE2\x82.bld";  // a sequence cut short: two bytes, one or two U+FFFD
    for (const QByteArray& name : {one, cut})
        ::close(::open(name.constData(), O_WRONLY | O_CREAT, 0644));
    const QString scratchPath = scratch.Path(QString());
    const QString dur = scratchPath + QStringLiteral("/d") + QChar(0xDCFC) + QStringLiteral("r");
    // What Qt's own decoding (the file dialog's) makes of the names.
    EXPECT_EQ(ResolveShownFileName(QFile::decodeName(one)), dur + QStringLiteral("/s") + QChar(0xDCE9) + QStringLiteral("q.bld"));
    EXPECT_EQ(ResolveShownFileName(QFile::decodeName(cut)),
              dur + QStringLiteral("/x") + QChar(0xDCE2) + QChar(0xDC82) + QStringLiteral(".bld"));
    // Two entries that show alike: neither is guessed. Names that exist or hold no U+FFFD stay.
    const QByteArray other = folder + "/s\xE8q.bld";
    ::close(::open(other.constData(), O_WRONLY | O_CREAT, 0644));
    EXPECT_EQ(ResolveShownFileName(QFile::decodeName(one)), QFile::decodeName(one));
    EXPECT_EQ(ResolveShownFileName(scratchPath + QStringLiteral("/none.bld")), scratchPath + QStringLiteral("/none.bld"));
    EXPECT_EQ(ResolveShownFileName(dur + QStringLiteral("/s\uFFFD\uFFFDq.bld")), dur + QStringLiteral("/s\uFFFD\uFFFDq.bld"));
    for (const QByteArray& name : {one, cut, other})
        ::unlink(name.constData());
    ::rmdir(folder.constData());
}

TEST(FileNames, HeaderLookUpFindsCaseVariantsAndFollowsABareDot)
{
    TScratch scratch;
    const QString bld = WriteFrames(scratch, QStringLiteral("clip.bld"), 4, 2, 1, PatternValue);
    scratch.WriteText(QStringLiteral("clip.dsc"), QStringLiteral("FRAMES: 5\n"));
    EXPECT_EQ(FindHeaderFile(bld), scratch.Path(QStringLiteral("clip.dsc")));
    scratch.WriteText(QStringLiteral("CLIP.PAR"), QStringLiteral("FRAMES: 6\n"));
    EXPECT_EQ(FindHeaderFile(bld), scratch.Path(QStringLiteral("CLIP.PAR")));  // ".par" in any case wins
    scratch.WriteText(QStringLiteral("clip.par"), QStringLiteral("FRAMES: 7\n"));
    EXPECT_EQ(FindHeaderFile(bld), scratch.Path(QStringLiteral("clip.par")));  // the exact name first

    // "run." stands for "run" as Windows reads it: its header is "run.par".
    const QString dotted = WriteFrames(scratch, QStringLiteral("run."), 4, 2, 1, PatternValue);
    scratch.WriteText(QStringLiteral("run.par"), QStringLiteral("RESOLUTION: 4x2\nFRAMES: 9\n"));
    TSequence sequence;
    sequence.SetFileName(dotted);
    sequence.ReadSequenceFiles();
    EXPECT_EQ(sequence.Header().FrameCount, 9);
}

TEST(FileNames, AFifoUnderTheHeadersNameIsNamedAndNeverWaitedOn)
{
    TScratch scratch;
    const QString bld = WriteFrames(scratch, QStringLiteral("f.bld"), 4, 2, 1, PatternValue);
    const QString par = scratch.Path(QStringLiteral("f.par"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(par).constData(), 0600), 0);
    TSequence sequence;
    sequence.SetFileName(bld);
    QElapsedTimer timer;
    timer.start();
    try {
        sequence.ReadSequenceFiles();
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot read the header file \"%1\": it is a FIFO (named pipe), not a file")
                                   .arg(par));
    }
    EXPECT_LT(timer.elapsed(), 1000);

    // A FIFO as the frame file itself.
    const QString fifo = scratch.Path(QStringLiteral("g.bld"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(FileKindOf(fifo), TFileKind::fifo);
    sequence.SetFileName(fifo);
    EXPECT_THROW(sequence.LoadFrames(0), EInOutError);
}
