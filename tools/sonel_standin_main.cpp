// A stand-in for the companion program Sonel, for tests and demonstrations: it owns a window of
// class SONEL32 on the session bus, has a sample file open, answers CMD_FILEINFO and
// CMD_SETHEADERITEM (storing the item in its file) and sends CMD_CURSOR and CMD_TIMES when told.
//
//   tremax-sonel-standin [--file PATH] [--channo N] [--class NAME] [--library PATH]
//
// It prints "ready <window in hex>" once on the bus, then reads commands from standard input,
// one a line, and reports on standard output:
//   cursor T                  broadcast CMD_CURSOR at T seconds          -> "sent cursor"
//   times FIRST DURATION      broadcast CMD_TIMES                        -> "sent times"
//   raw WINDOW WPARAM LPARAM  send a link message (hex numbers)          -> "result N"
//   file PATH | nofile        open another sample file / none            -> "file PATH|none"
//   item NAME                 an item of the open file, read afresh      -> "item NAME=VALUE"
//   quit                      (also at the end of the input)
// and, as they arrive: "cursor T", "times FIRST DURATION", "fileinfo", "header NAME=VALUE",
// "link LPARAM" (every handled link message).

#include "export/io/sSMP.h"
#include "link/Sonellink.h"
#include "platform/bus/ApplicationWindow.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>

#ifndef TREMAX_SONELLIB_PATH
#define TREMAX_SONELLIB_PATH "sonellib32.dll"
#endif

namespace {

void Say(const QString& line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

QString Number(double value) { return QString::number(value, 'g', 17); }

class TStandin {
public:
    TStandin(TApplicationWindow& window, int32_t channo) : window_(window), link_(window), channo_(channo)
    {
        link_.OnLinkCursor = [](TSonellink&, double caret) { Say(QStringLiteral("cursor ") + Number(caret)); };
        link_.OnLinkTimes = [](TSonellink&, double first, double duration) {
            Say(QStringLiteral("times %1 %2").arg(Number(first), Number(duration)));
        };
        link_.OnFileInfo = [this](TSonellink&, tfileinfo& record) {
            record.channo = channo_;
            const QByteArray path = QFile::encodeName(file_ ? file_->Filename() : QString());
            if (path.size() < tfileinfo::kTextSize)  // a path that does not fit is not sent cut
                std::memcpy(record.path, path.constData(), size_t(path.size()) + 1);
            Say(QStringLiteral("fileinfo"));
        };
        link_.OnSetHeaderItem = [this](TSonellink&, const QString& item, const QString& value) {
            if (file_) {
                file_->set_item(item, value);
                file_->save_file();
            }
            Say(QStringLiteral("header %1=%2").arg(item, value));
        };
        link_.OnLink = [](TSonellink&, tsnlmsg& msg) { Say(QStringLiteral("link %1").arg(msg.lParam, 8, 16, QLatin1Char('0'))); };
    }

    TSonellink& Link() { return link_; }

    void OpenFile(const QString& path)
    {
        file_.reset();
        if (path.isEmpty()) {
            Say(QStringLiteral("file none"));
            return;
        }
        auto file = std::make_unique<TSMPfile>();
        if (!file->open_file(path, false)) {
            Say(QStringLiteral("file none: ") + file->LastError());
            return;
        }
        file_ = std::move(file);
        Say(QStringLiteral("file ") + path);
    }

    void Command(const QString& line)
    {
        const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty())
            return;
        const QString& verb = words[0];
        if (verb == QLatin1String("cursor") && words.size() == 2) {
            link_.SendCursor(words[1].toDouble());
            Say(QStringLiteral("sent cursor"));
        } else if (verb == QLatin1String("times") && words.size() == 3) {
            SendTimes(words[1].toDouble(), words[2].toDouble());
            Say(QStringLiteral("sent times"));
        } else if (verb == QLatin1String("raw") && words.size() == 4) {
            const uint32_t result = window_.SendMessage(words[1].toUInt(nullptr, 16), link_.LinkMessage(),
                                                        words[2].toUInt(nullptr, 16), words[3].toUInt(nullptr, 16));
            Say(QStringLiteral("result %1").arg(result));
        } else if (verb == QLatin1String("file") && words.size() == 2) {
            OpenFile(words[1]);
        } else if (verb == QLatin1String("nofile")) {
            OpenFile(QString());
        } else if (verb == QLatin1String("item") && words.size() == 2) {
            TSMPfile fresh;
            QString value;
            if (file_ && fresh.open_file(file_->Filename(), true))
                value = fresh.get_item(words[1]);
            Say(QStringLiteral("item %1=%2").arg(words[1], value));
        } else if (verb == QLatin1String("quit")) {
            QCoreApplication::quit();
        } else {
            Say(QStringLiteral("unknown command: ") + line);
        }
    }

private:
    // CMD_TIMES the way the companion sends it: a block with the span, to every window.
    void SendTimes(double first, double duration)
    {
        const uint32_t block = SonelAlloc(sizeof(LinkTimes));
        if (block == 0)
            return;
        const LinkTimes record{first, duration, 0.0};
        SonelPut(block, &record, sizeof record);
        window_.SendMessage(TApplicationWindow::kBroadcast, link_.LinkMessage(), window_.Handle(),
                            (uint32_t(CMD_TIMES) << 16) | block);
        SonelFree(block);
    }

    TApplicationWindow& window_;
    TSonellink link_;
    int32_t channo_;
    std::unique_ptr<TSMPfile> file_;
};

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A stand-in for the companion program Sonel"));
    parser.addHelpOption();
    const QCommandLineOption fileOption(QStringLiteral("file"), QStringLiteral("The open sample file."), QStringLiteral("path"));
    const QCommandLineOption channoOption(QStringLiteral("channo"), QStringLiteral("Channel number in the file info."), QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption classOption(QStringLiteral("class"), QStringLiteral("Window class."), QStringLiteral("name"), QStringLiteral("SONEL32"));
    const QCommandLineOption libraryOption(QStringLiteral("library"), QStringLiteral("The companion library."), QStringLiteral("path"), QStringLiteral(TREMAX_SONELLIB_PATH));
    parser.addOptions({fileOption, channoOption, classOption, libraryOption});
    parser.process(app);

    TApplicationWindow window;
    if (!window.Connect(parser.value(classOption))) {
        std::fprintf(stderr, "tremax-sonel-standin: no session bus\n");
        return 1;
    }
    TStandin standin(window, parser.value(channoOption).toInt());
    standin.Link().SetDLLName(parser.value(libraryOption));
    if (!standin.Link().LibraryLoaded()) {
        std::fprintf(stderr, "tremax-sonel-standin: cannot load %s\n", qPrintable(parser.value(libraryOption)));
        return 1;
    }
    standin.Link().Loaded();
    standin.OpenFile(parser.value(fileOption));

    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[4096];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
            return;
        }
        pending.append(buffer, n);
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(end)).trimmed();
            pending.remove(0, end + 1);
            standin.Command(line);
        }
    });
    Say(QStringLiteral("ready %1").arg(window.Handle(), 8, 16, QLatin1Char('0')));
    return app.exec();
}
