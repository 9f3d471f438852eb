#include "core/grid/gridmodel.h"
#include "core/harvest/browsersession.h"
#include "core/harvest/grabrun.h"
#include "core/harvest/retrypolicy.h"

#include "httpfixture.h"

#include <QLocale>
#include <QSignalSpy>
#include <QTest>

using namespace dq;
using dq::test::HttpFixture;
using Kind = RetryPolicy::Decision::Kind;

namespace {

const QDateTime kNow(QDate(2026, 12, 6), QTime(14, 0), Qt::UTC);

KeyRules rules()
{
    KeyRules k;
    k.listStart = u"<li>"_qs;
    k.listEnd = u"</ul>"_qs;
    k.listingEnd = u"</li>"_qs;
    k.pageCheck = u"<ul>"_qs;
    k.nextMethod = u"Next"_qs;
    k.nextLinkBegin = u"<a next=\""_qs;
    k.nextLinkEnd = u"\">"_qs;
    k.fields = { { 0, u"|"_qs, -1, 0 } };
    return k;
}

QByteArray page(const QByteArray &names, const QString &next = {})
{
    QByteArray p = "<ul>";
    for (const char c : names)
        p += QByteArray("<li>") + c + "|</li>";
    return p + "</ul>" + (next.isEmpty() ? QByteArray() : "<a next=\"" + next.toUtf8() + "\">");
}

QByteArray httpDate(const QDateTime &when)
{
    return QLocale::c().toString(when.toUTC(), u"ddd, dd MMM yyyy HH:mm:ss 'GMT'"_qs).toLatin1();
}

QStringList names(const GridModel &t)
{
    QStringList out;
    for (int r = 1; r < t.rows(); ++r)
        out << t.text(r, 0);
    return out;
}

} // namespace

// Busy answers and dropped connections: which are tried again, how long the grab waits, and
// what the user is left with when the site keeps refusing.
class TestRetries : public QObject
{
    Q_OBJECT

private slots:
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
        QTest::addColumn<int>("kind");
        QTest::addColumn<qint64>("shortest"); // wait at jitter -1
        QTest::addColumn<qint64>("longest"); // wait at jitter +1
        QTest::newRow("a first 503 waits a second, give or take 20 %")
            << 503 << false << QByteArray() << 0 << int(Kind::Retry) << 800LL << 1200LL;
        QTest::newRow("the third try waits four")
            << 502 << false << QByteArray() << 2 << int(Kind::Retry) << 3200LL << 4800LL;
        QTest::newRow("a dropped connection is tried again")
            << 0 << true << QByteArray() << 0 << int(Kind::Retry) << 800LL << 1200LL;
        QTest::newRow("Retry-After is waited exactly")
            << 429 << false << QByteArray("7") << 0 << int(Kind::Retry) << 7000LL << 7000LL;
        QTest::newRow("five minutes is still waited")
            << 503 << false << QByteArray("300") << 0 << int(Kind::Retry) << 300000LL << 300000LL;
        QTest::newRow("longer than five minutes is not")
            << 429 << false << QByteArray("301") << 0 << int(Kind::TooLong) << 0LL << 0LL;
        QTest::newRow("a 404 is final") << 404 << false << QByteArray("1") << 0 << int(Kind::GiveUp) << 0LL << 0LL;
        QTest::newRow("after the last retry the page fails")
            << 503 << false << QByteArray() << 3 << int(Kind::GiveUp) << 0LL << 0LL;
    }
    void decisions()
    {
        QFETCH(int, status);
        QFETCH(bool, dropped);
        QFETCH(QByteArray, retryAfter);
        QFETCH(int, retriesDone);
        QFETCH(int, kind);
        QFETCH(qint64, shortest);
        QFETCH(qint64, longest);
        const auto low = RetryPolicy::decide(status, dropped, retryAfter, retriesDone, 3, kNow, -1);
        const auto high = RetryPolicy::decide(status, dropped, retryAfter, retriesDone, 3, kNow, 1);
        QCOMPARE(int(low.kind), kind);
        QCOMPARE(low.waitMs, shortest);
        QCOMPARE(high.waitMs, longest);
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
            << 503 << QByteArray("1") << -1 << 1 << 3 << 2 << "Waiting 1 s: the site asked to slow down"
            << "";
        QTest::newRow("an HTTP date is honoured")
            << 429 << QByteArray("DATE+1") << -1 << 1 << 3 << 2 << "the site asked to slow down"
            << "";
        QTest::newRow("a connection dropped mid-page is tried again")
            << 200 << QByteArray() << 5 << 1 << 3 << 2 << " s: the site is busy"
            << "";
        QTest::newRow("a page failing every try ends after the fourth with the rows before it")
            << 503 << QByteArray("0") << -1 << -1 << 3 << 4 << ""
            << "second-page (4 tries)";
        QTest::newRow("no retries at all when turned off") << 503 << QByteArray("0") << -1 << -1 << 0 << 1 << ""
                                                           << "The server answered 503";
        QTest::newRow("an hour's wait ends the grab at once and says how long")
            << 429 << QByteArray("3600") << -1 << -1 << 3 << 1 << ""
            << "The site asked to wait 1 h before the next try, longer than the 5 min a grab waits";
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
        server.page("/p1", page("ABC", server.base() + u"/results/second-page"_qs));
        int asked = 0;
        server.onRequest = [&](const QByteArray &path) {
            if (path != "/results/second-page")
                return;
            HttpFixture::Answer a { .body = page("DE") };
            if (failures < 0 || asked++ < failures) {
                a.status = status;
                a.dropAfter = dropAfter;
                const QByteArray after
                    = retryAfter == "DATE+1" ? httpDate(QDateTime::currentDateTimeUtc().addSecs(2)) : retryAfter;
                if (!after.isEmpty())
                    a.headers = { { "Retry-After", after } };
            }
            server.answer("/results/second-page", a);
        };
        GridModel table;
        table.setCols(13);
        table.setRows(1);
        GrabRun run(&table);
        run.setRetries(retries);
        QSignalSpy waits(&run, &GrabRun::waiting);
        QSignalSpy finished(&run, &GrabRun::finished);
        QVERIFY(run.start(rules(), server.base() + u"/p1"_qs));
        QVERIFY(finished.wait(20000));
        QCOMPARE(int(server.paths.count("/results/second-page")), requests);
        QCOMPARE(waits.isEmpty(), waitText.isEmpty());
        if (!waitText.isEmpty()) {
            QVERIFY2(waits.first().first().toString().endsWith(waitText), qPrintable(waits.first().first().toString()));
            QCOMPARE(waits.last().first().toString(), QString()); // the countdown ends
        }
        const auto end = finished.first().first().value<GrabRun::End>();
        const QString text = finished.first().at(1).toString();
        QCOMPARE(end, message.isEmpty() ? GrabRun::End::Done : GrabRun::End::Failed);
        QVERIFY2(text.contains(message), qPrintable(text));
        QCOMPARE(names(table).join(QString()), message.isEmpty() ? u"ABCDE"_qs : u"ABC"_qs);
    }

    void stopDuringAWaitEndsAtOnceKeepingTheRows()
    {
        HttpFixture server;
        server.page("/p1", page("ABC", server.base() + u"/results/second-page"_qs));
        server.answer("/results/second-page", { .status = 503, .headers = { { "Retry-After", "120" } } });
        GridModel table;
        table.setCols(13);
        table.setRows(1);
        GrabRun run(&table);
        QSignalSpy waits(&run, &GrabRun::waiting);
        QSignalSpy finished(&run, &GrabRun::finished);
        QVERIFY(run.start(rules(), server.base() + u"/p1"_qs));
        QVERIFY(waits.wait(10000));
        QCOMPARE(waits.first().first().toString(), u"Waiting 120 s: the site asked to slow down"_qs);
        run.stop();
        // Far sooner than the two minutes the site asked for.
        QVERIFY(finished.count() == 1 || finished.wait(5000));
        QCOMPARE(finished.first().first().value<GrabRun::End>(), GrabRun::End::Cancelled);
        QCOMPARE(names(table).join(QString()), u"ABC"_qs);
        QCOMPARE(int(server.paths.count("/results/second-page")), 1);
    }

    void cookiesTxtLines_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("domain"); // empty: the line gives no cookie
        QTest::addColumn<bool>("secure");
        QTest::addColumn<bool>("httpOnly");
        QTest::newRow("a host-only cookie")
            << QByteArray("127.0.0.1\tFALSE\t/wall\tFALSE\t0\tdq_consent\tyes") << "127.0.0.1" << false << false;
        QTest::newRow("a cookie for the subdomains too")
            << QByteArray("example.com\tTRUE\t/\tTRUE\t4102444800\tid\t7") << ".example.com" << true << false;
        QTest::newRow("an HTTP-only cookie as curl writes it")
            << QByteArray("#HttpOnly_.example.com\tTRUE\t/\tFALSE\t0\tsid\tx") << ".example.com" << false << true;
        QTest::newRow("an expired cookie is left out")
            << QByteArray("example.com\tFALSE\t/\tFALSE\t1000\told\tx") << "" << false << false;
        QTest::newRow("a comment") << QByteArray("# Netscape HTTP Cookie File") << "" << false << false;
        QTest::newRow("a line with six fields")
            << QByteArray("example.com\tFALSE\t/\tFALSE\t0\tname") << "" << false << false;
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
};

QTEST_GUILESS_MAIN(TestRetries)
#include "tst_retries.moc"
