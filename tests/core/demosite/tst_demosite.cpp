// The demo directory site, run as the real executable on a free loopback port, and
// the shipped site list and key files that point at it.

#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/harvest/colyps.h"
#include "core/harvest/keyrules.h"
#include "core/harvest/objyp.h"
#include "core/harvest/sitelist.h"

#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QTcpSocket>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace dq;

namespace {

const QByteArray kResults = "<div id=\"results\">";
const QByteArray kListing = "<div class=\"listing\">";
const QByteArray kEnd = "<!-- end of listings -->";
constexpr int kListings = 35;
constexpr int kPerPage = 10;

struct Fetched
{
    int status = 0;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QByteArray body;
    QByteArray contentType;
    QByteArray location;
    qint64 contentLength = -1;
    qint64 elapsedMs = 0;
};

// The listing part of a result page: what a grab reads, without the search form
// that echoes the visitor's typing.
QByteArray resultsPart(const QByteArray &page)
{
    const qsizetype from = page.indexOf(kResults);
    const qsizetype to = page.indexOf(kEnd);
    return from < 0 || to < from ? QByteArray() : page.mid(from, to - from);
}

} // namespace

class TestDemoSite : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(QStringLiteral(DQ_BIN_DIR "/dirquill-demo-site")),
            "build the dirquill-demo-site target first");
        m_server = std::make_unique<QProcess>();
        m_port = startServer(*m_server);
        m_idleOpenFiles = serverOpenFiles();
        QVERIFY2(m_port != 0, "the server did not print its listening line");
    }
    void cleanupTestCase()
    {
        if (m_server) {
            m_server->kill();
            m_server->waitForFinished(5000);
        }
    }
    void samePageComesBackByteForByte()
    {
        const QString page2 = u"/page/search?category=Florists&city=Portland&state=OR&page=2"_s;
        const Fetched first = get(page2);
        QCOMPARE(first.status, 200);
        QCOMPARE(first.body.count(kListing), kPerPage);
        QCOMPARE(get(page2).body, first.body);

        // The same page from a second server started with the given options.
        const auto fromOwnServer = [&](const QStringList &extra) {
            QProcess other;
            const quint16 otherPort = startServer(other, extra);
            const Fetched f = otherPort ? get(u"http://127.0.0.1:%1"_s.arg(otherPort) + page2) : Fetched {};
            other.kill();
            other.waitForFinished(5000);
            return f;
        };
        QCOMPARE(fromOwnServer({}).body, first.body);
        const Fetched fromReseeded = fromOwnServer({ u"--seed"_s, u"7"_s });
        QCOMPARE(fromReseeded.body.count(kListing), kPerPage);
        QVERIFY(resultsPart(fromReseeded.body) != resultsPart(first.body));

        const Fetched otherCity = get(u"/page/search?category=Florists&city=Salem&state=OR&page=2"_s);
        QVERIFY(resultsPart(otherCity.body) != resultsPart(first.body));
        const Fetched page1 = get(u"/page/search?category=Florists&city=Portland&state=OR"_s);
        QVERIFY(resultsPart(page1.body) != resultsPart(first.body));
    }
    void lowerCasedAddressFindsTheSameListings()
    {
        // A grabber lower-cases the address before it asks for the next page.
        const Fetched typed = get(u"/PageMiddle/page-2/Search?category=Auto+Repair&city=San%20Antonio&state=TX"_s);
        const Fetched lowered = get(u"/pagemiddle/page-2/search?category=auto+repair&city=san%20antonio&state=tx"_s);
        QCOMPARE(typed.status, 200);
        QVERIFY(typed.body.contains("Showing 11–20"));
        QVERIFY(!resultsPart(typed.body).isEmpty());
        QCOMPARE(resultsPart(lowered.body), resultsPart(typed.body));
        QVERIFY(typed.body.contains("<span class=\"city\">San Antonio</span>"));
    }
    void hugePageIsPaddedToItsSize_data()
    {
        QTest::addColumn<QString>("megabytes");
        QTest::newRow("whole megabytes") << u"24"_s;
        QTest::newRow("a fraction of a megabyte, a real page's size") << u"0.3"_s;
    }
    void hugePageIsPaddedToItsSize()
    {
        QFETCH(QString, megabytes);
        const Fetched f = get(u"/next/search?category=Plumbers&city=Austin&state=TX&huge="_s + megabytes);
        const qint64 want = qint64(megabytes.toDouble() * 1024 * 1024);
        QCOMPARE(f.status, 200);
        QVERIFY(f.body.size() >= want);
        QVERIFY(f.body.size() < want + 1024);
        QCOMPARE(f.body.count(kListing), kPerPage);
        QVERIFY(f.body.endsWith("</body></html>\n"));
    }
    void windows1252Page_data()
    {
        QTest::addColumn<QString>("declare");
        QTest::addColumn<bool>("inHeader");
        QTest::addColumn<bool>("inMeta");
        QTest::newRow("declared in the header and the meta tag") << QString() << true << true;
        QTest::newRow("declared in the meta tag only") << u"&declare=meta"_s << false << true;
        QTest::newRow("declared in the header only") << u"&declare=header"_s << true << false;
        QTest::newRow("declared nowhere") << u"&declare=none"_s << false << false;
    }
    void windows1252Page()
    {
        QFETCH(QString, declare);
        QFETCH(bool, inHeader);
        QFETCH(bool, inMeta);
        // Enough listings to be sure names with accents and curly apostrophes show up.
        const QString search = u"/page/search?category=Cafes&city=Montreal&state=QC"_s;
        const Fetched utf8 = get(search);
        const Fetched f = get(search + u"&charset=windows-1252"_s + declare);
        QCOMPARE(f.status, 200);
        QCOMPARE(f.contentType.contains("charset=windows-1252"), inHeader);
        QCOMPARE(f.contentType.startsWith("text/html"), true);
        QCOMPARE(f.body.contains("<meta charset=\"windows-1252\">"), inMeta);
        QVERIFY(!f.body.contains("\xE2\x80")); // no UTF-8 punctuation left
        QVERIFY(f.body.contains("Showing 1\x96"
                                "10")); // the en dash is byte 0x96 there

        QStringDecoder decoder("windows-1252");
        QVERIFY(decoder.isValid());
        const QString decoded = decoder.decode(resultsPart(f.body));
        QCOMPARE(decoded, QString::fromUtf8(resultsPart(utf8.body)));
        QVERIFY(decoded.contains(QRegularExpression(u"[éüöñøèçåÉ’]"_s)));
    }
    void connectionHandling_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QList<int>>("statuses");
        QTest::addColumn<QList<QByteArray>>("bodyHas");
        QTest::addColumn<bool>("closed");
        const QByteArray page1 = "GET /page/search?category=Plumbers&city=Austin&state=TX HTTP/1.1\r\nHost: x\r\n\r\n";
        const QByteArray page2
            = "GET /page/search?category=Plumbers&city=Austin&state=TX&page=2 HTTP/1.1\r\nHost: x\r\n\r\n";
        QTest::newRow("pipelined requests are answered in order on a kept connection")
            << page1 + page2 << QList<int> { 200, 200 } << QList<QByteArray> { "Showing 1–10", "Showing 11–20" }
            << false;
        QTest::newRow("Connection: close ends the connection after the answer")
            << QByteArray("GET /page/ HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n") << QList<int> { 200 }
            << QList<QByteArray> { "<form" } << true;
        QTest::newRow("an HTTP/1.0 request ends the connection after the answer")
            << QByteArray("GET /item/ HTTP/1.0\r\n\r\n") << QList<int> { 200 }
            << QList<QByteArray> { "action=\"/item/search\"" } << true;
        QTest::newRow("HEAD sends the headers only")
            << QByteArray("HEAD /page/ HTTP/1.1\r\nHost: x\r\n\r\n") + page2 << QList<int> { 200, 200 }
            << QList<QByteArray> { "", "Showing 11–20" } << false;
        QTest::newRow("a request line that is not HTTP gets 400 and a closed connection")
            << QByteArray("HELLO THERE\r\n\r\n") << QList<int> { 400 } << QList<QByteArray> { "" } << true;
        QTest::newRow("a POST gets 405 and a closed connection, its body unread")
            << QByteArray("POST /page/ HTTP/1.1\r\nHost: x\r\nContent-Length: 20\r\n\r\nGET / HTTP/1.1\r\n\r\n\r\n")
            << QList<int> { 405 } << QList<QByteArray> { "" } << true;
        QTest::newRow("an endless request head gets 431 and a closed connection")
            << QByteArray("GET /page/ HTTP/1.1\r\nX-Long: ") + QByteArray(40000, 'a') << QList<int> { 431 }
            << QList<QByteArray> { "" } << true;
    }
    void connectionHandling()
    {
        QFETCH(QByteArray, request);
        QFETCH(QList<int>, statuses);
        QFETCH(QList<QByteArray>, bodyHas);
        QFETCH(bool, closed);
        QTcpSocket socket;
        QSignalSpy connected(&socket, &QTcpSocket::connected);
        QSignalSpy disconnected(&socket, &QTcpSocket::disconnected);
        QSignalSpy readyRead(&socket, &QTcpSocket::readyRead);
        socket.connectToHost(QHostAddress::LocalHost, m_port);
        QVERIFY(connected.wait(5000));
        socket.write(request);

        QByteArray data;
        const bool head = request.startsWith("HEAD");
        for (int i = 0; i < statuses.size(); ++i) {
            qsizetype end = -1;
            while ((end = data.indexOf("\r\n\r\n")) < 0) {
                QVERIFY(socket.bytesAvailable() > 0 || readyRead.wait(5000));
                data += socket.readAll();
            }
            const QByteArray headers = data.left(end);
            QVERIFY2(headers.startsWith(QByteArray("HTTP/1.1 " + QByteArray::number(statuses[i]) + ' ')),
                headers.constData());
            const auto length = QRegularExpression(u"Content-Length: (\\d+)"_s).match(QString::fromLatin1(headers));
            QVERIFY(length.hasMatch());
            const qsizetype bodySize = (head && i == 0) ? 0 : length.captured(1).toLongLong();
            while (data.size() < end + 4 + bodySize) {
                QVERIFY(socket.bytesAvailable() > 0 || readyRead.wait(5000));
                data += socket.readAll();
            }
            const QByteArray body = data.mid(end + 4, bodySize);
            QVERIFY2(body.contains(bodyHas[i]), bodyHas[i].constData());
            data.remove(0, end + 4 + bodySize);
        }
        if (closed) {
            QVERIFY(socket.state() == QAbstractSocket::UnconnectedState || disconnected.wait(5000));
        } else {
            QVERIFY(!disconnected.wait(300));
            QCOMPARE(socket.state(), QAbstractSocket::ConnectedState);
        }
        QVERIFY(data.isEmpty() && socket.bytesAvailable() == 0);
    }
    void closedConnectionsAreReleased()
    {
        if (m_idleOpenFiles < 0)
            QSKIP("needs /proc to count the server's open files");
        auto openFiles = [this] { return serverOpenFiles(); };
        m_net.clearConnectionCache();
        // Earlier tests' connections may still be closing.
        QTRY_VERIFY_WITH_TIMEOUT(openFiles() <= m_idleOpenFiles, 10000);
        for (int i = 0; i < 150; ++i) {
            QTcpSocket socket;
            QSignalSpy disconnected(&socket, &QTcpSocket::disconnected);
            socket.connectToHost(QHostAddress::LocalHost, m_port);
            QVERIFY(socket.waitForConnected(5000));
            socket.write("GET /next/search?category=a&city=b&state=c&page=" + QByteArray::number(i % 4 + 1)
                + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
            QVERIFY(disconnected.wait(5000));
        }
        QTRY_VERIFY_WITH_TIMEOUT(openFiles() <= m_idleOpenFiles, 5000);
    }
    void badOptionsAreRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("a port beyond 65535") << QStringList { u"--port"_s, u"70000"_s } << 2 << u"--port"_s;
        QTest::newRow("a port that is not a number") << QStringList { u"--port"_s, u"http"_s } << 2 << u"--port"_s;
        QTest::newRow("a negative listing count") << QStringList { u"--listings"_s, u"-5"_s } << 2 << u"--listings"_s;
        QTest::newRow("no listings on a page") << QStringList { u"--per-page"_s, u"0"_s } << 2 << u"--per-page"_s;
        QTest::newRow("a seed that is not a number") << QStringList { u"--seed"_s, u"x"_s } << 2 << u"--seed"_s;
        QTest::newRow("a port already taken") << QStringList { u"--port"_s, u"@PORT@"_s } << 1 << u"cannot listen"_s;
    }
    void badOptionsAreRefused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        arguments.replaceInStrings(u"@PORT@"_s, QString::number(m_port));
        QProcess process;
        process.start(QStringLiteral(DQ_BIN_DIR "/dirquill-demo-site"), arguments << u"--quiet"_s);
        QSignalSpy finished(&process, &QProcess::finished);
        QVERIFY(process.waitForStarted(10000));
        if (process.state() != QProcess::NotRunning && !finished.wait(10000)) {
            process.kill();
            process.waitForFinished(5000);
            QFAIL("the server started instead of refusing");
        }
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), exitCode);
        QVERIFY(QString::fromUtf8(process.readAllStandardError()).contains(message));
        QVERIFY(process.readAllStandardOutput().isEmpty());
    }
    void shippedEnginesMatchTheirResultPages()
    {
        // The grabs run every shipped key file against the site; what they cannot see is whether
        // the browser's address after a search enables grabbing, which the listing-page marker decides.
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
            const Fetched start = get(QString(engine.URL).replace(u":8765/"_s, u":%1/"_s.arg(m_port)));
            const auto action = QRegularExpression(u"<form class=\"search\" method=\"get\" action=\"([^\"]+)\">"_s)
                                    .match(QString::fromUtf8(start.body));
            QVERIFY2(action.hasMatch(), qPrintable(engine.URL));
            const QString shown = base() + action.captured(1) + u"?category=Auto+Repair&city=San+Antonio&state=TX"_s;
            QVERIFY2(shown.contains(rules.listingPageMarker), qPrintable(engine.FileName));
            // Pages behind a cookie wall or built by script show their listings only to a browser.
            if (rules.browserFetch.isEmpty())
                QVERIFY(get(shown).body.contains(rules.pageCheck.toUtf8()));
        }
    }

private:
    quint16 startServer(QProcess &process, const QStringList &extra = {});
    Fetched get(const QString &pathAndQuery, bool follow = false, int transferTimeoutMs = 0);
    QString base() const { return u"http://127.0.0.1:%1"_s.arg(m_port); }

    // Files the server holds open with no connection, or -1 without /proc.
    qsizetype serverOpenFiles() const;

    std::unique_ptr<QProcess> m_server;
    qsizetype m_idleOpenFiles = -1;
    quint16 m_port = 0;
    QNetworkAccessManager m_net;
};

quint16 TestDemoSite::startServer(QProcess &process, const QStringList &extra)
{
    process.setProgram(QStringLiteral(DQ_BIN_DIR "/dirquill-demo-site"));
    process.setArguments(QStringList { u"--port"_s, u"0"_s, u"--quiet"_s, u"--listings"_s, QString::number(kListings),
                             u"--per-page"_s, QString::number(kPerPage) }
        + extra);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start();
    if (!process.waitForStarted(10000))
        return 0;
    QSignalSpy output(&process, &QProcess::readyReadStandardOutput);
    while (!process.canReadLine()) {
        if (!output.wait(10000))
            return 0;
    }
    const QString line = QString::fromUtf8(process.readLine()).trimmed();
    const auto match = QRegularExpression(u"^listening on http://127\\.0\\.0\\.1:(\\d+)/$"_s).match(line);
    return match.hasMatch() ? quint16(match.captured(1).toUInt()) : 0;
}

Fetched TestDemoSite::get(const QString &pathAndQuery, bool follow, int transferTimeoutMs)
{
    QNetworkRequest request(QUrl(pathAndQuery.startsWith(u"http") ? pathAndQuery : base() + pathAndQuery));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
        follow ? QNetworkRequest::NoLessSafeRedirectPolicy : QNetworkRequest::ManualRedirectPolicy);
    if (transferTimeoutMs > 0)
        request.setTransferTimeout(transferTimeoutMs);
    QElapsedTimer clock;
    clock.start();
    std::unique_ptr<QNetworkReply> reply(m_net.get(request));
    QSignalSpy finished(reply.get(), &QNetworkReply::finished);
    if (!reply->isFinished())
        finished.wait(120000);
    Fetched f;
    f.elapsedMs = clock.elapsed();
    f.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    f.error = reply->error();
    f.body = reply->readAll();
    f.contentType = reply->rawHeader("Content-Type");
    f.location = reply->rawHeader("Location");
    f.contentLength = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
    return f;
}

qsizetype TestDemoSite::serverOpenFiles() const
{
    const QDir fds(u"/proc/%1/fd"_s.arg(m_server->processId()));
    return fds.exists() ? fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size() : -1;
}

QTEST_GUILESS_MAIN(TestDemoSite)
#include "tst_demosite.moc"
