// dirquill-cli grab in the browser's ways and at a polite pace, against dirquill-demo-site's
// cookie-wall and script-built styles and its rate-limit switch.
#include "support/demoharvest.h"

#include <QTest>

using namespace dq;
using test::CliRun;

class TestCliBrowserFetch : public QObject
{
    Q_OBJECT

    test::DemoSite m_site;
    QString m_dir;

private slots:
    void initTestCase()
    {
        const QString failure = m_site.start();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        m_dir = test::tempDir();
        QFile cookies(m_dir + u"/cookies.txt"_qs);
        QVERIFY(cookies.open(QIODevice::WriteOnly));
        cookies.write("# Netscape HTTP Cookie File\n127.0.0.1\tFALSE\t/wall\tFALSE\t0\tdq_consent\tyes\n");
    }

    void grab_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("path"); // after the style's search address
        QTest::addColumn<QString>("options"); // COOKIES stands for the cookies.txt file
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("message");
        QTest::newRow("the cookie wall turns the plain client away")
            << "demo-wall" << QString() << "--browser plain" << 0 << 0 << "Done: 0 listings";
        QTest::newRow("a cookies.txt passes the cookie wall")
            << "demo-wall" << QString() << "--cookies COOKIES" << 0 << 250 << "Done: 250 listings";
        QTest::newRow("the plain client finds no listing in a script-built page")
            << "demo-script" << QString() << "--browser plain" << 0 << 0 << "Done: 0 listings";
        QTest::newRow("a browser page grabs every listing of the script-built style")
            << "demo-script" << QString() << "--max-pages 25" << 0 << 250 << "Done: 250 listings";
        QTest::newRow("a pause of a second stays under two requests a second")
            << "demo-page" << u"&ratelimit=2"_qs << "--retries 0 --delay 1 --max-pages 4" << 0 << 40 << "Done";
        QTest::newRow("without a pause the rate limit ends the grab")
            << "demo-page" << u"&ratelimit=3"_qs << "--retries 0" << 1 << 30 << "The server answered 429";
    }
    void grab()
    {
        QFETCH(QString, engine);
        QFETCH(QString, path);
        QFETCH(QString, options);
        QFETCH(int, exitCode);
        QFETCH(int, rows);
        QFETCH(QString, message);
        if (engine == u"demo-script" && !options.contains(u"plain"_qs)
            && !QFile::exists(QStringLiteral(DQ_BIN_DIR "/dirquill-cli-browser")))
            QSKIP("dirquill-cli-browser is not built here (a build without the browser engine)");
        const QString out = m_dir + u"/grab.csv"_qs;
        QFile::remove(out);
        const CliRun r = test::grabCli(engine, test::demoSearch(m_site, engine.mid(5) + u'/', path), out,
            test::args(options.replace(u"COOKIES"_qs, m_dir + u"/cookies.txt"_qs)));
        QVERIFY2(r.exitCode == exitCode, qPrintable(r.err));
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        GridModel t;
        QVERIFY(GridFile::load(t, out, FileKind::Comma));
        QCOMPARE(t.rows(), 1 + rows);
    }
};

QTEST_GUILESS_MAIN(TestCliBrowserFetch)
#include "tst_cli_browserfetch.moc"
