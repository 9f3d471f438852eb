#include "core/grid/gridmodel.h"
#include "core/print/printsheet.h"
#include "core/print/addressrecords.h"
#include "core/print/sheetlayout.h"
#include "core/print/sheetpainter.h"
#include "support/testsupport.h"

#include <QTest>

using namespace dq;
using dq::test::completeRecords;
using dq::test::fillRecordTable;
using dq::test::selectRows;

class TestPrintSheet : public QObject
{
    Q_OBJECT

private slots:
    void blockModeRefusesWithAMessage()
    {
        GridModel table;
        fillRecordTable(table, completeRecords(3));
        dq::test::ScriptedPrompts prompts;
        QVERIFY(PrintSheet::mayOpen(table, prompts));
        QCOMPARE(prompts.asked.size(), 0);

        table.setSelectionMode(GridModel::SelectionMode::Free);
        prompts.answers = { UserPrompts::Answer::Ok };
        QVERIFY(!PrintSheet::mayOpen(table, prompts));
        QCOMPARE(prompts.asked.size(), 1);
        QCOMPARE(prompts.asked[0].title, QStringLiteral("Print Sheet"));
        QCOMPARE(prompts.asked[0].text, QStringLiteral("Select Row Mode (not Block Mode) selection and try again."));
        QCOMPARE(prompts.asked[0].icon, UserPrompts::Icon::Warning);
    }
    void scaleButtonsStopAtTheLimits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("expected");
        QTest::newRow("100 with the up button stays 100") << QStringLiteral("100") << 1 << QStringLiteral("100");
        QTest::newRow("50 with the down button stays 50") << QStringLiteral("50") << -1 << QStringLiteral("50");
        QTest::newRow("99 up gives 100") << QStringLiteral("99") << 1 << QStringLiteral("100");
        QTest::newRow("51 down gives 50") << QStringLiteral("51") << -1 << QStringLiteral("50");
        QTest::newRow("75 up gives 76") << QStringLiteral("75") << 1 << QStringLiteral("76");
        QTest::newRow("typed 120 cannot go further up") << QStringLiteral("120") << 1 << QStringLiteral("120");
        QTest::newRow("typed 120 comes down by one") << QStringLiteral("120") << -1 << QStringLiteral("119");
        QTest::newRow("text that is no number is left alone") << QStringLiteral("big") << 1 << QStringLiteral("big");
    }
    void scaleButtonsStopAtTheLimits()
    {
        QFETCH(QString, text);
        QFETCH(int, step);
        QFETCH(QString, expected);
        QCOMPARE(PrintSheet::stepScale(text, step), expected);
    }
    void chooserStartsFromTheRecordTable()
    {
        GridModel table;
        fillRecordTable(table, completeRecords(2));
        table.setColumnHidden(3, true);
        GridModel fd;
        PrintSheet::buildChooser(fd, table);

        QCOMPARE(fd.rows(), 14);
        QCOMPARE(fd.cols(), 3);
        QCOMPARE(
            fd.rowTexts(0), (QStringList { QStringLiteral("Col"), QStringLiteral("Title"), QStringLiteral("Print") }));
        QCOMPARE(fd.text(6, 0), QStringLiteral("6"));
        QCOMPARE(fd.text(6, 1), QStringLiteral("Phone"));
        QVERIFY(fd.cellFormat(6, 0).bold);

        const std::vector<bool> chosen = PrintSheet::chosenColumns(fd);
        QCOMPARE(int(chosen.size()), 13);
        for (int c = 0; c < 13; ++c)
            QCOMPARE(bool(chosen[size_t(c)]), c != 3); // the hidden column starts cleared
    }
    void columnsPrintAtTheirWidthsOrNotAtAll()
    {
        GridModel table;
        fillRecordTable(table, completeRecords(3));
        table.setColumnWidth(5, 1401); // 1681.2 rounds to 1681
        table.setColumnWidth(6, 1001); // 1201.2 -> 1201
        PrintSheet::Options options;
        options.allRows = true;
        options.printColumns = std::vector<bool>(13, true);
        options.printColumns[1] = false;
        SheetLayout sheet;
        PrintSheet::compose(sheet, table, options);

        QCOMPARE(sheet.colWidth(1), 3000);
        QCOMPARE(sheet.colWidth(2), 0);
        QCOMPARE(sheet.colWidth(3), 1200);
        QCOMPARE(sheet.colWidth(6), 1681);
        QCOMPARE(sheet.colWidth(7), 1201);
        QCOMPARE(sheet.colText(2), QStringLiteral("Street"));
        QCOMPARE(sheet.printHeader(), QStringLiteral("Orlenco Dirquill"));
        QCOMPARE(sheet.printFooter(), QStringLiteral("Page &P"));
        QVERIFY(sheet.printColHeading());

        // The cleared column takes no room on paper.
        const SheetPainter painter(sheet);
        QCOMPARE(std::count(painter.printedCols().begin(), painter.printedCols().end(), 2), 0);
        QCOMPARE(std::count(painter.printedCols().begin(), painter.printedCols().end(), 3), 1);
    }
    void printAreaFollowsTheRowChoice_data()
    {
        QTest::addColumn<bool>("all");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QString>("area");
        QTest::addColumn<QStringList>("firstColumn");
        QTest::newRow("All prints only the columns A to J of every record")
            << true << QList<int> { 2 } << QStringLiteral("A1:J4")
            << QStringList { QStringLiteral("Name1"), QStringLiteral("Name2"), QStringLiteral("Name3"),
                   QStringLiteral("Name4") };
        QTest::newRow("selected rows print every pasted column of those rows")
            << false << QList<int> { 4, 2 } << QStringLiteral("A1:M2")
            << QStringList { QStringLiteral("Name2"), QStringLiteral("Name4") };
        QTest::newRow("no selected rows leave an empty sheet") << false << QList<int> {} << QString() << QStringList {};
    }
    void printAreaFollowsTheRowChoice()
    {
        QFETCH(bool, all);
        QFETCH(QList<int>, selected);
        QFETCH(QString, area);
        QFETCH(QStringList, firstColumn);
        GridModel table;
        fillRecordTable(table, completeRecords(4));
        table.setText(3, 12, QStringLiteral("note"));
        selectRows(table, selected);
        PrintSheet::Options options;
        options.allRows = all;
        SheetLayout sheet;
        const QString clip = PrintSheet::compose(sheet, table, options);

        QCOMPARE(sheet.printArea(), area);
        QCOMPARE(sheet.lastRow(), int(firstColumn.size()));
        for (int r = 0; r < firstColumn.size(); ++r)
            QCOMPARE(sheet.text(r + 1, 1), firstColumn[r]);
        QCOMPARE(clip.split(u'\r', Qt::SkipEmptyParts).size(), firstColumn.size());
        if (!firstColumn.isEmpty())
            QCOMPARE(clip.split(u'\r').first().split(u'\t').size(), 13);
        if (all) {
            const std::vector<int> sel = table.selectedRows();
            QCOMPARE(QList<int>(sel.begin(), sel.end()), (QList<int> { 1, 2, 3, 4 }));
            QCOMPARE(sheet.text(3, 13), QStringLiteral("note")); // pasted, but outside the print area
        }
    }
    void tickBoxesFollowTheSelectedRecords()
    {
        GridModel table;
        fillRecordTable(table, completeRecords(5));
        table.setColumnDataType(8, DataType::Boolean);
        table.setColumnWidth(8, 960);
        for (int r = 1; r <= 5; ++r) {
            CellFormat f;
            f.check = r == 4 ? CheckBox::Checked : CheckBox::Unchecked;
            table.setCellFormat(r, 8, f);
            table.setText(r, 8, QStringLiteral("cell text"));
        }
        selectRows(table, { 2, 4, 5 });
        SheetLayout sheet;
        PrintSheet::compose(sheet, table, {});

        const QList<SheetLayout::CheckBoxObject> &boxes = sheet.checkBoxes();
        QCOMPARE(boxes.size(), 3);
        const QList<bool> ticks { false, true, false }; // records 2, 4, 5
        for (int j = 0; j < 3; ++j) {
            QCOMPARE(boxes[j].checked, ticks[j]);
            QCOMPARE(boxes[j].rect.left(), 8.4);
            QCOMPARE(boxes[j].rect.width(), 0.2);
            QCOMPARE(boxes[j].rect.top(), j + 0.1);
            QCOMPARE(boxes[j].rect.height(), 0.8);
            QCOMPARE(sheet.text(j + 1, 9), QString()); // the box replaces the text
        }
    }
    void rebuildingDropsTheEarlierRun()
    {
        GridModel table;
        fillRecordTable(table, completeRecords(6));
        table.setColumnDataType(7, DataType::Boolean);
        SheetLayout sheet;
        PrintSheet::Options all;
        all.allRows = true;
        PrintSheet::compose(sheet, table, all);
        QCOMPARE(sheet.checkBoxes().size(), 6);

        table.setColumnDataType(7, DataType::String);
        selectRows(table, { 3 });
        PrintSheet::compose(sheet, table, {});
        QCOMPARE(sheet.checkBoxes().size(), 0);
        QCOMPARE(sheet.lastRow(), 1);
        QCOMPARE(sheet.text(1, 1), QStringLiteral("Name3"));
        QCOMPARE(sheet.text(2, 1), QString());
        QCOMPARE(sheet.printArea(), QStringLiteral("A1:M1"));
    }
    void cellBreaksDoNotShiftThePaste()
    {
        GridModel table;
        fillRecordTable(table, { QStringLiteral("A\tB|1 St"), QStringLiteral("C\r\nD|2 St") });
        selectRows(table, { 1, 2 });
        SheetLayout sheet;
        const QString clip = PrintSheet::compose(sheet, table, {});
        QCOMPARE(sheet.lastRow(), 2);
        QCOMPARE(sheet.text(1, 2), QStringLiteral("1 St"));
        QCOMPARE(sheet.text(2, 2), QStringLiteral("2 St"));
        QCOMPARE(clip.count(u'\r'), 1);
    }
    void scaleTextAndOrientation_data()
    {
        QTest::addColumn<QString>("scaleText");
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<int>("scale");
        QTest::newRow("a whole number is the scale") << QStringLiteral("60") << false << 60;
        QTest::newRow("a fraction is rounded") << QStringLiteral("80.6") << true << 81;
        QTest::newRow("text that is no number keeps the earlier scale") << QStringLiteral("big") << false << 90;
        QTest::newRow("an absurd number is held to what paper allows") << QStringLiteral("-5") << false << 10;
    }
    void scaleTextAndOrientation()
    {
        QFETCH(QString, scaleText);
        QFETCH(bool, landscape);
        QFETCH(int, scale);
        GridModel table;
        fillRecordTable(table, completeRecords(1));
        SheetLayout sheet;
        sheet.setScale(90);
        PrintSheet::Options options;
        options.allRows = true;
        options.scaleText = scaleText;
        options.landscape = landscape;
        PrintSheet::compose(sheet, table, options);
        QCOMPARE(sheet.scale(), scale);
        QCOMPARE(sheet.orientation(), landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    }
};

QTEST_MAIN(TestPrintSheet)
#include "tst_printsheet.moc"
