#include "core/grid/gridmodel.h"
#include "core/table/cellstyling.h"
#include "core/table/clipcommands.h"
#include "core/table/columndefs.h"
#include "core/table/datatools.h"
#include "core/table/recordtable.h"
#include "core/table/tableedits.h"
#include "core/table/tableundo.h"
#include "support/gridtext.h"
#include "support/testsupport.h"

#include <QTest>

#include <functional>

using namespace dq;
using namespace Qt::StringLiterals;

using Command = std::function<void(GridModel &)>;
Q_DECLARE_METATYPE(Command)

namespace {

// Ten listing rows, two of them exact duplicates, with phone texts to parse.
void fillListings(GridModel &fa)
{
    const QStringList names
        = test::texts({ "Delta", "Alpha", "Echo", "Alpha", "Charlie", "Bravo", "Echo", "Golf", "Foxtrot", "Hotel" });
    fa.setRows(11);
    for (int r = 1; r <= 10; ++r) {
        fa.setText(r, 0, names.at(r - 1));
        fa.setText(r, 1, u"Main St"_s);
        fa.setText(r, 5, u"555-01%1; Fax 555-09%1"_s.arg(names.at(r - 1).startsWith(u'E') ? 0 : r));
    }
}

} // namespace

class TestTableUndo : public QObject
{
    Q_OBJECT

private slots:
    // Each row is named by its step; "Typing" runs outside any step, as a plain edit is one of its own.
    void undoRestoresAndRedoRepeats_data()
    {
        QTest::addColumn<Command>("command");
        const auto add = [](const char *step, Command command) { QTest::newRow(step) << command; };
        add("Typing", [](GridModel &fa) { fa.setText(3, 2, u"x"_s); });
        add("Paste", [](GridModel &fa) {
            fa.select(2, 0, 3, 1);
            ClipCommands::paste(fa, MouseMode::Block, u"a\tb\rc\td"_s);
        });
        add("Cut", [](GridModel &fa) {
            fa.select(4, 0, 5, 0);
            ClipCommands::cut(fa, MouseMode::Row);
        });
        add("Insert Row", [](GridModel &fa) {
            fa.setCursor(3, 0);
            TableEdits::insertRow(fa);
        });
        add("Delete Rows", [](GridModel &fa) {
            fa.setSelectionMode(GridModel::SelectionMode::ListBox);
            fa.setSelectedRows({ 2, 5, 9 });
            TableEdits::deleteRows(fa, MouseMode::Row);
        });
        add("Insert Column", [](GridModel &fa) {
            fa.setCursor(2, 1);
            TableEdits::insertColumn(fa);
        });
        add("Delete Column", [](GridModel &fa) { // with a format in it
            CellFormat bold;
            bold.bold = true;
            fa.setCellFormat(2, 0, bold);
            fa.setCursor(2, 0);
            TableEdits::deleteColumn(fa);
        });
        add("Row Height", [](GridModel &fa) {
            fa.select(2, 0, 4, 0);
            TableEdits::increaseRowHeights(fa);
        });
        add("Sort", [](GridModel &fa) { DataTools::sortByColumn(fa, 0, Qt::DescendingOrder); });
        add("Delete Duplicates", [](GridModel &fa) { DataTools::removeDuplicateRows(fa); });
        add("Parse Phone Column", [](GridModel &fa) { DataTools::splitPhoneColumn(fa); });
        add("DateTime",
            [](GridModel &fa) { DataTools::stampCell(fa, 3, 4, QDateTime(QDate(2024, 5, 6), QTime(7, 8))); });
        add("Format", [](GridModel &fa) { // bold, colours and alignment over blocks
            CellStyling::toggle(fa, GridRange { 1, 0, 4, 3 }, CellStyling::FontStyle::Bold, false);
            CellStyling::setTextColor(fa, GridRange { 1, 0, 2, 2 }, Qt::red);
            CellStyling::setBackColor(fa, GridRange { 2, 1, 3, 3 }, Qt::yellow);
            CellStyling::setAlignment(fa, GridRange { 1, 1, 5, 1 }, Alignment::RightCenter);
        });
        add("Grid Look", [](GridModel &fa) {
            CellStyling::setAlternateRowColor(fa, true);
            CellStyling::toggleGridLines(fa);
        });
        add("Font Size", [](GridModel &fa) { CellStyling::setUniformFontSize(fa, 14); });
        add("Column Define", [](GridModel &fa) {
            fa.setColumnWidth(2, 3000);
            fa.setColumnHidden(3, true);
            ColumnDefs::setColumnTitle(fa, 1, u"Street"_s);
        });
        add("Append", [](GridModel &fa) { // rows and a wider table
            fa.setCols(15);
            fa.setText(0, 14, u"Extra"_s);
            fa.appendRows({ QStringList { u"New"_s, u"Row"_s }, QStringList { u"Other"_s } });
        });
        add("Grab", [](GridModel &fa) { // a harvest into the fresh table
            fa.setRows(1);
            fa.appendRows({ QStringList { u"Grabbed"_s } });
        });
    }
    void undoRestoresAndRedoRepeats()
    {
        QFETCH(Command, command);
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        RecordTable table;
        table.buildNewTable();
        TableUndo undo(table);
        GridModel &fa = table.fa();
        fillListings(fa);
        undo.reset();

        const QByteArray before = test::nativeState(fa);
        {
            TableUndo::Step step(name == u"Typing" ? nullptr : &undo, name);
            command(fa);
        }
        const QByteArray after = test::nativeState(fa);
        QVERIFY(after != before);
        QCOMPARE(undo.stack().count(), 1);
        QCOMPARE(undo.stack().undoText(), name);
        undo.undo();
        QCOMPARE(test::nativeState(fa), before);
        undo.redo();
        QCOMPARE(test::nativeState(fa), after);
        undo.undo();
        QCOMPARE(test::nativeState(fa), before);
    }
    void undoingToTheSavedStateClearsTheChangedFlag()
    {
        RecordTable table;
        table.buildNewTable();
        TableUndo undo(table);
        table.setCurrentFile(test::tempDir() + u"/list.tsy"_s);
        GridModel &fa = table.fa();
        fa.setText(1, 0, u"one"_s);
        table.MakeModified(false); // saved here
        fa.setText(1, 0, u"two"_s);
        QVERIFY(table.changed());
        undo.undo();
        QVERIFY(!table.changed() && !table.saveEnabled());
        undo.undo(); // before the save: changed again
        QVERIFY(table.changed());
        undo.redo();
        QVERIFY(!table.changed());
        undo.redo();
        QVERIFY(table.changed());
        QCOMPARE(fa.text(1, 0), u"two"_s);
        table.buildNewTable(); // New starts an empty stack
        QCOMPARE(undo.stack().count(), 0);
    }
    void theStackDropsTheOldestStepsBeyondItsBounds()
    {
        RecordTable table;
        table.buildNewTable();
        TableUndo undo(table);
        GridModel &fa = table.fa();
        for (int i = 0; i < TableUndo::kMaxSteps + 5; ++i)
            fa.setText(1, 0, QString::number(i));
        QCOMPARE(undo.stack().count(), TableUndo::kMaxSteps);

        undo.reset();
        const QString big(100'000, u'x');
        undo.setMaxBytes(350'000);
        for (int i = 0; i < 6; ++i) {
            TableUndo::Step step(&undo, u"Step %1"_s.arg(i));
            fa.setText(1, 1, big + QString::number(i));
        }
        QVERIFY(undo.bytes() <= 350'000);
        QCOMPARE(undo.stack().count(), 3);
        QCOMPARE(undo.stack().text(0), u"Step 3"_s);
        while (undo.stack().canUndo())
            undo.undo();
        QCOMPARE(fa.text(1, 1), big + u'2'); // the oldest kept step's state before

        fa.setText(1, 1, QString(400'000, u'y'));
        fa.setText(1, 1, u"z"_s); // its old text is beyond the bound: nothing can be kept
        QCOMPARE(undo.stack().count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestTableUndo)
#include "tst_tableundo.moc"
