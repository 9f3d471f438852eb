#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/table/cellstyling.h"
#include "core/table/clipcommands.h"
#include "core/table/columndefs.h"
#include "core/table/datatools.h"
#include "core/table/recordtable.h"
#include "core/table/tableedits.h"
#include "core/table/tableundo.h"
#include "support/testsupport.h"

#include <QBuffer>
#include <QTest>

#include <functional>

using namespace dq;

using Command = std::function<void(GridModel &)>;
Q_DECLARE_METATYPE(Command)

namespace {

// Everything a native file holds: texts, shape, formats, heights, columns, grid settings.
QByteArray state(const GridModel &grid)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!GridFile::write(grid, buffer, FileKind::Native, QStringLiteral("state")))
        qFatal("cannot write the grid state");
    return buffer.data();
}

// Ten listing rows, two of them exact duplicates, with phone texts to parse.
void fillListings(GridModel &fa)
{
    const char *names[] = { "Delta", "Alpha", "Echo", "Alpha", "Charlie", "Bravo", "Echo", "Golf", "Foxtrot", "Hotel" };
    fa.setRows(11);
    for (int r = 1; r <= 10; ++r) {
        fa.setText(r, 0, QString::fromLatin1(names[r - 1]));
        fa.setText(r, 1, QStringLiteral("Main St"));
        fa.setText(r, 5, QStringLiteral("555-01%1; Fax 555-09%1").arg(names[r - 1][0] == 'E' ? 0 : r));
    }
}

} // namespace

class TestTableUndo : public QObject
{
    Q_OBJECT

private slots:
    void undoRestoresAndRedoRepeats_data();
    void undoRestoresAndRedoRepeats();
    void undoingToTheSavedStateClearsTheChangedFlag();
    void theStackDropsTheOldestStepsBeyondItsBounds();
};

void TestTableUndo::undoRestoresAndRedoRepeats_data()
{
    QTest::addColumn<QString>("name"); // "Typing" runs unwrapped: a plain edit is a step of its own
    QTest::addColumn<Command>("command");
    const auto block = [](GridModel &fa, int r1, int c1, int r2, int c2) { fa.select(r1, c1, r2, c2); };

    QTest::newRow("typing into a cell") << "Typing"
                                        << Command([](GridModel &fa) { fa.setText(3, 2, QStringLiteral("x")); });
    QTest::newRow("paste over a block") << "Paste" << Command([block](GridModel &fa) {
        block(fa, 2, 0, 3, 1);
        ClipCommands::paste(fa, MouseMode::Block, QStringLiteral("a\tb\rc\td"));
    });
    QTest::newRow("cut of whole rows") << "Cut" << Command([block](GridModel &fa) {
        block(fa, 4, 0, 5, 0);
        ClipCommands::cut(fa, MouseMode::Row);
    });
    QTest::newRow("insert a row") << "Insert Row" << Command([](GridModel &fa) {
        fa.setCursor(3, 0);
        TableEdits::insertRow(fa);
    });
    QTest::newRow("delete scattered rows") << "Delete Rows" << Command([](GridModel &fa) {
        fa.setSelectionMode(GridModel::SelectionMode::ListBox);
        fa.setSelectedRows({ 2, 5, 9 });
        TableEdits::deleteRows(fa, MouseMode::Row);
    });
    QTest::newRow("insert a column") << "Insert Column" << Command([](GridModel &fa) {
        fa.setCursor(2, 1);
        TableEdits::insertColumn(fa);
    });
    QTest::newRow("delete a column with formats") << "Delete Column" << Command([](GridModel &fa) {
        CellFormat bold;
        bold.bold = true;
        fa.setCellFormat(2, 0, bold);
        fa.setCursor(2, 0);
        TableEdits::deleteColumn(fa);
    });
    QTest::newRow("taller rows") << "Row Height" << Command([block](GridModel &fa) {
        block(fa, 2, 0, 4, 0);
        TableEdits::increaseRowHeights(fa);
    });
    QTest::newRow("sort by a column") << "Sort" << Command([](GridModel &fa) {
        DataTools::sortByColumn(fa, 0, Qt::DescendingOrder);
    });
    QTest::newRow("delete duplicates") << "Delete Duplicates"
                                       << Command([](GridModel &fa) { DataTools::removeDuplicateRows(fa); });
    QTest::newRow("parse the phone column")
        << "Parse Phone Column" << Command([](GridModel &fa) { DataTools::splitPhoneColumn(fa); });
    QTest::newRow("stamp the date and time")
        << "DateTime"
        << Command([](GridModel &fa) { DataTools::stampCell(fa, 3, 4, QDateTime(QDate(2024, 5, 6), QTime(7, 8))); });
    QTest::newRow("bold, colours and alignment over blocks") << "Format" << Command([](GridModel &fa) {
        CellStyling::toggle(fa, GridRange { 1, 0, 4, 3 }, CellStyling::FontStyle::Bold, false);
        CellStyling::setTextColor(fa, GridRange { 1, 0, 2, 2 }, Qt::red);
        CellStyling::setBackColor(fa, GridRange { 2, 1, 3, 3 }, Qt::yellow);
        CellStyling::setAlignment(fa, GridRange { 1, 1, 5, 1 }, Alignment::RightCenter);
    });
    QTest::newRow("alternate rows and grid lines") << "Grid Look" << Command([](GridModel &fa) {
        CellStyling::setAlternateRowColor(fa, true);
        CellStyling::toggleGridLines(fa);
    });
    QTest::newRow("one font size for every cell")
        << "Font Size" << Command([](GridModel &fa) { CellStyling::setUniformFontSize(fa, 14); });
    QTest::newRow("column attributes") << "Column Define" << Command([](GridModel &fa) {
        fa.setColumnWidth(2, 3000);
        fa.setColumnHidden(3, true);
        ColumnDefs::setColumnTitle(fa, 1, QStringLiteral("Street"));
    });
    QTest::newRow("appended rows and a wider table") << "Append" << Command([](GridModel &fa) {
        fa.setCols(15);
        fa.setText(0, 14, QStringLiteral("Extra"));
        fa.appendRows(
            { QStringList { QStringLiteral("New"), QStringLiteral("Row") }, QStringList { QStringLiteral("Other") } });
    });
    QTest::newRow("a harvest into the fresh table") << "Grab" << Command([](GridModel &fa) {
        fa.setRows(1);
        fa.appendRows({ QStringList { QStringLiteral("Grabbed") } });
    });
}

void TestTableUndo::undoRestoresAndRedoRepeats()
{
    QFETCH(QString, name);
    QFETCH(Command, command);
    RecordTable table;
    table.buildNewTable();
    TableUndo undo(table);
    GridModel &fa = table.fa();
    fillListings(fa);
    undo.reset();

    const QByteArray before = state(fa);
    if (name == QLatin1String("Typing")) {
        command(fa);
    } else {
        TableUndo::Step step(&undo, name);
        command(fa);
    }
    const QByteArray after = state(fa);
    QVERIFY(after != before);
    QCOMPARE(undo.stack().count(), 1);
    QCOMPARE(undo.stack().undoText(), name);

    undo.undo();
    QCOMPARE(state(fa), before);
    undo.redo();
    QCOMPARE(state(fa), after);
    undo.undo();
    QCOMPARE(state(fa), before);
}

void TestTableUndo::undoingToTheSavedStateClearsTheChangedFlag()
{
    RecordTable table;
    table.buildNewTable();
    TableUndo undo(table);
    table.setCurrentFile(test::tempDir() + QStringLiteral("/list.tsy"));
    GridModel &fa = table.fa();

    fa.setText(1, 0, QStringLiteral("one"));
    table.MakeModified(false); // saved here
    fa.setText(1, 0, QStringLiteral("two"));
    QVERIFY(table.changed());
    undo.undo();
    QVERIFY(!table.changed());
    QVERIFY(!table.saveEnabled());
    undo.undo(); // before the save: changed again
    QVERIFY(table.changed());
    undo.redo();
    QVERIFY(!table.changed());
    undo.redo();
    QVERIFY(table.changed());
    QCOMPARE(fa.text(1, 0), QStringLiteral("two"));

    table.buildNewTable(); // New starts an empty stack
    QCOMPARE(undo.stack().count(), 0);
}

void TestTableUndo::theStackDropsTheOldestStepsBeyondItsBounds()
{
    RecordTable table;
    table.buildNewTable();
    TableUndo undo(table);
    GridModel &fa = table.fa();
    for (int i = 0; i < TableUndo::kMaxSteps + 5; ++i)
        fa.setText(1, 0, QString::number(i));
    QCOMPARE(undo.stack().count(), TableUndo::kMaxSteps);

    undo.reset();
    const QByteArray big(100'000, 'x');
    undo.setMaxBytes(350'000);
    for (int i = 0; i < 6; ++i) {
        TableUndo::Step step(&undo, QStringLiteral("Step %1").arg(i));
        fa.setText(1, 1, QString::fromLatin1(big) + QString::number(i));
    }
    QVERIFY(undo.bytes() <= 350'000);
    QCOMPARE(undo.stack().count(), 3);
    QCOMPARE(undo.stack().text(0), QStringLiteral("Step 3"));
    while (undo.stack().canUndo())
        undo.undo();
    QCOMPARE(fa.text(1, 1), QString::fromLatin1(big) + QLatin1Char('2')); // the oldest kept step's state before

    fa.setText(1, 1, QString(400'000, QLatin1Char('y')));
    fa.setText(1, 1, QStringLiteral("z")); // its old text is beyond the bound: nothing can be kept
    QCOMPARE(undo.stack().count(), 0);
}

QTEST_GUILESS_MAIN(TestTableUndo)
#include "tst_tableundo.moc"
