// tremax-screenshot SEQUENCE.bld OUT.png: starts the program's windows on a sequence under the
// offscreen platform, picks a point on a fold edge, colorizes at the fundamental, and saves one
// picture of the main window with the kymogram, spectra and waveform beside it.
#include "analysis/stremax10.h"
#include "analysis/stremax4.h"
#include "analysis/stremax5.h"
#include "analysis/stremax7.h"
#include "app/Startup.h"
#include "viewer/stremax1.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <cstdio>

namespace {

// A window's picture with its caption above it, as a desktop would show it.
QImage Framed(QWidget& window)
{
    const QPixmap content = window.grab();
    QImage framed(content.width() + 2, content.height() + 24, QImage::Format_RGB32);
    framed.fill(QColor(60, 64, 72));
    QPainter painter(&framed);
    painter.setPen(Qt::white);
    painter.drawText(QRect(8, 0, framed.width() - 16, 24), Qt::AlignVCenter, window.windowTitle());
    painter.drawPixmap(1, 23, content);
    return framed;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: tremax-screenshot SEQUENCE.bld OUT.png\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const auto windows = CreateTremaxWindows(QString::fromLocal8Bit(argv[1]));
    TForm1& main = *windows->main;
    main.resize(560, 420);
    windows->kymogram->resize(420, 200);
    windows->pointSpectrum->resize(420, 200);
    windows->waveform->resize(420, 200);
    windows->rowSpectrum->resize(420, 200);
    main.show();
    main.FirstActivation();
    windows->rowSpectrum->show();
    main.SetCurrentFrame(6);
    main.SetSelectedPoint(118, 60);
    main.SetSelectedRow(60);
    main.SetSelectedFrequency(250);
    main.Colorize(true);
    QApplication::processEvents();

    const QImage parts[] = {Framed(main), Framed(*windows->kymogram), Framed(*windows->pointSpectrum),
                            Framed(*windows->waveform), Framed(*windows->rowSpectrum)};
    const int right = parts[0].width() + 8;
    QImage picture(right + parts[1].width(), std::max(parts[0].height() + parts[4].height() + 8,
                                                      parts[1].height() + parts[2].height() + parts[3].height() + 16),
                   QImage::Format_RGB32);
    picture.fill(QColor(40, 44, 52));
    QPainter painter(&picture);
    painter.drawImage(0, 0, parts[0]);
    painter.drawImage(0, parts[0].height() + 8, parts[4]);
    int y = 0;
    for (int i = 1; i <= 3; ++i) {
        painter.drawImage(right, y, parts[i]);
        y += parts[i].height() + 8;
    }
    painter.end();
    if (!picture.save(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "tremax-screenshot: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
