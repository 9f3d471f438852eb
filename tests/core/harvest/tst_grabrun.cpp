// A grab run against a scripted loopback server: pages into the table, Stop, colours, busy
// pages tried again, and addresses that are no web pages refused.
#include "core/grid/gridmodel.h"
#include "core/harvest/browsersession.h"
#include "core/harvest/grabrun.h"
#include "core/harvest/retrypolicy.h"
#include "support/testsupport.h"

#include "httpfixture.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace dq;
using dq::test::HttpFixture;
using Kind = RetryPolicy::Decision::Kind;

namespace {

// Result pages:  <div id="results"><ul><li>Name|Phone|</li>...</ul><a next="URL">
KeyRules rules(const QString &fetchMode = {})
{
    KeyRules k;
    k.fetchMode = fetchMode;
    k.listStart = u"<li>"_qs;
    k.listEnd = u"</ul>"_qs;
    k.listingEnd = u"</li>"_qs;
    k.pageCheck = u"<div id=\"results\">"_qs;
    k.nextMethod = u"Next"_qs;
    k.nextLinkBegin = u"<a next=\""_qs;
    k.nextLinkEnd = u"\">"_qs;
    k.fields = { { 0, u"|"_qs, -1, 0 }, { 5, u"|"_qs, -1, 0 } };
    k.titles = { { 0, u"Business"_qs }, { 5, u"Telephone"_qs } };
    return k;
}

QByteArray resultPage(const QStringList &names, const QString &next = QString())
{
    QByteArray p = "<html><div id=\"results\"><ul>";
    for (const QString &n : names)
        p += "<li>" + n.toUtf8() + "|555-0000|</li>";
    p += "</ul>";
    if (!next.isEmpty())
        p += "<a next=\"" + next.toUtf8() + "\">more</a>";
    return p + "</html>";
}

QStringList names(const QString &prefix, int count)
{
    QStringList out;
    for (int i = 1; i <= count; ++i)
        out << prefix + QString::number(i);
    return out;
}

QStringList column(const GridModel &t, int col)
{
    QStringList out;
    for (int r = 1; r < t.rows(); ++r)
        out << t.text(r, col);
    return out;
}

// A grab into a record table as New leaves it (13 columns, a title row, 20 blank rows),
// cut down to the given number of rows.
struct Run
{
    explicit Run(int rows = 21)
    {
        table.setCols(13);
        table.setRows(rows);
        table.setText(0, 0, u"Name"_qs);
        table.setText(0, 5, u"Phone"_qs);
    }
    GridModel table;
    GrabRun run { &table };
    QSignalSpy finished { &run, &GrabRun::finished };
    QSignalSpy status { &run, &GrabRun::statusText };
    QSignalSpy inserted { &table, &QAbstractItemModel::rowsInserted };

    GrabRun::End waitEnd()
    {
        if (finished.isEmpty() && !finished.wait(15000))
            return GrabRun::End::Failed;
        return finished.first().first().value<GrabRun::End>();
    }
    QString endMessage() const { return finished.isEmpty() ? QString() : finished.first().at(1).toString(); }
};

const QDateTime kNow(QDate(2026, 12, 6), QTime(14, 0), Qt::UTC);

} // namespace

class TestGrabRun : public QObject
{
    Q_OBJECT

private slots:
    void freshTableIsReplacedByTheFirstPage()
    {
        HttpFixture server;
        server.page("/p1", resultPage(names(u"A"_qs, 3), server.base() + u"/results/page-2"_qs));
        server.page("/results/page-2", resultPage(names(u"B"_qs, 2)));
        Run r;
        r.run.setFresh(true);
        QSignalSpy fresh(&r.run, &GrabRun::freshCleared);
        QSignalSpy pages(&r.run, &GrabRun::pageStarted);
        r.inserted.clear();
        QVERIFY(r.run.start(rules(), server.base() + u"/p1"_qs));
        QVERIFY(r.run.isRunning());
        QVERIFY(!r.run.start(rules(), server.base() + u"/other"_qs));
        QCOMPARE(r.waitEnd(), GrabRun::End::Done);
        QVERIFY(!server.paths.contains("/other"));
        QCOMPARE(r.status.last().first().toString(), u" Done"_qs);
        QCOMPARE(column(r.table, 0), QStringList({ u"A1"_qs, u"A2"_qs, u"A3"_qs, u"B1"_qs, u"B2"_qs }));
        QCOMPARE(r.table.text(1, 5), u"555-0000"_qs);
        QCOMPARE(r.table.text(0, 5), u"Telephone"_qs);
        QCOMPARE(fresh.count(), 1);
        QVERIFY(!r.run.isFresh());
        QCOMPARE(r.run.grabbedCount(), 5);
        QCOMPARE(pages.count(), 2);
        // One model insert per page, not one per listing.
        QCOMPARE(r.inserted.count(), 2);
        QCOMPARE(r.table.row(), 5);
    }
    void firstPageWithoutCheckMarkerLeavesPlaceholders()
    {
        HttpFixture server;
        server.page("/p1", "<html>No results for your search</html>");
        Run r;
        r.run.setFresh(true);
        QVERIFY(r.run.start(rules(), server.base() + u"/p1"_qs));
        QCOMPARE(r.waitEnd(), GrabRun::End::Done);
        QCOMPARE(r.table.rows(), 21);
        QVERIFY(r.run.isFresh());
        QCOMPARE(r.run.grabbedCount(), 0);
    }
    void stopDuringDownloadAbortsIt()
    {
        HttpFixture server;
        server.page("/p1", resultPage(names(u"A"_qs, 2), server.base() + u"/results/page-2"_qs));
        server.answer("/results/page-2", { .hold = true });
        server.page("/results/page-3", resultPage(names(u"C"_qs, 4)));
        Run r(1);
        r.run.setBatchColors({ Qt::black, Qt::blue });
        server.onRequest = [&r](const QByteArray &path) {
            if (path == "/results/page-2") {
                r.run.stop();
                // " Cancel" shows at once; the run ends once the fetch is aborted, not from inside stop().
                QCOMPARE(r.status.last().first().toString(), u" Cancel"_qs);
                QVERIFY(r.finished.isEmpty());
            }
        };
        // The page never answers: only the abort can end the run before the minute is up.
        QVERIFY(r.run.start(rules(), server.base() + u"/p1"_qs));
        QCOMPARE(r.waitEnd(), GrabRun::End::Cancelled);
        QCOMPARE(r.endMessage(), u" Cancel"_qs);
        // The status no longer animates once the run has ended.
        const qsizetype statuses = r.status.size();
        QVERIFY(!r.status.wait(3 * GrabRun::kAnimationMs));
        QCOMPARE(r.status.size(), statuses);
        QCOMPARE(column(r.table, 0), QStringList({ u"A1"_qs, u"A2"_qs }));
        // A run ended by Stop is not coloured.
        QCOMPARE(r.table.cellFormat(1, 0).hasFore, false);
        QCOMPARE(r.run.batchColorIndex(), 0);

        // The Stop of that run does not carry over into the next one.
        r.finished.clear();
        server.onRequest = nullptr;
        QVERIFY(r.run.start(rules(), server.base() + u"/results/page-3"_qs));
        QCOMPARE(r.waitEnd(), GrabRun::End::Done);
        QCOMPARE(r.table.rows(), 1 + 2 + 4);
    }
    void batchColouring()
    {
        HttpFixture server;
        server.page("/p1", resultPage(names(u"A"_qs, 2)));
        server.page("/p2", resultPage(names(u"B"_qs, 1)));
        Run r(2);
        r.table.setText(1, 0, u"older"_qs);
        const QList<QColor> colours { Qt::black, QColor(0, 0, 255), QColor(255, 0, 0) };
        r.run.setBatchColors(colours);
        QVERIFY(r.run.start(rules(), server.base() + u"/p1"_qs));
        QCOMPARE(r.waitEnd(), GrabRun::End::Done);
        QCOMPARE(r.run.batchColorIndex(), 1);
        QVERIFY(!r.table.cellFormat(1, 0).hasFore);
        for (const auto &[row, col] : { std::pair(2, 0), std::pair(3, 12) }) {
            QVERIFY(r.table.cellFormat(row, col).hasFore);
            QCOMPARE(QColor(r.table.cellFormat(row, col).fore), QColor(0, 0, 255));
        }
        r.finished.clear();
        r.run.setBatchColorIndex(2);
        QVERIFY(r.run.start(rules(), server.base() + u"/p2"_qs));
        QCOMPARE(r.waitEnd(), GrabRun::End::Done);
        QCOMPARE(r.run.batchColorIndex(), 0);
        QCOMPARE(QColor(r.table.cellFormat(4, 3).fore), QColor(Qt::black));
        QCOMPARE(QColor(r.table.cellFormat(3, 3).fore), QColor(0, 0, 255));

        // Black alone is no list of colours: nothing is coloured.
        r.finished.clear();
        r.run.setBatchColors({ Qt::black });
        QVERIFY(r.run.start(rules(), server.base() + u"/p2"_qs));
        QCOMPARE(r.waitEnd(), GrabRun::End::Done);
        QVERIFY(!r.table.cellFormat(5, 0).hasFore);
    }
    void fetchModeDecidesHowAddressesAreAsked_data()
    {
        QTest::addColumn<QString>("fetchMode");
        QTest::addColumn<QList<QByteArray>>("paths");
        QTest::newRow("an empty fetch mode asks lower-cased addresses")
            << QString() << QList<QByteArray> { "/list/austin-plumbers", "/list/austin-plumbers?pg=2" };
        QTest::newRow("a fetch mode asks addresses as they stand")
            << u"Inet"_qs << QList<QByteArray> { "/List/Austin-Plumbers", "/List/Austin-Plumbers?PG=2" };
    }
    void fetchModeDecidesHowAddressesAreAsked()
    {
        QFETCH(QString, fetchMode);
        QFETCH(QList<QByteArray>, paths);
        HttpFixture server;
        server.page(paths[0], resultPage({ u"one"_qs }));
        server.page(paths[1], resultPage({ u"two"_qs }));
        KeyRules k = rules();
        k.fetchMode = fetchMode;
        k.nextMethod = u"Page"_qs;
        k.k7 = u"?PG="_qs;
        k.k8 = u"?PG=2"_qs;
        Run r(1);
        r.run.setMaxPages(2);
        QVERIFY(r.run.start(k, server.base() + u"/List/Austin-Plumbers"_qs));
        QCOMPARE(r.waitEnd(), GrabRun::End::Done);
        QCOMPARE(server.paths, paths);
        QCOMPARE(column(r.table, 0), QStringList({ u"one"_qs, u"two"_qs }));
    }
    void animation_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("next");
        QTest::newRow("an empty status starts with one mark") << QString() << u" Grabbing >"_qs;
        QTest::newRow("each tick adds a mark") << u" Grabbing >>>"_qs << u" Grabbing >>>>"_qs;
        QTest::newRow("eight marks are the most") << u" Grabbing >>>>>>>"_qs << u" Grabbing >>>>>>>>"_qs;
        QTest::newRow("the tick that would make nineteen characters empties it")
            << u" Grabbing >>>>>>>>"_qs << QString();
        QTest::newRow("a status left from elsewhere gains marks too") << u" Cancel"_qs << u" Cancel>"_qs;
    }
    void animation()
    {
        QFETCH(QString, current);
        QFETCH(QString, next);
        QCOMPARE(GrabRun::animationStep(current), next);
    }
    void retryAfterIsRead_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<qint64>("seconds");
        QTest::newRow("seconds") << QByteArray("120") << qint64(120);
        QTest::newRow("an HTTP date") << QByteArray("Sun, 06 Dec 2026 14:00:30 GMT") << qint64(30);
        QTest::newRow("an old two-digit-year date") << QByteArray("Sunday, 06-Dec-26 14:01:00 GMT") << qint64(60);
        QTest::newRow("an asctime date") << QByteArray("Sun Dec  6 14:00:10 2026") << qint64(10);
        QTest::newRow("a date gone by asks for no wait") << QByteArray("Sun, 06 Dec 2026 13:00:00 GMT") << qint64(0);
        QTest::newRow("no header") << QByteArray() << qint64(-1);
        QTest::newRow("words") << QByteArray("soon") << qint64(-1);
        QTest::newRow("a negative number") << QByteArray("-5") << qint64(-1);
    }
    void retryAfterIsRead()
    {
        QFETCH(QByteArray, value);
        QFETCH(qint64, seconds);
        QCOMPARE(RetryPolicy::retryAfterSeconds(value, kNow), seconds);
    }

    void decisions_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("dropped");
        QTest::addColumn<QByteArray>("retryAfter");
        QTest::addColumn<int>("retriesDone");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<qint64>("shortest"); // wait at jitter -1
        QTest::addColumn<qint64>("longest"); // wait at jitter +1
        const auto row = [](const char *name, int status, bool dropped, const char *retryAfter, int retriesDone,
                             Kind kind, qint64 shortest, qint64 longest) {
            QTest::newRow(name) << status << dropped << QByteArray(retryAfter) << retriesDone << kind << shortest
                                << longest;
        };
        row("a first 503 waits a second, give or take 20 %", 503, false, "", 0, Kind::Retry, 800, 1200);
        row("the third try waits four", 502, false, "", 2, Kind::Retry, 3200, 4800);
        row("a dropped connection is tried again", 0, true, "", 0, Kind::Retry, 800, 1200);
        row("Retry-After is waited exactly", 429, false, "7", 0, Kind::Retry, 7000, 7000);
        row("five minutes is still waited", 503, false, "300", 0, Kind::Retry, 300000, 300000);
        row("longer than five minutes is not", 429, false, "301", 0, Kind::TooLong, 0, 0);
        row("a 404 is final", 404, false, "1", 0, Kind::GiveUp, 0, 0);
        row("after the last retry the page fails", 503, false, "", 3, Kind::GiveUp, 0, 0);
    }
    void decisions()
    {
        QFETCH(int, status);
        QFETCH(bool, dropped);
        QFETCH(QByteArray, retryAfter);
        QFETCH(int, retriesDone);
        const auto low = RetryPolicy::decide(status, dropped, retryAfter, retriesDone, 3, kNow, -1);
        const auto high = RetryPolicy::decide(status, dropped, retryAfter, retriesDone, 3, kNow, 1);
        QTEST(low.kind, "kind");
        QTEST(low.waitMs, "shortest");
        QTEST(high.waitMs, "longest");
    }

    // Page 1 is fine; page 2 fails `failures` times (always when -1), then comes.
    void aGrabLivesThroughBusyPages_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("retryAfter");
        QTest::addColumn<int>("dropAfter");
        QTest::addColumn<int>("failures");
        QTest::addColumn<int>("retries");
        QTest::addColumn<int>("requests"); // of page 2
        QTest::addColumn<QString>("waitText"); // the first countdown, empty when none
        QTest::addColumn<QString>("message"); // part of the failure message, empty for a normal end
        QTest::newRow("a 503 asking for a second, then the page keeps every row")
            << 503 << QByteArray("1") << -1 << 1 << 3 << 2 << u"Waiting 1 s: the site asked to slow down"_qs
            << QString();
        QTest::newRow("a connection dropped mid-page is tried again")
            << 200 << QByteArray() << 5 << 1 << 3 << 2 << u" s: the site is busy"_qs << QString();
        QTest::newRow("a page failing every try ends after the fourth with the rows before it")
            << 503 << QByteArray("0") << -1 << -1 << 3 << 4 << QString() << u"second-page (4 tries)"_qs;
        QTest::newRow("no retries at all when turned off")
            << 503 << QByteArray("0") << -1 << -1 << 0 << 1 << QString() << u"The server answered 503"_qs;
        QTest::newRow("an hour's wait ends the grab at once and says how long")
            << 429 << QByteArray("3600") << -1 << -1 << 3 << 1 << QString()
            << u"The site asked to wait 1 h before the next try, longer than the 5 min a grab waits"_qs;
    }
    void aGrabLivesThroughBusyPages()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, retryAfter);
        QFETCH(int, dropAfter);
        QFETCH(int, failures);
        QFETCH(int, retries);
        QFETCH(int, requests);
        QFETCH(QString, waitText);
        QFETCH(QString, message);
        HttpFixture server;
        server.page("/p1", resultPage(names(u"A"_qs, 3), server.base() + u"/results/second-page"_qs));
        int asked = 0;
        server.onRequest = [&](const QByteArray &path) {
            if (path != "/results/second-page")
                return;
            HttpFixture::Answer a { .body = resultPage(names(u"B"_qs, 2)) };
            if (failures < 0 || asked++ < failures) {
                a.status = status;
                a.dropAfter = dropAfter;
                if (!retryAfter.isEmpty())
                    a.headers = { { "Retry-After", retryAfter } };
            }
            server.answer("/results/second-page", a);
        };
        Run r(1);
        r.run.setRetries(retries);
        QSignalSpy waits(&r.run, &GrabRun::waiting);
        QVERIFY(r.run.start(rules(), server.base() + u"/p1"_qs));
        QCOMPARE(r.waitEnd(), message.isEmpty() ? GrabRun::End::Done : GrabRun::End::Failed);
        QCOMPARE(int(server.paths.count("/results/second-page")), requests);
        QCOMPARE(waits.isEmpty(), waitText.isEmpty());
        if (!waitText.isEmpty()) {
            QVERIFY2(waits.first().first().toString().endsWith(waitText), qPrintable(waits.first().first().toString()));
            QCOMPARE(waits.last().first().toString(), QString()); // the countdown ends
        }
        QVERIFY2(r.endMessage().contains(message), qPrintable(r.endMessage()));
        QCOMPARE(column(r.table, 0).join(QString()), message.isEmpty() ? u"A1A2A3B1B2"_qs : u"A1A2A3"_qs);
    }

    void stopDuringAWaitEndsAtOnceKeepingTheRows()
    {
        HttpFixture server;
        server.page("/p1", resultPage(names(u"A"_qs, 3), server.base() + u"/results/second-page"_qs));
        server.answer("/results/second-page", { .status = 503, .headers = { { "Retry-After", "120" } } });
        Run r(1);
        QSignalSpy waits(&r.run, &GrabRun::waiting);
        QVERIFY(r.run.start(rules(), server.base() + u"/p1"_qs));
        QVERIFY(waits.wait(10000));
        QCOMPARE(waits.first().first().toString(), u"Waiting 120 s: the site asked to slow down"_qs);
        r.run.stop();
        // Far sooner than the two minutes the site asked for.
        QCOMPARE(r.waitEnd(), GrabRun::End::Cancelled);
        QCOMPARE(column(r.table, 0).join(QString()), u"A1A2A3"_qs);
        QCOMPARE(int(server.paths.count("/results/second-page")), 1);
    }

    void cookiesTxtLines_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("domain"); // empty: the line gives no cookie
        QTest::addColumn<bool>("secure");
        QTest::addColumn<bool>("httpOnly");
        const auto row = [](const char *name, const char *line, const char *domain, bool secure, bool httpOnly) {
            QTest::newRow(name) << QByteArray(line) << QString::fromUtf8(domain) << secure << httpOnly;
        };
        row("a host-only cookie", "127.0.0.1\tFALSE\t/wall\tFALSE\t0\tdq_consent\tyes", "127.0.0.1", false, false);
        row("a cookie for the subdomains too", "example.com\tTRUE\t/\tTRUE\t4102444800\tid\t7", ".example.com", true,
            false);
        row("an HTTP-only cookie as curl writes it", "#HttpOnly_.example.com\tTRUE\t/\tFALSE\t0\tsid\tx",
            ".example.com", false, true);
        row("an expired cookie is left out", "example.com\tFALSE\t/\tFALSE\t1000\told\tx", "", false, false);
        row("a comment", "# Netscape HTTP Cookie File", "", false, false);
        row("a line with six fields", "example.com\tFALSE\t/\tFALSE\t0\tname", "", false, false);
    }
    void cookiesTxtLines()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, domain);
        QFETCH(bool, secure);
        QFETCH(bool, httpOnly);
        const QList<QNetworkCookie> cookies = BrowserSession::parseCookiesTxt(line + "\r\n", kNow);
        QCOMPARE(cookies.size(), domain.isEmpty() ? 0 : 1);
        if (domain.isEmpty())
            return;
        QCOMPARE(cookies.first().domain(), domain);
        QCOMPARE(cookies.first().isSecure(), secure);
        QCOMPARE(cookies.first().isHttpOnly(), httpOnly);
    }

    void onlyWebAddressesAreFetched_data()
    {
        QTest::addColumn<QString>("fetchMode");
        QTest::addColumn<QString>("where"); // start, next or redirect
        QTest::addColumn<QString>("message");
        for (const QString &mode : { u"1"_qs, QString() }) {
            const QString in = mode.isEmpty() ? u" with the HTTP GET form"_qs : u" opening addresses as given"_qs;
            QTest::addRow("a start page on the local disk is refused%s", qPrintable(in))
                << mode << u"start"_qs << u"not an http or https address"_qs;
            QTest::addRow("a next link to a local file with http:// in its query is refused%s", qPrintable(in))
                << mode << u"next"_qs << u"not an http or https address"_qs;
            QTest::addRow("a redirect to a local file is refused%s", qPrintable(in))
                << mode << u"redirect"_qs << u""_qs;
        }
    }
    void onlyWebAddressesAreFetched()
    {
        QFETCH(QString, fetchMode);
        QFETCH(QString, where);
        QFETCH(QString, message);
        // A local file that would give a row if it were ever read.
        const QString local = dq::test::tempDir() + u"/local.html"_qs;
        QFile file(local);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(resultPage({ u"LOCAL"_qs }));
        file.close();
        const QString fileUrl = u"file://localhost"_qs + local + u"?u=http://example.com/results"_qs;

        HttpFixture server;
        server.page("/p1", resultPage({ u"WEB"_qs }, fileUrl));
        server.answer("/moved", { .status = 302, .headers = { { "Location", "file://" + local.toUtf8() } } });
        Run r(1);
        const QString start
            = where == u"start" ? fileUrl : server.base() + (where == u"next" ? u"/p1"_qs : u"/moved"_qs);
        QVERIFY(r.run.start(rules(fetchMode), start));
        QCOMPARE(r.waitEnd(), GrabRun::End::Failed);
        QVERIFY2(r.endMessage().contains(message), qPrintable(r.endMessage()));
        QVERIFY(!column(r.table, 0).contains(u"LOCAL"_qs));
    }
};

QTEST_GUILESS_MAIN(TestGrabRun)
#include "tst_grabrun.moc"
