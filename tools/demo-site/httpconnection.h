#pragma once

#include "httpmessage.h"

#include <QObject>
#include <QTimer>

class QTcpSocket;

namespace dq::demo {

class DemoSite;

// One client connection: reads requests one after another (keep-alive and pipelined
// requests are served in order), answers each through the site, and deletes itself
// and its socket when the connection ends, so a long run leaks nothing.
class HttpConnection : public QObject
{
    Q_OBJECT

public:
    HttpConnection(QTcpSocket *socket, const DemoSite &site, bool quiet, QObject *parent = nullptr);

private:
    void readRequests();
    bool parseRequest(const QByteArray &head, HttpRequest &request) const;
    void answer(const HttpRequest &request);
    void start(const HttpResponse &response, bool head);
    void sendMore();
    void finishResponse();
    void fail(int status);

    QTcpSocket *m_socket;
    const DemoSite &m_site;
    bool m_quiet;
    QByteArray m_buffer;
    bool m_busy = false; // a response is on its way; later requests wait in the buffer
    bool m_keepAlive = true;

    QByteArray m_body; // body still being sent
    qsizetype m_sent = 0;
    qsizetype m_stopAt = 0; // for a drop halfway, the byte count at which to close
    int m_dripMs = 0;
    QTimer m_dripTimer;
    QTimer m_delayTimer;
    QTimer m_idleTimer;
};

} // namespace dq::demo
