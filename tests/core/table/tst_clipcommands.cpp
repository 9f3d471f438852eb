#include "core/table/clipcommands.h"

#include <QTest>

using namespace dq;

namespace {

// Titles "A".."C" over data cells named by column letter and row: "a1", "b1", ...
void fillTable(GridModel &m, int dataRows = 5)
{
    m.setCols(3);
    m.setRows(dataRows + 1);
    for (int c = 0; c < 3; ++c) {
        m.setText(0, c, QString(QChar(u'A' + c)));
        for (int r = 1; r <= dataRows; ++r)
            m.setText(r, c, QString(QChar(u'a' + c)) + QString::number(r));
    }
}

// The whole table as clip text, rows shown one per list entry.
QStringList snapshot(const GridModel &m)
{
    QStringList out;
    for (int r = 0; r < m.rows(); ++r)
        out << m.rowTexts(r).join(u'\t');
    return out;
}

QStringList table(std::initializer_list<const char *> rows)
{
    QStringList out;
    for (const char *r : rows)
        out << QString::fromUtf8(r);
    return out;
}

} // namespace

class TestClipCommands : public QObject
{
    Q_OBJECT

private slots:
    void cut_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<GridRange>("selection"); // top, left, bottom, right; cursor at top-left
        QTest::addColumn<QString>("clip");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("row mode empties the three rows across every column and keeps them")
            << int(MouseMode::Row) << GridRange { 2, 1, 4, 1 } << "a2\tb2\tc2\ra3\tb3\tc3\ra4\tb4\tc4"
            << table({ "A\tB\tC", "a1\tb1\tc1", "\t\t", "\t\t", "\t\t", "a5\tb5\tc5" });
        QTest::newRow("block mode empties only the block")
            << int(MouseMode::Block) << GridRange { 1, 1, 2, 2 } << "b1\tc1\rb2\tc2"
            << table({ "A\tB\tC", "a1\t\t", "a2\t\t", "a3\tb3\tc3", "a4\tb4\tc4", "a5\tb5\tc5" });
        QTest::newRow("block mode with one cell")
            << int(MouseMode::Block) << GridRange { 5, 0, 5, 0 } << "a5"
            << table({ "A\tB\tC", "a1\tb1\tc1", "a2\tb2\tc2", "a3\tb3\tc3", "a4\tb4\tc4", "\tb5\tc5" });
    }
    void cut()
    {
        QFETCH(int, mode);
        QFETCH(GridRange, selection);
        QFETCH(QString, clip);
        QFETCH(QStringList, after);
        GridModel m;
        fillTable(m);
        m.select(selection.top, selection.left, selection.bottom, selection.right);
        QCOMPARE(ClipCommands::copy(m, MouseMode(mode)), clip);
        QCOMPARE(ClipCommands::cut(m, MouseMode(mode)), clip);
        QCOMPARE(snapshot(m), after);
    }
    void paste_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<GridRange>("selection");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("cellsSet");
        QTest::newRow("a two by three block into one selected cell fills only that cell")
            << int(MouseMode::Block) << GridRange { 2, 1, 2, 1 } << "x\ty\tz\rp\tq\tr"
            << table({ "A\tB\tC", "a1\tb1\tc1", "a2\tx\tc2", "a3\tb3\tc3", "a4\tb4\tc4", "a5\tb5\tc5" }) << 1;
        QTest::newRow("a block larger than the selection is cut at its edges")
            << int(MouseMode::Block) << GridRange { 1, 0, 2, 1 } << "x\ty\tz\rp\tq\tr\rs\tt\tu"
            << table({ "A\tB\tC", "x\ty\tc1", "p\tq\tc2", "a3\tb3\tc3", "a4\tb4\tc4", "a5\tb5\tc5" }) << 4;
        QTest::newRow("row mode pastes from the first column of the current row")
            << int(MouseMode::Row) << GridRange { 3, 2, 4, 2 } << "x\ty\rp"
            << table({ "A\tB\tC", "a1\tb1\tc1", "a2\tb2\tc2", "x\ty\tc3", "p\tb4\tc4", "a5\tb5\tc5" }) << 3;
        QTest::newRow("the line break ending a spreadsheet block empties no cell")
            << int(MouseMode::Block) << GridRange { 1, 0, 3, 0 } << "x\r\ny\r\n"
            << table({ "A\tB\tC", "x\tb1\tc1", "y\tb2\tc2", "a3\tb3\tc3", "a4\tb4\tc4", "a5\tb5\tc5" }) << 2;
        QTest::newRow("an empty clipboard changes nothing")
            << int(MouseMode::Block) << GridRange { 1, 0, 3, 2 } << ""
            << table({ "A\tB\tC", "a1\tb1\tc1", "a2\tb2\tc2", "a3\tb3\tc3", "a4\tb4\tc4", "a5\tb5\tc5" }) << 0;
        QTest::newRow("rows beyond the last row are dropped, none is added")
            << int(MouseMode::Row) << GridRange { 5, 0, 5, 0 } << "x\ry\rz"
            << table({ "A\tB\tC", "a1\tb1\tc1", "a2\tb2\tc2", "a3\tb3\tc3", "a4\tb4\tc4", "x\tb5\tc5" }) << 1;
        QTest::newRow("an empty cell in the clip empties its cell")
            << int(MouseMode::Block) << GridRange { 1, 0, 1, 2 } << "x\t\tz"
            << table({ "A\tB\tC", "x\t\tz", "a2\tb2\tc2", "a3\tb3\tc3", "a4\tb4\tc4", "a5\tb5\tc5" }) << 3;
    }
    void paste()
    {
        QFETCH(int, mode);
        QFETCH(GridRange, selection);
        QFETCH(QString, clipboard);
        QFETCH(QStringList, after);
        QFETCH(int, cellsSet);
        GridModel m;
        fillTable(m);
        m.select(selection.top, selection.left, selection.bottom, selection.right);
        QCOMPARE(ClipCommands::paste(m, MouseMode(mode), clipboard), cellsSet);
        QCOMPARE(snapshot(m), after);
        QCOMPARE(m.rows(), 6);
    }
    void selectAllLeavesTheTitlesOut()
    {
        for (auto selectionMode : { GridModel::SelectionMode::Free, GridModel::SelectionMode::ListBox }) {
            GridModel m;
            fillTable(m, 2);
            m.setSelectionMode(selectionMode);
            ClipCommands::selectAll(m);
            QCOMPARE(m.selection(), (GridRange { 1, 0, 2, 2 }));
            QCOMPARE(ClipCommands::copy(m, MouseMode::Block), QStringLiteral("a1\tb1\tc1\ra2\tb2\tc2"));
            QCOMPARE(m.selectedRows(), (std::vector<int> { 1, 2 }));
        }
    }
};

QTEST_GUILESS_MAIN(TestClipCommands)
#include "tst_clipcommands.moc"
