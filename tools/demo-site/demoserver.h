#pragma once

#include "demosite.h"

#include <QObject>
#include <QTcpServer>

namespace dq::demo {

// Listens on the loopback address only and hands each connection to an HttpConnection.
class DemoServer : public QObject
{
    Q_OBJECT

public:
    DemoServer(const SiteOptions &options, bool quiet, QObject *parent = nullptr);

    // port 0 picks a free port; errorString() says why listening failed.
    bool listen(quint16 port);
    quint16 port() const { return m_server.serverPort(); }
    QString errorString() const { return m_server.errorString(); }

private:
    void acceptConnections();

    DemoSite m_site;
    bool m_quiet;
    QTcpServer m_server;
};

} // namespace dq::demo
