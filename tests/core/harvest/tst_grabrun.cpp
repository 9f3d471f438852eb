// A grab run against a scripted loopback server: pages into the table, Stop, colours, busy
// pages tried again, and addresses that are no web pages refused.
#include "core/grid/gridmodel.h"
#include "core/harvest/browsersession.h"
#include "core/harvest/grabrun.h"
#include "core/harvest/retrypolicy.h"
#include "support/casefields.h"
#include "support/casetable.h"
#include "support/gridtext.h"
#include "support/testsupport.h"

#include "httpfixture.h"

#include <QSignalSpy>
#include <QTest>

using namespace dq;
using dq::test::HttpFixture;
using test::addCaseRows;
using test::field;
using test::number;

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

// A result page of count listings named prefix1, prefix2, ...
QByteArray resultPage(const QString &prefix, int count, const QString &next = QString())
{
    QByteArray p = "<html><div id=\"results\"><ul>";
    for (int i = 1; i <= count; ++i)
        p += "<li>" + prefix.toUtf8() + QByteArray::number(i) + "|555-0000|</li>";
    p += "</ul>";
    if (!next.isEmpty())
        p += "<a next=\"" + next.toUtf8() + "\">more</a>";
    return p + "</html>";
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
        server.page("/p1", resultPage(u"A"_qs, 3, server.base() + u"/results/page-2"_qs));
        server.page("/results/page-2", resultPage(u"B"_qs, 2));
        server.page("/none", "<html>No results for your search</html>");
        Run r;
        r.run.setFresh(true);
        // A first page without the check marker leaves the placeholders, and the table fresh.
        QVERIFY(r.run.start(rules(), server.base() + u"/none"_qs));
        QCOMPARE(r.waitEnd(), GrabRun::End::Done);
        QCOMPARE(r.table.rows(), 21);
        QVERIFY(r.run.isFresh());
        r.finished.clear();
        r.inserted.clear();
        QVERIFY(r.run.start(rules(), server.base() + u"/p1"_qs));
        QVERIFY(!r.run.start(rules(), server.base() + u"/other"_qs));
        QCOMPARE(r.waitEnd(), GrabRun::End::Done);
        QVERIFY(!server.paths.contains("/other"));
        QCOMPARE(r.status.last().first().toString(), u" Done"_qs);
        QCOMPARE(column(r.table, 0), QStringList({ u"A1"_qs, u"A2"_qs, u"A3"_qs, u"B1"_qs, u"B2"_qs }));
        QCOMPARE(r.table.text(1, 5), u"555-0000"_qs);
        QCOMPARE(r.table.text(0, 5), u"Telephone"_qs);
        QVERIFY(!r.run.isFresh());
        // One model insert per page, not one per listing; the cursor on the last row grabbed.
        QCOMPARE(r.inserted.count(), 2);
        QCOMPARE(r.table.row(), 5);
    }
    void stopDuringDownloadAbortsIt()
    {
        HttpFixture server;
        server.page("/p1", resultPage(u"A"_qs, 2, server.base() + u"/results/page-2"_qs));
        server.answer("/results/page-2", { .hold = true });
        server.page("/results/page-3", resultPage(u"C"_qs, 4));
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
        // The status no longer animates once the run has ended.
        const qsizetype statuses = r.status.size();
        QVERIFY(!r.status.wait(3 * GrabRun::kAnimationMs));
        QCOMPARE(r.status.size(), statuses);
        QCOMPARE(column(r.table, 0), QStringList({ u"A1"_qs, u"A2"_qs }));
        // A run ended by Stop is not coloured.
        QVERIFY(!r.table.cellFormat(1, 0).hasFore);
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
        server.page("/p1", resultPage(u"A"_qs, 2));
        server.page("/p2", resultPage(u"B"_qs, 1));
        Run r(2);
        r.table.setText(1, 0, u"older"_qs);
        r.run.setBatchColors({ Qt::black, QColor(0, 0, 255), QColor(255, 0, 0) });
        const auto grab = [&](const QString &path) {
            r.finished.clear();
            return r.run.start(rules(), server.base() + path) && r.waitEnd() == GrabRun::End::Done;
        };
        QVERIFY(grab(u"/p1"_qs));
        QCOMPARE(r.run.batchColorIndex(), 1);
        QVERIFY(!r.table.cellFormat(1, 0).hasFore);
        QCOMPARE(QColor(r.table.cellFormat(2, 0).fore), QColor(0, 0, 255));
        QCOMPARE(QColor(r.table.cellFormat(3, 12).fore), QColor(0, 0, 255));
        // After the last colour the list starts again.
        r.run.setBatchColorIndex(2);
        QVERIFY(grab(u"/p2"_qs));
        QCOMPARE(r.run.batchColorIndex(), 0);
        QCOMPARE(QColor(r.table.cellFormat(4, 3).fore), QColor(Qt::black));
        // Black alone is no list of colours: nothing is coloured.
        r.run.setBatchColors({ Qt::black });
        QVERIFY(grab(u"/p2"_qs));
        QVERIFY(!r.table.cellFormat(5, 0).hasFore);
    }
    void fetchModeDecidesHowAddressesAreAsked_data() { addCaseRows(u"harvest/grabrun/fetch-mode.tsv"_qs); }
    void fetchModeDecidesHowAddressesAreAsked()
    {
        QList<QByteArray> paths;
        for (const QString &path : test::items(field("paths")))
            paths << path.toUtf8();
        HttpFixture server;
        server.page(paths[0], resultPage(u"one"_qs, 1));
        server.page(paths[1], resultPage(u"two"_qs, 1));
        KeyRules k = rules();
        k.fetchMode = field("fetchMode");
        k.nextMethod = u"Page"_qs;
        k.k7 = u"?PG="_qs;
        k.k8 = u"?PG=2"_qs;
        Run r(1);
        r.run.setMaxPages(2);
        QVERIFY(r.run.start(k, server.base() + u"/List/Austin-Plumbers"_qs));
        QCOMPARE(r.waitEnd(), GrabRun::End::Done);
        QCOMPARE(server.paths, paths);
        QCOMPARE(column(r.table, 0), QStringList({ u"one1"_qs, u"two1"_qs }));
    }
    void animation_data() { addCaseRows(u"harvest/grabrun/animation.tsv"_qs); }
    void animation() { QTEST(GrabRun::animationStep(field("current")), "next"); }
    void retryAfterIsRead_data() { addCaseRows(u"harvest/grabrun/retry-after.tsv"_qs); }
    void retryAfterIsRead()
    {
        QCOMPARE(RetryPolicy::retryAfterSeconds(field("value").toLatin1(), kNow), number("seconds"));
    }
    // Waits at the shortest and longest jitter.
    void decisions_data() { addCaseRows(u"harvest/grabrun/retry-decisions.tsv"_qs); }
    void decisions()
    {
        const auto decide = [](double jitter) {
            return RetryPolicy::decide(number("status"), number("dropped"), field("retryAfter").toLatin1(),
                number("retriesDone"), 3, kNow, jitter);
        };
        static const QStringList kinds { u"GiveUp"_qs, u"Retry"_qs, u"TooLong"_qs };
        QTEST(kinds.value(int(decide(-1).kind)), "kind");
        QCOMPARE(decide(-1).waitMs, number("shortest"));
        QCOMPARE(decide(1).waitMs, number("longest"));
    }

    // Page 1 is fine; page 2 fails `failures` times (always when -1), then comes; with stop, the
    // grab is stopped at its first wait.
    void aGrabLivesThroughBusyPages_data() { addCaseRows(u"harvest/grabrun/busy-pages.tsv"_qs); }
    void aGrabLivesThroughBusyPages()
    {
        const QString waitText = field("waitText");
        const QString message = field("message");
        HttpFixture server;
        server.page("/p1", resultPage(u"A"_qs, 3, server.base() + u"/results/second-page"_qs));
        int asked = 0;
        server.onRequest = [&](const QByteArray &path) {
            if (path != "/results/second-page")
                return;
            HttpFixture::Answer a { .body = resultPage(u"B"_qs, 2) };
            if (number("failures") < 0 || asked++ < number("failures")) {
                a.status = number("status");
                a.dropAfter = number("dropAfter");
                if (!field("retryAfter").isEmpty())
                    a.headers = { { "Retry-After", field("retryAfter").toLatin1() } };
            }
            server.answer("/results/second-page", a);
        };
        Run r(1);
        r.run.setRetries(number("retries"));
        QSignalSpy waits(&r.run, &GrabRun::waiting);
        if (number("stop"))
            connect(&r.run, &GrabRun::waiting, &r.run, &GrabRun::stop,
                Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
        const GrabRun::End end = number("stop") ? GrabRun::End::Cancelled
            : message.isEmpty()                 ? GrabRun::End::Done
                                                : GrabRun::End::Failed;
        QVERIFY(r.run.start(rules(), server.base() + u"/p1"_qs));
        QCOMPARE(r.waitEnd(), end);
        QCOMPARE(int(server.paths.count("/results/second-page")), number("requests"));
        QCOMPARE(waits.isEmpty(), waitText.isEmpty());
        if (!waitText.isEmpty()) {
            QVERIFY2(waits.first().first().toString().endsWith(waitText), qPrintable(waits.first().first().toString()));
            QCOMPARE(waits.last().first().toString(), QString()); // the countdown ends
        }
        QVERIFY2(r.endMessage().contains(message), qPrintable(r.endMessage()));
        QCOMPARE(column(r.table, 0).join(QString()), end == GrabRun::End::Done ? u"A1A2A3B1B2"_qs : u"A1A2A3"_qs);
    }

    void cookiesTxtLines_data() { addCaseRows(u"harvest/grabrun/cookies-txt.tsv"_qs); }
    void cookiesTxtLines()
    {
        const auto cookies = BrowserSession::parseCookiesTxt(field("line").toUtf8() + "\r\n", kNow);
        QCOMPARE(cookies.size(), field("domain").isEmpty() ? 0 : 1);
        for (const QNetworkCookie &c : cookies) {
            QTEST(c.domain(), "domain");
            QCOMPARE(int(c.isSecure()), number("secure"));
            QCOMPARE(int(c.isHttpOnly()), number("httpOnly"));
        }
    }

    void onlyWebAddressesAreFetched_data() { addCaseRows(u"harvest/grabrun/web-addresses-only.tsv"_qs); }
    void onlyWebAddressesAreFetched()
    {
        const QString where = field("where");
        // A local file that would give a row if it were ever read.
        const QString local = test::writeBytes(test::tempDir() + u"/local.html"_qs, resultPage(u"LOCAL"_qs, 1));
        const QString fileUrl = u"file://localhost"_qs + local + u"?u=http://example.com/results"_qs;

        HttpFixture server;
        server.page("/p1", resultPage(u"WEB"_qs, 1, fileUrl));
        server.answer("/moved", { .status = 302, .headers = { { "Location", "file://" + local.toUtf8() } } });
        Run r(1);
        const QString start
            = where == u"start" ? fileUrl : server.base() + (where == u"next" ? u"/p1"_qs : u"/moved"_qs);
        QVERIFY(r.run.start(rules(field("fetchMode")), start));
        QCOMPARE(r.waitEnd(), GrabRun::End::Failed);
        QVERIFY2(r.endMessage().contains(field("message")), qPrintable(r.endMessage()));
        QVERIFY(!column(r.table, 0).contains(u"LOCAL1"_qs));
    }
};

QTEST_GUILESS_MAIN(TestGrabRun)
#include "tst_grabrun.moc"
