#pragma once
// The version file over HTTP (Qt Network), and whether the computer is online.
//
// TNetworkVersionSource: one GET per Fetch, answered through the event loop. Qt sets no
// transfer timeout of its own, so one is set here; redirects are followed a few times, never
// from https to http; a body over the size limit, an HTTP error status or no answer in time
// gives nothing. Only http and https addresses are fetched. User-interface thread; destroying
// the source aborts what is under way without calling back.
//
// TWebDetect: the desktop's reachability (QNetworkInformation). Without a backend that reports
// reachability the computer counts as offline, so automatic checks are skipped; a backend that
// does not know the state counts as online.

#include "services/chlpmenu.h"

#include <QObject>
#include <QSet>

class QNetworkAccessManager;
class QNetworkReply;

class TNetworkVersionSource : public QObject, public TVersionSource {
    Q_OBJECT
public:
    static constexpr int kTimeoutMs = 15000;
    static constexpr qint64 kMaxBytes = 64 * 1024;
    static constexpr int kMaxRedirects = 5;

    explicit TNetworkVersionSource(QObject* parent = nullptr);
    ~TNetworkVersionSource() override;

    void Fetch(const QString& url, std::function<void(std::optional<QByteArray>)> done) override;

    void SetTimeoutMs(int ms) { timeoutMs_ = ms; }
    void SetMaxBytes(qint64 bytes) { maxBytes_ = bytes; }

private:
    QNetworkAccessManager* manager_;
    QSet<QNetworkReply*> pending_;
    int timeoutMs_ = kTimeoutMs;
    qint64 maxBytes_ = kMaxBytes;
};

class TWebDetect {
public:
    static bool IsOnline();
};
