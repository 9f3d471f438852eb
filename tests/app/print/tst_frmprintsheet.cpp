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
using dq::test::selectRows;

class TestFrmPrintSheet : public QObject
{
    Q_OBJECT

private slots:
    void opensWithItsStartValues()
    {
        GridModel table;
        fillRecordTable(table, completeRecords(5));
        table.setColumnHidden(2, true);
        selectRows(table, { 1, 2 });
        dq::test::ScriptedPrompts prompts;
        frmPrintSheet dialog(table, prompts);

        QCOMPARE(dialog.windowTitle(), QStringLiteral("Print Sheet "));
        auto *fd = dialog.findChild<QTableView *>(QStringLiteral("fd"));
        QVERIFY(fd && fd->model());
        QCOMPARE(fd->model()->rowCount(), 14);
        QCOMPARE(fd->model()->index(0, 2).data().toString(), QStringLiteral("Print"));
        QCOMPARE(fd->model()->index(2, 1).data().toString(), QStringLiteral("Street"));
        QCOMPARE(fd->model()->index(2, 2).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QCOMPARE(fd->model()->index(3, 2).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked)); // hidden column
        QVERIFY(fd->model()->flags(fd->model()->index(3, 2)) & Qt::ItemIsUserCheckable);

        auto *portrait = dialog.findChild<QRadioButton *>(QStringLiteral("OpOrin_0"));
        auto *landscape = dialog.findChild<QRadioButton *>(QStringLiteral("OpOrin_1"));
        QVERIFY(portrait && landscape && portrait->isChecked() && !landscape->isChecked());
        auto *scale = dialog.findChild<QLineEdit *>(QStringLiteral("txtScale"));
        QVERIFY(scale);
        QCOMPARE(scale->text(), QStringLiteral("75"));
        QVERIFY(dialog.findChild<QWidget *>(QStringLiteral("UpDownCol")));
        auto *selected = dialog.findChild<QRadioButton *>(QStringLiteral("OpDataSource_1"));
        QVERIFY(selected && selected->isChecked());
        QCOMPARE(selected->text(), QStringLiteral("Slected rows (2)"));
    }

    void blockModeOpensNothing()
    {
        GridModel table;
        fillRecordTable(table, completeRecords(2));
        table.setSelectionMode(GridModel::SelectionMode::Free);
        dq::test::ScriptedPrompts prompts;
        prompts.answers = { UserPrompts::Answer::Ok };
        // Returns at once: a dialog that opened would block here.
        frmPrintSheet::mnuPrintSheet0(table, prompts, nullptr);
        QCOMPARE(prompts.messages(),
            QStringList { QStringLiteral("Select Row Mode (not Block Mode) selection and try again.") });
        QCOMPARE(prompts.asked[0].title, QStringLiteral("Print Sheet"));
        QVERIFY(!QApplication::activeModalWidget());
    }

    void upDownButtonsStepTheScale_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QString>("expected");
        QTest::newRow("99 up once gives 100") << "99"
                                              << "UpDownCol_up" << 1 << "100";
        QTest::newRow("up stops at 100") << "98"
                                         << "UpDownCol_up" << 5 << "100";
        QTest::newRow("down stops at 50") << "52"
                                          << "UpDownCol_down" << 5 << "50";
        QTest::newRow("75 down twice gives 73") << "75"
                                                << "UpDownCol_down" << 2 << "73";
    }

    void upDownButtonsStepTheScale()
    {
        QFETCH(QString, start);
        QFETCH(QString, button);
        QFETCH(int, clicks);
        QFETCH(QString, expected);

        GridModel table;
        fillRecordTable(table, completeRecords(1));
        dq::test::ScriptedPrompts prompts;
        frmPrintSheet dialog(table, prompts);
        auto *scale = dialog.findChild<QLineEdit *>(QStringLiteral("txtScale"));
        scale->setText(start);
        auto *b = dialog.findChild<QToolButton *>(button);
        QVERIFY(b);
        for (int i = 0; i < clicks; ++i)
            b->click();
        QCOMPARE(scale->text(), expected);
    }

    void printUsesTheChooserAndFillsTheClipboard()
    {
        GridModel table;
        fillRecordTable(table, completeRecords(4));
        selectRows(table, { 2, 4 });
        dq::test::ScriptedPrompts prompts;
        frmPrintSheet dialog(table, prompts);
        QList<SheetLayout> previews;
        dialog.setPreviewHandler([&](const SheetLayout &sheet) { previews << sheet; });

        auto *fd = dialog.findChild<QTableView *>(QStringLiteral("fd"));
        QVERIFY(fd->model()->setData(fd->model()->index(2, 2), Qt::Unchecked, Qt::CheckStateRole)); // Street
        dialog.findChild<QRadioButton *>(QStringLiteral("OpOrin_1"))->setChecked(true);
        dialog.findChild<QLineEdit *>(QStringLiteral("txtScale"))->setText(QStringLiteral("60"));
        dialog.findChild<QPushButton *>(QStringLiteral("cmdPrint"))->click();

        QCOMPARE(previews.size(), 1);
        const SheetLayout &sheet = previews[0];
        QCOMPARE(sheet.colWidth(2), 0);
        QCOMPARE(sheet.colWidth(1), 3000);
        QCOMPARE(sheet.printArea(), QStringLiteral("A1:M2"));
        QCOMPARE(sheet.text(2, 1), QStringLiteral("Name4"));
        QCOMPARE(sheet.orientation(), QPageLayout::Landscape);
        QCOMPARE(sheet.scale(), 60);
        QCOMPARE(sheet.printHeader(), QStringLiteral("Orlenco Dirquill"));

        const QString clip = QGuiApplication::clipboard()->text();
        const QStringList lines = clip.split(u'\r');
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].startsWith(QStringLiteral("Name2\t2 Main St\tSpringfield\tIL\t")));
        QVERIFY(lines[1].startsWith(QStringLiteral("Name4\t")));
        QCOMPARE(table.rowTexts(1).first(), QStringLiteral("Name1")); // the record table keeps its data

        dialog.findChild<QRadioButton *>(QStringLiteral("OpDataSource_0"))->setChecked(true);
        dialog.findChild<QPushButton *>(QStringLiteral("cmdPrint"))->click();
        QCOMPARE(previews.size(), 2);
        QCOMPARE(previews[1].printArea(), QStringLiteral("A1:J4"));
        QCOMPARE(table.selectedRowCount(), 4);
    }

    void activationRecountsTheSelection()
    {
        GridModel table;
        fillRecordTable(table, completeRecords(5));
        selectRows(table, { 1 });
        dq::test::ScriptedPrompts prompts;
        frmPrintSheet dialog(table, prompts);
        auto *selected = dialog.findChild<QRadioButton *>(QStringLiteral("OpDataSource_1"));
        QCOMPARE(selected->text(), QStringLiteral("Slected rows (1)"));
        selectRows(table, { 1, 2, 3 });
        dialog.show();
        dialog.activateWindow();
        QTRY_COMPARE_WITH_TIMEOUT(selected->text(), QStringLiteral("Slected rows (3)"), 5000);
    }
};

QTEST_MAIN(TestFrmPrintSheet)
#include "tst_frmprintsheet.moc"
