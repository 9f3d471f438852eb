#include "core/grid/gridmodel.h"
#include "core/harvest/colyps.h"
#include "core/harvest/sitelist.h"

#include "support/testsupport.h"

#include <QFile>
#include <QTest>

using namespace dq;

namespace {

// A site list grid: title row, then "name|key file|column 2|start page" per row.
void makeSites(GridModel &g, std::initializer_list<const char *> rows)
{
    g.setCols(4);
    g.setRows(1 + int(rows.size()));
    g.setText(0, 0, u"Site"_qs);
    int r = 0;
    for (const char *row : rows) {
        const QStringList cells = QString::fromUtf8(row).split(u'|');
        ++r;
        for (int c = 0; c < 4; ++c)
            g.setText(r, c, cells.value(c));
    }
}

QStringList names(const colYPs &engines)
{
    QStringList out;
    for (const objYP &yp : engines)
        out << yp.ListName;
    return out;
}

} // namespace

class TestSiteList : public QObject
{
    Q_OBJECT

private slots:
    void collectionAddItemCountRemove()
    {
        colYPs c;
        QCOMPARE(c.Count(), 0);
        QVERIFY(!c.Item(1));
        objYP *a = c.Add(u"Alpha"_qs, u"a.key"_qs, u"http://a.test/"_qs, 1);
        QCOMPARE(a->ListName, u"Alpha"_qs);
        QCOMPARE(a->FileName, u"a.key"_qs);
        QCOMPARE(a->URL, u"http://a.test/"_qs);
        QCOMPARE(a->Index, 1);
        c.Add(u"Beta"_qs, u"b.key"_qs, u"http://b.test/"_qs, 2);
        c.Add(u"Gamma"_qs, u"g.key"_qs, u"http://g.test/"_qs, 4);
        QCOMPARE(c.Count(), 3);
        QCOMPARE(c.Item(3)->ListName, u"Gamma"_qs);
        QVERIFY(!c.Item(0));
        QVERIFY(!c.Item(4));
        QVERIFY(c.Remove(2));
        QVERIFY(!c.Remove(3));
        QCOMPARE(names(c), QStringList({ u"Alpha"_qs, u"Gamma"_qs }));
        c.swap(1, 2);
        QCOMPARE(names(c), QStringList({ u"Gamma"_qs, u"Alpha"_qs }));
        QCOMPARE(c.Item(1)->Index, 4);
    }
    void collectionKeys()
    {
        colYPs c;
        c.Add(u"Alpha"_qs, u"a.key"_qs, QString(), 1, u"A"_qs);
        c.Add(u"Beta"_qs, u"b.key"_qs, QString(), 2);
        QVERIFY(!c.Add(u"Again"_qs, u"x.key"_qs, QString(), 3, u"A"_qs));
        QCOMPARE(c.Count(), 2);
        QCOMPARE(c.Item(u"A"_qs)->ListName, u"Alpha"_qs);
        QVERIFY(!c.Item(u"B"_qs));
        QVERIFY(!c.Item(QString()));
        QVERIFY(c.Remove(u"A"_qs));
        QVERIFY(!c.Item(u"A"_qs));
        QCOMPARE(c.Item(1)->ListName, u"Beta"_qs);
    }
    void rowsWithoutKeyFileAreSkipped()
    {
        GridModel g;
        makeSites(
            g, { "Alpha|a.key|x|http://a.test/", "Heading only|||http://nowhere.test/", "Beta|b.key||http://b.test/" });
        colYPs c;
        c.Add(u"stale"_qs, u"s.key"_qs, QString(), 9);
        QCOMPARE(SiteList::fill(g, c), QStringList({ u"Alpha"_qs, u"Beta"_qs }));
        QCOMPARE(c.Count(), 2);
        QCOMPARE(c.Item(1)->Index, 1);
        QCOMPARE(c.Item(1)->Column2, u"x"_qs);
        QCOMPARE(c.Item(2)->Index, 3);
        QCOMPARE(c.Item(2)->URL, u"http://b.test/"_qs);
    }
    void reorder_data()
    {
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<QStringList>("column0");
        QTest::addColumn<QStringList>("column2");
        QTest::newRow("moving the last engine to the top makes it the default") << QStringList { u"C"_qs, u"A"_qs,
            u"B"_qs } << QStringList { u"C"_qs, u"A"_qs, u"B"_qs } << QStringList { u"c2"_qs, u"a2"_qs, u"b2"_qs };
        QTest::newRow("the same order writes the same rows")
            << QStringList { u"A"_qs, u"B"_qs, u"C"_qs } << QStringList { u"A"_qs, u"B"_qs, u"C"_qs }
            << QStringList { u"a2"_qs, u"b2"_qs, u"c2"_qs };
        QTest::newRow("swapping two neighbours")
            << QStringList { u"A"_qs, u"C"_qs, u"B"_qs } << QStringList { u"A"_qs, u"C"_qs, u"B"_qs }
            << QStringList { u"a2"_qs, u"c2"_qs, u"b2"_qs };
    }
    void reorder()
    {
        QFETCH(QStringList, order);
        QFETCH(QStringList, column0);
        QFETCH(QStringList, column2);
        GridModel g;
        makeSites(g, { "A|a.key|a2|http://a.test/", "B|b.key|b2|http://b.test/", "C|c.key|c2|http://c.test/" });
        colYPs c;
        SiteList::fill(g, c);
        SiteList::applyOrder(order, c, g);
        QCOMPARE(names(c), order);
        for (int r = 1; r <= 3; ++r) {
            QCOMPARE(g.text(r, 0), column0[r - 1]);
            QCOMPARE(g.text(r, 2), column2[r - 1]);
            QCOMPARE(g.text(r, 1), column0[r - 1].toLower() + u".key"_qs);
            QCOMPARE(g.text(r, 3), u"http://"_qs + column0[r - 1].toLower() + u".test/"_qs);
        }
        QCOMPARE(g.text(0, 0), u"Site"_qs);
        // What the next start-up reads back.
        colYPs again;
        QCOMPARE(SiteList::fill(g, again), order);
    }
    void reorderKeepsSkippedRowsInPlace()
    {
        GridModel g;
        makeSites(g, { "A|a.key||http://a.test/", "-- Canada --|||", "B|b.key||http://b.test/" });
        colYPs c;
        SiteList::fill(g, c);
        SiteList::applyOrder({ u"B"_qs, u"A"_qs }, c, g);
        QCOMPARE(g.rows(), 4);
        QCOMPARE(g.text(1, 0), u"B"_qs);
        QCOMPARE(g.text(2, 0), u"-- Canada --"_qs);
        QCOMPARE(g.text(3, 0), u"A"_qs);
        QCOMPARE(g.text(3, 1), u"a.key"_qs);
        colYPs again;
        QCOMPARE(SiteList::fill(g, again), QStringList({ u"B"_qs, u"A"_qs }));
    }
    void reorderWithDuplicateNames()
    {
        GridModel g;
        makeSites(g, { "Same|one.key||", "Other|other.key||", "Same|two.key||" });
        colYPs c;
        SiteList::fill(g, c);
        SiteList::applyOrder({ u"Other"_qs, u"Same"_qs, u"Same"_qs }, c, g);
        QCOMPARE(g.text(1, 1), u"other.key"_qs);
        QSet<QString> files { g.text(2, 1), g.text(3, 1) };
        QCOMPARE(files, QSet<QString>({ u"one.key"_qs, u"two.key"_qs }));
    }
    void savedOrderIsReadAtTheNextStart()
    {
        const QString path = test::tempDir() + u"/stpl00.bin"_qs;
        GridModel g;
        makeSites(g, { "A|a.key|note|http://a.test/", "B|b.key||http://b.test/", "C|c.key||http://c.test/" });
        QVERIFY(GridFile::save(g, path, FileKind::Native));
        colYPs c;
        SiteList::fill(g, c);
        QVERIFY(SiteList::saveOrder({ u"C"_qs, u"A"_qs, u"B"_qs }, c, g, path));

        GridModel reread;
        QVERIFY(GridFile::load(reread, path, FileKind::Native));
        colYPs next;
        QCOMPARE(SiteList::fill(reread, next), QStringList({ u"C"_qs, u"A"_qs, u"B"_qs }));
        QCOMPARE(next.Item(1)->URL, u"http://c.test/"_qs);
        QCOMPARE(next.Item(2)->Column2, u"note"_qs);
        QCOMPARE(reread.text(0, 0), u"Site"_qs);
    }
    void failedSaveKeepsTheOldFile()
    {
        const QString dir = test::tempDir();
        GridModel g;
        makeSites(g, { "A|a.key||", "B|b.key||" });
        colYPs c;
        SiteList::fill(g, c);
        const FileResult r = SiteList::saveOrder({ u"B"_qs, u"A"_qs }, c, g, dir + u"/no-such-folder/stpl00.bin"_qs);
        QVERIFY(!r);
        QVERIFY(r.errorString.contains(u"stpl00.bin"_qs));
        QCOMPARE(c.Item(1)->ListName, u"B"_qs);
    }
};

QTEST_GUILESS_MAIN(TestSiteList)
#include "tst_sitelist.moc"
