#include "app/print/frmprintsheet.h"
#include "core/grid/gridmodel.h"
#include "core/print/addressrecords.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

using namespace dq;
using dq::test::completeRecords;
using dq::test::fillRecordTable;
using dq::test::named;
using dq::test::selectRows;

// The Print Sheet dialog hands its choices to PrintSheet, whose rules are in tst_printsheet.
class TestFrmPrintSheet : public QObject
{
    Q_OBJECT

private slots:
    void printTakesTheDialogsChoices()
    {
        GridModel table;
        fillRecordTable(table, completeRecords(4));
        table.setColumnHidden(2, true);
        selectRows(table, { 2, 4 });
        dq::test::ScriptedPrompts prompts;
        frmPrintSheet dialog(table, prompts);
        QList<SheetLayout> previews;
        dialog.setPreviewHandler([&](const SheetLayout &sheet) { previews << sheet; });

        auto *fd = named<QTableView>(dialog, "fd")->model();
        QCOMPARE(fd->rowCount(), 14);
        QCOMPARE(fd->index(3, 2).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked)); // the hidden column
        QVERIFY(named<QRadioButton>(dialog, "OpOrin_0")->isChecked());
        QCOMPARE(named<QLineEdit>(dialog, "txtScale")->text(), QStringLiteral("75"));
        QVERIFY(named<QRadioButton>(dialog, "OpDataSource_1")->isChecked());
        QCOMPARE(named<QRadioButton>(dialog, "OpDataSource_1")->text(), QStringLiteral("Slected rows (2)"));

        QVERIFY(fd->setData(fd->index(2, 2), Qt::Unchecked, Qt::CheckStateRole)); // Street
        named<QRadioButton>(dialog, "OpOrin_1")->setChecked(true);
        named<QLineEdit>(dialog, "txtScale")->setText(QStringLiteral("60"));
        named<QPushButton>(dialog, "cmdPrint")->click();
        QCOMPARE(previews.size(), 1);
        QCOMPARE(previews[0].colWidth(2), 0);
        QCOMPARE(previews[0].colWidth(3), 0);
        QCOMPARE(previews[0].printArea(), QStringLiteral("A1:M2"));
        QCOMPARE(previews[0].text(2, 1), QStringLiteral("Name4"));
        QCOMPARE(previews[0].orientation(), QPageLayout::Landscape);
        QCOMPARE(previews[0].scale(), 60);
        const QStringList lines = QGuiApplication::clipboard()->text().split(u'\r');
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].startsWith(QStringLiteral("Name2\t2 Main St\tSpringfield\tIL\t")));

        named<QRadioButton>(dialog, "OpDataSource_0")->setChecked(true);
        named<QPushButton>(dialog, "cmdPrint")->click();
        QCOMPARE(previews.size(), 2);
        QCOMPARE(previews[1].printArea(), QStringLiteral("A1:J4"));
    }

    void upDownButtonsStepTheScale()
    {
        GridModel table;
        fillRecordTable(table, completeRecords(1));
        dq::test::ScriptedPrompts prompts;
        frmPrintSheet dialog(table, prompts);
        auto *scale = named<QLineEdit>(dialog, "txtScale");
        scale->setText(QStringLiteral("99"));
        for (int i = 0; i < 2; ++i)
            named<QToolButton>(dialog, "UpDownCol_up")->click();
        QCOMPARE(scale->text(), QStringLiteral("100"));
        named<QToolButton>(dialog, "UpDownCol_down")->click();
        QCOMPARE(scale->text(), QStringLiteral("99"));
    }

    void activationRecountsTheSelection()
    {
        GridModel table;
        fillRecordTable(table, completeRecords(5));
        selectRows(table, { 1 });
        dq::test::ScriptedPrompts prompts;
        frmPrintSheet dialog(table, prompts);
        auto *selected = named<QRadioButton>(dialog, "OpDataSource_1");
        QCOMPARE(selected->text(), QStringLiteral("Slected rows (1)"));
        selectRows(table, { 1, 2, 3 });
        dialog.show();
        dialog.activateWindow();
        QTRY_COMPARE_WITH_TIMEOUT(selected->text(), QStringLiteral("Slected rows (3)"), 5000);
    }
};

QTEST_MAIN(TestFrmPrintSheet)
#include "tst_frmprintsheet.moc"
