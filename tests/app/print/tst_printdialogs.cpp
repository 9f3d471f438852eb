#include "app/print/frmprintsheet.h"
#include "app/print/frmreportoptions.h"
#include "core/grid/gridmodel.h"
#include "core/print/addressrecords.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
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

// The Print Sheet and label dialogs hand their choices to PrintSheet and MailingLabels, whose rules
// are in tst_printsheet and tst_mailinglabels.
class TestPrintDialogs : public QObject
{
    Q_OBJECT

private slots:
    void printSheetTakesTheDialogsChoices()
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
        QCOMPARE(fd->index(3, 2).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked)); // the hidden column
        QVERIFY(named<QRadioButton>(dialog, "OpDataSource_1")->isChecked()
            && named<QRadioButton>(dialog, "OpOrin_0")->isChecked());
        QCOMPARE(named<QRadioButton>(dialog, "OpDataSource_1")->text(), QStringLiteral("Slected rows (2)"));
        QCOMPARE(named<QLineEdit>(dialog, "txtScale")->text(), QStringLiteral("75"));

        QVERIFY(fd->setData(fd->index(2, 2), Qt::Unchecked, Qt::CheckStateRole)); // Street
        named<QRadioButton>(dialog, "OpOrin_1")->setChecked(true);
        named<QLineEdit>(dialog, "txtScale")->setText(QStringLiteral("59"));
        named<QToolButton>(dialog, "UpDownCol_up")->click();
        named<QToolButton>(dialog, "UpDownCol_up")->click();
        named<QToolButton>(dialog, "UpDownCol_down")->click();
        named<QPushButton>(dialog, "cmdPrint")->click();
        QCOMPARE(previews.size(), 1);
        QCOMPARE(previews[0].colWidth(2), 0);
        QCOMPARE(previews[0].colWidth(3), 0);
        QCOMPARE(previews[0].printArea(), QStringLiteral("A1:M2"));
        QCOMPARE(previews[0].text(2, 1), QStringLiteral("Name4"));
        QCOMPARE(previews[0].orientation(), QPageLayout::Landscape);
        QCOMPARE(previews[0].scale(), 60);
        QVERIFY(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("Name2\t2 Main St\tSpringfield\tIL\t")));

        // Activated again, the dialog counts the selection anew.
        selectRows(table, { 1, 2, 3 });
        dialog.show();
        dialog.activateWindow();
        QTRY_COMPARE(named<QRadioButton>(dialog, "OpDataSource_1")->text(), QStringLiteral("Slected rows (3)"));
        named<QRadioButton>(dialog, "OpDataSource_0")->setChecked(true);
        named<QPushButton>(dialog, "cmdPrint")->click();
        QCOMPARE(previews.value(1).printArea(), QStringLiteral("A1:J4"));
    }

    void labelsTakeTheDialogsChoices()
    {
        GridModel table;
        QStringList records = completeRecords(8);
        records[1] = QStringLiteral("Name2|2 Main St|Springfield|IL|"); // no Zip Code
        fillRecordTable(table, records);
        selectRows(table, { 1, 3, 4 });
        dq::test::ScriptedPrompts prompts;
        frmReportOptions dialog(table, prompts);
        QList<SheetLayout> previews;
        dialog.setPreviewHandler([&](const SheetLayout &sheet) { previews << sheet; });
        auto *combo = named<QComboBox>(dialog, "cboLabelFormat");
        auto *country = named<QCheckBox>(dialog, "chkCountry");
        QCOMPARE(combo->currentText(), QStringLiteral("3 x 10"));
        QCOMPARE(named<QLineEdit>(dialog, "txtCountry")->text(), QStringLiteral("U.S.A."));
        QCOMPARE(named<QRadioButton>(dialog, "OpDataSource_1")->text(), QStringLiteral("Slected rows (3)"));
        QCOMPARE((QList<bool> { named<QCheckBox>(dialog, "chkSkip")->isChecked(), country->isChecked(),
                     named<QRadioButton>(dialog, "OpDataSource_1")->isChecked() }),
            (QList<bool> { true, false, true }));
        // The country box follows its tick.
        dialog.show();
        for (bool tick : { true, false }) {
            country->setChecked(tick);
            QCOMPARE(named<QLineEdit>(dialog, "txtCountry")->isEnabled(), tick);
        }

        // Printed twice with other choices, the page is built anew.
        named<QRadioButton>(dialog, "OpDataSource_0")->setChecked(true);
        country->setChecked(true);
        named<QLineEdit>(dialog, "txtCountry")->setText(QStringLiteral("Canada"));
        named<QPushButton>(dialog, "cmdPrint")->click();
        QCOMPARE(previews.value(0).printArea(), QStringLiteral("A1:C20")); // seven labels: the incomplete one skipped
        QCOMPARE(previews.value(0).text(5, 1), QStringLiteral("Canada"));

        selectRows(table, { 2, 5 });
        combo->setCurrentIndex(2);
        named<QRadioButton>(dialog, "OpDataSource_1")->setChecked(true);
        country->setChecked(false);
        named<QCheckBox>(dialog, "chkSkip")->setChecked(false);
        named<QPushButton>(dialog, "cmdPrint")->click();
        QCOMPARE(previews.value(1).printArea(), QStringLiteral("A1:B12"));
        QCOMPARE(previews.value(1).text(2, 1), QStringLiteral("Name2")); // printed now that skipping is off
        QCOMPARE(previews.value(1).text(2, 2), QStringLiteral("Name5"));
        QVERIFY(previews.value(1).text(5, 1).isEmpty());
        named<QPushButton>(dialog, "cmdCancel")->click();
        QVERIFY(!dialog.isVisible());
    }
};

QTEST_MAIN(TestPrintDialogs)
#include "tst_printdialogs.moc"
