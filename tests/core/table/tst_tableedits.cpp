#include "core/grid/gridmodel.h"
#include "core/table/tableedits.h"

#include <QTest>

using namespace dq;

namespace {

// One title row, then data rows whose first cell names the row: "r1", "r2", ...
void fillTable(GridModel &m, int dataRows, int cols = 3)
{
    m.setCols(cols);
    m.setRows(dataRows + 1);
    m.setText(0, 0, QStringLiteral("Name"));
    for (int r = 1; r <= dataRows; ++r)
        m.setText(r, 0, QStringLiteral("r%1").arg(r));
}

QStringList firstColumn(const GridModel &m)
{
    QStringList out;
    for (int r = 0; r < m.rows(); ++r)
        out << m.text(r, 0);
    return out;
}

QStringList names(std::initializer_list<const char *> items)
{
    QStringList out;
    for (const char *s : items)
        out << QString::fromUtf8(s);
    return out;
}

} // namespace

class TestTableEdits : public QObject
{
    Q_OBJECT

private slots:
    void insertRowAboveTheCurrentRow_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("the current row moves down") << 3 << names({ "Name", "r1", "r2", "", "r3", "r4" });
        QTest::newRow("a current title row gets the blank row below it")
            << 0 << names({ "Name", "", "r1", "r2", "r3", "r4" });
        QTest::newRow("the last row") << 4 << names({ "Name", "r1", "r2", "r3", "", "r4" });
    }
    void insertRowAboveTheCurrentRow()
    {
        QFETCH(int, current);
        QFETCH(QStringList, after);
        GridModel m;
        fillTable(m, 4);
        m.setCursor(current, 1);
        TableEdits::insertRow(m);
        QCOMPARE(firstColumn(m), after);
        QCOMPARE(m.text(m.row(), 0), QString());
        QCOMPARE(m.col(), 1);
    }
    void addRowMakesTheNewRowCurrent()
    {
        GridModel m;
        fillTable(m, 0);
        m.setSelectionMode(GridModel::SelectionMode::ListBox);
        TableEdits::addRow(m, MouseMode::Row);
        QCOMPARE(m.rows(), 2);
        QCOMPARE(m.row(), 1);
        QCOMPARE(m.selectedRows(), std::vector<int> { 1 });
        QCOMPARE(m.selection(), (GridRange { 1, 0, 1, 2 }));
    }
    void deleteRows_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QList<int>>("marked"); // list-box rows; empty = free selection
        QTest::addColumn<GridRange>("selection"); // cursor at top-left, end at bottom-right
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("current");
        const GridRange cell3 { 3, 1, 3, 1 };
        QTest::newRow("scattered rows 3, 7 and 9 in row mode go, and only they")
            << int(MouseMode::Row) << QList<int> { 3, 7, 9 } << cell3
            << names({ "Name", "r1", "r2", "r4", "r5", "r6", "r8", "r10" }) << 3;
        QTest::newRow("no marked row in row mode removes the current row")
            << int(MouseMode::Row) << QList<int> {} << GridRange { 5, 0, 5, 0 }
            << names({ "Name", "r1", "r2", "r3", "r4", "r6", "r7", "r8", "r9", "r10" }) << 5;
        QTest::newRow("a block removes its rows") << int(MouseMode::Block) << QList<int> {} << GridRange { 2, 1, 4, 2 }
                                                  << names({ "Name", "r1", "r5", "r6", "r7", "r8", "r9", "r10" }) << 2;
        QTest::newRow("a block reaching the title row keeps the titles")
            << int(MouseMode::Block) << QList<int> {} << GridRange { 0, 0, 1, 0 }
            << names({ "Name", "r2", "r3", "r4", "r5", "r6", "r7", "r8", "r9", "r10" }) << 1;
        QTest::newRow("the last rows: the new last row becomes current")
            << int(MouseMode::Row) << QList<int> { 9, 10 } << cell3
            << names({ "Name", "r1", "r2", "r3", "r4", "r5", "r6", "r7", "r8" }) << 8;
        QTest::newRow("a current title row alone is not deleted")
            << int(MouseMode::Block) << QList<int> {} << GridRange { 0, 0, 0, 0 }
            << names({ "Name", "r1", "r2", "r3", "r4", "r5", "r6", "r7", "r8", "r9", "r10" }) << 0;
    }
    void deleteRows()
    {
        QFETCH(int, mode);
        QFETCH(QList<int>, marked);
        QFETCH(GridRange, selection);
        QFETCH(QStringList, after);
        QFETCH(int, current);
        GridModel m;
        fillTable(m, 10);
        if (MouseMode(mode) == MouseMode::Row)
            m.setSelectionMode(GridModel::SelectionMode::ListBox);
        m.select(selection.top, selection.left, selection.bottom, selection.right);
        for (int r : marked)
            m.setRowSelected(r, true);
        const int before = m.rows();
        const int removed = TableEdits::deleteRows(m, MouseMode(mode));
        QCOMPARE(firstColumn(m), after);
        QCOMPARE(removed, before - m.rows());
        QCOMPARE(m.row(), current);
        if (MouseMode(mode) == MouseMode::Row && m.rows() > 1)
            QCOMPARE(m.selectedRows(), std::vector<int> { current });
    }
    void columns()
    {
        GridModel m;
        fillTable(m, 2, 13);
        for (int c = 0; c < 13; ++c)
            m.setText(0, c, QStringLiteral("C%1").arg(c + 1));
        m.setColumnWidth(9, 1234);

        m.setCursor(1, 8);
        QVERIFY(TableEdits::deleteColumn(m));
        QCOMPARE(m.cols(), 12);
        QCOMPARE(m.text(0, 8), QStringLiteral("C10"));
        QCOMPARE(m.columnWidth(8), 1234); // attributes move with their column

        m.setCursor(1, 2);
        TableEdits::insertColumn(m);
        QCOMPARE(m.cols(), 13);
        QCOMPARE(m.text(0, 2), QString());
        QCOMPARE(m.text(0, 3), QStringLiteral("C3"));
        QCOMPARE(m.col(), 2);

        GridModel single;
        fillTable(single, 2, 1);
        QVERIFY(!TableEdits::deleteColumn(single));
        QCOMPARE(single.cols(), 1);
        QCOMPARE(single.text(1, 0), QStringLiteral("r1"));
    }
    void rowHeights_data()
    {
        QTest::addColumn<QList<int>>("startHeights"); // rows 0..4
        QTest::addColumn<int>("current");
        QTest::addColumn<QList<int>>("marked");
        QTest::addColumn<QString>("commands"); // i increase, d decrease, r reset
        QTest::addColumn<QList<int>>("heights");
        const QList<int> standard { 240, 240, 240, 240, 240 };
        QTest::newRow("increase grows every marked row by 240")
            << standard << 1 << QList<int> { 1, 3 } << "ii" << QList<int> { 240, 720, 240, 720, 240 };
        QTest::newRow("decrease on a current row at 240 changes nothing") << QList<int> { 240, 240, 720, 720,
            240 } << 1 << QList<int> { 1, 2, 3 } << "d" << QList<int> { 240, 240, 720, 720, 240 };
        QTest::newRow("decrease on a current row at 480 lowers every marked row") << QList<int> { 240, 480, 720, 240,
            240 } << 1 << QList<int> { 1, 2 } << "d" << QList<int> { 240, 240, 480, 240, 240 };
        QTest::newRow("decrease never takes a marked row below 240") << QList<int> { 240, 720, 300, 240,
            240 } << 1 << QList<int> { 1, 2, 3 } << "d" << QList<int> { 240, 480, 240, 240, 240 };
        QTest::newRow("reset brings data rows back to 240 and leaves the title row") << QList<int> { 500, 480, 720, 285,
            240 } << 1 << QList<int> { 1 } << "r" << QList<int> { 500, 240, 240, 240, 240 };
        QTest::newRow("increases then reset") << standard << 2 << QList<int> { 2, 4 } << "iiir" << standard;
    }
    void rowHeights()
    {
        QFETCH(QList<int>, startHeights);
        QFETCH(int, current);
        QFETCH(QList<int>, marked);
        QFETCH(QString, commands);
        QFETCH(QList<int>, heights);
        GridModel m;
        fillTable(m, 4);
        m.setSelectionMode(GridModel::SelectionMode::ListBox);
        for (int r = 0; r < startHeights.size(); ++r)
            m.setRowHeight(r, startHeights.at(r));
        m.setCursor(current, 0);
        for (int r : marked)
            m.setRowSelected(r, true);
        for (QChar c : commands) {
            if (c == u'i')
                TableEdits::increaseRowHeights(m);
            else if (c == u'd')
                TableEdits::decreaseRowHeights(m);
            else
                TableEdits::resetRowHeights(m);
        }
        QList<int> actual;
        for (int r = 0; r < m.rows(); ++r)
            actual << m.rowHeight(r);
        QCOMPARE(actual, heights);
    }
    void deleteRecordQuestion()
    {
        TableEdits::DeleteRecordQuestion q;
        QVERIFY(q.shouldAsk());
        QVERIFY(!q.answer(TableEdits::DeleteRecordQuestion::Button::No, false));
        QVERIFY(q.takeDeclined());
        QVERIFY(!q.takeDeclined()); // reading resets it
        QVERIFY(!q.answer(TableEdits::DeleteRecordQuestion::Button::Cancel, false));
        QVERIFY(q.takeDeclined());
        QVERIFY(q.shouldAsk());
        QVERIFY(q.answer(TableEdits::DeleteRecordQuestion::Button::Yes, true));
        QVERIFY(!q.takeDeclined());
        QVERIFY(!q.shouldAsk());

        GridModel m;
        fillTable(m, 3);
        m.setCursor(2, 0);
        QVERIFY(TableEdits::deleteCurrentRow(m, MouseMode::Block));
        QCOMPARE(firstColumn(m), names({ "Name", "r1", "r3" }));
        m.setCursor(0, 0);
        QVERIFY(!TableEdits::deleteCurrentRow(m, MouseMode::Block));
        QCOMPARE(m.rows(), 3);
    }
};

QTEST_GUILESS_MAIN(TestTableEdits)
#include "tst_tableedits.moc"
