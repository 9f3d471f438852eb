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
using dq::test::selectRows;

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

        QCOMPARE(dialog.windowTitle(), QStringLiteral("Address Labels Printing"));
        auto *combo = dialog.findChild<QComboBox *>(QStringLiteral("cboLabelFormat"));
        QVERIFY(combo);
        QStringList layouts;
        for (int i = 0; i < combo->count(); ++i)
            layouts << combo->itemText(i);
        QCOMPARE(
            layouts, (QStringList { QStringLiteral("3 x 10"), QStringLiteral("2 x 10"), QStringLiteral("2 x 5") }));
        QCOMPARE(combo->currentText(), QStringLiteral("3 x 10"));
        auto *skip = dialog.findChild<QCheckBox *>(QStringLiteral("chkSkip"));
        QVERIFY(skip && skip->isChecked());
        auto *country = dialog.findChild<QLineEdit *>(QStringLiteral("txtCountry"));
        QVERIFY(country);
        QCOMPARE(country->text(), QStringLiteral("U.S.A."));
        QVERIFY(!country->isEnabled());
        auto *countryTick = dialog.findChild<QCheckBox *>(QStringLiteral("chkCountry"));
        QVERIFY(countryTick && !countryTick->isChecked());
        // The country box follows its tick.
        countryTick->setChecked(true);
        QVERIFY(country->isEnabled());
        countryTick->setChecked(false);
        QVERIFY(!country->isEnabled());
        auto *all = dialog.findChild<QRadioButton *>(QStringLiteral("OpDataSource_0"));
        auto *selected = dialog.findChild<QRadioButton *>(QStringLiteral("OpDataSource_1"));
        QVERIFY(all && selected && !all->isChecked() && selected->isChecked());
        QCOMPARE(selected->text(), QStringLiteral("Slected rows (3)"));
        auto *print = dialog.findChild<QPushButton *>(QStringLiteral("cmdPrint"));
        auto *cancel = dialog.findChild<QPushButton *>(QStringLiteral("cmdCancel"));
        QVERIFY(print && cancel);

        dialog.show();
        cancel->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(prompts.asked.size(), 0);
    }

    void layoutChoiceShowsItsSketch_data()
    {
        QTest::addColumn<int>("choice");
        QTest::newRow("3 x 10 shows the first sketch") << 0;
        QTest::newRow("2 x 10 shows the second sketch") << 1;
        QTest::newRow("2 x 5 shows the third sketch") << 2;
    }

    void layoutChoiceShowsItsSketch()
    {
        QFETCH(int, choice);
        GridModel table;
        fillRecordTable(table, completeRecords(1));
        dq::test::ScriptedPrompts prompts;
        frmReportOptions dialog(table, prompts);
        dialog.show();
        dialog.findChild<QComboBox *>(QStringLiteral("cboLabelFormat"))->setCurrentIndex(choice);
        for (int i = 0; i < 3; ++i) {
            auto *img = dialog.findChild<QLabel *>(QStringLiteral("imgLayout_%1").arg(i));
            QVERIFY(img);
            QCOMPARE(img->isVisible(), i == choice);
            QVERIFY(!img->pixmap().isNull());
        }
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

        dialog.findChild<QRadioButton *>(QStringLiteral("OpDataSource_0"))->setChecked(true);
        dialog.findChild<QCheckBox *>(QStringLiteral("chkCountry"))->setChecked(true);
        dialog.findChild<QLineEdit *>(QStringLiteral("txtCountry"))->setText(QStringLiteral("Canada"));
        dialog.findChild<QPushButton *>(QStringLiteral("cmdPrint"))->click();
        QCOMPARE(previews.size(), 1);
        QCOMPARE(previews[0].printArea(), QStringLiteral("A1:C20")); // seven labels
        QCOMPARE(previews[0].text(2, 3), QStringLiteral("Name4"));
        QCOMPARE(previews[0].text(5, 1), QStringLiteral("Canada"));
        QVERIFY(!table.isRowSelected(2)); // skipped as incomplete
        QVERIFY(table.isRowSelected(8));

        selectRows(table, { 5 });
        dialog.findChild<QComboBox *>(QStringLiteral("cboLabelFormat"))->setCurrentIndex(2);
        dialog.findChild<QRadioButton *>(QStringLiteral("OpDataSource_1"))->setChecked(true);
        dialog.findChild<QCheckBox *>(QStringLiteral("chkCountry"))->setChecked(false);
        dialog.findChild<QPushButton *>(QStringLiteral("cmdPrint"))->click();
        QCOMPARE(previews.size(), 2);
        const SheetLayout &second = previews[1];
        QCOMPARE(second.printArea(), QStringLiteral("A1:B9"));
        QCOMPARE(second.text(2, 1), QStringLiteral("Name5"));
        for (const QPoint cell : { QPoint(2, 2), QPoint(5, 1), QPoint(2, 3) }) // row, column
            QVERIFY2(second.text(cell.x(), cell.y()).isEmpty(), qPrintable(second.text(cell.x(), cell.y())));
        QCOMPARE(second.rowHeight(1), 480);
        QCOMPARE(second.fontFamily(), QStringLiteral("Times New Roman"));
        QVERIFY(dialog.findChild<QPushButton *>(QStringLiteral("cmdPrint"))->isEnabled());
    }
};

QTEST_MAIN(TestFrmReportOptions)
#include "tst_frmreportoptions.moc"
