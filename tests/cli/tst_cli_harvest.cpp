// dirquill-cli grab, engines and test-rules run as a user runs them, against
// dirquill-demo-site on a free loopback port. Build dirquill-cli, dirquill-demo-site and the
// engines before running this test.
#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"

#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTcpSocket>
#include <QTest>

#include <csignal>

using namespace dq;

namespace {

const QString kSearch = QStringLiteral("search?category=Plumbers&city=Austin&state=TX");

struct CliRun
{
    int exitCode = -1;
    QByteArray out;
    QString err;
};

CliRun cli(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(DQ_BIN_DIR "/dirquill-cli"), args);
    CliRun r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("dirquill-cli did not finish");
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QStringList column(const GridModel &t, int col)
{
    QStringList out;
    for (int r = 1; r < t.rows(); ++r)
        out << t.text(r, col);
    return out;
}

} // namespace

class TestCliHarvest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void everyPagingStyleGrabsEveryListing_data();
    void everyPagingStyleGrabsEveryListing();
    void faults_data();
    void faults();
    void interruptStopsAndKeepsTheRows();
    void appendAddsBelowTheSavedRows();
    void commaTextOnStandardOutput();
    void enginesAreListedInOrder();
    void testRulesShowsOnePage();
    void badUse_data();
    void badUse();

private:
    QString base() const { return QStringLiteral("http://127.0.0.1:") + QString::number(m_port) + QLatin1Char('/'); }
    QProcess m_site;
    int m_port = 0;
    QString m_dir;
};

void TestCliHarvest::initTestCase()
{
    QVERIFY2(QFile::exists(QStringLiteral(DQ_BIN_DIR "/dirquill-cli")), "build dirquill-cli first");
    QVERIFY2(QFile::exists(QStringLiteral(DQ_BIN_DIR "/dirquill-demo-site")), "build dirquill-demo-site first");
    m_site.start(QStringLiteral(DQ_BIN_DIR "/dirquill-demo-site"), { u"--port"_qs, u"0"_qs, u"--quiet"_qs });
    QVERIFY(m_site.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(m_site.canReadLine(), 10000);
    const QString line = QString::fromUtf8(m_site.readLine());
    const QRegularExpressionMatch m = QRegularExpression(u"127\\.0\\.0\\.1:(\\d+)"_qs).match(line);
    QVERIFY2(m.hasMatch(), qPrintable(line));
    m_port = m.captured(1).toInt();
    m_dir = test::tempDir();
}

void TestCliHarvest::cleanupTestCase()
{
    m_site.kill();
    m_site.waitForFinished();
}

void TestCliHarvest::everyPagingStyleGrabsEveryListing_data()
{
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QString>("path");
    QTest::newRow("page number at the end") << "demo-page" << QString(u"page/"_qs + kSearch);
    QTest::newRow("page number in the middle") << "demo-pagemiddle" << QString(u"pagemiddle/page-1/"_qs + kSearch);
    QTest::newRow("first listing number at the end") << "demo-item" << QString(u"item/"_qs + kSearch);
    QTest::newRow("first listing number in the middle")
        << "demo-itemmiddle" << QString(u"itemmiddle/from-1/"_qs + kSearch);
    QTest::newRow("next links") << "demo-next" << QString(u"next/"_qs + kSearch);
}

void TestCliHarvest::everyPagingStyleGrabsEveryListing()
{
    QFETCH(QString, engine);
    QFETCH(QString, path);
    const QString out = m_dir + u"/"_qs + engine + u".tsy"_qs;
    const CliRun r = cli({ u"grab"_qs, u"--engine"_qs, engine, u"--url"_qs, base() + path, u"--out"_qs, out });
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QVERIFY2(r.err.contains(u"Done: 250 listings"_qs), qPrintable(r.err));
    GridModel t;
    QVERIFY(GridFile::load(t, out, FileKind::Native));
    QCOMPARE(t.rows(), 251);
    QCOMPARE(t.text(0, 0), u"Name"_qs);
    QCOMPARE(t.text(0, 7), u"E-mail"_qs);
    // Every page once: no listing twice, none missing.
    QSet<QString> rows;
    for (int r = 1; r < t.rows(); ++r)
        rows.insert(t.rowTexts(r).join(u'\t'));
    QCOMPARE(rows.size(), 250);
    QVERIFY(!column(t, 0).contains(QString()));
    QVERIFY(!column(t, 5).contains(QString()));
    QVERIFY2(!column(t, 5).first().startsWith(u"Phone"_qs), qPrintable(column(t, 5).first()));
}

void TestCliHarvest::faults_data()
{
    QTest::addColumn<QString>("faults");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("message");
    QTest::newRow("a slow server within the timeout")
        << "&delay=300&at=2" << QStringList { u"--max-pages"_qs, u"3"_qs } << 0 << 30 << "Done";
    QTest::newRow("an error status on page 3 keeps pages 1 and 2")
        << "&status=503&at=3" << QStringList {} << 1 << 20 << "The server answered 503";
    QTest::newRow("a connection closed without an answer") << "&drop=1&at=2" << QStringList {} << 1 << 10 << "failed";
    QTest::newRow("a connection closed halfway through a page")
        << "&drop=mid&at=4" << QStringList {} << 1 << 30 << "HttpSendRequest failed 12030";
    QTest::newRow("a page that drips in slower than the timeout")
        << "&drip=50&at=2" << QStringList { u"--timeout"_qs, u"1"_qs } << 1 << 10 << "HttpSendRequest failed 12002";
    QTest::newRow("a page over the size cap")
        << "&huge=30&at=2" << QStringList {} << 1 << 10 << "larger than the limit";
    QTest::newRow("a page in Windows-1252")
        << "&charset=windows-1252" << QStringList { u"--max-pages"_qs, u"2"_qs } << 0 << 20 << "Done";
    QTest::newRow("a page declared only in its meta tag")
        << "&charset=windows-1252&declare=meta" << QStringList { u"--max-pages"_qs, u"2"_qs } << 0 << 20 << "Done";
    QTest::newRow("redirects before every page")
        << "&redirect=3" << QStringList { u"--max-pages"_qs, u"2"_qs } << 0 << 20 << "Done";
}

void TestCliHarvest::faults()
{
    QFETCH(QString, faults);
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(int, rows);
    QFETCH(QString, message);
    const QString out = m_dir + u"/faults.csv"_qs;
    QFile::remove(out);
    const CliRun r = cli(QStringList { u"grab"_qs, u"--engine"_qs, u"demo-page"_qs, u"--url"_qs,
                             base() + u"page/"_qs + kSearch + faults, u"--out"_qs, out }
        + options);
    QVERIFY2(r.exitCode == exitCode, qPrintable(r.err));
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    GridModel t;
    QVERIFY(GridFile::load(t, out, FileKind::Comma));
    QCOMPARE(t.rows(), 1 + rows);

    // The same listings as a clean run: nothing garbled by the fault.
    const CliRun clean = cli({ u"grab"_qs, u"--engine"_qs, u"demo-page"_qs, u"--url"_qs, base() + u"page/"_qs + kSearch,
        u"--max-pages"_qs, QString::number((rows + 9) / 10) });
    QCOMPARE(clean.exitCode, 0);
    QFile written(out);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(written.readAll()), QString::fromUtf8(clean.out));
}

void TestCliHarvest::interruptStopsAndKeepsTheRows()
{
    const QString out = m_dir + u"/interrupted.csv"_qs;
    QProcess p;
    p.start(QStringLiteral(DQ_BIN_DIR "/dirquill-cli"),
        { u"grab"_qs, u"--engine"_qs, u"demo-page"_qs, u"--url"_qs, base() + u"page/"_qs + kSearch + u"&delay=800"_qs,
            u"--out"_qs, out });
    QVERIFY(p.waitForStarted());
    // Interrupt once the first page is in.
    QString progress;
    QTRY_VERIFY_WITH_TIMEOUT(
        (progress += QString::fromUtf8(p.readAllStandardError())).contains(u"10 in all"_qs), 10000);
    ::kill(pid_t(p.processId()), SIGINT);
    QVERIFY(p.waitForFinished(10000));
    progress += QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(p.exitCode(), 130);
    QVERIFY2(progress.contains(u"Cancel: 11 listings"_qs), qPrintable(progress));
    GridModel t;
    QVERIFY(GridFile::load(t, out, FileKind::Comma));
    QCOMPARE(t.rows(), 1 + 11);
}

void TestCliHarvest::appendAddsBelowTheSavedRows()
{
    const QString out = m_dir + u"/append.tsy"_qs;
    const QString url = base() + u"item/"_qs + kSearch;
    QCOMPARE(cli({ u"grab"_qs, u"--engine"_qs, u"demo-item"_qs, u"--url"_qs, url, u"--out"_qs, out, u"--max-pages"_qs,
                     u"1"_qs })
                 .exitCode,
        0);
    const CliRun r = cli({ u"grab"_qs, u"--engine"_qs, u"demo-item"_qs, u"--url"_qs, url, u"--out"_qs, out,
        u"--append"_qs, u"--max-pages"_qs, u"2"_qs });
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    GridModel t;
    QVERIFY(GridFile::load(t, out, FileKind::Native));
    QCOMPARE(t.rows(), 1 + 10 + 20);
    QCOMPARE(t.text(1, 7), t.text(11, 7));
    QVERIFY(t.text(21, 7) != t.text(11, 7));
}

void TestCliHarvest::commaTextOnStandardOutput()
{
    const CliRun r = cli({ u"grab"_qs, u"--engine"_qs, u"Demo Directory - Next links"_qs, u"--url"_qs,
        base() + u"next/"_qs + kSearch, u"--max-pages"_qs, u"1"_qs });
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    const QList<QByteArray> lines = r.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 11);
    QVERIFY(lines.first().startsWith("Name,Street,City,State,Zip Code,Phone,Web Site,E-mail"));
    QVERIFY2(r.err.contains(u"page 1: 10 listings"_qs), qPrintable(r.err));
}

void TestCliHarvest::enginesAreListedInOrder()
{
    const CliRun r = cli({ u"engines"_qs });
    QCOMPARE(r.exitCode, 0);
    const QStringList lines = QString::fromUtf8(r.out).trimmed().split(u'\n');
    QCOMPARE(lines.size(), 5);
    QVERIFY(lines.first().startsWith(u"1\tDemo Directory - page numbers\tdemo-page.key\t"_qs));

    const CliRun missing = cli({ u"engines"_qs, u"--sites"_qs, m_dir + u"/no-such.bin"_qs });
    QCOMPARE(missing.exitCode, 1);
    QVERIFY(missing.err.contains(u"no-such.bin"_qs));
}

void TestCliHarvest::testRulesShowsOnePage()
{
    // Save one result page the way a key-file author would, then cut it.
    const QString page = m_dir + u"/saved.html"_qs;
    const QString url = base() + u"page/"_qs + kSearch + u"&page=3"_qs;
    {
        const CliRun fetched = cli({ u"grab"_qs, u"--key"_qs, QStringLiteral(DQ_BIN_DIR "/demo-page.key"), u"--url"_qs,
            url, u"--max-pages"_qs, u"1"_qs });
        QCOMPARE(fetched.exitCode, 0);
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, quint16(m_port));
        QVERIFY(s.waitForConnected(5000));
        s.write("GET /page/" + kSearch.toUtf8() + "&page=3 HTTP/1.0\r\nHost: x\r\n\r\n");
        QByteArray all;
        while (s.waitForReadyRead(5000))
            all += s.readAll();
        all += s.readAll();
        QFile f(page);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(all.mid(all.indexOf("\r\n\r\n") + 4));
        f.close();
        const CliRun r = cli({ u"test-rules"_qs, u"--key"_qs, QStringLiteral(DQ_BIN_DIR "/demo-page.key"), u"--page"_qs,
            page, u"--url"_qs, url });
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(r.out, fetched.out);
        QVERIFY2(r.err.contains(u"10 listings"_qs), qPrintable(r.err));
        // The saved page counts as the first page of a run.
        QVERIFY2(r.err.contains(u"Next address: http://127.0.0.1:"_qs + QString::number(m_port)
                     + u"/page/search?category=plumbers&city=austin&state=tx&page=2"_qs),
            qPrintable(r.err));
    }
}

void TestCliHarvest::badUse_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("grab without an address")
        << QStringList { u"grab"_qs, u"--engine"_qs, u"demo-page"_qs } << 2 << "--url";
    QTest::newRow("grab with both an engine and a key")
        << QStringList { u"grab"_qs, u"--engine"_qs, u"a"_qs, u"--key"_qs, u"b"_qs, u"--url"_qs, u"http://x/"_qs } << 2
        << "either --engine or --key";
    QTest::newRow("grab with an unknown engine") << QStringList { u"grab"_qs, u"--engine"_qs, u"Nowhere"_qs,
        u"--url"_qs, u"http://x/"_qs } << 1 << "no engine 'Nowhere'";
    QTest::newRow("grab with a missing key file") << QStringList { u"grab"_qs, u"--key"_qs, u"/no/such.key"_qs,
        u"--url"_qs, u"http://x/"_qs } << 1 << "/no/such.key";
    QTest::newRow("grab with a bad page count") << QStringList { u"grab"_qs, u"--engine"_qs, u"demo-page"_qs,
        u"--url"_qs, u"http://x/"_qs, u"--max-pages"_qs, u"0"_qs }
                                                << 2 << "--max-pages";
    QTest::newRow("append without an output file")
        << QStringList { u"grab"_qs, u"--engine"_qs, u"demo-page"_qs, u"--url"_qs, u"http://x/"_qs, u"--append"_qs }
        << 2 << "--append needs --out";
    QTest::newRow("test-rules without a page")
        << QStringList { u"test-rules"_qs, u"--key"_qs, u"k"_qs } << 2 << "--page";
}

void TestCliHarvest::badUse()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const CliRun r = cli(args);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
}

QTEST_GUILESS_MAIN(TestCliHarvest)
#include "tst_cli_harvest.moc"
