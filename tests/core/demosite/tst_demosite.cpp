// The demo directory site's own rules, run as the real executable on a free loopback port, and
// the shipped site list and key files that point at it. What a grab reads from it, in every
// paging style and fault, the command-line and window grabs check.

#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/harvest/colyps.h"
#include "core/harvest/keyrules.h"
#include "core/harvest/sitelist.h"
#include "support/casefields.h"
#include "support/casetable.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace dq;
using test::field;

class TestDemoSite : public QObject
{
    Q_OBJECT

    QProcess m_server;
    quint16 m_port = 0;
    qsizetype m_idleOpenFiles = -1;

    QString base() const { return u"http://127.0.0.1:%1"_s.arg(m_port); }

    // Files the server holds open, or -1 without /proc.
    qsizetype serverOpenFiles() const
    {
        const QDir fds(u"/proc/%1/fd"_s.arg(m_server.processId()));
        return fds.exists() ? fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size() : -1;
    }

    struct Exchange
    {
        QList<QByteArray> heads, bodies; // of the answers, bodies read by their declared lengths
        QByteArray rest; // anything after them
        bool closed = false; // by the server after the answers
    };
    Exchange exchange(const QByteArray &request, int answers)
    {
        Exchange x;
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_port);
        if (!socket.waitForConnected(5000))
            return x;
        socket.write(request);
        QByteArray data;
        const auto more = [&] {
            const bool arrived = socket.bytesAvailable() > 0 || socket.waitForReadyRead(5000);
            data += socket.readAll();
            return arrived;
        };
        for (int i = 0; i < answers; ++i) {
            qsizetype end = -1;
            while ((end = data.indexOf("\r\n\r\n")) < 0)
                if (!more())
                    return x;
            const QByteArray head = data.left(end);
            const auto length = QRegularExpression(u"Content-Length: (\\d+)"_s).match(QString::fromLatin1(head));
            if (!length.hasMatch())
                return x;
            const qsizetype size = request.startsWith("HEAD") && i == 0 ? 0 : length.captured(1).toLongLong();
            while (data.size() < end + 4 + size)
                if (!more())
                    return x;
            x.heads << head;
            x.bodies << data.mid(end + 4, size);
            data.remove(0, end + 4 + size);
        }
        x.closed = socket.state() == QAbstractSocket::UnconnectedState || socket.waitForDisconnected(300);
        x.rest = data + socket.readAll();
        return x;
    }

private slots:
    void initTestCase()
    {
        m_server.start(QStringLiteral(DQ_BIN_DIR "/dirquill-demo-site"), { u"--port"_s, u"0"_s, u"--quiet"_s });
        QVERIFY(m_server.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(m_server.canReadLine(), 10000);
        const auto m = QRegularExpression(u"^listening on http://127\\.0\\.0\\.1:(\\d+)/$"_s)
                           .match(QString::fromUtf8(m_server.readLine()).trimmed());
        QVERIFY(m.hasMatch());
        m_port = quint16(m.captured(1).toUInt());
        m_idleOpenFiles = serverOpenFiles();
    }
    void cleanupTestCase()
    {
        m_server.kill();
        m_server.waitForFinished(5000);
    }

    // @LONG@ stands for 40,000 letters.
    void connectionHandling_data() { test::addCaseRows(u"demosite/requests.tsv"_qs); }
    void connectionHandling()
    {
        QFETCH(QByteArray, requestBytes);
        const QList<int> statuses = test::numbers(field("statuses"));
        const QStringList bodyHas = test::items(field("bodyHas"));
        const Exchange x = exchange(requestBytes.replace("@LONG@", QByteArray(40000, 'a')), int(statuses.size()));
        QCOMPARE(x.heads.size(), statuses.size());
        for (int i = 0; i < statuses.size(); ++i) {
            QVERIFY2(x.heads[i].startsWith(QByteArray("HTTP/1.1 " + QByteArray::number(statuses[i]) + ' ')),
                x.heads[i].constData());
            QVERIFY(x.bodies[i].contains(bodyHas.value(i).toUtf8()));
        }
        QCOMPARE(int(x.closed), test::number("closed"));
        QVERIFY(x.rest.isEmpty());
    }
    void closedConnectionsAreReleased()
    {
        if (m_idleOpenFiles < 0)
            QSKIP("needs /proc to count the server's open files");
        // Earlier tests' connections may still be closing.
        QTRY_VERIFY_WITH_TIMEOUT(serverOpenFiles() <= m_idleOpenFiles, 10000);
        for (int i = 0; i < 150; ++i) {
            QVERIFY(exchange("GET /next/search?category=a&city=b&state=c&page=" + QByteArray::number(i % 4 + 1)
                    + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n",
                1)
                        .closed);
        }
        QTRY_VERIFY_WITH_TIMEOUT(serverOpenFiles() <= m_idleOpenFiles, 5000);
    }
    // Arguments are split at '|'; @PORT@ is the port the site above holds.
    void badOptionsAreRefused_data() { test::addCaseRows(u"demosite/bad-options.tsv"_qs); }
    void badOptionsAreRefused()
    {
        QProcess process;
        process.start(QStringLiteral(DQ_BIN_DIR "/dirquill-demo-site"),
            field("arguments").replace(u"@PORT@"_s, QString::number(m_port)).split(u'|') << u"--quiet"_s);
        if (!process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished(5000);
            QFAIL("the server started instead of refusing");
        }
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), test::number("exitCode"));
        QVERIFY(QString::fromUtf8(process.readAllStandardError()).contains(field("message")));
        QVERIFY(process.readAllStandardOutput().isEmpty());
    }
    void shippedEnginesMatchTheirResultPages()
    {
        // The grabs run every shipped key file against the site's result pages; what they cannot
        // see is whether the browser's address after a search enables grabbing.
        const QString engines = QStringLiteral(DQ_SOURCE_DIR "/engines/");
        GridModel siteGrid;
        QVERIFY(GridFile::load(siteGrid, engines + SiteList::fileName(), FileKind::Native));
        colYPs list;
        QCOMPARE(SiteList::fill(siteGrid, list).size(), 7);
        for (int i = 1; i <= list.Count(); ++i) {
            const objYP &engine = *list.Item(i);
            QVERIFY2(engine.URL.startsWith(u"http://127.0.0.1:8765/"), qPrintable(engine.URL));
            GridModel keyTable;
            QVERIFY2(
                GridFile::load(keyTable, engines + engine.FileName, FileKind::Native), qPrintable(engine.FileName));
            const KeyRules rules = KeyRules::fromGrid(keyTable);
            const Exchange start = exchange("GET " + engine.URL.mid(21).toUtf8() + " HTTP/1.0\r\n\r\n", 1);
            const auto action = QRegularExpression(u"<form class=\"search\" method=\"get\" action=\"([^\"]+)\">"_s)
                                    .match(QString::fromUtf8(start.bodies.value(0)));
            QVERIFY2(action.hasMatch(), qPrintable(engine.URL));
            const QString shown = action.captured(1) + u"?category=Auto+Repair&city=San+Antonio&state=TX"_s;
            QVERIFY2(QString(base() + shown).contains(rules.listingPageMarker), qPrintable(engine.FileName));
        }
    }
};

QTEST_GUILESS_MAIN(TestDemoSite)
#include "tst_demosite.moc"
