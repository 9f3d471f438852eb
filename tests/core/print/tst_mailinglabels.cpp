#include "core/grid/gridmodel.h"
#include "core/print/addressrecords.h"
#include "core/print/mailinglabels.h"
#include "core/print/sheetlayout.h"
#include "core/print/sheetpainter.h"
#include "support/casetable.h"

#include <QTest>

using namespace dq;
using namespace dq::test;

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
    void labelsLandInTheirBands_data() { test::addCaseRows(QStringLiteral("print/labels/bands.tsv")); }
    void labelsLandInTheirBands()
    {
        QFETCH(QString, layout);
        QFETCH(QString, count);
        QFETCH(QString, names);
        QFETCH(QString, country);
        QFETCH(QString, widths);
        QFETCH(QString, rowHeight);
        GridModel table;
        fillRecordTable(table, completeRecords(count.toInt()));
        SheetLayout sheet;
        sheet.setPrintHeader(QStringLiteral("left over"));
        composeAll(sheet, table,
            { .layout = layout, .printCountry = !country.isEmpty(), .country = QStringLiteral("Canada") });

        QTEST(sheet.printArea(), "area");
        const QStringList cells = names.split(u' ', Qt::SkipEmptyParts);
        for (int i = 0; i < cells.size(); ++i) {
            const int row = cells[i].section(u',', 0, 0).toInt();
            const int col = cells[i].section(u',', 1).toInt();
            const QString n = QString::number(i + 1);
            QCOMPARE(sheet.text(row, col), QStringLiteral("Name") + n);
            QCOMPARE(sheet.text(row + 1, col), n + QStringLiteral(" Main St"));
            QVERIFY(sheet.text(row + 2, col).startsWith(QStringLiteral("Springfield, IL 627")));
            QCOMPARE(sheet.text(row + 3, col), country);
        }
        // Nothing lands anywhere else.
        int filled = 0;
        for (int r = 1; r <= sheet.lastRow(); ++r)
            for (int c = 1; c <= 9; ++c)
                filled += sheet.text(r, c).isEmpty() ? 0 : 1;
        QCOMPARE(filled, (country.isEmpty() ? 3 : 4) * count.toInt());

        QList<int> printedWidths;
        for (int c = 1; c <= sheet.lastCol(); ++c)
            printedWidths << sheet.colWidth(c);
        QCOMPARE(printedWidths, numbers(widths));
        for (int r = 1; r <= sheet.lastRow(); ++r)
            QCOMPARE(sheet.rowHeight(r), rowHeight.toInt());
        QTEST(QString(sheet.fontFamily() + u' ' + QString::number(sheet.fontSize())), "font");
        QCOMPARE(sheet.margins().top(), 0.5);
        QCOMPARE(sheet.margins().right(), 0.0);
        // Labels print nothing but their text, left and bottom aligned without wrapping.
        QCOMPARE(sheet.printHeader(), QString());
        const SheetLayout::CellAlignment a = sheet.alignment(3, 2);
        QCOMPARE(a.horizontal, SheetLayout::HAlign::Left);
        QCOMPARE(a.vertical, SheetLayout::VAlign::Bottom);
        QVERIFY(!a.wrap);
    }
    void skipPassChoosesRows_data() { test::addCaseRows(QStringLiteral("print/labels/choice.tsv")); }
    void skipPassChoosesRows()
    {
        QFETCH(QString, records);
        QFETCH(QString, all);
        QFETCH(QString, skip);
        QFETCH(QString, selected);
        QFETCH(QString, printed);
        QFETCH(QString, selectedAfter);
        GridModel table;
        fillRecordTable(table, records.split(u';'));
        selectRows(table, numbers(selected));
        const MailingLabels::Options options { .skipIncomplete = skip == u"1", .allRows = all == u"1" };
        const std::vector<int> rows = MailingLabels::gatherRows(table, options);
        const std::vector<int> after = table.selectedRows();
        QCOMPARE(QList<int>(rows.begin(), rows.end()), numbers(printed));
        QCOMPARE(QList<int>(after.begin(), after.end()), numbers(selectedAfter));

        // The printed labels follow each other without a gap.
        SheetLayout sheet;
        MailingLabels::compose(sheet, table, rows, options);
        for (size_t i = 0; i < rows.size(); ++i)
            QCOMPARE(sheet.text(2 + 6 * int(i / 3), 1 + int(i % 3)), table.text(rows[i], 0));
    }
    void cityLineIsCleaned_data() { test::addCaseRows(QStringLiteral("print/labels/cityline.tsv")); }
    void cityLineIsCleaned()
    {
        QFETCH(QString, record);
        GridModel table;
        // Two labels side by side: cleaning the band must not disturb the neighbour.
        fillRecordTable(table, { record, QStringLiteral("B|2 St|Xenia|OH|45385") });
        SheetLayout sheet;
        composeAll(sheet, table, { .skipIncomplete = false });
        QTEST(sheet.text(4, 1), "cityLine");
        QCOMPARE(sheet.text(4, 2), QStringLiteral("Xenia, OH 45385"));
    }
    void secondLayoutLeavesNothingOfTheFirst()
    {
        GridModel table;
        fillRecordTable(table, completeRecords(9));
        SheetLayout sheet;
        composeAll(sheet, table, {});
        selectRows(table, { 1, 2 });
        const MailingLabels::Options second { .layout = QStringLiteral("2 x 5") };
        MailingLabels::compose(sheet, table, MailingLabels::gatherRows(table, second), second);
        QCOMPARE(sheet.lastRow(), 12);
        QCOMPARE(sheet.lastCol(), 2);
        QCOMPARE(sheet.printArea(), QStringLiteral("A1:B12"));
        QCOMPARE(sheet.text(8, 1), QString());
        QCOMPARE(sheet.rowHeight(3), 480);
        QCOMPARE(int(SheetPainter(sheet).printedCols().size()), 2);
    }
};

QTEST_MAIN(TestMailingLabels)
#include "tst_mailinglabels.moc"
