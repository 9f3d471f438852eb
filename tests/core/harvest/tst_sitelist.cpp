#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/harvest/colyps.h"
#include "core/harvest/sitelist.h"

#include "support/testsupport.h"

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

QStringList column(const GridModel &g, int c)
{
    QStringList out;
    for (int r = 1; r < g.rows(); ++r)
        out << g.text(r, c);
    return out;
}

} // namespace

class TestSiteList : public QObject
{
    Q_OBJECT

private slots:
    void collection()
    {
        colYPs c;
        QVERIFY(!c.Item(1));
        QCOMPARE(c.Add(u"Alpha"_qs, u"a.key"_qs, u"http://a.test/"_qs, 1, u"A"_qs)->URL, u"http://a.test/"_qs);
        c.Add(u"Beta"_qs, u"b.key"_qs, QString(), 2);
        c.Add(u"Gamma"_qs, u"g.key"_qs, QString(), 4);
        QVERIFY(!c.Add(u"Again"_qs, u"x.key"_qs, QString(), 3, u"A"_qs));
        QCOMPARE(c.Count(), 3);
        QVERIFY(!c.Item(0) && !c.Item(4) && !c.Item(u"B"_qs) && !c.Item(QString()));
        QCOMPARE(c.Item(u"A"_qs)->ListName, u"Alpha"_qs);
        QVERIFY(c.Remove(2));
        QVERIFY(!c.Remove(3));
        c.swap(1, 2);
        QCOMPARE(names(c), QStringList({ u"Gamma"_qs, u"Alpha"_qs }));
        QCOMPARE(c.Item(1)->Index, 4);
        // A key stays with its position, not with the engine swapped away.
        QVERIFY(c.Remove(u"A"_qs));
        QCOMPARE(names(c), QStringList({ u"Alpha"_qs }));
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
        QCOMPARE(c.Item(1)->Column2, u"x"_qs);
        QCOMPARE(c.Item(2)->Index, 3);
        QCOMPARE(c.Item(2)->URL, u"http://b.test/"_qs);
    }
    // Moving an engine moves its whole row; rows without a key file keep their place.
    void reorderMovesWholeRows()
    {
        GridModel g;
        makeSites(g,
            { "A|a.key|a2|http://a.test/", "-- Canada --|||", "B|b.key|b2|http://b.test/",
                "C|c.key|c2|http://c.test/" });
        colYPs c;
        SiteList::fill(g, c);
        const QStringList order { u"C"_qs, u"A"_qs, u"B"_qs };
        SiteList::applyOrder(order, c, g);
        QCOMPARE(names(c), order);
        QCOMPARE(column(g, 0), QStringList({ u"C"_qs, u"-- Canada --"_qs, u"A"_qs, u"B"_qs }));
        QCOMPARE(column(g, 1), QStringList({ u"c.key"_qs, QString(), u"a.key"_qs, u"b.key"_qs }));
        QCOMPARE(column(g, 2), QStringList({ u"c2"_qs, QString(), u"a2"_qs, u"b2"_qs }));
        QCOMPARE(
            column(g, 3), QStringList({ u"http://c.test/"_qs, QString(), u"http://a.test/"_qs, u"http://b.test/"_qs }));
        QCOMPARE(g.text(0, 0), u"Site"_qs);
        colYPs again;
        QCOMPARE(SiteList::fill(g, again), order);
    }
    void reorderWithDuplicateNames()
    {
        GridModel g;
        makeSites(g, { "Same|one.key||", "Other|other.key||", "Same|two.key||" });
        colYPs c;
        SiteList::fill(g, c);
        SiteList::applyOrder({ u"Other"_qs, u"Same"_qs, u"Same"_qs }, c, g);
        QCOMPARE(g.text(1, 1), u"other.key"_qs);
        QCOMPARE(QSet<QString>({ g.text(2, 1), g.text(3, 1) }), QSet<QString>({ u"one.key"_qs, u"two.key"_qs }));
    }
    void savedOrderIsReadAtTheNextStart()
    {
        const QString dir = test::tempDir();
        const QString path = dir + u"/stpl00.bin"_qs;
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
        QCOMPARE(next.Item(2)->Column2, u"note"_qs);

        // A save that fails names the file; the new order holds for this session all the same.
        const FileResult r = SiteList::saveOrder({ u"B"_qs, u"A"_qs, u"C"_qs }, c, g, dir + u"/gone/stpl00.bin"_qs);
        QVERIFY(!r);
        QVERIFY(r.errorString.contains(u"stpl00.bin"_qs));
        QCOMPARE(c.Item(1)->ListName, u"B"_qs);
    }
};

QTEST_GUILESS_MAIN(TestSiteList)
#include "tst_sitelist.moc"
