#include "app/print/printpreviewdialog.h"
#include "core/print/sheetlayout.h"
#include "support/testsupport.h"

#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QProgressDialog>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace dq;

namespace {

// Rows "Row 1".."Row 120" in one column: three pages, each footed "Page P of N".
void setUp(SheetLayout &sheet)
{
    sheet.setLastRow(120);
    sheet.setLastCol(1);
    sheet.setColWidth(1, 3000);
    sheet.setPrintFooter(QStringLiteral("Page &P of &N"));
}

class Rows : public SheetRows
{
public:
    void fill(SheetLayout &cells, int first, int last) const override
    {
        for (int r = first; r <= last; ++r)
            cells.setText(r, 1, QStringLiteral("Row %1").arg(r));
    }
};

QString pdfText(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), { QStringLiteral("-layout"), path, QStringLiteral("-") });
    return p.waitForFinished(60000) ? QString::fromUtf8(p.readAllStandardOutput()) : QString();
}

} // namespace

class TestPrintPreviewDialog : public QObject
{
    Q_OBJECT

private slots:
    void pagesAreCountedShownAndPrinted_data()
    {
        QTest::addColumn<bool>("streamed");
        QTest::newRow("a sheet holding its cells") << false;
        QTest::newRow("a sheet whose rows come a page at a time") << true;
    }

    void pagesAreCountedShownAndPrinted()
    {
        QFETCH(bool, streamed);
        SheetLayout sheet;
        setUp(sheet);
        Rows rows;
        if (!streamed)
            rows.fill(sheet, 1, 120);
        const SheetPainter painter = streamed ? SheetPainter(sheet, rows) : SheetPainter(sheet);
        dq::test::ScriptedPrompts prompts;
        PrintPreviewDialog dialog(painter, prompts);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTRY_VERIFY(dialog.counted());
        QCOMPARE(dialog.pageCount(), 3);
        QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("pageCount"))->text().trimmed(), QStringLiteral("of 3"));

        // Each page is painted when shown, and each one differently.
        auto *view = dialog.findChild<QWidget *>(QStringLiteral("pageView"));
        const QImage first = view->grab().toImage();
        const QList<std::pair<int, int>> keys = { { Qt::Key_PageDown, 2 }, { Qt::Key_PageDown, 3 },
            { Qt::Key_PageDown, 3 }, { Qt::Key_Home, 1 }, { Qt::Key_End, 3 }, { Qt::Key_PageUp, 2 } };
        for (const auto &[key, page] : keys) {
            QTest::keyClick(
                view, Qt::Key(key), key == Qt::Key_Home || key == Qt::Key_End ? Qt::ControlModifier : Qt::NoModifier);
            QCOMPARE(dialog.currentPage(), page);
        }
        const QImage second = view->grab().toImage();
        QVERIFY(first != second);
        dialog.showPage(1);
        QCOMPARE(view->grab().toImage(), first);

        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
        dialog.setOutputFileName(pdf);
        QSignalSpy finished(&dialog, &PrintPreviewDialog::printFinished);
        dialog.print();
        QVERIFY(finished.wait(60000));
        QCOMPARE(finished.first().first().toBool(), true);
        QVERIFY(!dialog.isVisible()); // a finished print closes the preview
        const QString text = pdfText(pdf);
        QCOMPARE(text.count(u'\f'), 3);
        for (const char *word : { "Row 60", "Row 120", "Page 1 of 3", "Page 3 of 3" })
            QVERIFY2(text.contains(QLatin1String(word)), word);
    }

    void aCancelledPrintKeepsTheOldFileAndTheDialogOpen()
    {
        SheetLayout sheet;
        setUp(sheet);
        Rows().fill(sheet, 1, 120);
        const SheetPainter painter(sheet);
        dq::test::ScriptedPrompts prompts;
        PrintPreviewDialog dialog(painter, prompts);
        dialog.show();
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
        QFile old(pdf);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        dialog.setOutputFileName(pdf);
        QSignalSpy finished(&dialog, &PrintPreviewDialog::printFinished);
        // Cancel once the first page is written.
        connect(&dialog, &PrintPreviewDialog::printProgress, &dialog,
            [&] { dialog.findChild<QProgressDialog *>()->cancel(); });
        dialog.print();
        QVERIFY(finished.wait(60000));
        QCOMPARE(finished.first().first().toBool(), false);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { QStringLiteral("out.pdf") });
        QVERIFY(dialog.isVisible() && !dialog.printing());
    }
};

QTEST_MAIN(TestPrintPreviewDialog)
#include "tst_printpreviewdialog.moc"
