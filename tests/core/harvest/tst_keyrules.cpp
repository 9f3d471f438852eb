#include "core/grid/gridmodel.h"
#include "core/harvest/keyrules.h"

#include <QTest>

using namespace dq;

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

} // namespace

class TestKeyRules : public QObject
{
    Q_OBJECT

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
};

QTEST_GUILESS_MAIN(TestKeyRules)
#include "tst_keyrules.moc"
