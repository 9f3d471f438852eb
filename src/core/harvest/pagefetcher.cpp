#include "core/harvest/pagefetcher.h"

#include "core/harvest/webaddress.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QSslError>
#include <QStringDecoder>
#include <QTimer>

namespace dq {

namespace {

const QByteArray kAccept = QByteArrayLiteral("image/gif,image/x-xbitmap,image/jpeg,image/pjpeg,*/*");

QByteArray charsetIn(const QByteArray &text)
{
    const QByteArray lower = text.toLower();
    const qsizetype i = lower.indexOf("charset");
    if (i < 0)
        return {};
    qsizetype p = i + 7;
    while (p < lower.size() && (lower[p] == ' ' || lower[p] == '='))
        ++p;
    while (p < lower.size() && (lower[p] == '"' || lower[p] == '\''))
        ++p;
    const qsizetype start = p;
    while (p < lower.size()
        && (QChar::isLetterOrNumber(uchar(lower[p])) || lower[p] == '-' || lower[p] == '_' || lower[p] == '.'
            || lower[p] == ':'))
        ++p;
    return lower.mid(start, p - start);
}

// The charset a page declares in a meta tag within its first few kilobytes.
QByteArray metaCharset(const QByteArray &body)
{
    const QByteArray head = body.left(8192).toLower();
    qsizetype from = 0;
    while (true) {
        const qsizetype m = head.indexOf("<meta", from);
        if (m < 0)
            return {};
        const qsizetype e = head.indexOf('>', m);
        const QByteArray tag = head.mid(m, e < 0 ? -1 : e - m);
        const QByteArray cs = charsetIn(tag);
        if (!cs.isEmpty())
            return cs;
        if (e < 0)
            return {};
        from = e;
    }
}

// The network stack's reason, completed where it leaves the reason out.
QString reasonInWords(const QNetworkReply *reply)
{
    QString reason = reply->errorString().trimmed();
    if (reason.endsWith(u':')) {
        const QByteArray encoding = reply->rawHeader(QByteArrayLiteral("Content-Encoding"));
        reason += QStringLiteral(" the body does not unpack as its declared encoding ")
            + (encoding.isEmpty() ? QStringLiteral("(none)") : QString::fromLatin1(encoding));
    }
    return reason;
}

QString hostPort(const QUrl &url)
{
    const int defaultPort = url.scheme() == QLatin1String("https") ? 443 : 80;
    return url.host() + QLatin1Char(':') + QString::number(url.port(defaultPort));
}

} // namespace

PageFetcher::PageFetcher(QNetworkAccessManager *manager, QObject *parent)
    : QObject(parent)
    , m_manager(manager ? manager : new QNetworkAccessManager(this))
    , m_timer(new QTimer(this))
{
    qRegisterMetaType<dq::PageFetcher::Result>();
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] {
        if (m_reply) {
            m_timedOut = true;
            m_reply->abort();
        }
    });
}

PageFetcher::~PageFetcher()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

QUrl PageFetcher::requestUrl(const QString &address, Mode mode, QString *keptAddress)
{
    QString text = address.trimmed();
    // Decided by the scheme the address starts with, never by "http://" found somewhere in it.
    const QString scheme = addressScheme(text);
    if (!scheme.isEmpty() && !isWebScheme(scheme)) {
        if (keptAddress)
            *keptAddress = address;
        return {};
    }
    if (mode == Mode::UrlOpen) {
        if (keptAddress)
            *keptAddress = address;
        if (scheme.isEmpty())
            text = QStringLiteral("http://") + text;
        const QUrl url(text, QUrl::TolerantMode);
        return url.isValid() && !url.host().isEmpty() && isWebScheme(url.scheme()) ? url : QUrl();
    }
    text = text.toLower();
    const bool secure = scheme == QLatin1String("https");
    const qsizetype slashes = text.indexOf(QLatin1String("//"));
    const QString rest = slashes < 0 ? text : text.mid(slashes + 2);
    if (keptAddress)
        *keptAddress = rest;
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    const QString host = slash < 0 ? rest : rest.left(slash);
    const QString path = slash < 0 ? QStringLiteral("/") : rest.mid(slash);
    const QUrl url((secure ? QStringLiteral("https://") : QStringLiteral("http://")) + host + path, QUrl::TolerantMode);
    return url.isValid() && !url.host().isEmpty() ? url : QUrl();
}

QString PageFetcher::fromWindows1252(const QByteArray &bytes)
{
    // 0x80 to 0x9F differ from Latin-1; the five unassigned codes map to themselves.
    static const char16_t high[32] = { 0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030,
        0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178 };
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *d = out.data();
    for (const char ch : bytes) {
        const uchar b = uchar(ch);
        *d++ = QChar(b >= 0x80 && b < 0xA0 ? high[b - 0x80] : char16_t(b));
    }
    return out;
}

QString PageFetcher::decode(const QByteArray &body, const QByteArray &contentType)
{
    QByteArray charset = charsetIn(contentType);
    if (charset.isEmpty())
        charset = metaCharset(body);
    if (!charset.isEmpty()) {
        // Browsers read Latin-1 and ASCII labels as Windows-1252; so do we.
        static const QByteArrayList western
            = { "windows-1252", "cp1252", "iso-8859-1", "latin1", "iso8859-1", "us-ascii", "ascii", "x-cp1252" };
        if (western.contains(charset))
            return fromWindows1252(body);
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid())
            return decoder.decode(body);
    }
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8.decode(body);
    if (!utf8.hasError())
        return text;
    return fromWindows1252(body);
}

void PageFetcher::fetch(const QString &address, Mode mode)
{
    abort();
    m_body.clear();
    m_timedOut = false;
    m_tooBig = false;
    m_pending = Result();
    const QUrl url = requestUrl(address, mode, &m_pending.address);
    m_pending.scheme = url.scheme().isEmpty() ? QStringLiteral("http") : url.scheme();
    if (!url.isValid()) {
        const QString scheme = addressScheme(address);
        const QString message = !scheme.isEmpty() && !isWebScheme(scheme)
            ? QStringLiteral("failed 12006: '") + address
                + QStringLiteral("' is not an http or https address; no other kind is ever opened")
            : QStringLiteral("failed 12005: '") + address + QStringLiteral("' is not a web address");
        QMetaObject::invokeMethod(
            this, [this, message] { fail(message); }, Qt::QueuedConnection);
        return;
    }
    QNetworkRequest request(url);
    request.setHeader(
        QNetworkRequest::UserAgentHeader, m_userAgent.isEmpty() ? QByteArrayLiteral("Mozilla/4.0") : m_userAgent);
    if (!m_acceptLanguage.isEmpty())
        request.setRawHeader(QByteArrayLiteral("Accept-Language"), m_acceptLanguage);
    if (mode == Mode::HttpGet)
        request.setRawHeader(QByteArrayLiteral("Accept"), kAccept);
    request.setRawHeader(QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("no-cache"));
    request.setRawHeader(QByteArrayLiteral("Pragma"), QByteArrayLiteral("no-cache"));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);

    m_reply = m_manager->get(request);
    // The network stack holds no more than this ahead of us, so an endless fast body stops at the
    // cap instead of piling up in memory between two reads.
    m_reply->setReadBufferSize(kReadChunk);
    connect(m_reply, &QIODevice::readyRead, this, &PageFetcher::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &PageFetcher::onFinished);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        const qint64 declared = m_reply ? m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() : 0;
        if (declared > m_maxBytes && m_reply->attribute(QNetworkRequest::RedirectionTargetAttribute).isNull()) {
            m_tooBig = true;
            m_reply->abort();
        }
    });
    if (m_timeoutMs > 0)
        m_timer->start(m_timeoutMs);
}

void PageFetcher::HttpGetPage(QString &address)
{
    fetch(address, Mode::HttpGet);
    address = m_pending.address;
}

void PageFetcher::abort()
{
    if (m_reply)
        m_reply->abort();
}

void PageFetcher::onReadyRead()
{
    if (!m_reply)
        return;
    if (!readBounded(m_reply))
        return;
    emit received(m_body.size());
}

bool PageFetcher::readBounded(QNetworkReply *reply)
{
    // Never more than one byte past the cap is taken in.
    while (reply->isOpen() && reply->bytesAvailable() > 0) {
        m_body += reply->read(qMin(kReadChunk, m_maxBytes + 1 - m_body.size()));
        if (m_body.size() > m_maxBytes) {
            m_tooBig = true;
            reply->abort();
            return false;
        }
    }
    return true;
}

void PageFetcher::fail(const QString &message)
{
    Result r = m_pending;
    r.ok = false;
    r.text.clear();
    r.errorString = message;
    emit finished(r);
}

void PageFetcher::onFinished()
{
    QNetworkReply *reply = m_reply;
    if (!reply)
        return;
    m_timer->stop();
    // An aborted reply is closed: reading it would only print a warning.
    if (!m_tooBig)
        readBounded(reply);
    m_reply = nullptr;
    reply->deleteLater();

    const QUrl url = reply->url();
    Result r = m_pending;
    r.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // After a redirect to a secure address the run goes on securely.
    if (!url.scheme().isEmpty())
        r.scheme = url.scheme();
    r.bytes = m_body.size();
    r.retryAfter = reply->rawHeader(QByteArrayLiteral("Retry-After"));
    const QString where = url.toDisplayString();
    QString error;
    if (m_tooBig) {
        const QString limit = m_maxBytes >= 1024 * 1024
            ? QString::number(m_maxBytes / (1024 * 1024.0), 'g', 4) + QStringLiteral(" MB")
            : QString::number(m_maxBytes) + QStringLiteral(" bytes");
        error = QStringLiteral("The page ") + where + QStringLiteral(" is larger than the limit of ") + limit;
    } else if (m_timedOut || reply->error() == QNetworkReply::TimeoutError) {
        error = QStringLiteral("HttpSendRequest failed 12002: no complete answer from ") + hostPort(url)
            + QStringLiteral(" within ") + QString::number(m_timeoutMs / 1000.0, 'g', 4) + QStringLiteral(" seconds");
    } else {
        // A connection closed early is not always flagged by the network stack; a body
        // shorter than the length the server declared is the same failure.
        const QVariant declared = reply->header(QNetworkRequest::ContentLengthHeader);
        const bool truncated = reply->error() == QNetworkReply::NoError && declared.isValid()
            && reply->rawHeader(QByteArrayLiteral("Content-Encoding")).isEmpty()
            && m_body.size() < declared.toLongLong();
        switch (truncated ? QNetworkReply::RemoteHostClosedError : reply->error()) {
        case QNetworkReply::NoError:
            break;
        case QNetworkReply::HostNotFoundError:
            error = QStringLiteral("failed 12007: the server ") + url.host() + QStringLiteral(" was not found");
            break;
        case QNetworkReply::ConnectionRefusedError:
            error = QStringLiteral("failed 12029: ") + hostPort(url) + QStringLiteral(" refused the connection");
            break;
        case QNetworkReply::SslHandshakeFailedError:
            error = QStringLiteral("HttpSendRequest failed 12045: the certificate of ") + url.host()
                + QStringLiteral(" cannot be trusted (") + reply->errorString() + QLatin1Char(')');
            break;
        case QNetworkReply::RemoteHostClosedError:
            r.dropped = true;
            error = QStringLiteral("HttpSendRequest failed 12030: ") + hostPort(url)
                + QStringLiteral(" closed the connection before the page was complete");
            break;
        case QNetworkReply::TooManyRedirectsError:
        case QNetworkReply::InsecureRedirectError:
            error = QStringLiteral("HttpSendRequest failed 12156: ") + where
                + QStringLiteral(" redirects too often or to an unsafe address");
            break;
        case QNetworkReply::OperationCanceledError:
            error = QStringLiteral("The fetch of ") + where + QStringLiteral(" was cancelled");
            break;
        case QNetworkReply::ProtocolUnknownError:
            // The network stack's words for a redirect that names no address.
            if (r.status >= 300 && r.status < 400) {
                error = QStringLiteral("HttpSendRequest failed 12152: ") + where + QStringLiteral(" answered ")
                    + QString::number(r.status) + QStringLiteral(" (moved) without saying where to");
                break;
            }
            [[fallthrough]];
        default:
            // HTTP error statuses land here too: a server error page is not a result page.
            if (r.status >= 400)
                error = QStringLiteral("The server answered ") + QString::number(r.status) + QLatin1Char(' ')
                    + reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString() + QStringLiteral(" for ")
                    + where;
            else
                error = QStringLiteral("HttpSendRequest failed 12152: ") + where + QStringLiteral(": ")
                    + reasonInWords(reply);
            break;
        }
    }
    if (!error.isEmpty()) {
        m_body.clear();
        // The status and Retry-After travel with the failure: retries decide by them.
        m_pending = r;
        fail(error);
        return;
    }
    r.ok = true;
    r.text = decode(m_body, reply->rawHeader(QByteArrayLiteral("Content-Type")));
    m_body.clear();
    emit finished(r);
}

} // namespace dq
