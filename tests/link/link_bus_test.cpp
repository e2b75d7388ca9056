// The companion link end to end on a private session bus: this process plays Tremax (its link,
// the synchronisation and a viewer double), the stand-in companion runs as a separate process.
#include "LinkTestSupport.h"
#include "link/SonelSync.h"
#include "link/Sonellink.h"
#include "platform/bus/ApplicationWindow.h"
#include "sonellib/sonellib32.h"

#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

// The viewer as the synchronisation sees it: its frame setter reports changes back.
class TFakeView : public TSyncView {
public:
    int32_t CurrentFrame() const override { return frame; }
    void SetCurrentFrame(int32_t value) override
    {
        if (value == frame)
            return;
        frame = value;
        ++sets;
        if (sync)
            sync->FrameChanged(value);
    }
    void StopPlayback() override { ++stops; }
    TSonelTimebase Timebase() const override { return base; }

    TSonelSync* sync = nullptr;
    TSonelTimebase base{2048, 0, 0, 1000};
    int32_t frame = 0;
    int sets = 0;
    int stops = 0;
};

QString Hex(uint32_t value) { return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')); }

bool HasLineStarting(const QStringList& lines, const QString& prefix)
{
    for (const QString& line : lines)
        if (line.startsWith(prefix))
            return true;
    return false;
}

class LinkBus : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(window.Connect(QStringLiteral("TREMAX"))) << "no session bus: run under dbus-run-session";
        link = std::make_unique<TSonellink>(window);
        link->SetDLLName(QStringLiteral(TREMAX_SONELLIB_PATH));
        ASSERT_TRUE(link->LibraryLoaded());
        link->Loaded();
        sync = std::make_unique<TSonelSync>(*link, view);
        view.sync = sync.get();
    }

    void TearDown() override
    {
        view.sync = nullptr;
        sync.reset();
        link.reset();
        // Every block and atom of the exchanges has been freed by the side that owns it.
        EXPECT_TRUE(LeftoverSharedMemory().isEmpty()) << LeftoverSharedMemory().join(' ').toStdString();
    }

    QString SampleFile(const QString& name, const QStringList& items)
    {
        const QString path = dir.filePath(name);
        WriteSampleFile(path, items);
        return path;
    }

    // A raw link message from the stand-in to this process; its result.
    QString Raw(TStandinProcess& standin, uint32_t wParam, uint32_t lParam)
    {
        return standin.Command(QStringLiteral("raw %1 %2 %3").arg(Hex(window.Handle()), Hex(wParam), Hex(lParam)),
                               QStringLiteral("result "));
    }

    QTemporaryDir dir;
    TApplicationWindow window;
    TFakeView view;
    std::unique_ptr<TSonellink> link;
    std::unique_ptr<TSonelSync> sync;
};

TEST_F(LinkBus, CursorFromSonelMovesTheFrameStopsPlaybackAndIsNotSentBack)
{
    auto companion = std::make_unique<TStandinProcess>(
        QStringList{QStringLiteral("--file"), SampleFile(QStringLiteral("a.smp"), {QStringLiteral("hspsync=2.048")})});
    TStandinProcess& standin = *companion;
    ASSERT_NE(standin.Window(), 0u);
    EXPECT_FALSE(link->IsLinked());  // nothing has looked for the partner yet
    sync->Linktosonel1Click();
    sync->LinkfromSonel1Click();
    EXPECT_TRUE(link->enabled());

    ASSERT_FALSE(standin.Command(QStringLiteral("cursor 2.048"), QStringLiteral("sent cursor")).isEmpty());
    EXPECT_EQ(view.frame, 2047);  // 2048 clamped to N - 1
    EXPECT_EQ(view.stops, 1);
    EXPECT_EQ(link->CursorTime(), 2.048);
    EXPECT_TRUE(link->IsLinked());
    EXPECT_FALSE(HasLineStarting(standin.LinesSinceCommand(), QStringLiteral("cursor ")));

    ASSERT_FALSE(standin.Command(QStringLiteral("cursor 0"), QStringLiteral("sent cursor")).isEmpty());
    EXPECT_EQ(view.frame, 0);
    EXPECT_EQ(view.stops, 2);
    EXPECT_FALSE(HasLineStarting(standin.LinesSinceCommand(), QStringLiteral("cursor ")));
    EXPECT_FALSE(sync->FromSonelCursor());

    companion.reset();  // Sonel quits: the partner is gone as soon as the bus says so
    EXPECT_TRUE(QTest::qWaitFor([&] { return !link->IsLinked(); }, 5000));
    EXPECT_FALSE(sync->SonelsyncEnabled());
}

TEST_F(LinkBus, FrameChangeSendsItsTimeAndOwnBroadcastIsIgnored)
{
    TStandinProcess standin({QStringLiteral("--file"), SampleFile(QStringLiteral("b.smp"), {QStringLiteral("hspsync=2.048")})});
    ASSERT_NE(standin.Window(), 0u);
    int ownMessages = 0;
    link->OnLink = [&](TSonellink&, tsnlmsg&) { ++ownMessages; };

    view.SetCurrentFrame(10);  // "&Link to Sonel" unchecked: nothing is sent
    standin.Command(QStringLiteral("item hspsync"), QStringLiteral("item "));
    EXPECT_FALSE(HasLineStarting(standin.Lines(), QStringLiteral("cursor ")));

    sync->Linktosonel1Click();
    view.SetCurrentFrame(1500);
    // (0 + 1500 - 0) / 1000 + 2.048, by hand.
    EXPECT_EQ(standin.WaitFor(QStringLiteral("cursor ")), QStringLiteral("cursor 3.548"));
    EXPECT_EQ(link->CursorTime(), 3.548);
    EXPECT_EQ(ownMessages, 0);  // the broadcast came back here too and was left alone
}

TEST_F(LinkBus, SynchronizeStoresTheCursorTimeInSonelsFile)
{
    const QString path = SampleFile(QStringLiteral("c.smp"), {QStringLiteral("sftot=1000")});
    TStandinProcess standin({QStringLiteral("--file"), path, QStringLiteral("--channo"), QStringLiteral("7")});
    ASSERT_NE(standin.Window(), 0u);
    EXPECT_FALSE(sync->SonelsyncEnabled());
    // "Link from Sonel" unchecked: the time is kept, the frame stays.
    ASSERT_FALSE(standin.Command(QStringLiteral("cursor 0.30000000000000004"), QStringLiteral("sent cursor")).isEmpty());
    EXPECT_EQ(view.sets, 0);
    EXPECT_EQ(link->CursorTime(), 0.30000000000000004);
    EXPECT_TRUE(sync->SonelsyncEnabled());

    sync->SonelsyncExecute();
    EXPECT_EQ(standin.WaitFor(QStringLiteral("header ")), QStringLiteral("header hspsync=0.3"));  // 15 digits
    EXPECT_EQ(standin.Command(QStringLiteral("item hspsync"), QStringLiteral("item ")), QStringLiteral("item hspsync=0.3"));
    EXPECT_EQ(sync->SyncTime(), 0.3);
    EXPECT_EQ(link->SampleFileName(), path);
    EXPECT_EQ(link->Channo(), 7);
}

TEST_F(LinkBus, NoCompanionNoLibraryNoFileOrACommaGiveSyncTimeZero)
{
    // No companion.
    EXPECT_EQ(sync->SyncTime(), 0);
    EXPECT_EQ(link->SampleFileName(), QString());
    EXPECT_EQ(link->Channo(), 0);
    EXPECT_FALSE(sync->SonelsyncEnabled());
    sync->SonelsyncExecute();
    EXPECT_EQ(sync->FrameToSonelTime(500), 0.5);
    EXPECT_EQ(sync->SonelTimeToFrame(2.048), 2047);

    TStandinProcess standin({});
    ASSERT_NE(standin.Window(), 0u);
    EXPECT_EQ(sync->SyncTime(), 0);  // no file open
    standin.Command(QStringLiteral("file ") + SampleFile(QStringLiteral("comma.smp"), {QStringLiteral("hspsync=2,048")}),
                    QStringLiteral("file "));
    EXPECT_EQ(link->ReadHeaderValue(QStringLiteral("hspsync")), QStringLiteral("2,048"));
    EXPECT_EQ(sync->SyncTime(), 0);
    standin.Command(QStringLiteral("file ") + SampleFile(QStringLiteral("point.smp"), {QStringLiteral("hspsync=2.048")}),
                    QStringLiteral("file "));
    EXPECT_EQ(sync->SyncTime(), 2.048);

    // No library: the link switches itself off; it reads nothing and sends nothing.
    TSonellink bare(window);
    bare.SetDLLName(QStringLiteral("no-such-companion-library.dll"));
    EXPECT_FALSE(bare.enabled());
    TFakeView otherView;
    TSonelSync bareSync(bare, otherView);
    EXPECT_EQ(bareSync.SyncTime(), 0);
    bare.SendCursor(1.25);
    EXPECT_EQ(bare.CursorTime(), 1.25);
    standin.Command(QStringLiteral("item hspsync"), QStringLiteral("item "));
    EXPECT_FALSE(HasLineStarting(standin.Lines(), QStringLiteral("cursor ")));
}

TEST_F(LinkBus, ReceivedCommandsReachTheirEventsAndUnknownOnesOnlyOnLink)
{
    TStandinProcess standin({});
    ASSERT_NE(standin.Window(), 0u);
    const uint32_t from = standin.Window();
    QStringList events;
    link->OnLink = [&](TSonellink&, tsnlmsg& msg) { events << QStringLiteral("link %1 %2").arg(Hex(msg.lParam)).arg(msg.result); };
    link->OnLinkTimes = [&](TSonellink&, double first, double duration) { events << QStringLiteral("times %1 %2").arg(first).arg(duration); };
    link->OnRequest = [&](TSonellink&, uint32_t sender, int32_t& count, QString& description) {
        events << QStringLiteral("request %1").arg(sender == from);
        count = 5;
        description = QStringLiteral("0.5 s");
    };
    link->OnXmit = [&](TSonellink&, std::vector<int16_t>& samples, int32_t& used) {
        events << QStringLiteral("xmit %1").arg(used);
        samples[0] = -2;
        used = 1;
    };
    link->OnRepeatPlay = [&](TSonellink&, int32_t left) { events << QStringLiteral("repeat %1").arg(left); };
    link->OnSetHeaderItem = [&](TSonellink&, const QString& item, const QString& value) {
        events << QStringLiteral("item [%1] [%2]").arg(item, value);
    };
    link->OnFileInfo = [&](TSonellink&, tfileinfo& record) {
        events << QStringLiteral("fileinfo");
        record.channo = 3;
    };

    EXPECT_EQ(Raw(standin, from, 0x07770000), QStringLiteral("result 0"));
    EXPECT_EQ(events, QStringList{QStringLiteral("link 07770000 0")});

    events.clear();
    ASSERT_FALSE(standin.Command(QStringLiteral("times 1.5 0.25"), QStringLiteral("sent times")).isEmpty());
    ASSERT_EQ(events.size(), 2);
    EXPECT_EQ(events[0], QStringLiteral("times 1.5 0.25"));
    EXPECT_TRUE(events[1].startsWith(QStringLiteral("link 0101"))) << events[1].toStdString();
    EXPECT_EQ(link->LinkFirst(), 1.5);
    EXPECT_EQ(link->LinkDuration(), 0.25);

    events.clear();
    const uint32_t block = SonelAlloc(16);
    EXPECT_EQ(Raw(standin, from, (uint32_t(CMD_REQUEST) << 16) | block), QStringLiteral("result 5"));
    char description[16] = {};
    SonelGet(block, description, 16);
    EXPECT_STREQ(description, "0.5 s");
    EXPECT_EQ(Raw(standin, 4, (uint32_t(CMD_XMIT) << 16) | block), QStringLiteral("result 1"));
    int16_t sample = 0;
    SonelGet(block, &sample, 2);
    EXPECT_EQ(sample, -2);
    SonelFree(block);
    EXPECT_EQ(Raw(standin, 3, uint32_t(CMD_REPEATPLAY) << 16), QStringLiteral("result 0"));
    for (const char* text : {"a=b=c", "no sign"}) {
        const uint16_t atom = window.Atoms().AddAtom(QString::fromLatin1(text));
        Raw(standin, from, (uint32_t(CMD_SETHEADERITEM) << 16) | atom);
        window.Atoms().DeleteAtom(atom);  // the sender deletes it
    }
    const QString reply = Raw(standin, from, uint32_t(CMD_FILEINFO) << 16);
    const uint32_t answer = reply.mid(7).toUInt();
    ASSERT_NE(answer, 0u);
    tfileinfo record{};
    ASSERT_EQ(SonelGet(answer, &record, sizeof record), 1);
    EXPECT_EQ(record.size, 544);
    EXPECT_EQ(record.channo, 3);
    SonelFree(answer);  // the requester frees the reply
    EXPECT_EQ(events, (QStringList{QStringLiteral("request 1"), QStringLiteral("link 020a%1 5").arg(block, 4, 16, QLatin1Char('0')),
                                   QStringLiteral("xmit 4"), QStringLiteral("link 020b%1 1").arg(block, 4, 16, QLatin1Char('0')),
                                   QStringLiteral("repeat 3"), QStringLiteral("link 03000000 0"),
                                   QStringLiteral("item [a] [b=c]"), events.value(7),
                                   QStringLiteral("item [no sign] []"), events.value(9),
                                   QStringLiteral("fileinfo"), QStringLiteral("link 020c0000 %1").arg(answer)}));
}

TEST_F(LinkBus, ForgedHandlesMissingBlocksAndOversizedAtomsChangeNothing)
{
    TStandinProcess standin({});
    ASSERT_NE(standin.Window(), 0u);
    sync->LinkfromSonel1Click();
    view.frame = 1000;
    int handled = 0;
    link->OnLink = [&](TSonellink&, tsnlmsg&) { ++handled; };
    int items = 0;
    link->OnSetHeaderItem = [&](TSonellink&, const QString&, const QString&) { ++items; };

    const uint32_t block = SonelAlloc(sizeof(LinkTimes));
    const LinkTimes times{0.0, 1.0, -1.5};
    SonelPut(block, &times, sizeof times);
    const uint32_t gone = SonelAlloc(8);
    SonelFree(gone);
    const std::string longText(300, 'x');
    const uint16_t bigAtom = window.Atoms().Segments().Create(longText.data(), longText.size());
    ASSERT_NE(bigAtom, 0);

    EXPECT_EQ(Raw(standin, 0x12345678, (uint32_t(CMD_CURSOR) << 16) | block), QStringLiteral("result 0"));
    EXPECT_EQ(Raw(standin, standin.Window(), (uint32_t(CMD_CURSOR) << 16) | gone), QStringLiteral("result 0"));
    EXPECT_EQ(Raw(standin, standin.Window(), (uint32_t(CMD_SETHEADERITEM) << 16) | bigAtom), QStringLiteral("result 0"));
    EXPECT_EQ(view.frame, 1000);
    EXPECT_EQ(view.stops, 0);
    EXPECT_EQ(handled, 0);
    EXPECT_EQ(items, 0);
    EXPECT_FALSE(link->IsLinked());
    EXPECT_EQ(link->CursorTime(), 0);

    // The genuine message: h = 0 (no file), 2048 - (0 + 1.5) * 1000 = 548.
    EXPECT_EQ(Raw(standin, standin.Window(), (uint32_t(CMD_CURSOR) << 16) | block), QStringLiteral("result 0"));
    EXPECT_EQ(view.frame, 548);
    EXPECT_EQ(handled, 1);
    EXPECT_TRUE(link->IsLinked());
    SonelFree(block);
    window.Atoms().DeleteAtom(bigAtom);
}

TEST(SonellinkSettings, ChunksizeIsClamped)
{
    TApplicationWindow window;  // not connected: the component works without a bus
    TSonellink link(window);
    EXPECT_EQ(link.chunksize(), 16384);
    link.SetChunksize(-5);
    EXPECT_EQ(link.chunksize(), 0);
    link.SetChunksize(20000);
    EXPECT_EQ(link.chunksize(), 16384);
    EXPECT_TRUE(link.enabled());
    EXPECT_EQ(link.SampleFileName(), QString());
}

}  // namespace
