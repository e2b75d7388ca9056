#include "sound/praat/PraatPlugin.h"

#include "platform/Errors.h"
#include "sound/praat/PraatLink.h"
#include "PraatPluginFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {

const QByteArray kStamp = "# Written by Tremax, checksum ";

QByteArray Stamped(const QByteArray& body)
{
    return body + kStamp + QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex() + '\n';
}

// Whether `text` is a file as we wrote it: its last line is the checksum of the rest.
bool IsOurs(const QByteArray& text)
{
    const qsizetype at = text.lastIndexOf(kStamp);
    if (at < 0 || (at > 0 && text[at - 1] != '\n'))
        return false;
    return Stamped(text.left(at)) == text;
}

}  // namespace

QString ShellQuoted(const QString& text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

std::vector<TPraatPluginFile> PraatPluginFiles(const QString& tremaxProgram)
{
    QString show = QString::fromUtf8(kPraatShowInTremax);
    // Inside a Praat string literal: quotes doubled.
    show.replace(QStringLiteral("{{TREMAX}}"), PraatQuoted(ShellQuoted(tremaxProgram)));
    return {{QStringLiteral("setup.praat"), Stamped(QByteArray(kPraatSetup))},
            {QStringLiteral("show_in_tremax.praat"), Stamped(show.toUtf8())}};
}

TPluginInstall InstallPraatPlugin(const QString& folder, const QString& tremaxProgram, bool replaceChanged)
{
    const std::vector<TPraatPluginFile> files = PraatPluginFiles(tremaxProgram);
    bool same = true;
    bool changed = false;
    for (const TPraatPluginFile& file : files) {
        QFile existing(QDir(folder).filePath(file.Name));
        if (!existing.exists()) {
            same = false;
            continue;
        }
        if (!existing.open(QIODevice::ReadOnly))
            throw EError(QStringLiteral("Cannot read %1: %2").arg(existing.fileName(), existing.errorString()));
        const QByteArray text = existing.readAll();
        if (text != file.Text) {
            same = false;
            changed = changed || !IsOurs(text);
        }
    }
    if (same)
        return TPluginInstall::current;
    if (changed && !replaceChanged)
        return TPluginInstall::userChanged;
    if (!QDir().mkpath(folder))
        throw EError(QStringLiteral("Cannot create the folder %1").arg(folder));
    for (const TPraatPluginFile& file : files) {
        QSaveFile out(QDir(folder).filePath(file.Name));
        if (!out.open(QIODevice::WriteOnly) || out.write(file.Text) != file.Text.size() || !out.commit())
            throw EError(QStringLiteral("Cannot write %1: %2").arg(out.fileName(), out.errorString()));
    }
    return TPluginInstall::installed;
}
