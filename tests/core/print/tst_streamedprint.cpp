#include "core/grid/gridmodel.h"
#include "core/print/mailinglabels.h"
#include "core/print/pdfwords.h"
#include "core/print/printsheet.h"
#include "core/print/sheetlayout.h"
#include "core/print/sheetpainter.h"
#include "support/testsupport.h"

#include <QPageSize>
#include <QPdfWriter>
#include <QTest>

using namespace dq;

// Printing a page at a time from the table gives the very pages of the whole composed sheet.
class TestStreamedPrint : public QObject
{
    Q_OBJECT

private:
    // 150 records over several pages: a City ending in a comma, one without a Zip Code, ticks
    // in column 10, a Name with a tab in it.
    static void fill(GridModel &table)
    {
        table.setCols(13);
        table.setFixedRows(1);
        table.setRows(151);
        table.setText(0, 0, QStringLiteral("Name"));
        table.setColumnDataType(9, DataType::Boolean);
        for (int r = 1; r <= 150; ++r) {
            const QStringList fields { QStringLiteral("Name%1").arg(r), QStringLiteral("%1 Main St").arg(r),
                r == 7 ? QStringLiteral("Salem,") : QStringLiteral("Springfield"), QStringLiteral("IL"),
                r == 9 ? QString() : QStringLiteral("627%1").arg(r % 100) };
            for (int c = 0; c < fields.size(); ++c)
                table.setText(r, c, fields[c]);
            table.setText(r, 9, r % 3 ? QStringLiteral("no") : QStringLiteral("yes"));
        }
        table.setText(5, 0, QStringLiteral("Tab\there"));
        table.setSelectionMode(GridModel::SelectionMode::ListBox);
        for (int r = 20; r <= 140; r += 2)
            table.setRowSelected(r, true);
    }

    // Every word of a PDF with its page and place.
    static QStringList words(const QString &path)
    {
        QStringList out;
        const test::PdfText pdf = test::readPdf(path);
        for (const test::PdfWord &w : pdf.words)
            out << QStringLiteral("%1 %2 %3,%4").arg(w.page).arg(w.text).arg(w.box.left()).arg(w.box.top());
        out << QStringLiteral("pages %1").arg(pdf.pages.size());
        return out;
    }

private slots:
    void samePages_data()
    {
        QTest::addColumn<QString>("layout"); // labels; empty: the sheet
        QTest::addColumn<bool>("allRows");
        QTest::newRow("3 x 10 labels of every row, incomplete ones skipped") << QStringLiteral("3 x 10") << true;
        QTest::newRow("2 x 5 labels of the selected rows") << QStringLiteral("2 x 5") << false;
        QTest::newRow("sheet of every row with tick boxes") << QString() << true;
        QTest::newRow("sheet of the selected rows") << QString() << false;
    }
    void samePages()
    {
        QFETCH(QString, layout);
        QFETCH(bool, allRows);
        GridModel wholeTable;
        GridModel streamedTable;
        fill(wholeTable);
        fill(streamedTable);
        SheetLayout whole;
        SheetLayout setup;
        std::unique_ptr<SheetRows> rows;
        if (layout.isEmpty()) {
            PrintSheet::Options options;
            options.allRows = allRows;
            options.landscape = !allRows;
            PrintSheet::compose(whole, wholeTable, options);
            rows = PrintSheet::composeStreamed(setup, streamedTable, options);
        } else {
            const MailingLabels::Options options {
                .layout = layout, .printCountry = !allRows, .country = QStringLiteral("Canada"), .allRows = allRows
            };
            MailingLabels::compose(whole, wholeTable, MailingLabels::gatherRows(wholeTable, options), options);
            rows = MailingLabels::composeStreamed(
                setup, streamedTable, MailingLabels::gatherRows(streamedTable, options), options);
        }
        const QString dir = test::tempDir();
        QVERIFY(SheetPainter(whole).writePdf(dir + QStringLiteral("/whole.pdf")));
        QVERIFY(SheetPainter(setup, *rows).writePdf(dir + QStringLiteral("/streamed.pdf")));
        const QStringList expected = words(dir + QStringLiteral("/whole.pdf"));
        QVERIFY(expected.size() > 100);
        QCOMPARE(words(dir + QStringLiteral("/streamed.pdf")), expected);
        QCOMPARE(wholeTable.selectedRows(), streamedTable.selectedRows());
    }

    void cancelKeepsOnlyThePagesPainted()
    {
        GridModel table;
        fill(table);
        SheetLayout setup;
        PrintSheet::Options options;
        options.allRows = true;
        const auto rows = PrintSheet::composeStreamed(setup, table, options);
        const QString path = test::tempDir() + QStringLiteral("/cancelled.pdf");
        int painted = 0;
        {
            QPdfWriter writer(path);
            writer.setPageSize(QPageSize(QPageSize::Letter));
            painted = SheetPainter(setup, *rows).print(writer, [](int done, int) { return done < 2; });
        }
        QCOMPARE(painted, 2);
        QCOMPARE(test::readPdf(path).pages.size(), 2);
    }
};

QTEST_MAIN(TestStreamedPrint)
#include "tst_streamedprint.moc"
