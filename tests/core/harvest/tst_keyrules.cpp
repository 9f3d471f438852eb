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
        QTest::newRow("plain number") << "12" << 12;
        QTest::newRow("negative number") << "-1" << -1;
        QTest::newRow("explicit plus") << "+3" << 3;
        QTest::newRow("leading blanks are skipped") << "  7" << 7;
        QTest::newRow("digits followed by words keep the digits") << "10 per page" << 10;
        QTest::newRow("empty cell is 0") << "" << 0;
        QTest::newRow("a word is 0") << "Page" << 0;
        QTest::newRow("a lone minus is 0") << "-" << 0;
        QTest::newRow("numbers beyond 16 bits are held at the top") << "99999999999" << 32767;
        QTest::newRow("large negatives are held at the bottom") << "-40000" << -32768;
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
    void cleaningRulesStopAtFirstEmptyAndAtEight()
    {
        GridModel g;
        fill(g, {});
        for (int r = 14; r < 24; ++r) {
            g.setText(r, 5, u"Replace"_qs);
            g.setText(r, 6, QString::number(r));
        }
        QCOMPARE(int(KeyRules::fromGrid(g).cleanRules.size()), 8);
        QCOMPARE(KeyRules::fromGrid(g).cleanRules.back().a, u"21"_qs);
        g.setText(17, 5, QString());
        const KeyRules k = KeyRules::fromGrid(g);
        QCOMPARE(int(k.cleanRules.size()), 3);
        QCOMPARE(k.cleanRules[2].a, u"16"_qs);
    }
    void recordRulesStopAtFirstEmptyAndAtTwelve()
    {
        GridModel g;
        fill(g, {});
        g.setRows(40);
        for (int r = 18; r < 35; ++r) {
            g.setText(r, 0, u"Replace"_qs);
            g.setText(r, 1, u"3"_qs);
            g.setText(r, 2, QString::number(r));
            g.setText(r, 4, u"-1"_qs);
        }
        KeyRules k = KeyRules::fromGrid(g);
        QCOMPARE(int(k.recordRules.size()), 12);
        QCOMPARE(k.recordRules.back().a, u"29"_qs);
        QCOMPARE(k.recordRules.front().c1, 3);
        QCOMPARE(k.recordRules.front().c4, -1);
        g.setText(18, 0, QString());
        QVERIFY(KeyRules::fromGrid(g).recordRules.empty());
    }
    void ruleAreasShareRowsButNotColumns()
    {
        GridModel g;
        fill(g,
            { { 14, 0, u"Fax"_qs }, { 14, 1, u"9"_qs }, { 14, 5, u"TrimMiddle"_qs }, { 14, 6, u"<"_qs },
                { 14, 7, u">"_qs }, { 18, 0, u"ExtractTo"_qs }, { 18, 1, u"5"_qs }, { 18, 5, u"Replace"_qs },
                { 15, 5, u"Replace"_qs }, { 16, 5, u"Replace"_qs }, { 17, 5, u"Replace"_qs } });
        const KeyRules k = KeyRules::fromGrid(g);
        QCOMPARE(int(k.cleanRules.size()), 5);
        QCOMPARE(k.cleanRules[0].keyword, u"TrimMiddle"_qs);
        QCOMPARE(int(k.recordRules.size()), 1);
        QCOMPARE(k.recordRules[0].keyword, u"ExtractTo"_qs);
        QCOMPARE(k.titles.back(), std::make_pair(9, u"Fax"_qs));
    }
    void addressCheck_data()
    {
        QTest::addColumn<QString>("marker");
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("disabled");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("address containing the marker enables grabbing")
            << "/search/"
            << "http://yp.example/search/plumbers" << false << true;
        QTest::newRow("address without the marker does not") << "/search/"
                                                             << "http://yp.example/" << false << false;
        QTest::newRow("the marker is matched case-sensitively") << "/Search/"
                                                                << "http://yp.example/search/x" << false << false;
        QTest::newRow("an empty marker matches every address") << ""
                                                               << "http://anything.example/" << false << true;
        QTest::newRow("a missing key file never enables grabbing") << ""
                                                                   << "http://yp.example/search/" << true << false;
        QTest::newRow("a missing key file wins over a matching marker") << "/search/"
                                                                        << "http://yp.example/search/" << true << false;
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
