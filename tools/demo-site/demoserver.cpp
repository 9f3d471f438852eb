#include "demoserver.h"

#include "httpconnection.h"

#include <QTcpSocket>

namespace dq::demo {

DemoServer::DemoServer(const SiteOptions &options, bool quiet, QObject *parent)
    : QObject(parent)
    , m_site(options)
    , m_quiet(quiet)
{
    connect(&m_server, &QTcpServer::newConnection, this, &DemoServer::acceptConnections);
}

bool DemoServer::listen(quint16 port)
{
    return m_server.listen(QHostAddress::LocalHost, port);
}

void DemoServer::acceptConnections()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection())
        new HttpConnection(socket, m_site, m_quiet, this);
}

} // namespace dq::demo
