#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

namespace dq::test {

// A loopback HTTP/1.1 server with scripted answers per path, for fetch and grab tests.
// Each answer can be cut off mid-body, held forever or sent without a length.
class HttpFixture : public QObject
{
public:
    struct Answer
    {
        int status = 200;
        QByteArray contentType = "text/html";
        QByteArray body {};
        QList<QPair<QByteArray, QByteArray>> headers {};
        int dropAfter = -1; // close the connection after this many body bytes
        bool hold = false; // never answer
        bool omitLength = false; // no Content-Length: the body ends when the connection closes
    };

    HttpFixture()
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = m_server.nextPendingConnection())
                connect(s, &QTcpSocket::readyRead, this, [this, s] { onRead(s); });
        });
    }

    quint16 port() const { return m_server.serverPort(); }
    QString base() const { return QStringLiteral("http://127.0.0.1:") + QString::number(port()); }

    void answer(const QByteArray &path, const Answer &a) { m_answers[path] = a; }
    void page(const QByteArray &path, const QByteArray &body) { m_answers[path].body = body; }
    // Called when a path is requested, before it is answered.
    std::function<void(const QByteArray &path)> onRequest;

    QList<QByteArray> paths; // request paths in order
    QList<QByteArray> heads; // whole request heads in order

private:
    void onRead(QTcpSocket *s)
    {
        QByteArray &buf = m_buffers[s];
        buf += s->readAll();
        const qsizetype end = buf.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QByteArray head = buf.left(end);
        buf.remove(0, end + 4);
        const QByteArray path = head.split(' ').value(1);
        paths << path;
        heads << head;
        if (onRequest)
            onRequest(path);
        const Answer a = m_answers.value(path, Answer { .status = 404, .body = "<html>not here</html>" });
        if (a.hold)
            return;
        QByteArray out = "HTTP/1.1 " + QByteArray::number(a.status) + " Status\r\n";
        if (!a.contentType.isEmpty())
            out += "Content-Type: " + a.contentType + "\r\n";
        for (const auto &h : a.headers)
            out += h.first + ": " + h.second + "\r\n";
        if (a.omitLength)
            out += "Connection: close\r\n";
        else
            out += "Content-Length: " + QByteArray::number(a.body.size()) + "\r\n";
        const bool drop = a.dropAfter >= 0;
        s->write(out + "\r\n" + (drop ? a.body.left(a.dropAfter) : a.body));
        if (drop || a.omitLength) {
            s->flush();
            s->disconnectFromHost();
        }
    }

    QTcpServer m_server;
    QHash<QByteArray, Answer> m_answers;
    QHash<QTcpSocket *, QByteArray> m_buffers;
};

} // namespace dq::test
