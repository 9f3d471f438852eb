#include "core/grid/gridmodel.h"
#include "core/print/mailinglabels.h"
#include "core/print/sheetlayout.h"
#include "core/print/sheetpainter.h"
#include "core/print/addressrecords.h"

#include <QSignalSpy>
#include <QTest>

using namespace dq;
using dq::test::completeRecords;
using dq::test::fillRecordTable;
using dq::test::selectRows;

using Cell = QPair<int, int>; // sheet row, sheet column

namespace {

// Labels for every data row of the table.
void composeAll(SheetLayout &sheet, GridModel &table, MailingLabels::Options options)
{
    options.allRows = true;
    MailingLabels::compose(sheet, table, MailingLabels::gatherRows(table, options), options);
}

} // namespace

class TestMailingLabels : public QObject
{
    Q_OBJECT

private slots:
    void labelsLandInTheirBands_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("area");
        QTest::addColumn<QList<Cell>>("nameCells"); // where each label's name lands
        QTest::addColumn<QString>("country"); // empty: not ticked
        QTest::addColumn<QList<int>>("widths");
        QTest::addColumn<int>("rowHeight");
        QTest::addColumn<QString>("font");
        QTest::newRow("five labels in 3 x 10 fill a band of three and two of the next")
            << QStringLiteral("3 x 10") << 5 << QStringLiteral("A1:C16")
            << QList<Cell> { { 2, 1 }, { 2, 2 }, { 2, 3 }, { 8, 1 }, { 8, 2 } } << QStringLiteral("Canada")
            << QList<int> { 3976, 3976, 3300 } << 240 << QStringLiteral("Arial 10");
        QTest::newRow("seven labels in 2 x 10 put the seventh in column 1 of the fourth band")
            << QStringLiteral("2 x 10") << 7 << QStringLiteral("A1:B27")
            << QList<Cell> { { 2, 1 }, { 2, 2 }, { 8, 1 }, { 8, 2 }, { 14, 1 }, { 14, 2 }, { 20, 1 } } << QString()
            << QList<int> { 6120, 5000 } << 240 << QStringLiteral("Arial 10");
        QTest::newRow("one label in 2 x 5 leaves a page of one band")
            << QStringLiteral("2 x 5") << 1 << QStringLiteral("A1:B9") << QList<Cell> { { 2, 1 } } << QString()
            << QList<int> { 6120, 5000 } << 480 << QStringLiteral("Times New Roman 16");
        QTest::newRow("no labels still give an empty page")
            << QStringLiteral("3 x 10") << 0 << QStringLiteral("A1:C6") << QList<Cell> {} << QStringLiteral("Canada")
            << QList<int> { 3976, 3976, 3300 } << 240 << QStringLiteral("Arial 10");
    }
    void labelsLandInTheirBands()
    {
        QFETCH(QString, layout);
        QFETCH(int, count);
        QFETCH(QList<Cell>, nameCells);
        QFETCH(QString, country);
        QFETCH(QList<int>, widths);
        QFETCH(int, rowHeight);
        GridModel table;
        fillRecordTable(table, completeRecords(count));
        SheetLayout sheet;
        sheet.setPrintHeader(QStringLiteral("left over"));
        composeAll(sheet, table,
            { .layout = layout, .printCountry = !country.isEmpty(), .country = QStringLiteral("Canada") });

        QTEST(sheet.printArea(), "area");
        for (int i = 0; i < nameCells.size(); ++i) {
            const auto [row, col] = nameCells[i];
            const QString n = QString::number(i + 1);
            QCOMPARE(sheet.text(row - 1, col), QString());
            QCOMPARE(sheet.text(row, col), QStringLiteral("Name") + n);
            QCOMPARE(sheet.text(row + 1, col), n + QStringLiteral(" Main St"));
            QVERIFY(sheet.text(row + 2, col).startsWith(QStringLiteral("Springfield, IL 627")));
            QCOMPARE(sheet.text(row + 3, col), country);
            QCOMPARE(sheet.text(row + 4, col), QString());
        }
        // Nothing lands anywhere else.
        int filled = 0;
        for (int r = 1; r <= sheet.lastRow(); ++r)
            for (int c = 1; c <= 9; ++c)
                filled += sheet.text(r, c).isEmpty() ? 0 : 1;
        QCOMPARE(filled, (country.isEmpty() ? 3 : 4) * count);

        QCOMPARE(sheet.lastCol(), widths.size());
        for (int c = 0; c < widths.size(); ++c)
            QCOMPARE(sheet.colWidth(c + 1), widths[c]);
        for (int r = 1; r <= sheet.lastRow(); ++r)
            QCOMPARE(sheet.rowHeight(r), rowHeight);
        QTEST(QString(sheet.fontFamily() + u' ' + QString::number(sheet.fontSize())), "font");
        QCOMPARE(sheet.margins().top(), 0.5);
        QCOMPARE(sheet.margins().right(), 0.0);
        QCOMPARE(sheet.orientation(), QPageLayout::Portrait);
        // Labels print nothing but their text, left and bottom aligned without wrapping.
        QCOMPARE(sheet.printHeader(), QString());
        QVERIFY(sheet.printFooter().isEmpty() && !sheet.printColHeading());
        const SheetLayout::CellAlignment a = sheet.alignment(3, 2);
        QCOMPARE(a.horizontal, SheetLayout::HAlign::Left);
        QCOMPARE(a.vertical, SheetLayout::VAlign::Bottom);
        QVERIFY(!a.wrap);
    }
    void skipPassChoosesRows_data()
    {
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<bool>("all");
        QTest::addColumn<bool>("skip");
        QTest::addColumn<QList<int>>("selected"); // the user's selection before printing
        QTest::addColumn<QList<int>>("printed");
        QTest::addColumn<QList<int>>("selectedAfter");
        const QStringList gaps { QStringLiteral("A|1 St|X|IL|1"), QStringLiteral("B|2 St|X|IL|"),
            QStringLiteral("C|3 St|X|IL|3"), QStringLiteral("D|4 St|X|IL|"), QStringLiteral("E|5 St|X|IL|5") };
        QTest::newRow("All with skip leaves out rows without a Zip Code and deselects them")
            << gaps << true << true << QList<int> {} << QList<int> { 1, 3, 5 } << QList<int> { 1, 3, 5 };
        QTest::newRow("All without skip prints every data row")
            << gaps << true << false << QList<int> { 2 } << QList<int> { 1, 2, 3, 4, 5 }
            << QList<int> { 1, 2, 3, 4, 5 };
        QTest::newRow("a selection with skip deselects only its incomplete rows")
            << gaps << false << true << QList<int> { 1, 2, 5 } << QList<int> { 1, 5 } << QList<int> { 1, 5 };
        QTest::newRow("a selection without skip prints incomplete rows too")
            << gaps << false << false << QList<int> { 2, 4 } << QList<int> { 2, 4 } << QList<int> { 2, 4 };
        QTest::newRow("a selected title row never prints")
            << gaps << false << true << QList<int> { 0, 3 } << QList<int> { 3 } << QList<int> { 0, 3 };
        QTest::newRow("a Street of one blank is not incomplete")
            << QStringList { QStringLiteral("A| |X|IL|1"), QStringLiteral("B||X|IL|2") } << true << true
            << QList<int> {} << QList<int> { 1 } << QList<int> { 1 };
        QTest::newRow("a missing City or State makes the row incomplete, the Name does not") << QStringList {
            QStringLiteral("|1 St|X|IL|1"), QStringLiteral("B|2 St||IL|2"), QStringLiteral("C|3 St|X||3")
        } << true << true << QList<int> {} << QList<int> { 1 } << QList<int> { 1 };
    }
    void skipPassChoosesRows()
    {
        QFETCH(QStringList, records);
        QFETCH(bool, all);
        QFETCH(bool, skip);
        QFETCH(QList<int>, selected);
        QFETCH(QList<int>, printed);
        QFETCH(QList<int>, selectedAfter);
        GridModel table;
        fillRecordTable(table, records);
        selectRows(table, selected);
        MailingLabels::Options options;
        options.allRows = all;
        options.skipIncomplete = skip;
        const std::vector<int> rows = MailingLabels::gatherRows(table, options);
        QCOMPARE(QList<int>(rows.begin(), rows.end()), printed);
        const std::vector<int> after = table.selectedRows();
        QCOMPARE(QList<int>(after.begin(), after.end()), selectedAfter);

        // The printed labels follow each other without a gap.
        SheetLayout sheet;
        MailingLabels::compose(sheet, table, rows, options);
        for (int i = 0; i < printed.size(); ++i)
            QCOMPARE(sheet.text(2 + 6 * (i / 3), 1 + i % 3), table.text(printed[i], 0));
    }
    void cityLineIsCleaned_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("cityLine");
        QTest::newRow("a full address reads City, State Zip")
            << QStringLiteral("A|1 St|Dayton|OH|45402") << QStringLiteral("Dayton, OH 45402");
        QTest::newRow("a City without State and Zip Code shows the city alone")
            << QStringLiteral("A|1 St|Dayton||") << QStringLiteral("Dayton");
        QTest::newRow("no City, State or Zip Code gives an empty line") << QStringLiteral("A|1 St|||") << QString();
        QTest::newRow("a City after blanks loses the blanks with the comma")
            << QStringLiteral("A|1 St|  Dayton||") << QStringLiteral("Dayton");
        QTest::newRow("a line without trailing comma is left as it is")
            << QStringLiteral("A|1 St||OH|45402") << QStringLiteral(", OH 45402");
    }
    void cityLineIsCleaned()
    {
        QFETCH(QString, record);
        QFETCH(QString, cityLine);
        GridModel table;
        // Two labels side by side: cleaning the band must not disturb the neighbour.
        fillRecordTable(table, { record, QStringLiteral("B|2 St|Xenia|OH|45385") });
        SheetLayout sheet;
        composeAll(sheet, table, { .skipIncomplete = false });
        QCOMPARE(sheet.text(4, 1), cityLine);
        QCOMPARE(sheet.text(4, 2), QStringLiteral("Xenia, OH 45385"));
    }
    void secondLayoutLeavesNothingOfTheFirst()
    {
        GridModel table;
        fillRecordTable(table, completeRecords(9));
        SheetLayout sheet;
        composeAll(sheet, table, {});
        QCOMPARE(sheet.text(14, 3), QStringLiteral("Name9"));

        selectRows(table, { 1, 2 });
        MailingLabels::Options second;
        second.layout = QStringLiteral("2 x 5");
        MailingLabels::compose(sheet, table, MailingLabels::gatherRows(table, second), second);
        QCOMPARE(sheet.lastRow(), 12);
        QCOMPARE(sheet.lastCol(), 2);
        QCOMPARE(sheet.printArea(), QStringLiteral("A1:B12"));
        QCOMPARE(sheet.text(2, 2), QStringLiteral("Name2"));
        for (int r = 1; r <= 20; ++r)
            QCOMPARE(sheet.text(r, 3), QString());
        QCOMPARE(sheet.text(8, 1), QString());
        QCOMPARE(sheet.rowHeight(3), 480);

        SheetPainter painter(sheet);
        QCOMPARE(int(painter.printedCols().size()), 2);
    }
    void selectionChangesReachViewsInOneBatch()
    {
        QStringList records = completeRecords(500);
        for (int i = 1; i < 500; i += 2)
            records[i] = QStringLiteral("N|S|C|ST|"); // no Zip Code
        GridModel table;
        fillRecordTable(table, records);
        QSignalSpy changed(&table, &GridModel::selectionChanged);
        MailingLabels::Options options;
        options.allRows = true;
        const std::vector<int> rows = MailingLabels::gatherRows(table, options);
        QCOMPARE(int(rows.size()), 250);
        QCOMPARE(table.selectedRowCount(), 250);
        QVERIFY2(changed.count() <= 2, qPrintable(QString::number(changed.count())));
    }
};

QTEST_MAIN(TestMailingLabels)
#include "tst_mailinglabels.moc"
