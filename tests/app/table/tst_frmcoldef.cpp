#include "app/grid/gridview.h"
#include "app/table/frmcoldef.h"
#include "support/gui/tablewindowfixture.h"

#include <QComboBox>
#include <QMenu>
#include <QPushButton>

using namespace dq;
using dq::test::named;
using namespace Qt::StringLiterals;

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

    // Picks a value in a dialog cell through its pick-list editor and ends the edit with Enter.
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
        if (!QTest::qWaitFor([&] { return !dialog->fg->isEditing(); }, 2000))
            return {};
        return items;
    }

private slots:
    void init()
    {
        QVERIFY(openWindow(true));
        for (int c = 0; c < fa().cols(); ++c)
            fa().setText(1, c, u"v%1"_s.arg(c + 1));
        m_window->table().MakeModified(false);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanup() { QCOMPARE(closeWindow(), 0); }

    void recordTableEntriesFollowTheFocus_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("withFormPanel");
        QTest::newRow("Column Attributes is for the record table") << "mnuEditColAttr" << false;
        QTest::newRow("Column Title is for the record table") << "mnuEditColTitle" << false;
        QTest::newRow("Alignment is for the record table") << "mnuAlignAction" << false;
        QTest::newRow("the separator before the column entries") << "mnuSpace221" << false;
        QTest::newRow("the separator before Alignment") << "mnuSpace222" << false;
        QTest::newRow("Background colour also serves the Form panel") << "mnuBkColor" << true;
    }

    void recordTableEntriesFollowTheFocus()
    {
        QFETCH(QString, name);
        QFETCH(bool, withFormPanel);
        QAction *a = action(name);
        QVERIFY2(a, qPrintable(name));
        QVERIFY(named<QMenu>(*m_window, "mnuEdit")->actions().contains(a));
        m_window->setFocusOwner(FocusOwner::FormPanel);
        QCOMPARE(a->isVisible(), withFormPanel);
        m_window->setFocusOwner(FocusOwner::RecordTable);
        QVERIFY(a->isVisible());
    }

    void typeChangesSetAlignmentAndFormat_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("alignment");
        QTest::addColumn<bool>("formatKept");
        // One type through the dialog; every type's rule is the core's.
        QTest::newRow("Checkbox centres and clears the format") << "Checkbox"
                                                                << "Center" << false;
    }

    void typeChangesSetAlignmentAndFormat()
    {
        QFETCH(QString, type);
        QFETCH(QString, alignment);
        QFETCH(bool, formatKept);
        fa().setColumnFormat(9, u"0.00"_s);
        frmColDef *dialog = open(u"mnuColumnDefine"_s);
        QVERIFY(dialog);
        GridModel &defs = dialog->definitions();
        QCOMPARE(defs.text(10, ColumnDefs::FormatCol), u"0.00"_s);
        const QStringList offered = pick(dialog, 10, ColumnDefs::TypeCol, type);
        QCOMPARE(offered.join(QLatin1Char('|')), u"Checkbox|Date|Money|Number|Text"_s);
        QCOMPARE(defs.text(10, ColumnDefs::TypeCol), type);
        QCOMPARE(defs.text(10, ColumnDefs::AlignmentCol), alignment);
        QCOMPARE(defs.text(10, ColumnDefs::FormatCol), formatKept ? u"0.00"_s : QString());
    }

    void formatListFollowsTheRowsType_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("offered");
        QTest::newRow("Money") << "Money"
                               << "$#,###|$#,###.00";
        QTest::newRow("Date") << "Date"
                              << "mm/dd/yy|mm/dd/yyyy|m/d/yy|m/d/yyyy|dd-Mmm-yyyy|Mmm-dd-yyyy|mm/dd/yy hh:mm|"
                                 "mm/dd/yy hh:mm:ss|mm/dd/yy hh:mm AMPM|mm/dd/yy hh:mm:ss AMPM";
    }

    void formatListFollowsTheRowsType()
    {
        QFETCH(QString, type);
        QFETCH(QString, offered);
        frmColDef *dialog = open(u"mnuColumnDefine"_s);
        QVERIFY(dialog);
        pick(dialog, 3, ColumnDefs::TypeCol, type);
        const QStringList formats = pick(dialog, 3, ColumnDefs::FormatCol, offered.section(QLatin1Char('|'), 1, 1));
        QCOMPARE(formats.join(QLatin1Char('|')), offered);
        // Title cells are free text: no pick list.
        const QModelIndex title = dialog->fg->model()->index(3, ColumnDefs::TitleCol);
        dialog->fg->setCurrentIndex(title);
        dialog->fg->edit(title);
        QVERIFY(!dialog->fg->viewport()->findChild<QComboBox *>());
    }

    void okWritesBackByPosition()
    {
        useNamedFile();
        frmColDef *dialog = open(u"mnuColumnDefine"_s);
        QVERIFY(dialog);
        m_prompts->answers = { UserPrompts::Answer::Yes };
        dialog->definitions().setCursor(3, ColumnDefs::TitleCol);
        QTest::mouseClick(dialog->cmdDelete, Qt::LeftButton);
        QCOMPARE(dialog->definitions().rows(), 13);
        QCOMPARE(dialog->definitions().text(12, ColumnDefs::NumberCol), u"12"_s);
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);

        QCOMPARE(fa().cols(), 12);
        QCOMPARE(fa().text(0, 2), u"State"_s);
        QCOMPARE(fa().text(0, 3), u"Zip Code"_s);
        QCOMPARE(fa().columnWidth(0), 2500);
        // Cells never move: column 3 keeps its data under its new title.
        QCOMPARE(fa().text(1, 2), u"v3"_s);
        QCOMPARE(fa().text(1, 11), u"v12"_s);
        QCOMPARE(m_prompts->asked.size(), 1);
        QVERIFY(m_prompts->asked.first().text.contains(QLatin1String("13")));
        QVERIFY(m_window->table().saveEnabled());
        QTRY_VERIFY(!m_window->findChild<frmColDef *>());
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
        if (answer >= 0)
            m_prompts->answers = { UserPrompts::Answer(answer) };
        frmColDef *dialog = open(u"mnuColumnDefine"_s);
        QVERIFY(dialog);
        dialog->definitions().setCursor(13, ColumnDefs::TitleCol);
        QTest::mouseClick(dialog->cmdDelete, Qt::LeftButton);
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        QCOMPARE(m_prompts->asked.size(), answer >= 0 ? 1 : 0);
        QCOMPARE(fa().cols(), columnsAfter);
        QCOMPARE(dialog->isVisible(), columnsAfter == 13);
        if (columnsAfter == 13)
            QCOMPARE(fa().text(1, 12), u"v13"_s);
    }

    void deletingEveryRowKeepsTheTable()
    {
        frmColDef *dialog = open(u"mnuColumnDefine"_s);
        QVERIFY(dialog);
        for (int i = 0; i < 13; ++i) {
            dialog->definitions().setCursor(1, ColumnDefs::TitleCol);
            QTest::mouseClick(dialog->cmdDelete, Qt::LeftButton);
        }
        QCOMPARE(dialog->definitions().rows(), 1);
        m_prompts->answers = { UserPrompts::Answer::Ok };
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        QCOMPARE(m_prompts->asked.size(), 1);
        QCOMPARE(m_prompts->asked.first().icon, UserPrompts::Icon::Warning);
        QVERIFY(dialog->isVisible());
        QCOMPARE(fa().cols(), 13);
        QCOMPARE(fa().text(1, 12), u"v13"_s);
        QVERIFY(!m_window->table().changed());
    }

    void addAndInsertGrowTheTable()
    {
        frmColDef *dialog = open(u"mnuColumnDefine"_s);
        QVERIFY(dialog);
        GridModel &defs = dialog->definitions();
        QTest::mouseClick(dialog->cmdAdd, Qt::LeftButton);
        defs.setCursor(2, ColumnDefs::TitleCol);
        QTest::mouseClick(dialog->cmdInsert, Qt::LeftButton);
        QCOMPARE(defs.rows(), 16);
        QCOMPARE(defs.text(2, ColumnDefs::TypeCol), u"Text"_s);
        QCOMPARE(defs.text(2, ColumnDefs::AlignmentCol), u"Left"_s);
        for (int r = 1; r < defs.rows(); ++r)
            QCOMPARE(defs.text(r, ColumnDefs::NumberCol), QString::number(r));
        defs.setText(2, ColumnDefs::TitleCol, u"Owner"_s);
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        QCOMPARE(fa().cols(), 15);
        QCOMPARE(fa().text(0, 1), u"Owner"_s);
        QCOMPARE(fa().text(0, 2), u"Street"_s);
        QCOMPARE(fa().text(1, 1), u"v2"_s);
        QVERIFY(m_window->table().changed());
    }

    void cancelChangesNothing()
    {
        useNamedFile();
        const ColumnAttributes before = fa().columnAttributes(5);
        frmColDef *dialog = open(u"mnuColumnDefine"_s);
        QVERIFY(dialog);
        GridModel &defs = dialog->definitions();
        defs.setText(6, ColumnDefs::TitleCol, u"Telephone"_s);
        pick(dialog, 6, ColumnDefs::TypeCol, u"Number"_s);
        defs.setCursor(1, ColumnDefs::TitleCol);
        QTest::mouseClick(dialog->cmdDelete, Qt::LeftButton);
        QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
        QCOMPARE(fa().cols(), 13);
        QCOMPARE(fa().text(0, 5), u"Phone"_s);
        QVERIFY(fa().columnAttributes(5) == before);
        QVERIFY(!m_window->table().changed());
        QVERIFY(m_prompts->asked.isEmpty());
    }

    void columnAttributesListsTheCurrentColumn()
    {
        fa().setCursor(1, 4);
        frmColDef *dialog = open(u"mnuEditColAttr"_s);
        QVERIFY(dialog);
        QCOMPARE(dialog->scope(), ColumnDefs::Scope::CurrentColumn);
        GridModel &defs = dialog->definitions();
        QCOMPARE(defs.rows(), 2);
        QCOMPARE(defs.text(1, ColumnDefs::TitleCol), u"Zip Code"_s);
        QVERIFY(dialog->cmdAllCols->isVisible());
        QVERIFY(!dialog->cmdDelete->isVisible());

        pick(dialog, 1, ColumnDefs::TypeCol, u"Money"_s);
        pick(dialog, 1, ColumnDefs::FormatCol, u"$#,###.00"_s);
        fa().setText(2, 4, u"1234.5"_s);
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        QCOMPARE(fa().cols(), 13);
        QCOMPARE(fa().columnDataType(4), DataType::Currency);
        QCOMPARE(fa().columnAlignment(4), Alignment::RightCenter);
        // The grid shows the value in the money format; the cell keeps its text.
        QCOMPARE(named<GridView>(*m_window, "fa")->model()->index(2, 4).data().toString(), u"$1,234.50"_s);
        QCOMPARE(fa().text(2, 4), u"1234.5"_s);
        QCOMPARE(fa().columnDataType(3), DataType::String);
    }

    void allColsSwitchesToEveryColumn()
    {
        fa().setCursor(1, 4);
        frmColDef *dialog = open(u"mnuEditColAttr"_s);
        QVERIFY(dialog);
        QTest::mouseClick(dialog->cmdAllCols, Qt::LeftButton);
        QCOMPARE(dialog->scope(), ColumnDefs::Scope::AllColumns);
        QCOMPARE(dialog->definitions().rows(), 14);
        QVERIFY(!dialog->cmdAllCols->isVisible());
        QVERIFY(dialog->cmdDelete->isVisible());
    }

    void hiddenColumnKeepsItsData()
    {
        frmColDef *dialog = open(u"mnuColumnDefine"_s);
        QVERIFY(dialog);
        CellFormat tick = dialog->definitions().cellFormat(3, ColumnDefs::HideCol);
        tick.check = CheckBox::Checked;
        dialog->definitions().setCellFormat(3, ColumnDefs::HideCol, tick);
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        QVERIFY(fa().columnHidden(2));
        QVERIFY(named<GridView>(*m_window, "fa")->isColumnHidden(2));
        QVERIFY(!named<GridView>(*m_window, "fa")->isColumnHidden(3));
        QCOMPARE(fa().text(1, 2), u"v3"_s);
    }

    void columnTitle_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("saveOffered");
        QTest::newRow("a new title is set") << "Business"
                                            << "Business" << true;
        QTest::newRow("Cancel changes nothing") << "\x01"
                                                << "Name" << false;
    }

    void columnTitle()
    {
        QFETCH(QString, answer);
        QFETCH(QString, title);
        QFETCH(bool, saveOffered);
        useNamedFile();
        fa().setCursor(2, 0);
        m_prompts->inputs = { answer };
        action(u"mnuEditColTitle"_s)->trigger();
        QCOMPARE(m_prompts->asked.size(), 1);
        QCOMPARE(fa().text(0, 0), title);
        QCOMPARE(m_window->table().saveEnabled(), saveOffered);
    }
};

QTEST_MAIN(TestFrmColDef)
#include "tst_frmcoldef.moc"
