#include "services/net/VersionDownload.h"

#include <QNetworkAccessManager>
#include <QNetworkInformation>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <memory>

TNetworkVersionSource::TNetworkVersionSource(QObject* parent)
    : QObject(parent), manager_(new QNetworkAccessManager(this))
{
}

TNetworkVersionSource::~TNetworkVersionSource()
{
    for (QNetworkReply* reply : std::as_const(pending_)) {
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void TNetworkVersionSource::Fetch(const QString& url, std::function<void(std::optional<QByteArray>)> done)
{
    const QUrl address(url);
    const QString scheme = address.scheme().toLower();
    if (!address.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        // Answered through the event loop like every other outcome.
        QTimer::singleShot(0, this, [done] { done(std::nullopt); });
        return;
    }
    QNetworkRequest request(address);
    request.setTransferTimeout(timeoutMs_);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = manager_->get(request);
    pending_.insert(reply);
    // The transfer timeout counts silence only: a server sending a byte now and then is cut off
    // here.
    QTimer::singleShot(2 * timeoutMs_, reply, [reply] { reply->abort(); });
    auto tooLarge = std::make_shared<bool>(false);
    const qint64 limit = maxBytes_;
    const auto checkSize = [reply, tooLarge, limit] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (reply->bytesAvailable() > limit || (length.isValid() && length.toLongLong() > limit)) {
            *tooLarge = true;
            reply->abort();
        }
    };
    connect(reply, &QNetworkReply::metaDataChanged, this, checkSize);
    connect(reply, &QNetworkReply::readyRead, this, checkSize);
    connect(reply, &QNetworkReply::finished, this, [this, reply, tooLarge, limit, done] {
        pending_.remove(reply);
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (*tooLarge || reply->error() != QNetworkReply::NoError || status < 200 || status > 299) {
            done(std::nullopt);
            return;
        }
        const QByteArray bytes = reply->read(limit + 1);
        if (bytes.size() > limit)
            done(std::nullopt);
        else
            done(bytes);
    });
}

bool TWebDetect::IsOnline()
{
    if (!QNetworkInformation::instance()
        && !QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        return false;
    const QNetworkInformation* information = QNetworkInformation::instance();
    if (!information || !information->supports(QNetworkInformation::Feature::Reachability))
        return false;
    const auto reachability = information->reachability();
    return reachability == QNetworkInformation::Reachability::Online
           || reachability == QNetworkInformation::Reachability::Unknown;
}
