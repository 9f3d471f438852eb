#include "core/harvest/harvestjournal.h"

#include "support/casefields.h"
#include "support/casetable.h"
#include "support/gridtext.h"
#include "support/testsupport.h"

#include <QFile>
#include <QTest>

using namespace dq;

namespace {

std::vector<QStringList> page(const QString &prefix, int count)
{
    std::vector<QStringList> rows;
    for (int i = 1; i <= count; ++i)
        rows.push_back({ prefix + QString::number(i), QString(), u"555-0100"_qs });
    return rows;
}

Extractor::RunState after(int page)
{
    Extractor::RunState s;
    s.address = u"http://dir.test/search?page="_qs + QString::number(page + 2);
    s.page = page + 1;
    s.prefix = u"pre"_qs;
    return s;
}

// Two runs: a finished one of one page, then one cut off after two pages.
QString writeTwoRuns()
{
    const QString path = test::tempDir() + u"/grab.journal"_qs;
    HarvestJournal j(path);
    j.beginRun({ u"First Site"_qs, u"/k/first.key"_qs, u"http://one.test/"_qs, u"a.tsy"_qs, QDateTime() }, after(-1));
    j.appendPage(page(u"a"_qs, 2), after(0), 1, 2, true);
    j.endRun(u"Done"_qs);
    j.beginRun({ u"Demo Directory"_qs, u"/k/demo.key"_qs, u"http://dir.test/search"_qs, u"b.tsy"_qs,
                   QDateTime(QDate(2026, 12, 6), QTime(9, 30), Qt::UTC) },
        after(-1));
    j.appendPage(page(u"b"_qs, 3), after(0), 1, 3, false);
    j.appendPage(page(u"c"_qs, 3), after(1), 2, 6, false);
    return path;
}

} // namespace

// The journal is what survives a crash: every complete page comes back, in order, with the
// place the cut-off run goes on from, whatever the last write left behind.
class TestHarvestJournal : public QObject
{
    Q_OBJECT

private slots:
    void aTornTailKeepsEveryCompletePage_data() { test::addCaseRows(u"harvest/journal-tails.tsv"_qs); }
    void aTornTailKeepsEveryCompletePage()
    {
        QFETCH(QByteArray, tailBytes);
        const QString path = writeTwoRuns();
        test::writeBytes(path, test::readBytes(path) + tailBytes);

        HarvestJournal::Contents c = HarvestJournal::read(path);
        QCOMPARE(int(c.torn), test::number("torn"));
        QCOMPARE(int(c.rows.size()), 8);
        QCOMPARE(c.rows.front().first(), u"a1"_qs);
        QCOMPARE(c.rows.back(), (QStringList { u"c3"_qs, QString(), u"555-0100"_qs }));
        QCOMPARE(c.runs, 2);
        QCOMPARE(c.run.site, u"Demo Directory"_qs);
        QCOMPARE(c.run.started, QDateTime(QDate(2026, 12, 6), QTime(9, 30), Qt::UTC));
        QVERIFY(!c.ended);
        QCOMPARE(c.state.address, after(1).address);
        QCOMPARE(c.state.page, 2);
        QCOMPARE(c.state.prefix, u"pre"_qs);
        QCOMPARE(c.pages, 2);
        QCOMPARE(c.grabbed, 6);

        // Going on cuts the torn tail off first, so the new page is readable after the old ones.
        HarvestJournal more(path);
        QVERIFY(more.appendPage(page(u"d"_qs, 1), after(2), 3, 7, true));
        QVERIFY(more.flush());
        c = HarvestJournal::read(path);
        QVERIFY(!c.torn);
        QCOMPARE(int(c.rows.size()), 9);
        QCOMPARE(c.rows.back().first(), u"d1"_qs);
        QVERIFY(c.ended);

        // A run taken up again and cut off before its first page still goes on from there.
        HarvestJournal again(path);
        QVERIFY(again.beginRun(c.run, after(4), 5, 9));
        QVERIFY(again.flush());
        c = HarvestJournal::read(path);
        QCOMPARE(int(c.rows.size()), 9);
        QVERIFY(!c.ended);
        QCOMPARE(c.state.address, after(4).address);
        QCOMPARE(c.grabbed, 9);
    }

    void clearingDropsTheRowsButKeepsTheRunGoing()
    {
        const QString path = test::tempDir() + u"/grab.journal"_qs;
        HarvestJournal j(path);
        QVERIFY(
            j.beginRun({ u"Demo"_qs, u"/k/demo.key"_qs, u"http://dir.test/"_qs, QString(), QDateTime() }, after(-1)));
        QVERIFY(j.appendPage(page(u"a"_qs, 4), after(0), 1, 4, false));
        j.clear();
        QVERIFY(!j.hasRows());
        // Cells with quotes, backslashes, line breaks, control and non-ASCII characters come back as written.
        const QStringList awkward { u"Smith \"Bros\""_qs, u"C:\\yp\\"_qs, u"two\nlines\ttab"_qs,
            u"\x01caf\u00e9 \u4e2d"_qs };
        QVERIFY(j.appendPage({ awkward, { u"b2"_qs } }, after(1), 2, 6, false));
        QVERIFY(j.flush());
        HarvestJournal::Contents c = HarvestJournal::read(path);
        QCOMPARE(int(c.rows.size()), 2);
        QCOMPARE(c.rows.front(), awkward);
        QCOMPARE(c.run.keyFile, u"/k/demo.key"_qs);
        QVERIFY(!c.ended);

        // Rows taken over from another journal stay as an ended run of their own.
        j.endRun(u"Cancelled"_qs);
        j.remove();
        QVERIFY(!QFile::exists(path));
        QVERIFY(j.appendRecovered(c));
        c = HarvestJournal::read(path);
        QCOMPARE(c.rows.front(), awkward);
        QVERIFY(c.ended);
    }

    void aFileThatIsNoJournalIsNotRead()
    {
        const QString path = test::writeBytes(test::tempDir() + u"/other.journal"_qs, "[\"Name\",\"Street\"]\n");
        QVERIFY(!HarvestJournal::read(path).found);
        QVERIFY(!HarvestJournal::read(path + u".missing"_qs).found);
    }
};

QTEST_GUILESS_MAIN(TestHarvestJournal)
#include "tst_harvestjournal.moc"
