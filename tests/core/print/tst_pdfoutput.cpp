#include "core/print/pdfwords.h"
#include "core/print/sheetlayout.h"
#include "core/print/sheetpainter.h"
#include "support/testsupport.h"

#include <QImage>
#include <QPageSize>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>

using namespace dq;
using HAlign = SheetLayout::HAlign;

namespace {

// Page 1 of a PDF as poppler draws it, in grey at a low resolution.
QImage rendered(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftoppm"),
        { QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-gray"), QStringLiteral("-singlefile"),
            QStringLiteral("-f"), QStringLiteral("1"), pdf, pdf });
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    return QImage(pdf + QStringLiteral(".pgm")).convertToFormat(QImage::Format_Grayscale8);
}

// Pixels that are clearly darker or lighter in one image than in the other; anti-aliasing
// differs by less.
int differing(const QImage &a, const QImage &b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        const uchar *pa = a.constScanLine(y);
        const uchar *pb = b.constScanLine(y);
        for (int x = 0; x < a.width(); ++x)
            count += std::abs(pa[x] - pb[x]) > 100 ? 1 : 0;
    }
    return count;
}

QStringList words(const QString &pdf)
{
    QStringList out;
    for (const test::PdfWord &w : test::readPdf(pdf).words)
        out << w.text;
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

// The sheet's own PDF writer against the same pages drawn by QPainter on Qt's PDF engine: what
// reaches the paper and what a reader extracts must be the same.
class TestPdfOutput : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        for (const char *tool : { "pdftoppm", "pdftotext" })
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QFAIL("poppler-utils (installed by scripts/setup) is missing");
        m_dir = test::tempDir();
    }
    void pagesMatchQtsDrawing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<HAlign>("align");
        QTest::addColumn<bool>("wrap");
        QTest::addColumn<bool>("framed"); // header, footer, headings, check boxes, 150 %
        QTest::newRow("kerned pairs keep their kerning")
            << QStringLiteral("AVAVAV Tower WAVY") << HAlign::Left << false << false;
        QTest::newRow("ligatures and accents")
            << QStringLiteral("fine office Müller & Söhne") << HAlign::Left << false << false;
        QTest::newRow("characters the font lacks come from another font")
            << QStringLiteral("Tokyo ★ → ✓ done") << HAlign::Left << false << false;
        QTest::newRow("right-aligned text ends at the cell's edge")
            << QStringLiteral("12,345.50 Wave") << HAlign::Right << false << false;
        QTest::newRow("centred text") << QStringLiteral("Centre Ave") << HAlign::Center << false << false;
        QTest::newRow("an overlong text is cut at the cell's edge")
            << QStringLiteral("Riverside Pet Grooming and Boarding of Greater Springfield") << HAlign::Left << false
            << false;
        QTest::newRow("an overlong right-aligned text is cut at its left edge")
            << QStringLiteral("Riverside Pet Grooming and Boarding of Greater Springfield") << HAlign::Right << false
            << false;
        QTest::newRow("a wrapped cell breaks between words")
            << QStringLiteral("Riverside Pet Grooming and Boarding\nof Greater Springfield") << HAlign::Center << true
            << false;
        QTest::newRow("header, footer, headings and check boxes, scaled")
            << QStringLiteral("Vase AVA") << HAlign::General << false << true;
    }
    void pagesMatchQtsDrawing()
    {
        QFETCH(QString, text);
        QFETCH(HAlign, align);
        QFETCH(bool, wrap);
        QFETCH(bool, framed);
        SheetLayout sheet;
        sheet.setColWidth(2, 2000);
        sheet.setRowHeight(3, wrap ? 1200 : 300);
        for (int r = 1; r <= 4; ++r)
            sheet.setText(r, 2, text);
        sheet.setText(1, 1, QStringLiteral("Left"));
        sheet.setText(4, 3, QStringLiteral("After"));
        sheet.setAlignment({ 1, 2, 4, 2 }, { align, wrap, SheetLayout::VAlign::Center });
        if (framed) {
            sheet.setPrintHeader(QStringLiteral("Page &P of &N"));
            sheet.setPrintFooter(QStringLiteral("Footer &P"));
            sheet.setPrintColHeading(true);
            sheet.setColText(2, QStringLiteral("Names"));
            sheet.setScale(150);
            sheet.setCheckBoxChecked(sheet.addCheckBox(QRectF(2.3, 1.1, 0.4, 0.8)), true);
            sheet.addCheckBox(QRectF(0.2, 3.1, 0.5, 0.8));
        }
        const QString ours = m_dir + QStringLiteral("/ours.pdf");
        const QString qts = m_dir + QStringLiteral("/qts.pdf");
        QVERIFY(SheetPainter(sheet).writePdf(ours));
        {
            QPdfWriter writer(qts);
            writer.setPageSize(QPageSize(QPageSize::Letter));
            writer.setResolution(1200);
            QCOMPARE(SheetPainter(sheet).print(writer), 1);
        }
        const QImage a = rendered(ours);
        const QImage b = rendered(qts);
        QVERIFY(!a.isNull() && a.size() == b.size());
        const int off = differing(a, b);
        QVERIFY2(off <= 20, qPrintable(QStringLiteral("%1 pixels differ").arg(off)));
        QCOMPARE(words(ours), words(qts));
    }

private:
    QString m_dir;
};

QTEST_MAIN(TestPdfOutput)
#include "tst_pdfoutput.moc"
