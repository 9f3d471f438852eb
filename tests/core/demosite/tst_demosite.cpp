// The demo directory site, run as the real executable on a free loopback port, and
// the shipped site list and key files that point at it.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QTcpSocket>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

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

// A grid file as the shipped files store it: a header object, then one array per row.
struct GridText
{
    QJsonObject header;
    QList<QStringList> rows;
    QString error;

    QString cell(int r, int c) const { return r < rows.size() ? rows[r].value(c) : QString(); }
};

GridText readGridText(const QString &path)
{
    GridText grid;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        grid.error = u"cannot open "_s + path;
        return grid;
    }
    const QList<QByteArray> lines = file.readAll().split('\n');
    QJsonParseError parseError;
    const QJsonDocument head = QJsonDocument::fromJson(lines.value(0), &parseError);
    if (!head.isObject()) {
        grid.error = u"line 1 is not a JSON object: "_s + parseError.errorString();
        return grid;
    }
    grid.header = head.object();
    const int cols = grid.header.value(u"cols").toInt(-1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].isEmpty() && i == lines.size() - 1)
            break;
        const QJsonDocument row = QJsonDocument::fromJson(lines[i], &parseError);
        if (!row.isArray()) {
            grid.error = u"line %1 is not a JSON array"_s.arg(i + 1);
            return grid;
        }
        QStringList cells;
        for (const QJsonValue &v : row.array()) {
            if (!v.isString()) {
                grid.error = u"line %1 holds a cell that is not a string"_s.arg(i + 1);
                return grid;
            }
            cells.append(v.toString());
        }
        if (cells.size() != cols) {
            grid.error = u"line %1 has %2 cells, the header says %3"_s.arg(i + 1).arg(cells.size()).arg(cols);
            return grid;
        }
        grid.rows.append(cells);
    }
    return grid;
}

bool isNumber(const QString &text)
{
    bool ok = false;
    text.toInt(&ok);
    return ok;
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
    void pagingEnds_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("beyond");
        QTest::addColumn<QByteArray>("nextClass");
        const QString q = u"category=Pizza&city=Boston&state=MA"_s;
        QTest::newRow("page numbers at the end of the address")
            << u"/page/search?"_s + q << u"/page/search?"_s + q + u"&page=5"_s << QByteArray("pager-next");
        QTest::newRow("page numbers in the middle of the address")
            << u"/pagemiddle/page-1/search?"_s + q << u"/pagemiddle/page-5/search?"_s + q << QByteArray("pager-next");
        QTest::newRow("first listing numbers at the end of the address")
            << u"/item/search?"_s + q << u"/item/search?"_s + q + u"&first=41"_s << QByteArray("pager-next");
        QTest::newRow("first listing numbers in the middle of the address")
            << u"/itemmiddle/from-1/search?"_s + q << u"/itemmiddle/from-41/search?"_s + q << QByteArray("pager-next");
        QTest::newRow("next links") << u"/next/search?"_s + q << u"/next/search?"_s + q + u"&page=5"_s
                                    << QByteArray("next");
    }
    void pagingEnds()
    {
        QFETCH(QString, first);
        QFETCH(QString, beyond);
        QFETCH(QByteArray, nextClass);
        const QRegularExpression nextLink(u"<a class=\"%1\" href=\"([^\"]*)\">"_s.arg(QString::fromLatin1(nextClass)));
        QSet<QByteArray> listings;
        int pages = 0;
        QString url = first;
        while (!url.isEmpty() && pages < 10) {
            const Fetched page = get(url);
            QCOMPARE(page.status, 200);
            QVERIFY2(page.body.contains(kResults), qPrintable(url));
            ++pages;
            for (const QByteArray &line : resultsPart(page.body).split('\n')) {
                if (line.startsWith(kListing))
                    listings.insert(line);
            }
            const auto match = nextLink.match(QString::fromUtf8(page.body));
            url.clear();
            if (match.hasMatch()) {
                QString href = match.captured(1);
                QVERIFY2(href.contains(u"&amp;"), "links carry their ampersands escaped");
                href.replace(u"&amp;"_s, u"&"_s);
                url = href.startsWith(u"//") ? u"http:"_s + href : href;
            }
        }
        QCOMPARE(pages, 4);
        QCOMPARE(listings.size(), kListings);

        const Fetched past = get(beyond);
        QCOMPARE(past.status, 200);
        QVERIFY(!past.body.contains(kResults));
        QVERIFY(past.body.contains("No more listings"));
    }
    void faultSwitches_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("follow");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("failed");
        QTest::addColumn<bool>("results");
        QTest::addColumn<int>("atLeastMs");
        QTest::newRow("no switch gives the plain page") << QString() << false << 200 << false << true << 0;
        QTest::newRow("status 500 answers with that code and no results")
            << u"&status=500"_s << false << 500 << false << false << 0;
        QTest::newRow("status 404 answers with that code and no results")
            << u"&status=404"_s << false << 404 << false << false << 0;
        QTest::newRow("a fault for page 2 leaves page 1 alone")
            << u"&status=503&at=2"_s << false << 200 << false << true << 0;
        QTest::newRow("a fault for page 2 hits page 2")
            << u"&status=503&at=2&page=2"_s << false << 503 << false << false << 0;
        QTest::newRow("drop closes the connection without an answer")
            << u"&drop=1"_s << false << 0 << true << false << 0;
        QTest::newRow("drop=mid closes the connection halfway through the page")
            << u"&drop=mid"_s << false << 200 << true << false << 0;
        QTest::newRow("delay answers late but whole") << u"&delay=300"_s << false << 200 << false << true << 300;
        QTest::newRow("redirects lead to the page") << u"&redirect=3"_s << true << 200 << false << true << 0;
    }
    void faultSwitches()
    {
        QFETCH(QString, query);
        QFETCH(bool, follow);
        QFETCH(int, status);
        QFETCH(bool, failed);
        QFETCH(bool, results);
        QFETCH(int, atLeastMs);
        const Fetched f = get(u"/page/search?category=Plumbers&city=Austin&state=TX"_s + query, follow);
        QCOMPARE(f.status, status);
        // Error statuses show as content or server errors; only a broken answer is a transport error.
        if (failed)
            QCOMPARE(f.error, QNetworkReply::RemoteHostClosedError);
        else
            QVERIFY2(f.error == QNetworkReply::NoError || f.error >= QNetworkReply::ContentAccessDenied,
                qPrintable(QString::number(f.error)));
        if (failed && status != 0) {
            QVERIFY(f.contentLength > 0);
            QVERIFY(f.body.size() < f.contentLength);
        }
        if (!failed)
            QCOMPARE(f.body.contains(kResults), results);
        QVERIFY2(f.elapsedMs >= atLeastMs, qPrintable(QString::number(f.elapsedMs)));

        // Whatever the last client saw, the server goes on serving.
        QCOMPARE(get(u"/page/"_s).status, 200);
    }
    void redirectPointsAtTheSameAddressWithOneHopLess()
    {
        const Fetched f = get(u"/item/search?category=Pizza&city=Boston&state=MA&redirect=2&first=11"_s);
        QCOMPARE(f.status, 302);
        QCOMPARE(QString::fromLatin1(f.location),
            base() + u"/item/search?category=Pizza&city=Boston&state=MA&redirect=1&first=11"_s);
    }
    void dripOutlastsAClientTimeout_data()
    {
        QTest::addColumn<int>("dripMs");
        QTest::addColumn<int>("idleTimeoutMs");
        QTest::newRow("pieces closer than an idle timeout still take longer than a whole-fetch limit") << 100 << 0;
        QTest::newRow("pieces further apart than an idle timeout trip it") << 1500 << 500;
    }
    void dripOutlastsAClientTimeout()
    {
        QFETCH(int, dripMs);
        QFETCH(int, idleTimeoutMs);
        QNetworkRequest request(
            QUrl(base() + u"/page/search?category=Plumbers&city=Austin&state=TX&drip=%1"_s.arg(dripMs)));
        if (idleTimeoutMs > 0)
            request.setTransferTimeout(idleTimeoutMs);
        std::unique_ptr<QNetworkReply> reply(m_net.get(request));
        QSignalSpy finished(reply.get(), &QNetworkReply::finished);
        QSignalSpy progress(reply.get(), &QNetworkReply::downloadProgress);
        if (idleTimeoutMs == 0) {
            QVERIFY(!finished.wait(1500)); // about 3.5 KB at 64 bytes every 100 ms needs over 5 s
            QVERIFY(!progress.isEmpty());
            QVERIFY(reply->bytesAvailable() > 0);
            QVERIFY(reply->bytesAvailable() < reply->header(QNetworkRequest::ContentLengthHeader).toLongLong());
            reply->abort();
        } else {
            QVERIFY(finished.wait(10000));
            QVERIFY2(reply->error() == QNetworkReply::OperationCanceledError
                    || reply->error() == QNetworkReply::TimeoutError,
                qPrintable(QString::number(reply->error())));
        }
        QCOMPARE(get(u"/page/search?category=Plumbers&city=Austin&state=TX"_s).body.count(kListing), kPerPage);
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
    void shippedFilesAreGridFiles_data()
    {
        QTest::addColumn<QString>("path");
        const QDir engines(QStringLiteral(DQ_SOURCE_DIR "/engines"));
        QStringList files = engines.entryList({ u"*.key"_s }, QDir::Files, QDir::Name);
        QVERIFY(files.size() >= 5);
        files.prepend(u"stpl00.bin"_s);
        for (const QString &name : files)
            QTest::newRow(qPrintable(name + u" is a grid file"_s)) << engines.filePath(name);
    }
    void shippedFilesAreGridFiles()
    {
        QFETCH(QString, path);
        const GridText grid = readGridText(path);
        QVERIFY2(grid.error.isEmpty(), qPrintable(grid.error));
        QCOMPARE(grid.header.value(u"format").toString(), u"dirquill-grid"_s);
        QCOMPARE(grid.header.value(u"version").toInt(), 1);
        QCOMPARE(grid.header.value(u"fixedRows").toInt(-1), 1);
        QCOMPARE(grid.header.value(u"fixedCols").toInt(-1), 0);
        QCOMPARE(grid.rows.size(), grid.header.value(u"rows").toInt());
        if (path.endsWith(u"stpl00.bin"))
            return;

        // Key files: every cell the grabber reads is where it looks and reads as it expects.
        QVERIFY(grid.rows.size() >= 30);
        QVERIFY(grid.header.value(u"cols").toInt() >= 10);
        for (const auto &[r, c] : { std::pair { 1, 4 }, { 2, 2 }, { 3, 2 }, { 5, 2 }, { 2, 7 } })
            QVERIFY2(!grid.cell(r, c).isEmpty(), qPrintable(u"cell (%1, %2) is empty"_s.arg(r).arg(c)));
        QVERIFY2(grid.cell(3, 7).isEmpty(), "the demo site is read with the plain GET fetch");
        const int lastField = grid.cell(1, 6).toInt();
        QVERIFY(isNumber(grid.cell(1, 6)) && lastField >= 0 && lastField <= 8);
        QSet<int> targets;
        for (int r = 6; r <= 14; ++r) {
            const bool field = r <= 6 + lastField;
            QVERIFY2(
                field == !grid.cell(r, 1).isEmpty(), qPrintable(u"row %1: only field rows name a column"_s.arg(r)));
            if (!field)
                continue;
            QVERIFY(isNumber(grid.cell(r, 1)) && grid.cell(r, 1).toInt() >= 0 && grid.cell(r, 1).toInt() <= 12);
            QVERIFY2(!targets.contains(grid.cell(r, 1).toInt()), "two fields fill one column");
            targets.insert(grid.cell(r, 1).toInt());
            QVERIFY(!grid.cell(r, 0).isEmpty() && !grid.cell(r, 2).isEmpty());
            QVERIFY(isNumber(grid.cell(r, 3)) && isNumber(grid.cell(r, 4)));
        }
        int r = 14;
        for (; r <= 21 && !grid.cell(r, 5).isEmpty(); ++r)
            QVERIFY(QStringList({ u"Replace"_s, u"TrimMiddle"_s }).contains(grid.cell(r, 5)));
        QVERIFY(r > 14);
        for (r = 18; r <= 29 && !grid.cell(r, 0).isEmpty(); ++r) {
            QVERIFY(QStringList({ u"DeleteIfContain"_s, u"ExtractTo"_s, u"Replace"_s, u"TrimMiddle"_s })
                        .contains(grid.cell(r, 0)));
            QVERIFY(isNumber(grid.cell(r, 1)) && isNumber(grid.cell(r, 4)));
        }
        QVERIFY(r > 18);

        const QString method = grid.cell(7, 6);
        if (method == u"Next") {
            QVERIFY(!grid.cell(15, 2).isEmpty() && !grid.cell(16, 2).isEmpty());
        } else {
            QVERIFY2(QStringList({ u"Page"_s, u"PageMiddle"_s, u"Item"_s, u"ItemMiddle"_s }).contains(method),
                qPrintable(method));
            QVERIFY(!grid.cell(7, 7).isEmpty());
            if (method.endsWith(u"Middle"))
                QVERIFY(!grid.cell(7, 8).isEmpty());
            if (method.startsWith(u"Item"))
                QCOMPARE(grid.cell(7, 9).toInt(), kPerPage); // the site's default page size
        }
    }
    void siteListNamesShippedKeyFiles()
    {
        const GridText sites = readGridText(QStringLiteral(DQ_SOURCE_DIR "/engines/stpl00.bin"));
        QVERIFY2(sites.error.isEmpty(), qPrintable(sites.error));
        QCOMPARE(sites.header.value(u"cols").toInt(), 4);
        QSet<QString> methods;
        for (qsizetype r = 1; r < sites.rows.size(); ++r) {
            QVERIFY(!sites.cell(r, 0).isEmpty());
            const QString key = QStringLiteral(DQ_SOURCE_DIR "/engines/") + sites.cell(r, 1);
            QVERIFY2(QFile::exists(key), qPrintable(key));
            QVERIFY(sites.cell(r, 3).startsWith(u"http://127.0.0.1:8765/"));
            methods.insert(readGridText(key).cell(7, 6));
        }
        QCOMPARE(methods, (QSet<QString> { u"Page"_s, u"PageMiddle"_s, u"Item"_s, u"ItemMiddle"_s, u"Next"_s }));
    }
    void keyFilesDriveTheDemoSite_data()
    {
        QTest::addColumn<QString>("startUrl");
        QTest::addColumn<QString>("keyPath");
        const GridText sites = readGridText(QStringLiteral(DQ_SOURCE_DIR "/engines/stpl00.bin"));
        for (qsizetype r = 1; r < sites.rows.size(); ++r) {
            QTest::newRow(qPrintable(sites.cell(r, 0) + u" pages through a search"_s))
                << sites.cell(r, 3) << QStringLiteral(DQ_SOURCE_DIR "/engines/") + sites.cell(r, 1);
        }
    }
    void keyFilesDriveTheDemoSite()
    {
        QFETCH(QString, startUrl);
        QFETCH(QString, keyPath);
        const GridText key = readGridText(keyPath);
        QVERIFY2(key.error.isEmpty(), qPrintable(key.error));

        const Fetched start = get(QString(startUrl).replace(u":8765/"_s, u":%1/"_s.arg(m_port)));
        QCOMPARE(start.status, 200);
        const auto action = QRegularExpression(u"<form class=\"search\" method=\"get\" action=\"([^\"]+)\">"_s)
                                .match(QString::fromUtf8(start.body));
        QVERIFY(action.hasMatch());

        // What the browser shows after the search, then the same address as a grabber keeps it.
        const QString shown = base() + action.captured(1) + u"?category=Auto+Repair&city=San+Antonio&state=TX"_s;
        QVERIFY2(shown.contains(key.cell(1, 4)), "the listing-page marker must match the result address");
        const QString kept = shown.toLower().mid(QStringLiteral("http://").size());

        // Each page's successor by the key's method, for the first three pages.
        const QString method = key.cell(7, 6), k7 = key.cell(7, 7), k8 = key.cell(7, 8);
        const int k9 = key.cell(7, 9).toInt();
        QString current = kept;
        for (int n = 0; n < 3; ++n) {
            const Fetched page = get(u"http://"_s + current);
            QCOMPARE(page.status, 200);
            QVERIFY2(page.body.contains(key.cell(2, 7).toUtf8()), "page check marker");
            const QByteArray s = key.cell(2, 2).toUtf8(), e = key.cell(3, 2).toUtf8(), i = key.cell(5, 2).toUtf8();
            const qsizetype from = page.body.indexOf(s);
            const qsizetype to = page.body.indexOf(e, from);
            QVERIFY(from >= 0 && to > from);
            QCOMPARE(page.body.mid(from, to - from).count(s), kPerPage);
            QCOMPARE(page.body.mid(from, to - from).count(i), kPerPage);
            QVERIFY(page.body.contains(u"Showing %1–"_s.arg(n * kPerPage + 1).toUtf8()));

            QString next;
            const QString lower = current.toLower();
            if (method == u"Page") {
                next = lower.contains(k7) ? QString(lower.left(lower.indexOf(k7)) + k7 + QString::number(n + 2))
                                          : QString(current + k8);
            } else if (method == u"Item") {
                next = lower.contains(k7)
                    ? QString(current.left(current.indexOf(k7)) + k7 + QString::number((n + 1) * k9 + 1))
                    : QString(current + k7 + QString::number(k9 + 1));
            } else if (method.endsWith(u"Middle")) {
                const QString prefix = kept.left(kept.indexOf(k7));
                const QString suffix = kept.mid(kept.indexOf(k8) + k8.size());
                QVERIFY(kept.contains(k7) && kept.contains(k8));
                next = prefix + k7 + QString::number(method == u"PageMiddle" ? n + 2 : (n + 1) * k9 + 1) + suffix;
            } else {
                const QString text = QString::fromUtf8(page.body);
                const QString b = key.cell(15, 2), en = key.cell(16, 2);
                const qsizetype at = text.indexOf(b);
                QVERIFY(at >= 0);
                next = key.cell(15, 4) + text.mid(at + b.size(), text.indexOf(en, at + b.size()) - at - b.size());
            }
            next.replace(u"&amp;"_s, u"&"_s);
            QVERIFY2(next.size() >= 35, "a shorter next address ends a grab");
            current = next.startsWith(u"http://") ? next.mid(7) : next;
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
