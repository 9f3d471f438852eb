#include "core/grid/gridmodel.h"
#include "core/grid/rowblockmover.h"
#include "support/casetable.h"
#include "support/gridtext.h"

#include <QTest>

using namespace dq;

class TestRowBlockMover : public QObject
{
    Q_OBJECT

private slots:
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

QTEST_GUILESS_MAIN(TestRowBlockMover)
#include "tst_rowblockmover.moc"
