#include "app/print/frmreportoptions.h"
#include "core/grid/gridmodel.h"
#include "core/print/addressrecords.h"
#include "support/testsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace dq;
using dq::test::completeRecords;
using dq::test::fillRecordTable;
using dq::test::named;
using dq::test::selectRows;

// The label dialog hands its choices to MailingLabels, whose rules are in tst_mailinglabels.
class TestFrmReportOptions : public QObject
{
    Q_OBJECT

private slots:
    void opensWithItsStartValues()
    {
        GridModel table;
        fillRecordTable(table, completeRecords(6));
        selectRows(table, { 1, 3, 4 });
        dq::test::ScriptedPrompts prompts;
        frmReportOptions dialog(table, prompts);
        auto *combo = named<QComboBox>(dialog, "cboLabelFormat");
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->currentText(), QStringLiteral("3 x 10"));
        QVERIFY(named<QCheckBox>(dialog, "chkSkip")->isChecked());
        QVERIFY(!named<QCheckBox>(dialog, "chkCountry")->isChecked());
        QCOMPARE(named<QLineEdit>(dialog, "txtCountry")->text(), QStringLiteral("U.S.A."));
        QVERIFY(named<QRadioButton>(dialog, "OpDataSource_1")->isChecked());
        QCOMPARE(named<QRadioButton>(dialog, "OpDataSource_1")->text(), QStringLiteral("Slected rows (3)"));
        // The country box follows its tick; each layout shows its own sketch.
        dialog.show();
        for (bool tick : { true, false }) {
            named<QCheckBox>(dialog, "chkCountry")->setChecked(tick);
            QCOMPARE(named<QLineEdit>(dialog, "txtCountry")->isEnabled(), tick);
        }
        for (int choice = 0; choice < 3; ++choice) {
            combo->setCurrentIndex(choice);
            for (int i = 0; i < 3; ++i) {
                auto *sketch = named<QLabel>(dialog, QStringLiteral("imgLayout_%1").arg(i));
                QCOMPARE(sketch->isVisible(), i == choice);
                QVERIFY(!sketch->pixmap().isNull());
            }
        }
        named<QPushButton>(dialog, "cmdCancel")->click();
        QVERIFY(!dialog.isVisible());
        QVERIFY(prompts.asked.isEmpty());
    }

    void printingTwiceWithOtherChoicesRebuildsThePage()
    {
        GridModel table;
        QStringList records = completeRecords(8);
        records[1] = QStringLiteral("Name2|2 Main St|Springfield|IL|"); // no Zip Code
        fillRecordTable(table, records);
        selectRows(table, { 2, 3 });
        dq::test::ScriptedPrompts prompts;
        frmReportOptions dialog(table, prompts);
        QList<SheetLayout> previews;
        dialog.setPreviewHandler([&](const SheetLayout &sheet) { previews << sheet; });

        named<QRadioButton>(dialog, "OpDataSource_0")->setChecked(true);
        named<QCheckBox>(dialog, "chkCountry")->setChecked(true);
        named<QLineEdit>(dialog, "txtCountry")->setText(QStringLiteral("Canada"));
        named<QPushButton>(dialog, "cmdPrint")->click();
        QCOMPARE(previews.size(), 1);
        QCOMPARE(previews[0].printArea(), QStringLiteral("A1:C20")); // seven labels: the incomplete one skipped
        QCOMPARE(previews[0].text(5, 1), QStringLiteral("Canada"));

        selectRows(table, { 2, 5 });
        named<QComboBox>(dialog, "cboLabelFormat")->setCurrentIndex(2);
        named<QRadioButton>(dialog, "OpDataSource_1")->setChecked(true);
        named<QCheckBox>(dialog, "chkCountry")->setChecked(false);
        named<QCheckBox>(dialog, "chkSkip")->setChecked(false);
        named<QPushButton>(dialog, "cmdPrint")->click();
        QCOMPARE(previews.size(), 2);
        QCOMPARE(previews[1].printArea(), QStringLiteral("A1:B12"));
        QCOMPARE(previews[1].text(2, 1), QStringLiteral("Name2")); // printed now that skipping is off
        QCOMPARE(previews[1].text(2, 2), QStringLiteral("Name5"));
        QVERIFY(previews[1].text(5, 1).isEmpty());
        QCOMPARE(previews[1].rowHeight(1), 480);
    }
};

QTEST_MAIN(TestFrmReportOptions)
#include "tst_frmreportoptions.moc"
