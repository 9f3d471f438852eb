#pragma once

#include <QByteArray>
#include <QObject>
#include <QNetworkReply>
#include <QPointer>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;

class QTimer;

namespace dq {

// Fetches one directory page at a time and hands back its text, decoded by its declared charset.
//
// Two ways to ask, as a key file chooses: HttpGet requests the address lower-cased (and reports
// it back lower-cased without its scheme, which the next-page rules build on), with the agent
// "Mozilla/4.0" and a browser's Accept header; UrlOpen requests the address exactly as given.
// Both follow up to 10 redirects (never from HTTPS down to HTTP), verify certificates, honour an
// explicit port, give up after a timeout and refuse pages over a size cap. Every failure comes
// back as a result with a message naming the address and the reason; nothing is shown here.
class PageFetcher : public QObject
{
    Q_OBJECT

public:
    enum class Mode { HttpGet, UrlOpen };

    struct Result
    {
        bool ok = false;
        QString text; // the decoded page; empty on failure
        QString address; // the address as the caller should keep it (see Mode)
        QString scheme; // "http" or "https": how the page was requested
        QString errorString; // failure message followed by the reason in words
        int status = 0; // HTTP status of the last answer, 0 when none came
        qint64 bytes = 0; // body bytes received
        QByteArray retryAfter; // the answer's Retry-After header, when it had one
        bool dropped = false; // the connection closed before the page was complete
    };

    static constexpr int kDefaultTimeoutMs = 60000;
    static constexpr qint64 kDefaultMaxBytes = 20 * 1024 * 1024;
    static constexpr int kMaxRedirects = 10;
    static constexpr qint64 kReadChunk = 256 * 1024;

    // Uses manager when given (not owned), else a manager of its own.
    explicit PageFetcher(QNetworkAccessManager *manager = nullptr, QObject *parent = nullptr);
    ~PageFetcher() override;

    void setTimeout(int ms) { m_timeoutMs = ms; }
    int timeout() const { return m_timeoutMs; }
    void setMaxBytes(qint64 bytes) { m_maxBytes = bytes; }
    qint64 maxBytes() const { return m_maxBytes; }

    // The identity sent with every request; empty values keep "Mozilla/4.0" and no language.
    void setUserAgent(const QByteArray &agent) { m_userAgent = agent; }
    void setAcceptLanguage(const QByteArray &languages) { m_acceptLanguage = languages; }
    QNetworkAccessManager *manager() const { return m_manager; }

    bool isBusy() const { return m_reply != nullptr; }
    // Starts a fetch; finished() follows exactly once, never from inside this call.
    void fetch(const QString &address, Mode mode);
    // The HTTP GET fetch: address is rewritten at once to what the caller keeps (lower case,
    // no scheme), the page follows in finished().
    void HttpGetPage(QString &address);
    // Ends a running fetch; finished() reports it as cancelled.
    void abort();

    // The request an address makes in a mode; an invalid QUrl when the address cannot be asked.
    static QUrl requestUrl(const QString &address, Mode mode, QString *keptAddress = nullptr);
    // Body bytes to text: the Content-Type charset, else the page's meta charset, else UTF-8
    // when the bytes are valid UTF-8, else Windows-1252.
    static QString decode(const QByteArray &body, const QByteArray &contentType);
    static QString fromWindows1252(const QByteArray &bytes);

signals:
    void received(qint64 bytes);
    void finished(const dq::PageFetcher::Result &result);

private:
    void onReadyRead();
    // Takes what the reply holds into the body; false (and the fetch aborted) past the cap.
    bool readBounded(QNetworkReply *reply);
    void onFinished();
    void fail(const QString &message);

    QNetworkAccessManager *m_manager;
    QPointer<QNetworkReply> m_reply;
    QTimer *m_timer;
    QByteArray m_body;
    Result m_pending;
    int m_timeoutMs = kDefaultTimeoutMs;
    qint64 m_maxBytes = kDefaultMaxBytes;
    QByteArray m_userAgent;
    QByteArray m_acceptLanguage;
    bool m_timedOut = false;
    bool m_tooBig = false;
};

} // namespace dq

Q_DECLARE_METATYPE(dq::PageFetcher::Result)
