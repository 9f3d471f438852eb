#include "core/grid/gridmodel.h"
#include "core/table/tableedits.h"
#include "support/casetable.h"

#include <QTest>

using namespace dq;
using namespace Qt::StringLiterals;

namespace {

// One title row, then data rows whose first cell names the row: "r1", "r2", ...
void fillTable(GridModel &m, int dataRows, int cols = 3)
{
    m.setCols(cols);
    m.setRows(dataRows + 1);
    m.setText(0, 0, u"Name"_s);
    for (int r = 1; r <= dataRows; ++r)
        m.setText(r, 0, u"r%1"_s.arg(r));
}

QString firstColumn(const GridModel &m)
{
    QStringList out;
    for (int r = 0; r < m.rows(); ++r)
        out << m.text(r, 0);
    return out.join(u'|');
}

} // namespace

class TestTableEdits : public QObject
{
    Q_OBJECT

private slots:
    void insertRowAboveTheCurrentRow_data() { test::addCaseRows(u"table/tableedits/insertrow.tsv"_s); }
    void insertRowAboveTheCurrentRow()
    {
        QFETCH(QString, current);
        GridModel m;
        fillTable(m, 4);
        m.setCursor(current.toInt(), 1);
        TableEdits::insertRow(m);
        QTEST(firstColumn(m), "after");
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
    // marked: rows ticked in the list box; selection: top left bottom right, the cursor at top left.
    void deleteRows_data() { test::addCaseRows(u"table/tableedits/deleterows.tsv"_s); }
    void deleteRows()
    {
        QFETCH(QString, mode);
        QFETCH(QString, marked);
        QFETCH(QString, selection);
        QFETCH(QString, current);
        const MouseMode mouse = mode == u"row" ? MouseMode::Row : MouseMode::Block;
        GridModel m;
        fillTable(m, 10);
        if (mouse == MouseMode::Row)
            m.setSelectionMode(GridModel::SelectionMode::ListBox);
        const QStringList s = selection.split(u' ');
        m.select(s[0].toInt(), s[1].toInt(), s[2].toInt(), s[3].toInt());
        for (const QString &r : test::items(marked))
            m.setRowSelected(r.toInt(), true);
        const int before = m.rows();
        const int removed = TableEdits::deleteRows(m, mouse);
        QCOMPARE(removed, before - m.rows());
        QTEST(firstColumn(m), "after");
        QCOMPARE(m.row(), current.toInt());
        if (mouse == MouseMode::Row && m.rows() > 1)
            QCOMPARE(m.selectedRows(), std::vector<int> { m.row() });
    }
    void columns()
    {
        GridModel m;
        fillTable(m, 2, 13);
        for (int c = 0; c < 13; ++c)
            m.setText(0, c, u"C%1"_s.arg(c + 1));
        m.setColumnWidth(9, 1234);
        m.setCursor(1, 8);
        QVERIFY(TableEdits::deleteColumn(m));
        QCOMPARE(m.rowTexts(0).mid(7, 3), (QStringList { u"C8"_s, u"C10"_s, u"C11"_s }));
        QCOMPARE(m.columnWidth(8), 1234); // attributes move with their column
        m.setCursor(1, 2);
        TableEdits::insertColumn(m);
        QCOMPARE(m.rowTexts(0).mid(1, 3), (QStringList { u"C2"_s, QString(), u"C3"_s }));
        QCOMPARE(m.col(), 2);

        GridModel single;
        fillTable(single, 2, 1);
        QVERIFY(!TableEdits::deleteColumn(single));
        QCOMPARE(firstColumn(single), u"Name|r1|r2"_s);
    }
    // commands: i increase, d decrease, r reset; heights of rows 0 to 4.
    void rowHeights_data() { test::addCaseRows(u"table/tableedits/rowheights.tsv"_s); }
    void rowHeights()
    {
        QFETCH(QString, before);
        QFETCH(QString, current);
        QFETCH(QString, marked);
        QFETCH(QString, commands);
        GridModel m;
        fillTable(m, 4);
        m.setSelectionMode(GridModel::SelectionMode::ListBox);
        const QStringList heights = before.split(u'|');
        for (int r = 0; r < heights.size(); ++r)
            m.setRowHeight(r, heights.at(r).toInt());
        m.setCursor(current.toInt(), 0);
        for (const QString &r : test::items(marked))
            m.setRowSelected(r.toInt(), true);
        for (QChar c : commands) {
            if (c == u'i')
                TableEdits::increaseRowHeights(m);
            else if (c == u'd')
                TableEdits::decreaseRowHeights(m);
            else
                TableEdits::resetRowHeights(m);
        }
        QStringList actual;
        for (int r = 0; r < m.rows(); ++r)
            actual << QString::number(m.rowHeight(r));
        QTEST(actual.join(u'|'), "after");
    }
    void deleteRecordQuestion()
    {
        using Button = TableEdits::DeleteRecordQuestion::Button;
        TableEdits::DeleteRecordQuestion q;
        QVERIFY(!q.answer(Button::No, false));
        QVERIFY(q.takeDeclined());
        QVERIFY(!q.takeDeclined()); // reading resets it
        QVERIFY(!q.answer(Button::Cancel, false));
        QVERIFY(q.takeDeclined());
        QVERIFY(q.shouldAsk());
        QVERIFY(q.answer(Button::Yes, true));
        QVERIFY(!q.takeDeclined());
        QVERIFY(!q.shouldAsk());

        GridModel m;
        fillTable(m, 3);
        m.setCursor(2, 0);
        QVERIFY(TableEdits::deleteCurrentRow(m, MouseMode::Block));
        QCOMPARE(firstColumn(m), u"Name|r1|r3"_s);
        m.setCursor(0, 0);
        QVERIFY(!TableEdits::deleteCurrentRow(m, MouseMode::Block));
        QCOMPARE(m.rows(), 3);
    }
};

QTEST_GUILESS_MAIN(TestTableEdits)
#include "tst_tableedits.moc"
