#include "services/VersionFile.h"

namespace {

bool IsBreak(QChar c) { return c == QLatin1Char('\r') || c == QLatin1Char('\n'); }

}  // namespace

std::optional<TVersionFile> ParseVersionFile(const QByteArray& bytes)
{
    const QString text = QString::fromUtf8(bytes);
    qsizetype i = 0;
    const qsizetype n = text.size();
    const auto skipBreaks = [&] {
        while (i < n && IsBreak(text[i]))
            ++i;
    };
    const auto nextLine = [&] {
        skipBreaks();
        const qsizetype begin = i;
        while (i < n && !IsBreak(text[i]))
            ++i;
        return text.mid(begin, i - begin);
    };
    TVersionFile file;
    file.Version = nextLine();
    file.DownloadAddress = nextLine().trimmed();
    nextLine();
    skipBreaks();
    QString announcement = text.mid(i);
    announcement.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    announcement.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    while (announcement.endsWith(QLatin1Char('\n')))
        announcement.chop(1);
    file.Announcement = announcement;
    if (file.Version.trimmed().isEmpty() || file.DownloadAddress.isEmpty())
        return std::nullopt;
    return file;
}

bool IsOtherVersion(const QString& fileVersion, const QString& runningVersion)
{
    return fileVersion.trimmed() != runningVersion.trimmed();
}

int32_t DayNumber(const QDate& date) { return int32_t(QDate(1899, 12, 30).daysTo(date)); }
