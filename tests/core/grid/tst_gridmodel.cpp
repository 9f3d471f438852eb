#include "core/grid/gridmodel.h"
#include "core/grid/gridstore.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

using namespace dq;

Q_DECLARE_METATYPE(dq::GridRange)

namespace {

// A 4-row, 3-column grid whose cells read "<row><col>", with cell (1,0) bold.
void fillNumbered(GridModel &m)
{
    m.setCols(3);
    m.setRows(4);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            m.setText(r, c, QStringLiteral("%1%2").arg(r).arg(c));
    CellFormat bold;
    bold.bold = true;
    m.setCellFormat(1, 0, bold);
}

QString dump(const GridModel &m)
{
    QStringList lines;
    for (int r = 0; r < m.rows(); ++r)
        lines << m.rowTexts(r).join(QLatin1Char(' '));
    return lines.join(QLatin1Char('/'));
}

QString boldCells(const GridModel &m)
{
    QStringList out;
    for (int r = 0; r < m.rows(); ++r)
        for (int c = 0; c < m.cols(); ++c)
            if (m.cellFormat(r, c).bold)
                out << QStringLiteral("%1,%2").arg(r).arg(c);
    return out.join(QLatin1Char(' '));
}

QString randomText(QRandomGenerator &rng)
{
    static const char16_t pool[]
        = { u'a', u'b', u'B', u'A', u' ', u'0', u'\u00e9', u'\u00c9', u'\uff21', u'\ue000', u'\u4e00' };
    QString out;
    const int n = int(rng.bounded(0, 5));
    for (int i = 0; i < n; ++i) {
        if (rng.bounded(8) == 0)
            out += QString::fromUcs4(U"\U0001F600"); // above U+FFFF: a surrogate pair in UTF-16
        else
            out += QChar(pool[rng.bounded(int(std::size(pool)))]);
    }
    return out;
}

} // namespace

class TestGridModel : public QObject
{
    Q_OBJECT

private slots:
    void rowAndColumnOperationsCarryTextAndFormats_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<QString>("expected"); // rows by "/", cells by " "; cell rXcY reads "XY"
        QTest::addColumn<QString>("bold");
        const struct
        {
            const char *name, *op;
            int a, b;
            const char *expected, *bold;
        } rows[] = {
            { "inserting a row before row 1 pushes it down", "insertRow", 1, 0,
                "00 01 02/  /10 11 12/20 21 22/30 31 32", "2,0" },
            { "inserting at the row count appends", "insertRow", 4, 0, "00 01 02/10 11 12/20 21 22/30 31 32/  ",
                "1,0" },
            { "removing row 1 takes its format along", "removeRow", 1, 0, "00 01 02/20 21 22/30 31 32", "" },
            { "moving row 1 to the end", "moveRow", 1, 3, "00 01 02/20 21 22/30 31 32/10 11 12", "3,0" },
            { "moving the last row up to 1", "moveRow", 3, 1, "00 01 02/30 31 32/10 11 12/20 21 22", "2,0" },
            { "inserting a first column", "insertColumn", 0, 0, " 00 01 02/ 10 11 12/ 20 21 22/ 30 31 32", "1,1" },
            { "removing the middle column", "removeColumn", 1, 0, "00 02/10 12/20 22/30 32", "1,0" },
            { "moving the first column to the end", "moveColumn", 0, 2, "01 02 00/11 12 10/21 22 20/31 32 30", "1,2" },
            { "moving the last column to the front", "moveColumn", 2, 0, "02 00 01/12 10 11/22 20 21/32 30 31", "1,1" },
            { "shrinking to two rows drops the rest", "setRows", 2, 0, "00 01 02/10 11 12", "1,0" },
            { "shrinking to one column and growing back leaves the new cells blank", "setCols", 1, 3,
                "00  /10  /20  /30  ", "1,0" },
            { "zero columns empties every row", "setCols", 0, 0, "///", "" },
            { "growing to six rows keeps every cell", "setRows", 6, 0, "00 01 02/10 11 12/20 21 22/30 31 32/  /  ",
                "1,0" },
            { "writing a cell outside the grid changes nothing", "setText", 50, 0,
                "00 01 02/10 11 12/20 21 22/30 31 32", "1,0" },
            { "removing a row past the end changes nothing", "removeRow", 9, 0, "00 01 02/10 11 12/20 21 22/30 31 32",
                "1,0" },
            { "moving a column past the end changes nothing", "moveColumn", 0, 7, "00 01 02/10 11 12/20 21 22/30 31 32",
                "1,0" },
        };
        for (const auto &row : rows)
            QTest::newRow(row.name) << QString::fromLatin1(row.op) << row.a << row.b
                                    << QString::fromLatin1(row.expected) << QString::fromLatin1(row.bold);
    }
    void rowAndColumnOperationsCarryTextAndFormats()
    {
        QFETCH(QString, op);
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(QString, expected);
        QFETCH(QString, bold);
        GridModel m;
        fillNumbered(m);
        if (op == QLatin1String("insertRow"))
            m.insertRow(a);
        else if (op == QLatin1String("removeRow"))
            m.removeRow(a);
        else if (op == QLatin1String("moveRow"))
            m.moveRow(a, b);
        else if (op == QLatin1String("insertColumn"))
            m.insertColumn(a);
        else if (op == QLatin1String("removeColumn"))
            m.removeColumn(a);
        else if (op == QLatin1String("moveColumn"))
            m.moveColumn(a, b);
        else if (op == QLatin1String("setText"))
            m.setText(a, b, QStringLiteral("x"));
        else if (op == QLatin1String("setRows"))
            m.setRows(a);
        else if (op == QLatin1String("setCols")) {
            m.setCols(a);
            if (b)
                m.setCols(b);
        }
        QCOMPARE(dump(m), expected);
        QCOMPARE(boldCells(m), bold);
    }
    void sortCarriesFormatsHeightsAndMarks()
    {
        GridModel m;
        m.setCols(2);
        m.setRows(4);
        m.setText(0, 0, QStringLiteral("Title"));
        m.setText(1, 0, QStringLiteral("c"));
        m.setText(2, 0, QStringLiteral("a"));
        m.setText(3, 0, QStringLiteral("b"));
        CellFormat red;
        red.hasFore = true;
        red.fore = qRgb(255, 0, 0);
        m.setCellFormat(1, 1, red);
        m.setRowHeight(2, 700);
        m.setSelectionMode(GridModel::SelectionMode::ListBox);
        m.setRowSelected(3, true);
        QSignalSpy before(&m, &GridModel::beforeSort);
        QSignalSpy after(&m, &GridModel::afterSort);

        m.sort(0, 0, Qt::AscendingOrder);

        QCOMPARE(dump(m), QStringLiteral("Title /a /b /c "));
        QCOMPARE(m.cellFormat(3, 1), red);
        QCOMPARE(m.rowHeight(1), 700);
        QCOMPARE(m.selectedRows(), (std::vector<int> { 2 }));
        QCOMPARE(before.count(), 1);
        QCOMPARE(after.count(), 1);
        QCOMPARE(after.at(0).at(0).toInt(), 0);
        QCOMPARE(after.at(0).at(1).toInt(), 1);
    }
    void randomEditsMatchAPlainTable()
    {
        // The compact row storage against a plain table of strings, through every kind of edit.
        QRandomGenerator rng(11);
        GridModel m;
        m.setCols(5);
        m.setRows(6);
        QList<QStringList> plain(6, QStringList(5));
        for (int step = 0; step < 3000; ++step) {
            const int cols = m.cols();
            const int kind = int(rng.bounded(10));
            if (kind < 6 && cols > 0) {
                const int r = int(rng.bounded(m.rows()));
                const int c = int(rng.bounded(cols));
                const QString t = rng.bounded(4) == 0 ? QString() : randomText(rng) + QString::number(step);
                m.setText(r, c, t);
                plain[r][c] = t;
            } else if (kind == 6 && cols < 9) {
                const int c = int(rng.bounded(cols + 1));
                m.insertColumn(c);
                for (QStringList &row : plain)
                    row.insert(c, QString());
            } else if (kind == 7 && cols > 1) {
                const int c = int(rng.bounded(cols));
                m.removeColumn(c);
                for (QStringList &row : plain)
                    row.removeAt(c);
            } else if (kind == 8 && cols > 1) {
                const int from = int(rng.bounded(cols));
                const int to = int(rng.bounded(cols));
                m.moveColumn(from, to);
                for (QStringList &row : plain)
                    row.move(from, to);
            } else if (kind == 9 && cols > 0) {
                const int n = int(rng.bounded(1, 9));
                m.setCols(n);
                for (QStringList &row : plain) {
                    while (row.size() > n)
                        row.removeLast();
                    while (row.size() < n)
                        row.append(QString());
                }
            }
            for (int r = 0; r < m.rows(); ++r)
                QCOMPARE(m.rowTexts(r), plain[r]);
        }
    }
    void titleRowSurvivesEmptyingTheGrid()
    {
        GridModel m;
        m.setCols(0);
        m.setRows(0);
        m.setRows(21);
        m.setCols(13);
        QCOMPARE(m.fixedRows(), 1);
        m.setText(0, 0, QStringLiteral("Name"));
        m.setRows(1);
        QCOMPARE(m.fixedRows(), 1);
        QCOMPARE(m.text(0, 0), QStringLiteral("Name"));
    }
    void clipIsCutToTheGrid_data()
    {
        QTest::addColumn<GridRange>("range");
        QTest::addColumn<QString>("expected");
        QTest::newRow("a block inside the grid") << GridRange { 1, 1, 2, 2 } << "11\t12\r21\t22";
        QTest::newRow("a block reaching past the last row and column") << GridRange { 3, 2, 99, 99 } << "32";
        QTest::newRow("a block starting before the first cell") << GridRange { -5, -5, 0, 0 } << "00";
        QTest::newRow("a block wholly outside") << GridRange { 10, 10, 12, 12 } << "";
        QTest::newRow("an empty range") << GridRange {} << "";
    }
    void clipIsCutToTheGrid()
    {
        QFETCH(GridRange, range);
        QFETCH(QString, expected);
        GridModel m;
        fillNumbered(m);
        QCOMPARE(m.clip(range), expected);
        // Setting through the same range never writes outside the grid or the range.
        const int set = m.setClip(range, QStringLiteral("x\ty\tz\rx\ty\tz\rx\ty\tz"));
        const GridRange inside { qMax(0, range.top), qMax(0, range.left), qMin(range.bottom, 3), qMin(range.right, 2) };
        QCOMPARE(set,
            range.isEmpty() || inside.isEmpty()
                ? 0
                : qMin(3, inside.bottom - inside.top + 1) * qMin(3, inside.right - inside.left + 1));
        for (int r = 0; r < m.rows(); ++r)
            for (int c = 0; c < m.cols(); ++c)
                if (range.isEmpty() || !inside.contains(r, c))
                    QCOMPARE(m.text(r, c), QStringLiteral("%1%2").arg(r).arg(c));
    }
    void listBoxMarksAnswerCountAndNthRow()
    {
        GridModel m;
        m.setCols(2);
        m.setRows(10);
        m.setSelectionMode(GridModel::SelectionMode::ListBox);
        QSignalSpy spy(&m, &GridModel::selectionChanged);
        m.setSelectedRows({ 7, 2, 5, 99, -1 });
        QCOMPARE(spy.count(), 1);
        QCOMPARE(m.selectedRowCount(), 3);
        QCOMPARE(m.selectedRow(0), 2);
        QCOMPARE(m.selectedRow(2), 7);
        QCOMPARE(m.selectedRow(3), -1);
        m.setSelectionMode(GridModel::SelectionMode::Free);
        QCOMPARE(m.isRowSelected(2), false);
        m.select(4, 1, 2, 0);
        QCOMPARE(m.selection(), (GridRange { 2, 0, 4, 1 }));
        QCOMPARE(m.selectedRowCount(), 3);
        QCOMPARE(m.selectedRow(1), 3);
    }
    void allColumnsChangeInOneStepKeepingOtherAttributes()
    {
        GridModel m;
        m.setCols(4);
        m.setRows(2);
        m.setColumnWidth(1, 2500);
        QSignalSpy edited(&m, &GridModel::contentsEdited);
        m.setColumnAlignment(-1, Alignment::CenterCenter);
        QCOMPARE(edited.count(), 1);
        for (int c = 0; c < 4; ++c)
            QCOMPARE(m.columnAlignment(c), Alignment::CenterCenter);
        QCOMPARE(m.columnWidth(1), 2500);
        QCOMPARE(m.columnWidth(0), GridModel::kDefaultColumnWidth);
        m.setColumnAlignment(-1, Alignment::CenterCenter); // nothing changes, nothing to report
        QCOMPARE(edited.count(), 1);
        m.setColumnHidden(7, true);
        QCOMPARE(edited.count(), 1);
    }
    void currentCellAndSelectionClipFollowTheCursor()
    {
        GridModel m;
        fillNumbered(m);
        m.setCursor(2, 1);
        QCOMPARE(m.currentText(), QStringLiteral("21"));
        m.setCurrentText(QStringLiteral("new"));
        QCOMPARE(m.text(2, 1), QStringLiteral("new"));
        m.select(3, 2, 2, 1);
        QCOMPARE(m.selectionClip(), QStringLiteral("new\t22\r31\t32"));
        QSignalSpy header(&m, &GridModel::headerDataChanged);
        m.select(0, 0, 0, 1);
        QCOMPARE(m.setSelectionClip(QStringLiteral("A\tB\tC")), 2);
        QCOMPARE(m.rowTexts(0), (QStringList { QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("02") }));
        QCOMPARE(header.count(), 1); // the titles shown in a header change with row 0
    }
};

QTEST_GUILESS_MAIN(TestGridModel)
#include "tst_gridmodel.moc"
