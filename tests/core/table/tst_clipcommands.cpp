#include "core/table/clipcommands.h"
#include "support/casetable.h"
#include "support/gridtext.h"

#include <QTest>

using namespace dq;
using namespace Qt::StringLiterals;

class TestClipCommands : public QObject
{
    Q_OBJECT

private slots:
    // Titles A..C over cells named by column letter and row; selection: top left bottom right,
    // the cursor at top left; after: the table's rows split by ";". A cut checks Copy's text too.
    void cutAndPaste_data() { test::addCaseRows(u"table/clip.tsv"_s); }
    void cutAndPaste()
    {
        QFETCH(QString, op);
        QFETCH(QString, mode);
        QFETCH(QString, selection);
        QFETCH(QString, clip);
        QFETCH(QString, cellsSet);
        const MouseMode mouse = mode == u"row" ? MouseMode::Row : MouseMode::Block;
        GridModel m;
        test::fillRows(m, test::texts({ "A|B|C", "a1|b1|c1", "a2|b2|c2", "a3|b3|c3", "a4|b4|c4", "a5|b5|c5" }));
        const QStringList s = selection.split(u' ');
        m.select(s[0].toInt(), s[1].toInt(), s[2].toInt(), s[3].toInt());
        if (op == u"cut") {
            QCOMPARE(ClipCommands::copy(m, mouse), clip);
            QCOMPARE(ClipCommands::cut(m, mouse), clip);
        } else {
            QCOMPARE(ClipCommands::paste(m, mouse, clip), cellsSet.toInt());
        }
        QTEST(test::rowsOf(m).join(u';'), "after");
    }
    void selectAllLeavesTheTitlesOut()
    {
        for (auto selectionMode : { GridModel::SelectionMode::Free, GridModel::SelectionMode::ListBox }) {
            GridModel m;
            test::fillRows(m, test::texts({ "A|B|C", "a1|b1|c1", "a2|b2|c2" }));
            m.setSelectionMode(selectionMode);
            ClipCommands::selectAll(m);
            QCOMPARE(m.selection(), (GridRange { 1, 0, 2, 2 }));
            QCOMPARE(ClipCommands::copy(m, MouseMode::Block), u"a1\tb1\tc1\ra2\tb2\tc2"_s);
            QCOMPARE(m.selectedRows(), (std::vector<int> { 1, 2 }));
        }
    }
};

QTEST_GUILESS_MAIN(TestClipCommands)
#include "tst_clipcommands.moc"
