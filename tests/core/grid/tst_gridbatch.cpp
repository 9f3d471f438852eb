#include "core/grid/gridmodel.h"
#include "core/grid/gridstore.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>

using namespace dq;

using Batch = std::function<void(GridModel &)>;
Q_DECLARE_METATYPE(Batch)

// Batch edits of a thousand rows reach views and owners as one notice each, never one per row.
class TestGridBatch : public QObject
{
    Q_OBJECT

private slots:
    void oneNoticePerBatch_data()
    {
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
};

QTEST_GUILESS_MAIN(TestGridBatch)
#include "tst_gridbatch.moc"
