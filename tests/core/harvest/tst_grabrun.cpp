#include "core/grid/gridmodel.h"
#include "core/harvest/grabrun.h"

#include "httpfixture.h"

#include <QSignalSpy>
#include <QTest>

using namespace dq;
using dq::test::HttpFixture;

namespace {

// Result pages:  <div id="results"><ul><li>Name|Phone|</li>...</ul><a next="URL">
KeyRules rules()
{
    KeyRules k;
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
    void animationRunsOnlyWhileGrabbing()
    {
        HttpFixture server;
        server.answer("/p1", { .hold = true });
        Run r;
        QVERIFY(r.run.start(rules(), server.base() + u"/p1"_qs));
        QCOMPARE(r.status.first().first().toString(), QString());
        // The timer keeps ticking while this waits, so wait for at least three changes.
        QTRY_VERIFY_WITH_TIMEOUT(r.status.size() >= 3, 2000);
        QCOMPARE(r.status.at(1).first().toString(), u" Grabbing >"_qs);
        QCOMPARE(r.status.at(2).first().toString(), u" Grabbing >>"_qs);
        r.run.stop();
        QCOMPARE(r.waitEnd(), GrabRun::End::Cancelled);
        const int afterEnd = int(r.status.size());
        QCOMPARE(r.status.last().first().toString(), u" Cancel"_qs);
        QVERIFY(!r.status.wait(3 * GrabRun::kAnimationMs));
        QCOMPARE(int(r.status.size()), afterEnd);
    }
};

QTEST_GUILESS_MAIN(TestGrabRun)
#include "tst_grabrun.moc"
