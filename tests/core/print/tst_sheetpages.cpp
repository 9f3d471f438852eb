#include "core/print/pdfwords.h"
#include "core/print/sheetlayout.h"
#include "core/print/sheetpainter.h"
#include "support/testsupport.h"

#include <QPageSize>
#include <QPdfWriter>
#include <QTest>

using namespace dq;

// Painting a sheet page by page, told how far it got, and stopped by Cancel.
class TestSheetPages : public QObject
{
    Q_OBJECT

private slots:
    void progressAndCancel_data()
    {
        QTest::addColumn<int>("stopAt"); // the progress call that answers Cancel; -1 never
        QTest::addColumn<int>("pages"); // painted and in the file
        QTest::addColumn<QList<int>>("told"); // pages done at each progress call
        QTest::newRow("every page, then the end") << -1 << 3 << QList<int> { 0, 1, 2, 3 };
        QTest::newRow("Cancel before the second page keeps the first") << 1 << 1 << QList<int> { 0, 1 };
        QTest::newRow("Cancel before the last page keeps two") << 2 << 2 << QList<int> { 0, 1, 2 };
    }
    void progressAndCancel()
    {
        QFETCH(int, stopAt);
        SheetLayout sheet;
        // About fifty rows fit a Letter page: 120 rows make three pages.
        for (int r = 1; r <= 120; ++r)
            sheet.setText(r, 1, QStringLiteral("row%1").arg(r));
        sheet.addCheckBox(QRectF(1.4, 99.1, 0.2, 0.8));
        const QString path = test::tempDir() + QStringLiteral("/pages.pdf");
        QList<int> told;
        int painted = 0;
        {
            QPdfWriter writer(path);
            writer.setPageSize(QPageSize(QPageSize::Letter));
            painted = SheetPainter(sheet).print(writer, [&](int done, int total) {
                told << done;
                return total == 3 && done != stopAt;
            });
        }
        QTEST(painted, "pages");
        QTEST(told, "told");
        QTEST(int(test::readPdf(path).pages.size()), "pages");
    }
};

QTEST_MAIN(TestSheetPages)
#include "tst_sheetpages.moc"
