// The demo site's server, run in this process so its own sockets can be looked at.

#include "demoserver.h"

#include <QTcpSocket>
#include <QTest>

using namespace Qt::StringLiterals;

class TestDemoServer : public QObject
{
    Q_OBJECT

private slots:
    // With Nagle's algorithm on, the end of each answer waits for the client's delayed
    // acknowledgement: 30 pages of 100 listings took over a second instead of a tenth. The
    // switch is read back from the operating system, so no timing enters the test; the
    // harvest benchmark shows the speed it buys.
    void answersWithNagleOff()
    {
        dq::demo::DemoServer server({ 300, 100, 1 }, true);
        QVERIFY(server.listen(0));
        QTcpSocket client;
        client.connectToHost(u"127.0.0.1"_s, server.port());
        QVERIFY(client.waitForConnected(10000));
        client.write("GET /page/search?category=Plumbers&city=Austin&state=TX HTTP/1.1\r\nHost: x\r\n\r\n");
        QTRY_VERIFY(client.bytesAvailable() > 0);
        QVERIFY(client.readLine().startsWith("HTTP/1.1 200 OK"));

        const QList<QTcpSocket *> served = server.findChildren<QTcpSocket *>();
        QCOMPARE(served.size(), 1);
        QCOMPARE(served[0]->socketOption(QAbstractSocket::LowDelayOption).toInt(), 1);
    }
};

QTEST_MAIN(TestDemoServer)
#include "tst_demoserver.moc"
