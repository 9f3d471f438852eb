#include "core/grid/xlsxscanner.h"

#include <QTest>

using namespace dq;

namespace {

// A row's cells as "[ref|style|type|text]", read whole by readCell or token by token, or
// "fault" when the scan stops on one; plainCells counts the cells read whole.
QByteArray scan(const QByteArray &row, bool whole, int *plainCells = nullptr)
{
    bool given = false;
    XlsxScanner x(
        [&](QByteArray &block) {
            block = given ? QByteArray() : "<sheetData>" + row + "</sheetData>";
            given = true;
            return true;
        },
        8);
    QByteArray out;
    bool inCell = false;
    XlsxScanner::Token t;
    while ((t = x.next()) != XlsxScanner::EndDocument && t != XlsxScanner::Invalid) {
        const bool cellMayStart = (t == XlsxScanner::StartElement && x.name() == "row")
            || (t == XlsxScanner::EndElement && x.name() == "c");
        if (t == XlsxScanner::EndElement && x.name() == "c") {
            out += "]";
            inCell = false;
        }
        if (t == XlsxScanner::StartElement && x.name() == "c") {
            out += "[" + x.attribute("r").toByteArray() + "|" + x.attribute("s").toByteArray() + "|"
                + x.attribute("t").toByteArray() + "|";
            inCell = true;
        }
        if (t == XlsxScanner::Characters && inCell)
            out += x.text().toByteArray();
        for (XlsxScanner::Cell c; whole && cellMayStart && x.readCell(c); *plainCells += 1)
            out += "[" + c.ref.toByteArray() + "|" + c.style.toByteArray() + "|" + c.type.toByteArray() + "|"
                + c.text.toByteArray() + "]";
    }
    return t == XlsxScanner::Invalid ? QByteArray("fault") : out;
}

} // namespace

// Cells read whole give what their tokens give, faults included; other shapes are left to the tokens.
class TestXlsxCellShape : public QObject
{
    Q_OBJECT

private slots:
    void wholeCellsReadAsTokensDo_data()
    {
        QTest::addColumn<QByteArray>("row");
        QTest::addColumn<bool>("plain"); // readCell takes the first cell
        QTest::addColumn<bool>("fault");
        QTest::newRow("an inline string, a number and an empty styled cell") << QByteArray(
            "<row><c r=\"A1\" t=\"inlineStr\"><is><t>Acme &amp; Sons</t></is></c><c r='B1'><v>42</v></c>"
            "<c s=\"3\"/></row>") << true << false;
        QTest::newRow("kept spaces, white space between cells and UTF-8") << QByteArray(
            "<row>\n <c t=\"inlineStr\"><is><t xml:space=\"preserve\"> Café  </t></is></c>\n <c><v>1</v></c></row>")
                                                                          << true << false;
        QTest::newRow("an unknown entity in a plain cell is a fault")
            << QByteArray("<row><c><v>a&bogus;</v></c></row>") << false << true;
        QTest::newRow("broken UTF-8 in a plain cell is a fault")
            << QByteArray("<row><c><v>\xC3(</v></c></row>") << false << true;
        QTest::newRow("an attribute twice is left to the tokens, which refuse it")
            << QByteArray("<row><c r=\"A1\" r=\"B1\"><v>1</v></c></row>") << false << true;
        QTest::newRow("rich text and other attributes are left to the tokens")
            << QByteArray("<row><c cm=\"1\"><v>1</v></c><c t=\"inlineStr\"><is><r><t>a</t></r></is></c></row>") << false
            << false;
        QTest::newRow("a cell nested too deep is left to the tokens, which refuse it")
            << QByteArray("<p><q><r><s><row><c t=\"inlineStr\"><is><t>x</t></is></c></row></s></r></q></p>") << false
            << true;
    }
    void wholeCellsReadAsTokensDo()
    {
        QFETCH(QByteArray, row);
        QFETCH(bool, plain);
        QFETCH(bool, fault);
        int plainCells = 0;
        const QByteArray whole = scan(row, true, &plainCells);
        QCOMPARE(whole, scan(row, false));
        QCOMPARE(whole == "fault", fault);
        QCOMPARE(plainCells > 0, plain);
    }
};

QTEST_GUILESS_MAIN(TestXlsxCellShape)
#include "tst_xlsxcellshape.moc"
