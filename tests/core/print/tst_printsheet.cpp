#include "core/grid/gridmodel.h"
#include "core/print/addressrecords.h"
#include "core/print/numberlist.h"
#include "core/print/printsheet.h"
#include "core/print/sheetlayout.h"
#include "core/print/sheetpainter.h"
#include "support/casetable.h"
#include "support/gridtext.h"
#include "support/testsupport.h"

#include <QTest>

using namespace dq;
using namespace dq::test;

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
        table.setSelectionMode(GridModel::SelectionMode::Free);
        prompts.answers = { UserPrompts::Answer::Ok };
        QVERIFY(!PrintSheet::mayOpen(table, prompts));
        QCOMPARE(prompts.asked.size(), 1);
        QCOMPARE(prompts.asked[0].title, QStringLiteral("Print Sheet"));
        QCOMPARE(prompts.asked[0].text, QStringLiteral("Select Row Mode (not Block Mode) selection and try again."));
        QCOMPARE(prompts.asked[0].icon, UserPrompts::Icon::Warning);
    }
    void scaleButtonsStopAtTheLimits_data() { test::addCaseRows(QStringLiteral("print/sheet/scalesteps.tsv")); }
    void scaleButtonsStopAtTheLimits()
    {
        QFETCH(QString, text);
        QFETCH(QString, step);
        QTEST(PrintSheet::stepScale(text, step.toInt()), "expected");
    }
    void chooserStartsFromTheRecordTable()
    {
        GridModel table;
        fillRecordTable(table, completeRecords(2));
        table.setColumnHidden(3, true);
        GridModel fd;
        PrintSheet::buildChooser(fd, table);
        QCOMPARE(fd.rows(), 14);
        QCOMPARE(fd.rowTexts(0), test::texts({ "Col", "Title", "Print" }));
        QCOMPARE(fd.rowTexts(6).mid(0, 2), test::texts({ "6", "Phone" }));
        const std::vector<bool> chosen = PrintSheet::chosenColumns(fd);
        for (int c = 0; c < 13; ++c)
            QCOMPARE(bool(chosen.at(size_t(c))), c != 3); // the hidden column starts cleared
    }
    void columnsPrintAtTheirWidthsOrNotAtAll()
    {
        GridModel table;
        fillRecordTable(table, completeRecords(3));
        table.setColumnWidth(5, 1401); // 1681.2 rounds to 1681
        PrintSheet::Options options;
        options.allRows = true;
        options.printColumns = std::vector<bool>(13, true);
        options.printColumns[1] = false;
        SheetLayout sheet;
        PrintSheet::compose(sheet, table, options);
        QCOMPARE(sheet.colWidth(1), 3000);
        QCOMPARE(sheet.colWidth(2), 0);
        QCOMPARE(sheet.colWidth(6), 1681);
        QCOMPARE(sheet.colText(2), QStringLiteral("Street"));
        // The cleared column takes no room on paper.
        const SheetPainter painter(sheet);
        QCOMPARE(std::count(painter.printedCols().begin(), painter.printedCols().end(), 2), 0);
        QCOMPARE(std::count(painter.printedCols().begin(), painter.printedCols().end(), 3), 1);
    }
    void printAreaFollowsTheRowChoice_data() { test::addCaseRows(QStringLiteral("print/sheet/rowchoice.tsv")); }
    void printAreaFollowsTheRowChoice()
    {
        QFETCH(QString, all);
        QFETCH(QString, selected);
        GridModel table;
        fillRecordTable(table, completeRecords(4));
        table.setText(3, 12, QStringLiteral("note"));
        selectRows(table, test::numbers(selected));
        PrintSheet::Options options;
        options.allRows = all == u"1";
        SheetLayout sheet;
        const QString clip = PrintSheet::compose(sheet, table, options);
        QTEST(sheet.printArea(), "area");
        QStringList printed;
        for (int r = 1; r <= sheet.lastRow(); ++r)
            printed << sheet.text(r, 1);
        QTEST(printed.join(u'|'), "names");
        QCOMPARE(clip.split(u'\r', Qt::SkipEmptyParts).size(), printed.size());
        if (options.allRows) {
            QCOMPARE(table.selectedRows(), (std::vector<int> { 1, 2, 3, 4 })); // All marks what it prints
            QCOMPARE(sheet.text(3, 13), QStringLiteral("note")); // pasted, but outside the print area
        }
    }
    void tickBoxesFollowTheSelectedRecordsAndARebuildDropsThem()
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
        for (int j = 0; j < 3; ++j) {
            QCOMPARE(boxes[j].checked, j == 1); // records 2, 4, 5
            QCOMPARE(boxes[j].rect, QRectF(8.4, j + 0.1, 0.2, 0.8));
            QCOMPARE(sheet.text(j + 1, 9), QString()); // the box replaces the text
        }

        table.setColumnDataType(8, DataType::String);
        selectRows(table, { 3 });
        PrintSheet::compose(sheet, table, {});
        QCOMPARE(sheet.checkBoxes().size(), 0);
        QCOMPARE(sheet.lastRow(), 1);
        QCOMPARE(sheet.text(1, 1), QStringLiteral("Name3"));
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
        QCOMPARE(sheet.text(2, 2), QStringLiteral("2 St"));
        QCOMPARE(clip.count(u'\r'), 1);
    }
    void scaleTextAndOrientation_data() { test::addCaseRows(QStringLiteral("print/sheet/scales.tsv")); }
    void scaleTextAndOrientation()
    {
        QFETCH(QString, scaleText);
        QFETCH(QString, landscape);
        GridModel table;
        fillRecordTable(table, completeRecords(1));
        SheetLayout sheet;
        sheet.setScale(90);
        PrintSheet::Options options;
        options.allRows = true;
        options.scaleText = scaleText;
        options.landscape = landscape == u"1";
        PrintSheet::compose(sheet, table, options);
        QTEST(QString::number(sheet.scale()), "scale");
        QCOMPARE(sheet.orientation(), options.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    }
    void rowAndColumnListsParse_data() { test::addCaseRows(QStringLiteral("print/numberlist.tsv")); }
    void rowAndColumnListsParse()
    {
        QFETCH(QString, text);
        QFETCH(QString, accepted);
        const QList<int> numbers = test::numbers(accepted);
        QString error;
        const auto parsed = parseNumberList(text, 1, 10, &error);
        QCOMPARE(parsed.has_value(), !numbers.isEmpty());
        if (parsed)
            QCOMPARE(QList<int>(parsed->begin(), parsed->end()), numbers);
        else
            QVERIFY(!error.isEmpty());
    }
};

QTEST_MAIN(TestPrintSheet)
#include "tst_printsheet.moc"
