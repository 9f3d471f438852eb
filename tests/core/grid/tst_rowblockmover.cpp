#include "core/grid/gridmodel.h"
#include "core/grid/rowblockmover.h"

#include <QTest>

using namespace dq;

namespace {

QStringList column0(const GridModel &g)
{
    QStringList out;
    for (int r = 0; r < g.rows(); ++r)
        out << g.text(r, 0);
    return out;
}

} // namespace

class TestRowBlockMover : public QObject
{
    Q_OBJECT

private slots:
    void rowBlocks_data()
    {
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("bottom");
        QTest::addColumn<bool>("up");
        QTest::addColumn<int>("minTop");
        QTest::addColumn<QString>("order");
        QTest::addColumn<int>("newTop");

        QTest::newRow("one row up swaps with the row above") << 3 << 3 << true << 1 << "T 1 3 2 4 5" << 2;
        QTest::newRow("a block up takes the row above below it") << 3 << 5 << true << 1 << "T 1 3 4 5 2" << 2;
        QTest::newRow("a block down takes the row below above it") << 1 << 2 << false << 1 << "T 3 1 2 4 5" << 2;
        QTest::newRow("the first data row never moves into the title") << 1 << 1 << true << 1 << "T 1 2 3 4 5" << 1;
        QTest::newRow("a block starting above minTop stays") << 2 << 3 << true << 3 << "T 1 2 3 4 5" << 2;
        QTest::newRow("a block ending at the last row stays") << 4 << 5 << false << 1 << "T 1 2 3 4 5" << 4;
    }

    void rowBlocks()
    {
        QFETCH(int, top);
        QFETCH(int, bottom);
        QFETCH(bool, up);
        QFETCH(int, minTop);
        QFETCH(QString, order);
        QFETCH(int, newTop);
        GridModel g;
        g.setCols(2);
        g.setRows(6);
        g.setText(0, 0, QStringLiteral("T"));
        for (int r = 1; r < 6; ++r) {
            g.setText(r, 0, QString::number(r));
            g.setText(r, 1, QStringLiteral("v%1").arg(r));
        }
        g.select(top, 1, bottom, 1);
        const bool moved = up ? RowBlockMover::moveUp(g, minTop) : RowBlockMover::moveDown(g);
        QCOMPARE(column0(g).join(QLatin1Char(' ')), order);
        QCOMPARE(moved, newTop != top);
        QCOMPARE(g.selection(), (GridRange { newTop, 1, newTop + bottom - top, 1 }));
        // Whole rows move, not just the first column.
        for (int r = 1; r < 6; ++r)
            QCOMPARE(g.text(r, 1), QStringLiteral("v") + g.text(r, 0));
    }
};

QTEST_APPLESS_MAIN(TestRowBlockMover)
#include "tst_rowblockmover.moc"
