// The version check over HTTP against a server on the loopback address started here: the
// answers the user sees for each kind of reply, and an event loop that keeps running meanwhile.
#include "services/SettingsContext.h"
#include "services/net/VersionDownload.h"
#include "services/cProgId.h"
#include "services/chlpmenu.h"
#include "support/RecordingDesktop.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QHash>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Serves fixed replies by path; a path without a reply is accepted and never answered.
class TLoopbackServer : public QObject {
public:
    TLoopbackServer()
    {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                auto* request = new QByteArray;
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
                    *request += socket->readAll();
                    const qsizetype end = request->indexOf("\r\n\r\n");
                    if (end < 0)
                        return;
                    const QByteArray path = request->split(' ').value(1);
                    ++hits[QString::fromLatin1(path)];
                    if (replies.contains(path)) {
                        socket->write(replies.value(path));
                        socket->disconnectFromHost();
                    }
                    request->clear();
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, [socket, request] {
                    delete request;
                    socket->deleteLater();
                });
            }
        });
    }
    QString Url(const char* path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(QString::fromLatin1(path));
    }
    static QByteArray Reply(const char* status, const QByteArray& body, bool withLength = true,
                            const QByteArray& extra = {})
    {
        QByteArray reply = QByteArray("HTTP/1.1 ") + status + "\r\nConnection: close\r\n" + extra;
        if (withLength)
            reply += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
        return reply + "\r\n" + body;
    }

    QTcpServer server_;
    QHash<QByteArray, QByteArray> replies;
    QHash<QString, int> hits;
};

struct TNetFixture {
    TNetFixture()
        : context(TRegistryFolders{scratch.Path("user"), scratch.Path("machine"), scratch.Path("classes")},
                  TSystemFolders{}),
          progId(TremaxProgId())
    {
        const QByteArray newer = "3.1\r\nhttps://example.org/tremax-3.1\r\n-\r\nFaster spectra.";
        server.replies.insert("/new", TLoopbackServer::Reply("200 OK", newer));
        server.replies.insert("/same", TLoopbackServer::Reply("200 OK", "  3.0.0.3\t\nhttps://x\n"));
        server.replies.insert("/missing", TLoopbackServer::Reply("404 Not Found", "3.1\nhttps://x\n"));
        server.replies.insert("/empty", TLoopbackServer::Reply("200 OK", ""));
        const QByteArray big = "3.1\nhttps://x\n-\n" + QByteArray(70 * 1024, 'a');
        server.replies.insert("/big", TLoopbackServer::Reply("200 OK", big));
        server.replies.insert("/big-unsized", TLoopbackServer::Reply("200 OK", big, false));
        server.replies.insert("/moved", TLoopbackServer::Reply("302 Found", "", true,
                                                               "Location: " + server.Url("/new").toLatin1() + "\r\n"));
        server.replies.insert("/loop", TLoopbackServer::Reply("302 Found", "", true,
                                                              "Location: " + server.Url("/loop").toLatin1() + "\r\n"));
        // Every check counts as the first of the day: automatic ones run too.
        TRegistry(context.Registry(), TRegistryRoot::currentUser)
            .WriteInteger(QStringLiteral("\\Software\\VarnikData\\Tremax"), QStringLiteral("LastNewVersionCheckDate"), 1);
    }

    // Runs one check against `path` and waits for its end while counting timer ticks.
    void Check(const char* path, bool manual)
    {
        THelpMenu menu(context, desktop, QStringLiteral("/nowhere/tremax"));
        menu.ProgId = &progId;
        menu.NewVersionURL = server.Url(path);
        auto source = std::make_unique<TNetworkVersionSource>();
        source->SetTimeoutMs(400);
        menu.VersionSource = std::move(source);
        menu.IsOnline = [] { return true; };
        ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [this] { ++ticks; });
        ticker.start(10);
        QElapsedTimer clock;
        clock.start();
        menu.CheckVersion(manual, !manual);
        returnedAfterMs = clock.elapsed();
        while (menu.Checking() && clock.elapsed() < 10000)
            QTest::qWait(10);
        finished = !menu.Checking();
    }

    TScratch scratch;
    TSettingsContext context;
    TProgId progId;
    TRecordingDesktop desktop;
    TLoopbackServer server;
    int ticks = 0;
    qint64 returnedAfterMs = 0;
    bool finished = false;
};

const QString kCannotConnect = QStringLiteral("Cannot connect to the update server.\nCheck your Internet connection.");

}  // namespace

TEST(VersionDownload, ANewVersionIsAnnouncedFromTheServersFile)
{
    TNetFixture f;
    ASSERT_TRUE(f.server.server_.isListening());
    for (const char* path : {"/new", "/moved"}) {
        f.desktop.boxes.clear();
        f.Check(path, false);
        ASSERT_TRUE(f.finished) << path;
        ASSERT_EQ(f.desktop.boxes.size(), 1) << path;
        EXPECT_EQ(f.desktop.boxes[0].Text, QStringLiteral("Faster spectra."));
        EXPECT_EQ(f.desktop.boxes[0].Caption, QStringLiteral("New version available (current version is 3.0.0.3)"));
        EXPECT_TRUE(f.desktop.boxes[0].Question);
    }
    EXPECT_EQ(f.server.hits.value(QStringLiteral("/new")), 2);
}

TEST(VersionDownload, TheSameVersionIsReportedOnlyWhenAsked)
{
    TNetFixture f;
    f.Check("/same", false);
    EXPECT_TRUE(f.finished);
    EXPECT_TRUE(f.desktop.boxes.isEmpty());
    f.Check("/same", true);
    ASSERT_EQ(f.desktop.boxes.size(), 1);
    EXPECT_EQ(f.desktop.boxes[0].Caption, QStringLiteral("No new version"));
}

TEST(VersionDownload, EveryFailureIsCannotConnectForAManualCheckOnly)
{
    TNetFixture f;
    for (const char* path : {"/silent", "/missing", "/big", "/big-unsized", "/empty", "/loop"}) {
        f.desktop.boxes.clear();
        f.Check(path, false);
        ASSERT_TRUE(f.finished) << path;
        EXPECT_TRUE(f.desktop.boxes.isEmpty()) << path;
        f.Check(path, true);
        ASSERT_TRUE(f.finished) << path;
        // The check returns at once and the event loop runs while it waits.
        EXPECT_LT(f.returnedAfterMs, 200) << path;
        ASSERT_EQ(f.desktop.boxes.size(), 1) << path;
        EXPECT_EQ(f.desktop.boxes[0].Text, kCannotConnect) << path;
        EXPECT_EQ(f.desktop.boxes[0].Caption, QStringLiteral("New version check")) << path;
        // The silent server is given up after its 0.4 s, timers firing all the while.
        if (QByteArray(path) == "/silent") {
            EXPECT_GE(f.ticks, 3);
        }
    }
    EXPECT_LE(f.server.hits.value(QStringLiteral("/loop")), 2 * (1 + TNetworkVersionSource::kMaxRedirects));
}
