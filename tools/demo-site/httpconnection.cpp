#include "httpconnection.h"

#include "demosite.h"

#include <QTcpSocket>
#include <QTextStream>

namespace dq::demo {

namespace {
constexpr qsizetype kMaxHead = 32 * 1024; // a request head larger than this is refused
constexpr qsizetype kPiece = 64 * 1024; // what is handed to the socket at a time
constexpr qsizetype kDripPiece = 64;
constexpr qint64 kHighWater = 256 * 1024; // refill the socket below this much unsent data
constexpr int kIdleMs = 30000; // an idle keep-alive connection is closed after this

bool hostCharsOnly(const QByteArray &host)
{
    for (char c : host) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.'
            || c == ':' || c == '-' || c == '[' || c == ']';
        if (!ok)
            return false;
    }
    return true;
}
} // namespace

HttpConnection::HttpConnection(QTcpSocket *socket, const DemoSite &site, bool quiet, QObject *parent)
    : QObject(parent)
    , m_socket(socket)
    , m_site(site)
    , m_quiet(quiet)
{
    m_socket->setParent(this);
    // Real servers turn Nagle's algorithm off: with it, the last part of an answer waits for
    // the client's delayed acknowledgement (some 40 ms), so the page size, not the grabber,
    // would decide how fast the site answers.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_dripTimer.setSingleShot(true);
    m_delayTimer.setSingleShot(true);
    m_delayTimer.setTimerType(Qt::PreciseTimer); // a coarse timer may answer up to 5 % early
    m_idleTimer.setSingleShot(true);
    connect(m_socket, &QTcpSocket::readyRead, this, &HttpConnection::readRequests);
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this] {
        if (m_dripMs == 0)
            sendMore();
    });
    connect(m_socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this] {
        if (m_socket->state() == QAbstractSocket::UnconnectedState)
            deleteLater();
    });
    connect(&m_dripTimer, &QTimer::timeout, this, &HttpConnection::sendMore);
    connect(&m_idleTimer, &QTimer::timeout, this, [this] {
        if (!m_busy)
            m_socket->disconnectFromHost();
    });
    m_idleTimer.start(kIdleMs);
    readRequests();
}

void HttpConnection::readRequests()
{
    m_buffer += m_socket->readAll();
    while (!m_busy) {
        const qsizetype end = m_buffer.indexOf("\r\n\r\n");
        if (end < 0) {
            if (m_buffer.size() > kMaxHead)
                fail(431);
            return;
        }
        const QByteArray head = m_buffer.left(end);
        m_buffer.remove(0, end + 4);
        HttpRequest request;
        if (!parseRequest(head, request)) {
            fail(400);
            return;
        }
        answer(request);
    }
}

bool HttpConnection::parseRequest(const QByteArray &head, HttpRequest &request) const
{
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    if (first.size() != 3 || !first[2].startsWith("HTTP/1.") || !first[1].startsWith('/'))
        return false;
    request.method = first[0];
    request.target = first[1];
    const bool http10 = first[2] == "HTTP/1.0";
    request.keepAlive = !http10;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "host" && hostCharsOnly(value))
            request.host = value;
        else if (name == "cookie")
            request.cookie = value;
        else if (name == "connection")
            request.keepAlive
                = value.toLower().contains("keep-alive") || (!http10 && !value.toLower().contains("close"));
    }
    const qsizetype q = request.target.indexOf('?');
    const QByteArray path = q < 0 ? request.target : request.target.left(q);
    request.path = QString::fromUtf8(QByteArray::fromPercentEncoding(path)).toLower();
    if (q >= 0)
        request.query = parseQuery(request.target.mid(q + 1));
    return true;
}

void HttpConnection::answer(const HttpRequest &request)
{
    m_busy = true;
    m_idleTimer.stop();
    // A refused method may carry a body this server never reads; closing keeps it from
    // being taken for the next request.
    m_keepAlive = request.keepAlive && (request.method == "GET" || request.method == "HEAD");
    const QByteArray fallbackHost = "127.0.0.1:" + QByteArray::number(m_socket->localPort());
    const HttpResponse response = m_site.respond(request, fallbackHost);
    if (!m_quiet) {
        QTextStream(stdout) << request.method << ' ' << request.target << ' ' << response.status << ' '
                            << response.body.size() << Qt::endl;
    }
    const bool head = request.method == "HEAD";
    if (response.delayMs > 0) {
        m_delayTimer.disconnect();
        connect(&m_delayTimer, &QTimer::timeout, this, [this, response, head] { start(response, head); });
        m_delayTimer.start(response.delayMs);
    } else {
        start(response, head);
    }
}

void HttpConnection::start(const HttpResponse &response, bool head)
{
    if (response.drop == HttpResponse::Drop::BeforeResponse) {
        m_keepAlive = false;
        m_socket->disconnectFromHost();
        return;
    }
    QByteArray out = "HTTP/1.1 " + QByteArray::number(response.status) + ' '
        + HttpResponse::reasonPhrase(response.status) + "\r\nContent-Type: " + response.contentType
        + "\r\nContent-Length: " + QByteArray::number(response.body.size())
        + "\r\nConnection: " + (m_keepAlive ? "keep-alive" : "close") + "\r\n";
    for (const auto &header : response.headers)
        out += header.first + ": " + header.second + "\r\n";
    out += "\r\n";

    m_body = head ? QByteArray() : response.body;
    m_stopAt = response.drop == HttpResponse::Drop::MidBody ? m_body.size() / 2 : m_body.size();
    if (response.drop == HttpResponse::Drop::MidBody)
        m_keepAlive = false;
    m_dripMs = response.dripMs;
    // The head goes out with as much of the body as the socket takes at once, in one write.
    m_sent = m_dripMs > 0 ? 0 : qMin<qsizetype>(m_stopAt, kHighWater);
    out.append(m_body.constData(), m_sent);
    m_socket->write(out);
    sendMore();
}

void HttpConnection::sendMore()
{
    if (!m_busy)
        return;
    if (m_sent >= m_stopAt) {
        if (m_socket->bytesToWrite() == 0 || m_dripMs > 0)
            finishResponse();
        return;
    }
    if (m_dripMs > 0) {
        const qsizetype n = qMin(kDripPiece, m_stopAt - m_sent);
        m_socket->write(m_body.constData() + m_sent, n);
        m_sent += n;
        m_dripTimer.start(m_dripMs);
        return;
    }
    while (m_sent < m_stopAt && m_socket->bytesToWrite() < kHighWater) {
        const qsizetype n = qMin(kPiece, m_stopAt - m_sent);
        m_socket->write(m_body.constData() + m_sent, n);
        m_sent += n;
    }
    if (m_sent >= m_stopAt && m_socket->bytesToWrite() == 0)
        finishResponse();
}

void HttpConnection::finishResponse()
{
    m_body.clear();
    m_sent = m_stopAt = 0;
    m_dripMs = 0;
    m_busy = false;
    if (!m_keepAlive) {
        // disconnectFromHost sends what is still buffered first.
        m_socket->disconnectFromHost();
        return;
    }
    m_idleTimer.start(kIdleMs);
    if (!m_buffer.isEmpty())
        QMetaObject::invokeMethod(this, &HttpConnection::readRequests, Qt::QueuedConnection);
}

void HttpConnection::fail(int status)
{
    HttpResponse response;
    response.status = status;
    response.contentType = "text/plain; charset=utf-8";
    response.body = HttpResponse::reasonPhrase(status) + '\n';
    m_busy = true;
    m_keepAlive = false;
    m_buffer.clear();
    start(response, false);
}

} // namespace dq::demo
