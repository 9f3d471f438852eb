#include "core/grid/gridmodel.h"
#include "core/grid/gridstore.h"
#include "core/grid/rowblockmover.h"
#include "support/casetable.h"
#include "support/gridtext.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <map>

using namespace dq;

using Batch = std::function<void(GridModel &)>;
Q_DECLARE_METATYPE(Batch)

namespace {

// A 4-row, 3-column grid whose cells read "<row><col>", with cell (1,0) bold.
void fillNumbered(GridModel &m)
{
    test::fillRows(m, { u"00|01|02"_qs, u"10|11|12"_qs, u"20|21|22"_qs, u"30|31|32"_qs });
    CellFormat bold;
    bold.bold = true;
    m.setCellFormat(1, 0, bold);
}

QString dump(const GridModel &m)
{
    return test::rowsOf(m).join(u'/');
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
        test::addCaseRows(QStringLiteral("grid/model/operations.tsv"));
    }
    void rowAndColumnOperationsCarryTextAndFormats()
    {
        QFETCH(QString, op);
        QFETCH(QString, a);
        QFETCH(QString, b);
        GridModel m;
        fillNumbered(m);
        const std::map<QString, std::function<void(int, int)>> ops {
            { u"insertRow"_qs, [&](int a, int) { m.insertRow(a); } },
            { u"removeRow"_qs, [&](int a, int) { m.removeRow(a); } },
            { u"moveRow"_qs, [&](int a, int b) { m.moveRow(a, b); } },
            { u"insertColumn"_qs, [&](int a, int) { m.insertColumn(a); } },
            { u"removeColumn"_qs, [&](int a, int) { m.removeColumn(a); } },
            { u"moveColumn"_qs, [&](int a, int b) { m.moveColumn(a, b); } },
            { u"setText"_qs, [&](int a, int b) { m.setText(a, b, QStringLiteral("x")); } },
            { u"setRows"_qs, [&](int a, int) { m.setRows(a); } },
            { u"setCols"_qs,
                [&](int a, int b) {
                    m.setCols(a);
                    if (b)
                        m.setCols(b);
                } },
        };
        ops.at(op)(a.toInt(), b.toInt());
        QTEST(dump(m), "expected");
        QTEST(boldCells(m), "bold");
    }
    void sortCarriesFormatsHeightsAndMarks()
    {
        GridModel m;
        test::fillRows(m, { u"Title"_qs, u"c"_qs, u"a"_qs, u"b"_qs }, 2);
        CellFormat bold;
        bold.bold = true;
        m.setCellFormat(1, 1, bold);
        m.setRowHeight(2, 700);
        m.setSelectionMode(GridModel::SelectionMode::ListBox);
        m.setRowSelected(3, true);
        QSignalSpy before(&m, &GridModel::beforeSort);
        QSignalSpy after(&m, &GridModel::afterSort);

        m.sort(0, 0, Qt::AscendingOrder);

        QCOMPARE(dump(m), QStringLiteral("Title|/a|/b|/c|"));
        QCOMPARE(m.cellFormat(3, 1), bold);
        QCOMPARE(m.rowHeight(1), 700);
        QCOMPARE(m.selectedRows(), (std::vector<int> { 2 }));
        QCOMPARE(before.count() + after.count(), 2);
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
            const int c = int(rng.bounded(cols + 1)); // == cols only where a column is inserted
            if (kind < 6 && c < cols) {
                const int r = int(rng.bounded(m.rows()));
                const QString t = rng.bounded(4) == 0 ? QString() : randomText(rng) + QString::number(step);
                m.setText(r, c, t);
                plain[r][c] = t;
            } else if (kind == 6 && cols < 9) {
                m.insertColumn(c);
                for (QStringList &row : plain)
                    row.insert(c, QString());
            } else if (kind == 7 && c < cols && cols > 1) {
                m.removeColumn(c);
                for (QStringList &row : plain)
                    row.removeAt(c);
            } else if (kind == 8 && c < cols) {
                const int to = int(rng.bounded(cols));
                m.moveColumn(c, to);
                for (QStringList &row : plain)
                    row.move(c, to);
            } else if (kind == 9) {
                const int n = int(rng.bounded(1, 9));
                m.setCols(n);
                for (QStringList &row : plain)
                    row.resize(n);
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
    void clipIsCutToTheGrid_data() { test::addCaseRows(QStringLiteral("grid/model/clips.tsv")); }
    void clipIsCutToTheGrid()
    {
        QFETCH(QString, range);
        QFETCH(QString, set);
        const QList<int> corners = test::numbers(range);
        const GridRange block
            = corners.isEmpty() ? GridRange {} : GridRange { corners[0], corners[1], corners[2], corners[3] };
        GridModel m;
        fillNumbered(m);
        QTEST(m.clip(block), "clip");
        // Setting through the same range never writes outside the grid or the range.
        QCOMPARE(m.setClip(block, QStringLiteral("x\ty\tz\rx\ty\tz\rx\ty\tz")), set.toInt());
        for (int r = 0; r < m.rows(); ++r)
            for (int c = 0; c < m.cols(); ++c)
                if (!block.contains(r, c))
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
        QCOMPARE((QList<int> { m.selectedRow(0), m.selectedRow(1), m.selectedRow(2), m.selectedRow(3) }),
            (QList<int> { 2, 5, 7, -1 }));
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
        m.setColumnAlignment(-1, Alignment::CenterCenter); // nothing changes, nothing to report
        QCOMPARE(edited.count(), 1);
    }
    void currentCellAndSelectionClipFollowTheCursor()
    {
        GridModel m;
        fillNumbered(m);
        m.setCursor(2, 1);
        QCOMPARE(m.currentText(), QStringLiteral("21"));
        m.setCurrentText(QStringLiteral("new"));
        m.select(3, 2, 2, 1);
        QCOMPARE(m.selectionClip(), QStringLiteral("new\t22\r31\t32"));
        QSignalSpy header(&m, &GridModel::headerDataChanged);
        m.select(0, 0, 0, 1);
        QCOMPARE(m.setSelectionClip(QStringLiteral("A\tB\tC")), 2);
        QCOMPARE(m.rowTexts(0), (QStringList { QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("02") }));
        QCOMPARE(header.count(), 1); // the titles shown in a header change with row 0
    }
    void oneNoticePerBatch_data()
    {
        // Batch edits of a thousand rows reach views and owners as one notice each, never one per row.
        QTest::addColumn<Batch>("batch");
        QTest::addColumn<QList<int>>(
            "counts"); // dataChanged, cellChanged, contentsEdited, selectionChanged, reset, rowsInserted
        QTest::addColumn<QString>("cell"); // text of (500, 1) afterwards

        QTest::newRow("setting two columns of every row is one data change") << Batch([](GridModel &g) {
            g.setTexts({ 0, 1, g.rows() - 1, 2 }, [&](const GridModel::CellSetter &set) {
                for (int r = 0; r < g.rows(); ++r) {
                    set(r, 1, QStringLiteral("x%1").arg(r));
                    set(r, 0, QStringLiteral("outside the range"));
                }
            });
        }) << QList<int> { 1, 0, 1, 0, 0, 0 } << "x500";
        QTest::newRow("reordering the data rows is one reset") << Batch([](GridModel &g) {
            std::vector<int> order;
            for (int r = g.rows() - 1; r >= g.fixedRows(); --r)
                order.push_back(r);
            g.applySort(0, Qt::DescendingOrder, order);
        }) << QList<int> { 0, 0, 1, 0, 1, 0 } << "v501";
        QTest::newRow("appending rows is one insertion") << Batch([](GridModel &g) {
            g.appendRows(std::vector<QStringList>(5000, QStringList { QStringLiteral("a"), QStringLiteral("b") }));
        }) << QList<int> { 0, 0, 1, 0, 0, 1 } << "v500";
        QTest::newRow("formatting a block is one data change") << Batch([](GridModel &g) {
            g.updateFormats(GridRange { 1, 0, 400, 2 }, [](CellFormat &f) { f.italic = true; });
        }) << QList<int> { 1, 0, 1, 0, 0, 0 } << "v500";
        QTest::newRow("removing scattered rows is one reset") << Batch([](GridModel &g) {
            g.removeRowsSorted({ 1, 3, 499 });
        }) << QList<int> { 0, 0, 1, 1, 1, 0 } << "v503";
        QTest::newRow("replacing the contents is one reset") << Batch([](GridModel &g) {
            GridStore store;
            store.columns.resize(3);
            store.rows.resize(501);
            g.replaceContents(std::move(store));
        }) << QList<int> { 0, 0, 1, 1, 1, 0 } << "";
        QTest::newRow("marking many rows is one selection change") << Batch([](GridModel &g) {
            g.setRowsSelected({ 3, 4, 5, 900 }, true);
        }) << QList<int> { 0, 0, 0, 1, 0, 0 } << "v500";
        QTest::newRow("selecting a run of rows is one selection change")
            << Batch([](GridModel &g) { g.selectRows(1, g.rows() - 1); }) << QList<int> { 0, 0, 0, 1, 0, 0 } << "v500";
    }

    void oneNoticePerBatch()
    {
        QFETCH(Batch, batch);
        QFETCH(QList<int>, counts);
        GridModel g;
        g.setCols(3);
        g.setRows(1001);
        g.setSelectionMode(GridModel::SelectionMode::ListBox);
        for (int r = 0; r < g.rows(); ++r)
            g.setText(r, 1, QStringLiteral("v%1").arg(r));
        QSignalSpy data(&g, &GridModel::dataChanged);
        QSignalSpy cell(&g, &GridModel::cellChanged);
        QSignalSpy edited(&g, &GridModel::contentsEdited);
        QSignalSpy selection(&g, &GridModel::selectionChanged);
        QSignalSpy reset(&g, &GridModel::modelReset);
        QSignalSpy inserted(&g, &GridModel::rowsInserted);
        batch(g);
        QCOMPARE((QList<int> { int(data.count()), int(cell.count()), int(edited.count()), int(selection.count()),
                     int(reset.count()), int(inserted.count()) }),
            counts);
        QTEST(g.text(500, 1), "cell");
        QCOMPARE(g.text(500, 0), QString());
    }
    void rowBlocks_data() { test::addCaseRows(QStringLiteral("grid/rowblocks.tsv")); }
    void rowBlocks()
    {
        QFETCH(QString, top);
        QFETCH(QString, bottom);
        QFETCH(QString, up);
        QFETCH(QString, minTop);
        QFETCH(QString, order);
        QFETCH(QString, newTop);
        GridModel g;
        test::fillRows(g, test::texts({ "T|", "1|v1", "2|v2", "3|v3", "4|v4", "5|v5" }));
        g.select(top.toInt(), 1, bottom.toInt(), 1);
        const bool moved = up == u"1" ? RowBlockMover::moveUp(g, minTop.toInt()) : RowBlockMover::moveDown(g);
        QStringList column0;
        for (int r = 0; r < g.rows(); ++r)
            column0 << g.text(r, 0);
        QCOMPARE(column0.join(u' '), order);
        QCOMPARE(moved, newTop != top);
        const int at = newTop.toInt();
        QCOMPARE(g.selection(), (GridRange { at, 1, at + bottom.toInt() - top.toInt(), 1 }));
        // Whole rows move, not just the first column.
        for (int r = 1; r < 6; ++r)
            QCOMPARE(g.text(r, 1), QStringLiteral("v") + g.text(r, 0));
    }
};

QTEST_GUILESS_MAIN(TestGridModel)
#include "tst_gridmodel.moc"
