#include "core/grid/gridmodel.h"
#include "core/print/mailinglabels.h"
#include "core/print/printsheet.h"
#include "core/print/addressrecords.h"
#include "core/print/sheetlayout.h"
#include "core/print/sheetpainter.h"
#include "core/print/pdfwords.h"
#include "support/testsupport.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QSet>
#include <QStandardPaths>
#include <QTest>

using namespace dq;
using namespace dq::test;
using Word = dq::test::PdfWord;

namespace {

// Box of a sheet cell on a Letter page, in points, for a sheet without header or headings.
QRectF cellBox(const SheetLayout &sheet, int row, int col)
{
    double x = sheet.margins().left() * 72;
    for (int c = 1; c < col; ++c)
        x += sheet.colWidth(c) / 20.0;
    double y = sheet.margins().top() * 72;
    for (int r = 1; r < row; ++r)
        y += sheet.rowHeight(r) / 20.0;
    return QRectF(x, y, sheet.colWidth(col) / 20.0, sheet.rowHeight(row) / 20.0);
}

// What a reader sees of a printed word: from its baseline up to the top of its capitals,
// across its advance. pdftotext's box spans the font's whole ascent and descent, which for
// some fonts that stand in for "Arial" (Nimbus Sans) is taller than a 12 pt label row, so
// the baseline and cap height are found from that box with the proportions of the font
// fontconfig picked for "Arial" here, whatever it is.
QRectF inked(const Word &word)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(1000);
    const QFontMetricsF m(font);
    const double scale = word.box.height() / (m.ascent() + m.descent());
    const double baseline = word.box.bottom() - m.descent() * scale;
    return QRectF(word.box.left(), baseline - m.capHeight() * scale, word.box.width(), m.capHeight() * scale);
}

// Half a point of slack for rounding in the PDF and in pdftotext.
bool within(const Word &word, const QRectF &cell)
{
    return cell.adjusted(-0.5, -0.5, 0.5, 0.5).contains(inked(word));
}

} // namespace

class TestSheetPdf : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QFAIL("pdftotext (poppler-utils, installed by scripts/setup) is missing");
        // A run that asks for a particular stand-in for "Arial" proves it got it.
        const QString standIn = qEnvironmentVariable("DQ_ARIAL_AS");
        if (!standIn.isEmpty()) {
            const QStringList families = QFontDatabase::families();
            if (std::none_of(families.begin(), families.end(), [&](const QString &f) { return f.startsWith(standIn); }))
                QSKIP(qPrintable(standIn + QStringLiteral(" is not installed")));
            QVERIFY2(QFontInfo(QFont(QStringLiteral("Arial"))).family().startsWith(standIn),
                qPrintable(QFontInfo(QFont(QStringLiteral("Arial"))).family()));
        }
        m_dir = dq::test::tempDir();
    }
    void labelsLandInTheirBandsOnPaper_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<int>("count");
        QTest::newRow("five labels in 3 x 10") << QStringLiteral("3 x 10") << 5;
        QTest::newRow("seven labels in 2 x 10") << QStringLiteral("2 x 10") << 7;
        QTest::newRow("four labels in 2 x 5") << QStringLiteral("2 x 5") << 4;
    }
    void labelsLandInTheirBandsOnPaper()
    {
        QFETCH(QString, layout);
        QFETCH(int, count);
        GridModel table;
        fillRecordTable(table, completeRecords(count));
        const MailingLabels::Options options {
            .layout = layout, .printCountry = true, .country = QStringLiteral("Canada"), .allRows = true
        };
        SheetLayout sheet;
        MailingLabels::compose(sheet, table, MailingLabels::gatherRows(table, options), options);
        const PdfText pdf = printed(sheet, QStringLiteral("labels.pdf"));
        QCOMPARE(pdf.pages.size(), 1);
        QVERIFY(pdf.pages[0].height() > pdf.pages[0].width());
        const int columns = MailingLabels::layout(layout).columns;
        for (int i = 0; i < count; ++i) {
            const int band = i / columns;
            const int col = i % columns + 1;
            const QList<Word> name = pdf.find(QStringLiteral("Name%1").arg(i + 1));
            QCOMPARE(name.size(), 1);
            QVERIFY2(
                within(name[0], cellBox(sheet, 6 * band + 2, col)), qPrintable(QStringLiteral("label %1").arg(i + 1)));
        }
        const QList<Word> countries = pdf.find(QStringLiteral("Canada"));
        QCOMPARE(countries.size(), count);
        QVERIFY(within(countries[0], cellBox(sheet, 5, 1)));
        // Only label text (Name, number Main St, Springfield, IL zip, country): no column letters, header
        // or page number.
        QCOMPARE(pdf.words.size(), count * 8);
    }
    void aFullLabelSheetIsOnePage()
    {
        GridModel table;
        fillRecordTable(table, completeRecords(31));
        table.setText(1, 0, QStringLiteral("Upper\nLower")); // a line break inside a cell prints as a space
        selectRows(table, {});
        for (int r = 1; r <= 30; ++r)
            table.setRowSelected(r, true);
        MailingLabels::Options options;
        SheetLayout sheet;
        MailingLabels::compose(sheet, table, MailingLabels::gatherRows(table, options), options);
        const PdfText full = printed(sheet, QStringLiteral("full.pdf"));
        QCOMPARE(full.pages.size(), 1); // no blank page for the rows after the last band
        const QList<Word> last = full.find(QStringLiteral("Name30"));
        QCOMPARE(last.size(), 1);
        QVERIFY(within(last[0], cellBox(sheet, 56, 3)));
        const QList<Word> upper = full.find(QStringLiteral("Upper"));
        const QList<Word> lower = full.find(QStringLiteral("Lower"));
        QCOMPARE(upper.size(), 1);
        QCOMPARE(lower.size(), 1);
        QVERIFY(within(upper[0], cellBox(sheet, 2, 1)) && within(lower[0], cellBox(sheet, 2, 1)));
        QVERIFY(lower[0].box.left() > upper[0].box.right());

        table.setRowSelected(31, true);
        MailingLabels::compose(sheet, table, MailingLabels::gatherRows(table, options), options);
        const PdfText more = printed(sheet, QStringLiteral("full.pdf"));
        QCOMPARE(more.pages.size(), 2);
        const QList<Word> next = more.find(QStringLiteral("Name31"));
        QCOMPARE(next.size(), 1);
        QCOMPARE(next[0].page, 2);
        // The second sheet starts at the top margin again.
        QVERIFY(within(next[0], cellBox(sheet, 2, 1)));
    }
    void aLandscapeSheetPrintsHeaderHeadingsAndPageNumbers()
    {
        GridModel table;
        fillRecordTable(table, completeRecords(120));
        table.setText(0, 11, QStringLiteral("Twelfth"));
        table.setColumnDataType(8, DataType::Boolean); // tick boxes on every page
        PrintSheet::Options options;
        options.allRows = true;
        options.landscape = true;
        SheetLayout sheet;
        PrintSheet::compose(sheet, table, options);
        const PdfText pdf = printed(sheet, QStringLiteral("sheet.pdf"));
        QVERIFY(pdf.pages.size() >= 2);
        QCOMPARE(pdf.find(QStringLiteral("Orlenco")).size(), pdf.pages.size());
        QSet<int> numbered; // pages that carry their own number
        for (const Word &w : pdf.words)
            if (w.text == QString::number(w.page))
                numbered << w.page;
        QCOMPARE(numbered.size(), pdf.pages.size());
        QVERIFY(pdf.find(QStringLiteral("Twelfth")).isEmpty()); // "All" stops at column J
        QVERIFY(!pdf.find(QStringLiteral("Name120")).isEmpty());

        // Headings sit above the first record; the header above them.
        const Word header = pdf.find(QStringLiteral("Orlenco"))[0];
        const Word heading = pdf.find(QStringLiteral("Name"))[0];
        const Word first = pdf.find(QStringLiteral("Name1"))[0];
        QVERIFY(inked(header).bottom() <= inked(heading).top());
        QVERIFY(inked(heading).bottom() <= inked(first).top());
    }

private:
    // Prints the sheet to a PDF file and reads its words back; no pages when printing failed.
    PdfText printed(const SheetLayout &sheet, const QString &name)
    {
        const QString path = m_dir + u'/' + name;
        if (!QTest::qVerify(SheetPainter(sheet).writePdf(path), "writePdf", qPrintable(path), __FILE__, __LINE__))
            return {};
        return readPdf(path);
    }

    QString m_dir;
};

QTEST_MAIN(TestSheetPdf)
#include "tst_sheetpdf.moc"
