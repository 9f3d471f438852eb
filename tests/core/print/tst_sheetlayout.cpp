#include "core/print/sheetlayout.h"
#include "core/print/sheetpainter.h"

#include <QTest>

using namespace dq;

class TestSheetLayout : public QObject
{
    Q_OBJECT

private slots:
    void rangeTextRoundTrips_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("normalised");
        QTest::newRow("a block reads back as written") << QStringLiteral("A1:C16") << QStringLiteral("A1:C16");
        QTest::newRow("corners given backwards are put in order")
            << QStringLiteral("c16:a1") << QStringLiteral("A1:C16");
        QTest::newRow("a single cell") << QStringLiteral("B7") << QStringLiteral("B7");
        QTest::newRow("two-letter columns follow Z") << QStringLiteral("Z2:AB10") << QStringLiteral("Z2:AB10");
        QTest::newRow("row 0 does not exist") << QStringLiteral("A0:B2") << QString();
        QTest::newRow("a missing row number is no range") << QStringLiteral("A1:J") << QString();
        QTest::newRow("numbers before letters are no range") << QStringLiteral("1A") << QString();
        QTest::newRow("empty text is no range") << QString() << QString();
    }
    void rangeTextRoundTrips()
    {
        QFETCH(QString, text);
        QFETCH(QString, normalised);
        QCOMPARE(SheetRange::parse(text).text(), normalised);

        SheetLayout sheet;
        sheet.setPrintArea(QStringLiteral("A1:B2"));
        QCOMPARE(sheet.setPrintArea(text), !normalised.isEmpty());
        QCOMPARE(sheet.printArea(), normalised.isEmpty() ? QStringLiteral("A1:B2") : normalised);
    }
    void pasteFillsFromA1_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<QString>("selection");
        QTest::addColumn<QString>("b2");
        QTest::newRow("carriage returns start rows")
            << QStringLiteral("a\tb\rc\td") << QStringLiteral("A1:B2") << QStringLiteral("d");
        QTest::newRow("CR LF counts as one break")
            << QStringLiteral("a\tb\r\nc\td") << QStringLiteral("A1:B2") << QStringLiteral("d");
        QTest::newRow("a trailing break adds no row")
            << QStringLiteral("a\tb\rc\td\r") << QStringLiteral("A1:B2") << QStringLiteral("d");
        QTest::newRow("the widest line sets the block's width")
            << QStringLiteral("a\rb\tc\td") << QStringLiteral("A1:C2") << QStringLiteral("c");
        QTest::newRow("empty fields keep their places")
            << QStringLiteral("\t\t\r\tx") << QStringLiteral("A1:C2") << QStringLiteral("x");
        QTest::newRow("nothing pasted selects nothing") << QString() << QString() << QString();
    }
    void pasteFillsFromA1()
    {
        QFETCH(QString, clip);
        QFETCH(QString, selection);
        QFETCH(QString, b2);
        SheetLayout sheet;
        const SheetRange pasted = sheet.editPaste(clip);
        QCOMPARE(pasted.text(), selection);
        QCOMPARE(sheet.selection().text(), selection);
        QCOMPARE(sheet.text(2, 2), b2);
    }
    void lastRowAndColumnBoundTheSheet()
    {
        SheetLayout sheet;
        sheet.setText(5, 4, QStringLiteral("x"));
        QCOMPARE(sheet.lastRow(), 5);
        QCOMPARE(sheet.lastCol(), 4);
        sheet.setLastRow(4);
        sheet.setLastRow(10);
        QCOMPARE(sheet.text(5, 4), QString()); // dropped when the sheet shrank
        sheet.setText(2, 3, QStringLiteral("y"));
        sheet.setLastCol(2);
        QCOMPARE(sheet.text(2, 3), QString());
        sheet.setText(0, 1, QStringLiteral("no such row"));
        QCOMPARE(sheet.text(0, 1), QString());
        sheet.setText(30, 30, QString()); // emptying an unwritten cell grows nothing
        QCOMPARE(sheet.lastRow(), 10);
        QCOMPARE(sheet.lastCol(), 2);
    }
    void pageCodesExpand_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("&P is the page number") << QStringLiteral("Page &P") << QStringLiteral("Page 3");
        QTest::newRow("&N is the page count") << QStringLiteral("&P of &N") << QStringLiteral("3 of 7");
        QTest::newRow("a doubled ampersand prints one") << QStringLiteral("A && B &P") << QStringLiteral("A & B 3");
        QTest::newRow("a trailing ampersand stays") << QStringLiteral("x&") << QStringLiteral("x&");
    }
    void pageCodesExpand()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(SheetLayout::expandPageCodes(text, 3, 7), expected);
    }
    void pagesSplitAsThePaperRequires_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("rowHeight");
        QTest::addColumn<QList<int>>("colWidths");
        QTest::addColumn<int>("scale");
        QTest::addColumn<bool>("headings");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("rowsOnFirstPage");
        // The printable area below is that of a Letter label sheet: 8.1 x 10 inches. A full label sheet
        // filling it exactly is read back from paper in tst_sheetpdf.
        QTest::newRow("column headings take one row of each page")
            << 60 << 240 << QList<int> { 1000 } << 100 << true << 2 << 59;
        QTest::newRow("half scale holds twice the rows")
            << 120 << 240 << QList<int> { 1000 } << 50 << false << 1 << 120;
        QTest::newRow("columns wider than the page continue on a page of their own")
            << 10 << 240 << QList<int> { 6000, 6000 } << 100 << false << 2 << 10;
        QTest::newRow("zero-width columns take no room")
            << 10 << 240 << QList<int> { 6000, 0, 0, 4000 } << 100 << false << 1 << 10;
    }
    void pagesSplitAsThePaperRequires()
    {
        QFETCH(int, rows);
        QFETCH(int, rowHeight);
        QFETCH(QList<int>, colWidths);
        QFETCH(int, scale);
        QFETCH(bool, headings);
        QFETCH(int, pages);
        QFETCH(int, rowsOnFirstPage);
        SheetLayout sheet;
        sheet.setPrintHeader(QString());
        sheet.setPrintFooter(QString());
        sheet.setPrintColHeading(headings);
        sheet.setAllRowHeights(rowHeight);
        sheet.setScale(scale);
        for (int c = 0; c < colWidths.size(); ++c)
            sheet.setColWidth(c + 1, colWidths[c]);
        for (int r = 1; r <= rows; ++r)
            for (int c = 1; c <= colWidths.size(); ++c)
                sheet.setText(r, c, QStringLiteral("x"));
        sheet.setPrintArea(SheetRange { 1, 1, rows, int(colWidths.size()) });

        const QList<SheetPainter::Page> plan = SheetPainter(sheet).paginate(QSizeF(11664, 14400));
        QCOMPARE(plan.size(), pages);
        QCOMPARE(plan.first().rowEnd - plan.first().rowBegin, rowsOnFirstPage);
    }
};

QTEST_MAIN(TestSheetLayout)
#include "tst_sheetlayout.moc"
