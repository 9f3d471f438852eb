#include "demoserver.h"

#include "httpconnection.h"

#include <QTcpSocket>

namespace dq::demo {

DemoServer::DemoServer(int listingsPerSearch, int perPage, bool quiet, QObject *parent)
    : QObject(parent), m_site(listingsPerSearch, perPage), m_quiet(quiet)
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
