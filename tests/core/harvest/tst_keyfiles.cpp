// Site lists, key files and the rules read from them.
#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/harvest/colyps.h"
#include "core/harvest/keyfileloader.h"
#include "core/harvest/keyrules.h"
#include "core/harvest/sitelist.h"

#include "support/testsupport.h"

#include <QFile>
#include <QTest>

using namespace dq;
using dq::test::ScriptedPrompts;

namespace {

struct Cell
{
    int row;
    int col;
    QString text;
};

void fill(GridModel &g, const QList<Cell> &cells)
{
    g.setCols(10);
    g.setRows(30);
    for (const Cell &c : cells)
        g.setText(c.row, c.col, c.text);
}

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

class TestKeyFiles : public QObject
{
    Q_OBJECT

    QString m_dir;
    colYPs m_engines;

    void writeGoodKey(const QString &marker)
    {
        GridModel g;
        fill(g, { { 1, 4, marker } });
        QVERIFY(GridFile::save(g, m_dir + u"good.key"_qs, FileKind::Native));
    }

private slots:
    void numbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        const std::pair<const char *, int> rows[]
            = { { "12", 12 }, { "-1", -1 }, { "+3", 3 }, { "  7", 7 }, { "10 per page", 10 }, { "", 0 }, { "Page", 0 },
                  { "-", 0 }, { "99999999999", 32767 }, { "-40000", -32768 } };
        for (const auto &[text, value] : rows)
            QTest::addRow("'%s' is %d", text, value) << QString::fromUtf8(text) << value;
    }
    void numbers()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(KeyRules::toNumber(text), expected);
    }
    void fieldRowsRunFromSixToSixPlusF()
    {
        GridModel g;
        fill(g,
            { { 1, 6, u"2"_qs }, { 6, 1, u"0"_qs }, { 6, 2, u"|"_qs }, { 6, 3, u"-1"_qs }, { 6, 4, u"0"_qs },
                { 7, 1, u"5"_qs }, { 7, 2, u"#"_qs }, { 7, 3, u"2"_qs }, { 7, 4, u"-3"_qs }, { 8, 1, u"1"_qs },
                { 8, 2, u"%"_qs }, { 9, 1, u"4"_qs }, { 9, 2, u"not a field"_qs } });
        const KeyRules k = KeyRules::fromGrid(g);
        QCOMPARE(int(k.fields.size()), 3);
        QCOMPARE(k.fields[0].column, 0);
        QCOMPARE(k.fields[0].endOffset, -1);
        QCOMPARE(k.fields[1].column, 5);
        QCOMPARE(k.fields[1].marker, u"#"_qs);
        QCOMPARE(k.fields[1].endOffset, 2);
        QCOMPARE(k.fields[1].skipOffset, -3);
        QCOMPARE(k.fields[2].marker, u"%"_qs);

        g.setText(1, 6, u"-1"_qs);
        QVERIFY(KeyRules::fromGrid(g).fields.empty());
        g.setText(1, 6, u"0"_qs);
        QCOMPARE(int(KeyRules::fromGrid(g).fields.size()), 1);
    }
    void titlesComeFromRowsSixToFourteen()
    {
        GridModel g;
        fill(g,
            { { 1, 6, u"0"_qs }, { 6, 0, u"Name"_qs }, { 6, 1, u"0"_qs }, { 7, 0, u"no column"_qs },
                { 14, 0, u"Email"_qs }, { 14, 1, u"7"_qs }, { 15, 0, u"beyond"_qs }, { 15, 1, u"8"_qs } });
        const KeyRules k = KeyRules::fromGrid(g);
        const std::vector<std::pair<int, QString>> expected = { { 0, u"Name"_qs }, { 7, u"Email"_qs } };
        QCOMPARE(k.titles, expected);
    }
    // Cleaning rules (from row 14, columns 5 to 7) and record rules (from row 18, columns 0 to 4)
    // share rows with each other and with the titles; each list ends at its first empty row or limit.
    void ruleListsEndAtTheirFirstEmptyRowOrLimit()
    {
        GridModel g;
        fill(g, { { 14, 0, u"Fax"_qs }, { 14, 1, u"9"_qs } });
        g.setRows(40);
        for (int r = 14; r < 35; ++r) {
            g.setText(r, 5, u"Replace"_qs);
            g.setText(r, 6, QString::number(r));
            if (r >= 18) {
                g.setText(r, 0, u"ExtractTo"_qs);
                g.setText(r, 1, u"3"_qs);
                g.setText(r, 2, QString::number(r));
                g.setText(r, 4, u"-1"_qs);
            }
        }
        KeyRules k = KeyRules::fromGrid(g);
        QCOMPARE(int(k.cleanRules.size()), 8);
        QCOMPARE(k.cleanRules.back().a, u"21"_qs);
        QCOMPARE(int(k.recordRules.size()), 12);
        QCOMPARE(k.recordRules.back().a, u"29"_qs);
        QCOMPARE(k.recordRules.front().c1, 3);
        QCOMPARE(k.recordRules.front().c4, -1);
        QCOMPARE(k.titles.back(), std::make_pair(9, u"Fax"_qs));
        g.setText(17, 5, QString());
        g.setText(18, 0, QString());
        k = KeyRules::fromGrid(g);
        QCOMPARE(int(k.cleanRules.size()), 3);
        QCOMPARE(k.cleanRules[2].a, u"16"_qs);
        QVERIFY(k.recordRules.empty());
    }
    void addressCheck_data()
    {
        QTest::addColumn<QString>("marker");
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("disabled");
        QTest::addColumn<bool>("enabled");
        const QString found = u"http://yp.example/search/x"_qs;
        QTest::newRow("an address holding the marker enables grabbing") << u"/search/"_qs << found << false << true;
        QTest::newRow("one without it does not") << u"/search/"_qs << u"http://yp.example/"_qs << false << false;
        QTest::newRow("the marker is matched case-sensitively") << u"/Search/"_qs << found << false << false;
        QTest::newRow("an empty marker matches every address") << QString() << found << false << true;
        QTest::newRow("a missing key file never enables grabbing") << QString() << found << true << false;
        QTest::newRow("a missing key file wins over a matching marker") << u"/search/"_qs << found << true << false;
    }
    void addressCheck()
    {
        QFETCH(QString, marker);
        QFETCH(QString, address);
        QFETCH(bool, disabled);
        QFETCH(bool, enabled);
        GridModel g;
        fill(g, { { 1, 4, marker } });
        QCOMPARE(KeyRules::addressEnablesGrab(g, address, disabled), enabled);
    }
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
    void initTestCase()
    {
        m_dir = test::tempDir() + u"/"_qs;
        m_engines.Add(u"Good"_qs, u"good.key"_qs, u"http://good.test/"_qs, 1);
        m_engines.Add(u"Missing"_qs, u"missing.key"_qs, u"http://missing.test/"_qs, 2);
        m_engines.Add(u"Broken"_qs, u"broken.key"_qs, u"http://broken.test/"_qs, 3);
        writeGoodKey(u"/listings?"_qs);
        QFile broken(m_dir + u"broken.key"_qs);
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("this is not a key file\n\x01\x02");
    }
    void load_data()
    {
        QTest::addColumn<int>("engine");
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<bool>("grabDisabled");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("message"); // DIR stands for the program folder
        QTest::newRow("a good key file loads without a question")
            << 0 << true << false << u"http://good.test/"_qs << QString();
        QTest::newRow("a missing key file turns grabbing off, whatever the browser shows")
            << 1 << false << true << u"http://missing.test/"_qs << u"Key file not found. Contact software vender. "_qs;
        QTest::newRow("an unreadable key file keeps the table before it and grabbing")
            << 2 << false << false << u"http://broken.test/"_qs
            << u"Cannot load key file 'DIRbroken.key'. Contact software vender for more information."_qs;
        QTest::newRow("no engine at that position is a missing key file")
            << 7 << false << true << QString() << u"Key file not found. Contact software vender. "_qs;
    }
    void load()
    {
        QFETCH(int, engine);
        QFETCH(bool, loaded);
        QFETCH(bool, grabDisabled);
        QFETCH(QString, url);
        QFETCH(QString, message);
        ScriptedPrompts prompts;
        prompts.answers = { UserPrompts::Answer::Ok };
        GridModel key;
        fill(key, { { 1, 4, u"/before"_qs } });
        const auto r = KeyFileLoader::load(m_engines, engine, key, prompts, m_dir);
        QCOMPARE(r.loaded, loaded);
        QCOMPARE(r.grabDisabled, grabDisabled);
        QCOMPARE(r.url, url);
        QCOMPARE(r.errorString.isEmpty(), message.isEmpty() || grabDisabled);
        QCOMPARE(
            prompts.messages(), message.isEmpty() ? QStringList() : QStringList { message.replace(u"DIR"_qs, m_dir) });
        if (!message.isEmpty()) {
            QCOMPARE(prompts.asked.first().title, u"Select Searching Engine"_qs);
            QCOMPARE(prompts.asked.first().icon, UserPrompts::Icon::Warning);
            QCOMPARE(prompts.asked.first().buttons, UserPrompts::Buttons::Ok);
        }
        const QString marker = key.text(1, 4);
        QCOMPARE(marker, loaded ? u"/listings?"_qs : u"/before"_qs);
        QCOMPARE(KeyRules::addressEnablesGrab(key, url + marker, r.grabDisabled), !grabDisabled);
    }
    void reselectingReloadsFromDisk()
    {
        ScriptedPrompts prompts;
        GridModel key;
        QCOMPARE(KeyFileLoader::load(m_engines, 0, key, prompts, m_dir).path, m_dir + u"good.key"_qs);
        writeGoodKey(u"/changed"_qs);
        QVERIFY(KeyFileLoader::load(m_engines, 0, key, prompts, m_dir).loaded);
        QCOMPARE(key.text(1, 4), u"/changed"_qs);
    }
};

QTEST_GUILESS_MAIN(TestKeyFiles)
#include "tst_keyfiles.moc"
