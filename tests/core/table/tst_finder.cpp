#include "core/grid/gridmodel.h"
#include "core/table/finder.h"
#include "support/testsupport.h"

#include <QTest>

using namespace dq;

namespace {

//        col 0         1      2         3
// row 0  Smith (title) T2     T3        T4
// row 1  SMITH         x
// row 2  Smith
// row 3  blacksmith           smithy
// row 4  jonex
void fillTable(GridModel &m)
{
    m.setCols(4);
    m.setRows(5);
    const QStringList titles { QStringLiteral("Smith"), QStringLiteral("T2"), QStringLiteral("T3"),
        QStringLiteral("T4") };
    for (int c = 0; c < 4; ++c)
        m.setText(0, c, titles.at(c));
    m.setText(1, 0, QStringLiteral("SMITH"));
    m.setText(1, 1, QStringLiteral("x"));
    m.setText(2, 0, QStringLiteral("Smith"));
    m.setText(3, 0, QStringLiteral("blacksmith"));
    m.setText(3, 2, QStringLiteral("smithy"));
    m.setText(4, 0, QStringLiteral("jonex"));
}

// "r,c" for a hit (also checking the cell became the current, only selected cell), the
// message otherwise with its line break shown as "|".
QString step(Finder &finder, GridModel &m)
{
    const Finder::Outcome o = finder.findNext(m);
    if (o.result != Finder::Result::Hit)
        return QString(o.message).replace(QStringLiteral("\r\n"), QStringLiteral("|"));
    if (m.row() != o.row || m.col() != o.col || m.selection() != GridRange { o.row, o.col, o.row, o.col })
        return QStringLiteral("hit not selected");
    return QStringLiteral("%1,%2").arg(o.row).arg(o.col);
}

} // namespace

class TestFinder : public QObject
{
    Q_OBJECT

private slots:
    void searchesColumnByColumn_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("fromBeginning");
        QTest::addColumn<int>("startRow");
        QTest::addColumn<int>("startCol");
        QTest::addColumn<QStringList>("steps");
        const QString searched = QStringLiteral("The document has been searched.|%1 found.");
        const QString notFound = QStringLiteral("Search text is not found.");
        QTest::newRow("any case: down the start column, then the next columns, then the end messages")
            << "smith" << false << false << 0 << 0
            << QStringList { QStringLiteral("1,0"), QStringLiteral("2,0"), QStringLiteral("3,0"), QStringLiteral("3,2"),
                   searched.arg(4), notFound };
        QTest::newRow("match case finds only the exact letters")
            << "smith" << true << false << 0 << 0
            << QStringList { QStringLiteral("3,0"), QStringLiteral("3,2"), searched.arg(2), notFound };
        QTest::newRow("columns left of the current cell are not searched")
            << "smith" << false << false << 1 << 3 << QStringList { notFound, notFound };
        QTest::newRow("rows above the current cell are not searched in its column")
            << "smith" << false << false << 3 << 0
            << QStringList { QStringLiteral("3,0"), QStringLiteral("3,2"), searched.arg(2) };
        QTest::newRow("from the beginning: a fruitless pass starts again at the first cell")
            << "smith" << false << true << 4 << 3
            << QStringList { QStringLiteral("1,0"), QStringLiteral("2,0"), QStringLiteral("3,0"), QStringLiteral("3,2"),
                   searched.arg(4), QStringLiteral("1,0") };
        QTest::newRow("from the beginning: a search that never hits keeps saying not found")
            << "nowhere" << false << true << 1 << 0 << QStringList { notFound, notFound };
        QTest::newRow("a hit lower in the start column comes before one higher up in a later column")
            << "X" << false << false << 0 << 0
            << QStringList { QStringLiteral("4,0"), QStringLiteral("1,1"), searched.arg(2) };
        QTest::newRow("the title row is never searched")
            << "T2" << false << false << 0 << 0 << QStringList { notFound };
        QTest::newRow("empty text is found in the first cell looked at")
            << "" << false << false << 2 << 1 << QStringList { QStringLiteral("2,1"), QStringLiteral("3,1") };
    }
    void searchesColumnByColumn()
    {
        QFETCH(QString, text);
        QFETCH(bool, matchCase);
        QFETCH(bool, fromBeginning);
        QFETCH(int, startRow);
        QFETCH(int, startCol);
        QFETCH(QStringList, steps);
        GridModel m;
        fillTable(m);
        m.setCursor(startRow, startCol);
        Finder finder;
        finder.setSearchText(text);
        finder.setMatchCase(matchCase);
        finder.setFromBeginning(fromBeginning);
        QStringList actual;
        for (int i = 0; i < steps.size(); ++i)
            actual << step(finder, m);
        QCOMPARE(actual, steps);
    }
    void lettersBeyondAscii_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("search");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("found");
        QTest::newRow("plain letters inside an accented name")
            << QStringLiteral("Müller Bäckerei") << "BÄCKER" << false << true;
        QTest::newRow("an accented search in any case") << QStringLiteral("CAFÉ ROMA") << "café" << false << true;
        QTest::newRow("an accented search with match case") << QStringLiteral("CAFÉ ROMA") << "café" << true << false;
        QTest::newRow("exact accented letters with match case") << QStringLiteral("Café Roma") << "é R" << true << true;
        QTest::newRow("an ASCII search next to accents") << QStringLiteral("Señor Taco") << "OR TA" << false << true;
        QTest::newRow("an accented letter is not its plain twin") << QStringLiteral("Cafe") << "café" << false << false;
    }
    void lettersBeyondAscii()
    {
        QFETCH(QString, cell);
        QFETCH(QString, search);
        QFETCH(bool, matchCase);
        QFETCH(bool, found);
        GridModel m;
        m.setCols(2);
        m.setRows(3);
        m.setText(2, 1, cell);
        Finder finder;
        finder.setSearchText(search);
        finder.setMatchCase(matchCase);
        const Finder::Outcome o = finder.findNext(m);
        QCOMPARE(o.result == Finder::Result::Hit, found);
        if (found)
            QCOMPARE((QPair<int, int>(o.row, o.col)), (QPair<int, int>(2, 1)));
    }
    void startFollowsClicksBelowAndRight()
    {
        GridModel m;
        fillTable(m);
        Finder finder;
        finder.setSearchText(QStringLiteral("smith"));
        QCOMPARE(step(finder, m), QStringLiteral("1,0"));
        m.setCursor(3, 1); // a click below and right of the hit
        QCOMPARE(step(finder, m), QStringLiteral("3,2"));
        m.setCursor(1, 0); // a click above and left does not move the start back
        QCOMPARE(step(finder, m), QStringLiteral("The document has been searched.|2 found."));
        QCOMPARE(finder.hitCount(), 0);
    }
    void editingTheTextStartsAgain()
    {
        GridModel m;
        fillTable(m);
        Finder finder;
        finder.setSearchText(QStringLiteral("smith"));
        finder.setFromBeginning(true);
        QCOMPARE(step(finder, m), QStringLiteral("1,0"));
        QCOMPARE(step(finder, m), QStringLiteral("2,0"));
        QVERIFY(finder.lastWasHit());

        finder.setSearchText(QStringLiteral("s"));
        QCOMPARE(finder.nextRow(), 1);
        QCOMPARE(finder.nextCol(), 0);
        QVERIFY(!finder.lastWasHit());
        QCOMPARE(finder.hitCount(), 2); // the pass's count goes on
        QCOMPARE(step(finder, m), QStringLiteral("1,0"));
        QCOMPARE(finder.hitCount(), 3);
    }
    void endMessagesAreShown()
    {
        GridModel m;
        fillTable(m);
        Finder finder;
        finder.setSearchText(QStringLiteral("jonex"));
        test::ScriptedPrompts prompts;
        prompts.answers = { UserPrompts::Answer::Ok, UserPrompts::Answer::Ok };
        QCOMPARE(finder.findNext(m, prompts).result, Finder::Result::Hit);
        QCOMPARE(finder.findNext(m, prompts).result, Finder::Result::Searched);
        QCOMPARE(finder.findNext(m, prompts).result, Finder::Result::NotFound);
        QCOMPARE(prompts.messages(),
            (QStringList { QStringLiteral("The document has been searched.\r\n1 found."),
                QStringLiteral("Search text is not found.") }));
        QCOMPARE(prompts.asked.at(0).icon, UserPrompts::Icon::Warning);
        QCOMPARE(prompts.asked.at(0).buttons, UserPrompts::Buttons::Ok);
    }
};

QTEST_GUILESS_MAIN(TestFinder)
#include "tst_finder.moc"
