#include "services/sabout.h"

#include "platform/Conversions.h"
#include "services/cProgId.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <numbers>

TAbout::TAbout() = default;

double TAbout::VersionNumber() const
{
    double value = 0;
    return TryStrToFloat(version_, value, QLatin1Char('.')) ? value : 0;
}

void TAbout::EggClicked() const
{
    if (OnEggClick)
        OnEggClick();
}

void TAbout::PictureDoubleClicked() const
{
    if (pictureHook_)
        pictureHook_();
}

void TAbout::Loaded()
{
    if (version_ == QLatin1String("auto"))
        version_ = TProgId::kAutoVersionText;
    if (revision_ == QLatin1String("auto"))
        revision_.clear();
}

QString TAbout::VersionLine() const
{
    return QStringLiteral("Version ") + version_ + revision_ + QStringLiteral(" for ") + osVersions_;
}

QString TAbout::CompileLine(const QLocale& locale) const
{
    return QStringLiteral("Compiled ") + locale.toString(BuildDate(), QLocale::ShortFormat);
}

QString TCorvelAbout::CorvelLine() const
{
    return showACorvel_ ? QStringLiteral("A Corvel application") : QString();
}

QImage TCorvelAbout::Picture() const
{
    const QImage picture = FamilyPicture();
    return bmp256_ ? picture.convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither) : picture;
}

void SetUpTremaxAbout(TCorvelAbout& about)
{
    about.SetTitle(QStringLiteral("Tremax"));
    about.SetVersion(QStringLiteral("3.0.0.3"));
    about.SetCopyright(TremaxCopyright());
    about.SetExtra(QString());
    about.SetShowACorvel(false);
    about.SetShowCompileDate(true);
    about.SetRevision(QString());
    about.SetBMP256(true);
    // The platform it was built for, which the version line names.
    about.SetOSVersions(QStringLiteral("Linux"));
}

QDate BuildDate()
{
    // __DATE__ is "Mmm dd yyyy", the day padded with a blank.
    const QString text = QString::fromLatin1(__DATE__).simplified();
    const QDate date = QLocale::c().toDate(text, QStringLiteral("MMM d yyyy"));
    return date.isValid() ? date : QDate(2000, 1, 1);
}

QString PhysicalMemoryLine(int64_t bytes, QChar decimalSeparator)
{
    if (bytes <= 0)
        return QStringLiteral("Physical memory: unknown");
    // Tenths of a MiB, halves up, in integers: a MiB is 2^20 bytes.
    const int64_t tenths = (bytes * 10 + (int64_t(1) << 19)) >> 20;
    QString number = tenths >= 10 ? QString::number(tenths / 10) : QString();
    if (tenths % 10 != 0)
        number += decimalSeparator + QString::number(tenths % 10);
    if (number.isEmpty())
        number = QStringLiteral("0");
    return QStringLiteral("Physical memory: ") + number + QStringLiteral(" MiB");
}

QImage FamilyPicture()
{
    // A plate ringing in its first modes above the family's name.
    constexpr int kWidth = 153;
    constexpr int kHeight = 225;
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, kHeight);
    sky.setColorAt(0, QColor(11, 29, 58));
    sky.setColorAt(1, QColor(18, 80, 94));
    painter.fillRect(image.rect(), sky);

    const QPointF centre(kWidth / 2.0, 82);
    for (int ring = 6; ring >= 1; --ring) {
        QRadialGradient glow(centre, 12.0 * ring);
        glow.setColorAt(0, QColor(255, 214, 120, 10 * ring));
        glow.setColorAt(1, QColor(255, 214, 120, 0));
        painter.setPen(QPen(QColor(255, 214, 120, 26 + 12 * (6 - ring)), 1));
        painter.setBrush(glow);
        painter.drawEllipse(centre, 12.0 * ring, 9.0 * ring);
    }

    // Standing waves of the first four modes, each drawn at both extremes of its swing.
    const QColor modeColours[] = {QColor(120, 220, 255), QColor(150, 255, 190), QColor(255, 170, 120),
                                  QColor(230, 140, 255)};
    const double left = 12, right = kWidth - 12;
    for (int mode = 1; mode <= 4; ++mode) {
        const double baseline = 140 + 9.0 * mode;
        const double amplitude = 16.0 / mode;
        for (int side : {1, -1}) {
            QPainterPath wave;
            for (int i = 0; i <= 64; ++i) {
                const double x = left + (right - left) * i / 64.0;
                const double y = baseline - side * amplitude * std::sin(mode * std::numbers::pi * i / 64.0);
                if (i == 0)
                    wave.moveTo(x, y);
                else
                    wave.lineTo(x, y);
            }
            QColor colour = modeColours[mode - 1];
            colour.setAlpha(side > 0 ? 220 : 110);
            painter.setPen(QPen(colour, 1.4));
            painter.setBrush(Qt::NoBrush);
            painter.drawPath(wave);
        }
    }

    painter.setPen(QPen(QColor(255, 255, 255, 90), 1));
    painter.drawLine(QPointF(20, 190.5), QPointF(kWidth - 20, 190.5));
    QFont font;
    font.setPixelSize(22);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(245, 240, 225));
    painter.drawText(QRect(0, 192, kWidth, 30), Qt::AlignCenter, QStringLiteral("Corvel"));
    painter.end();
    return image;
}

QImage ProgramIconPicture()
{
    // A kymogram's stripes: one row of the image followed through time.
    constexpr int kWidth = 41;
    constexpr int kHeight = 37;
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(40, 40, 40), 1));
    painter.setBrush(QColor(20, 24, 30));
    painter.drawRoundedRect(QRectF(1.5, 1.5, kWidth - 3, kHeight - 3), 5, 5);
    for (int x = 4; x < kWidth - 4; ++x) {
        const double swing = 7 * std::sin(x * 2 * std::numbers::pi / 12.0);
        const double top = kHeight / 2.0 - 4 - std::abs(swing);
        const double bottom = kHeight / 2.0 + 4 + std::abs(swing);
        painter.setPen(QPen(QColor(230, 200, 150), 1));
        painter.drawLine(QPointF(x + 0.5, 5), QPointF(x + 0.5, top));
        painter.drawLine(QPointF(x + 0.5, bottom), QPointF(x + 0.5, kHeight - 5));
    }
    painter.end();
    return image;
}
