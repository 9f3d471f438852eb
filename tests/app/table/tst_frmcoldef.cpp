#include "app/grid/gridview.h"
#include "app/table/frmcoldef.h"
#include "support/gui/tablewindowfixture.h"

#include <QComboBox>
#include <QPushButton>

using namespace dq;
using dq::test::named;
using namespace Qt::StringLiterals;

// The column dialog's buttons and editors reach the column rules (checked in the core).
class TestFrmColDef : public QObject, test::TableWindowFixture
{
    Q_OBJECT

    // Opens the dialog through its menu entry, as the user does.
    frmColDef *open(const QString &entry)
    {
        action(entry)->trigger();
        auto *dialog = m_window->findChild<frmColDef *>(u"frmColDef"_s);
        return dialog && dialog->isVisible() ? dialog : nullptr;
    }

    // Picks a value in a dialog cell through its pick-list editor; returns the items offered.
    QStringList pick(frmColDef *dialog, int row, int col, const QString &value)
    {
        const QModelIndex index = dialog->fg->model()->index(row, col);
        dialog->fg->setCurrentIndex(index);
        dialog->fg->edit(index);
        auto *combo = dialog->fg->viewport()->findChild<QComboBox *>();
        if (!combo)
            return {};
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items.append(combo->itemText(i));
        combo->setCurrentText(value);
        QTest::keyClick(combo, Qt::Key_Return);
        // The editor commits and closes from the event loop.
        return QTest::qWaitFor([&] { return !dialog->fg->isEditing(); }, 2000) ? items : QStringList();
    }

    void deleteRow(frmColDef *dialog, int row)
    {
        dialog->definitions().setCursor(row, ColumnDefs::TitleCol);
        QTest::mouseClick(dialog->cmdDelete, Qt::LeftButton);
    }

private slots:
    void init()
    {
        QVERIFY(openWindow(true));
        for (int c = 0; c < fa().cols(); ++c)
            fa().setText(1, c, u"v%1"_s.arg(c + 1));
        useNamedFile();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanup() { QCOMPARE(closeWindow(), 0); }

    void typeAndFormatAreChosenFromPickLists()
    {
        frmColDef *dialog = open(u"mnuColumnDefine"_s);
        QVERIFY(dialog);
        QCOMPARE(pick(dialog, 3, ColumnDefs::TypeCol, u"Money"_s).join(u'|'), u"Checkbox|Date|Money|Number|Text"_s);
        QCOMPARE(pick(dialog, 3, ColumnDefs::FormatCol, u"$#,###"_s).join(u'|'), u"$#,###|$#,###.00"_s);
        QCOMPARE(dialog->definitions().text(3, ColumnDefs::AlignmentCol), u"Right"_s);
        // Title cells are free text: no pick list.
        const QModelIndex title = dialog->fg->model()->index(3, ColumnDefs::TitleCol);
        dialog->fg->setCurrentIndex(title);
        dialog->fg->edit(title);
        QVERIFY(!dialog->fg->viewport()->findChild<QComboBox *>());
    }

    void droppingColumnsWithDataAsksFirst_data()
    {
        QTest::addColumn<bool>("lastHoldsData");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("columnsAfter");
        QTest::newRow("an empty last column goes without a question") << false << -1 << 12;
        QTest::newRow("a last column with data goes on Yes") << true << int(UserPrompts::Answer::Yes) << 12;
        QTest::newRow("No keeps the dialog and the table") << true << int(UserPrompts::Answer::No) << 13;
        QTest::newRow("Cancel keeps the dialog and the table") << true << int(UserPrompts::Answer::Cancel) << 13;
    }

    void droppingColumnsWithDataAsksFirst()
    {
        QFETCH(bool, lastHoldsData);
        QFETCH(int, answer);
        QFETCH(int, columnsAfter);
        if (!lastHoldsData)
            fa().setText(1, 12, QString());
        m_window->table().MakeModified(false);
        if (answer >= 0)
            m_prompts->answers = { UserPrompts::Answer(answer) };
        frmColDef *dialog = open(u"mnuColumnDefine"_s);
        QVERIFY(dialog);
        deleteRow(dialog, 13);
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        QCOMPARE(m_prompts->asked.size(), answer >= 0 ? 1 : 0);
        if (answer >= 0)
            QVERIFY(m_prompts->asked.first().text.contains(u"13"_s)); // names the column
        QCOMPARE(fa().cols(), columnsAfter);
        QCOMPARE(m_window->table().saveEnabled(), columnsAfter == 12);
        if (columnsAfter == 12)
            QTRY_VERIFY(!m_window->findChild<frmColDef *>());
        else
            QVERIFY(dialog->isVisible());
    }

    void deletingEveryRowKeepsTheTable()
    {
        frmColDef *dialog = open(u"mnuColumnDefine"_s);
        QVERIFY(dialog);
        for (int i = 0; i < 13; ++i)
            deleteRow(dialog, 1);
        m_prompts->answers = { UserPrompts::Answer::Ok };
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        QCOMPARE(m_prompts->asked.size(), 1);
        QVERIFY(dialog->isVisible());
        QCOMPARE(fa().cols(), 13);
        QVERIFY(!m_window->table().changed());
    }

    void addInsertAndHideReachTheTable()
    {
        frmColDef *dialog = open(u"mnuColumnDefine"_s);
        QVERIFY(dialog);
        GridModel &defs = dialog->definitions();
        CellFormat tick = defs.cellFormat(3, ColumnDefs::HideCol);
        tick.check = CheckBox::Checked;
        defs.setCellFormat(3, ColumnDefs::HideCol, tick);
        QTest::mouseClick(dialog->cmdAdd, Qt::LeftButton);
        defs.setCursor(2, ColumnDefs::TitleCol);
        QTest::mouseClick(dialog->cmdInsert, Qt::LeftButton);
        defs.setText(2, ColumnDefs::TitleCol, u"Owner"_s);
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        QCOMPARE(fa().cols(), 15);
        QCOMPARE(fa().rowTexts(0).mid(0, 3), (QStringList { u"Name"_s, u"Owner"_s, u"Street"_s }));
        QVERIFY(m_window->table().changed());
        const int city = int(fa().rowTexts(0).indexOf(u"City"_s)); // the ticked row
        QVERIFY(named<GridView>(*m_window, "fa")->isColumnHidden(city));
        QVERIFY(!named<GridView>(*m_window, "fa")->isColumnHidden(city - 1));
    }

    void cancelChangesNothing()
    {
        const ColumnAttributes before = fa().columnAttributes(5);
        frmColDef *dialog = open(u"mnuColumnDefine"_s);
        QVERIFY(dialog);
        dialog->definitions().setText(6, ColumnDefs::TitleCol, u"Telephone"_s);
        pick(dialog, 6, ColumnDefs::TypeCol, u"Number"_s);
        deleteRow(dialog, 1);
        QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
        QCOMPARE(fa().rowTexts(0).at(5), u"Phone"_s);
        QVERIFY(fa().columnAttributes(5) == before);
        QVERIFY(!m_window->table().changed());
    }

    void columnAttributesListsTheCurrentColumnUntilAllCols()
    {
        fa().setCursor(1, 4);
        frmColDef *dialog = open(u"mnuEditColAttr"_s);
        QVERIFY(dialog);
        QCOMPARE(dialog->definitions().rows(), 2);
        QVERIFY(dialog->cmdAllCols->isVisible() && !dialog->cmdDelete->isVisible());
        pick(dialog, 1, ColumnDefs::TypeCol, u"Money"_s);
        pick(dialog, 1, ColumnDefs::FormatCol, u"$#,###.00"_s);
        fa().setText(2, 4, u"1234.5"_s);
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        QCOMPARE(fa().columnDataType(4), DataType::Currency);
        // The grid shows the value in the money format.
        QCOMPARE(named<GridView>(*m_window, "fa")->model()->index(2, 4).data().toString(), u"$1,234.50"_s);
        QTRY_VERIFY(!m_window->findChild<frmColDef *>());
        dialog = open(u"mnuEditColAttr"_s);
        QVERIFY(dialog);
        QTest::mouseClick(dialog->cmdAllCols, Qt::LeftButton);
        QCOMPARE(dialog->definitions().rows(), 14);
        QVERIFY(!dialog->cmdAllCols->isVisible() && dialog->cmdDelete->isVisible());
    }

    void columnTitleAsksAndSets()
    {
        fa().setCursor(2, 0);
        m_prompts->inputs = { u"Business"_s };
        action(u"mnuEditColTitle"_s)->trigger();
        QCOMPARE(fa().text(0, 0), u"Business"_s);
        QVERIFY(m_window->table().saveEnabled());
    }
};

QTEST_MAIN(TestFrmColDef)
#include "tst_frmcoldef.moc"
