#include "core/print/sheetlayout.h"
#include "core/print/sheetpainter.h"
#include "support/casetable.h"

#include <QTest>

using namespace dq;

class TestSheetLayout : public QObject
{
    Q_OBJECT

private slots:
    void rangeTextRoundTrips_data() { test::addCaseRows(QStringLiteral("print/layout/ranges.tsv")); }
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
    void pasteFillsFromA1_data() { test::addCaseRows(QStringLiteral("print/layout/paste.tsv")); }
    void pasteFillsFromA1()
    {
        QFETCH(QString, clip);
        SheetLayout sheet;
        QTEST(sheet.editPaste(clip).text(), "selection");
        QTEST(sheet.selection().text(), "selection");
        QTEST(sheet.text(2, 2), "b2");
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
    void pageCodesExpand_data() { test::addCaseRows(QStringLiteral("print/layout/pagecodes.tsv")); }
    void pageCodesExpand()
    {
        QFETCH(QString, text);
        QTEST(SheetLayout::expandPageCodes(text, 3, 7), "expected");
    }
    void pagesSplitAsThePaperRequires_data() { test::addCaseRows(QStringLiteral("print/layout/pages.tsv")); }
    void pagesSplitAsThePaperRequires()
    {
        QFETCH(QString, rows);
        QFETCH(QString, rowHeight);
        QFETCH(QString, colWidths);
        QFETCH(QString, scale);
        QFETCH(QString, headings);
        const QList<int> widths = test::numbers(colWidths);
        SheetLayout sheet;
        sheet.setPrintHeader(QString());
        sheet.setPrintFooter(QString());
        sheet.setPrintColHeading(headings == u"1");
        sheet.setAllRowHeights(rowHeight.toInt());
        sheet.setScale(scale.toInt());
        for (int c = 0; c < widths.size(); ++c)
            sheet.setColWidth(c + 1, widths[c]);
        for (int r = 1; r <= rows.toInt(); ++r)
            for (int c = 1; c <= widths.size(); ++c)
                sheet.setText(r, c, QStringLiteral("x"));
        sheet.setPrintArea(SheetRange { 1, 1, rows.toInt(), int(widths.size()) });

        const QList<SheetPainter::Page> plan = SheetPainter(sheet).paginate(QSizeF(11664, 14400));
        QTEST(QString::number(plan.size()), "pages");
        QTEST(QString::number(plan.first().rowEnd - plan.first().rowBegin), "rowsOnFirstPage");
    }
};

QTEST_MAIN(TestSheetLayout)
#include "tst_sheetlayout.moc"
