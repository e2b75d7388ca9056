#include "viewer/io/BldFrameSource.h"
#include "viewer/io/FrameSource.h"

#include "platform/FileNames.h"

#include <QFileInfo>

TFrameSourceFactory::TFrameSourceFactory()
{
    Register({QStringLiteral("bld")}, QStringLiteral("High-speed image sequences"),
             [](const QString& path) { return std::make_unique<TBldFrameSource>(path); });
}

void TFrameSourceFactory::Register(const QStringList& extensions, const QString& filterName, Creator creator,
                                   Sniffer sniffer)
{
    kinds_.push_back({extensions, filterName, std::move(creator), std::move(sniffer)});
}

std::unique_ptr<TFrameSource> TFrameSourceFactory::Create(const QString& path) const
{
    const QString extension = QFileInfo(path).suffix().toLower();
    const Kind* byName = &kinds_.front();  // raw frames unless a format claims the extension
    for (const Kind& kind : kinds_)
        if (kind.extensions.contains(extension)) {
            byName = &kind;
            break;
        }
    // A file whose content is recognisably another format's is read as that format; raw
    // frames have no signature, so a ".bld" is always raw.
    if (extension != QLatin1String("bld")) {
        const QByteArray leading = ReadLeadingBytes(path, 64);
        if (!leading.isEmpty() && !(byName->sniffer && byName->sniffer(leading)))
            for (const Kind& kind : kinds_)
                if (&kind != byName && kind.sniffer && kind.sniffer(leading))
                    return kind.creator(path);
    }
    return byName->creator(path);
}

QStringList TFrameSourceFactory::Filters() const
{
    QStringList filters;
    for (const Kind& kind : kinds_) {
        QStringList patterns;
        for (const QString& extension : kind.extensions)
            patterns << QStringLiteral("*.") + extension;
        filters << QStringLiteral("%1 (%2)").arg(kind.filterName, patterns.join(QLatin1Char(' ')));
    }
    return filters;
}
