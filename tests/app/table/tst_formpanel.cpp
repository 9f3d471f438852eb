#include "app/grid/gridview.h"
#include "app/table/editcommands.h"
#include "app/table/formpanel.h"
#include "app/table/frmdeldialog.h"
#include "support/gui/tablewindowfixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>

using namespace dq;
using dq::test::named;
using namespace Qt::StringLiterals;

// The Form panel beside the record table, and its Delete dialog.
class TestFormPanel : public QObject, test::TableWindowFixture
{
    Q_OBJECT

    FormPanel &form() { return m_window->findChild<EditCommands *>()->formPanel(); }
    GridModel &fb() { return form().grid(); }
    QString counter() const { return m_window->panel(6)->text(); }
    QLabel *button(int i) const { return named<QLabel>(*m_window, u"imgBtn_%1"_s.arg(i)); }
    void click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center()); }

    void goTo(int row)
    {
        fa().setCursor(row, 0);
        m_window->fa_Click();
    }

    // The editor open in a view now (a closed one may linger until it is deleted).
    QLineEdit *startEdit(const char *viewName, GridModel &grid, int row, int col)
    {
        grid.setCursor(row, col);
        grid.startEdit();
        for (QLineEdit *e : named<GridView>(*m_window, viewName)->viewport()->findChildren<QLineEdit *>())
            if (e->isVisible())
                return e;
        return nullptr;
    }

private slots:
    void init()
    {
        QVERIFY(openWindow());
        m_window->showTab(frmMain::kTabResults);
    }

    void cleanup() { QCOMPARE(closeWindow(), 0); }

    void thePanelListsEveryColumn()
    {
        QCOMPARE(fb().rowTexts(0), (QStringList { u"Column"_s, u"Value"_s }));
        QCOMPARE(fb().rows(), fa().cols() + 1);
        for (int c = 0; c < fa().cols(); ++c)
            QCOMPARE(fb().text(c + 1, 0), fa().text(0, c));
    }

    void typingInThePanelChangesTheRecord()
    {
        fillTable(3);
        fa().setColumnDataType(9, DataType::Currency);
        fa().setColumnFormat(9, u"$#,###.00"_s);
        fa().setText(2, 9, u"1234.5"_s);
        useNamedFile();
        goTo(2);
        QVERIFY(showWindow());
        // Titles cannot be edited; the value editor starts from the stored value, not the shown one.
        QVERIFY(!startEdit("fb", fb(), 1, 0));
        QLineEdit *editor = startEdit("fb", fb(), 10, 1);
        QVERIFY(editor);
        QCOMPARE(editor->text(), u"1234.5"_s);
        QTest::keyClick(editor, Qt::Key_Escape);
        QTRY_COMPARE(fb().text(10, 1), u"$1,234.50"_s);
        QVERIFY(!m_window->table().changed());

        editor = startEdit("fb", fb(), 1, 1);
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, u"Acme Tools"_s);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(fa().text(2, 0), u"Acme Tools"_s);
        QVERIFY(m_window->table().saveEnabled());
        QCOMPARE(fa().text(3, 0), u"r3c0"_s);

        // Rows arriving meanwhile (a harvest) refresh the panel around the open editor.
        editor = startEdit("fb", fb(), 10, 1);
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, u"77"_s);
        fa().appendRows({ QStringList { u"new"_s } });
        QCOMPARE(editor->text(), u"77"_s);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(fa().text(2, 9), u"77"_s);
        QTRY_COMPARE(fb().text(10, 1), u"$77.00"_s);
    }

    void recordTableEditsReachThePanelAndTheChangedFlag()
    {
        fillTable(3);
        useNamedFile();
        QVERIFY(showWindow());
        m_window->enterBlockMode();
        goTo(2);
        QSignalSpy after(named<GridView>(*m_window, "fa"), &GridView::afterEdit);
        for (const QString &typed : { QString(), u"Zed"_s }) { // the first edit changes nothing
            QLineEdit *editor = startEdit("fa", fa(), 2, 3);
            QVERIFY(editor);
            if (!typed.isEmpty()) {
                editor->selectAll();
                QTest::keyClicks(editor, typed);
            }
            QTest::keyClick(editor, Qt::Key_Return);
            QTRY_COMPARE(after.count(), typed.isEmpty() ? 1 : 2);
            QCOMPARE(fb().text(4, 1), typed.isEmpty() ? u"r2c3"_s : typed);
            QCOMPARE(m_window->table().saveEnabled(), !typed.isEmpty());
        }
    }

    void checkBoxesTickBothWaysAndANewRecordStartsUnticked()
    {
        fillTable(3);
        fa().setColumnDataType(9, DataType::Boolean);
        fa().setText(2, 9, u"-1"_s); // a value from a file, not yet a check box
        goTo(2);
        QCOMPARE(fb().cellFormat(10, 1).check, CheckBox::Checked);
        fb().setData(fb().index(10, 1), Qt::Unchecked, Qt::CheckStateRole); // as a click does it
        QCOMPARE(fa().cellFormat(2, 9).check, CheckBox::Unchecked);
        fa().setData(fa().index(2, 9), Qt::Checked, Qt::CheckStateRole);
        QCOMPARE(fb().cellFormat(10, 1).check, CheckBox::Checked);
        QVERIFY(m_window->table().changed());
        click(button(1)); // Add One Record
        QCOMPARE(fa().row(), 4);
        QCOMPARE(fb().cellFormat(10, 1).check, CheckBox::Unchecked);
    }

    void thePanelFollowsColumnAndRecordChangesAtOnce()
    {
        fillTable(4);
        goTo(2);
        fa().insertColumn(13);
        fa().setText(0, 13, u"Notes"_s);
        QCOMPARE(fb().text(14, 0), u"Notes"_s);
        fa().removeColumn(0);
        QCOMPARE(fb().rowTexts(1), (QStringList { u"Street"_s, u"r2c1"_s }));
        fa().setClip({ 2, 0, 2, 1 }, u"Pasted\tBlock"_s);
        QCOMPARE(fb().text(2, 1), u"Block"_s);
        fa().setColumnDataType(1, DataType::Double);
        fa().setText(2, 1, u"7"_s);
        fa().setColumnFormat(1, u"0.0"_s);
        QCOMPARE(fb().text(2, 1), u"7.0"_s);
        // Rows moving under the cursor bring another record to it; another record leaves it alone.
        fa().insertRow(1);
        QCOMPARE(fb().text(1, 1), u"r1c1"_s);
        fa().setText(4, 0, u"elsewhere"_s);
        QCOMPARE(fb().text(1, 1), u"r1c1"_s);
        m_window->table().buildNewTable();
        QCOMPARE(fb().rows(), 14);
    }

    void theCloseBoxHidesThePanelAndItsEntryBringsItBack()
    {
        fillTable(4);
        goTo(1);
        QAction *entry = action(u"mnuViewFb"_s);
        click(named<QLabel>(*m_window, "imgClose"));
        QVERIFY(named<QTabWidget>(*m_window, "tabForm")->isHidden());
        QVERIFY(!entry->isChecked());
        // While hidden the counter still follows; the panel catches up when shown.
        goTo(3);
        QCOMPARE(counter(), u"3 / 4"_s);
        entry->trigger();
        QVERIFY(!named<QTabWidget>(*m_window, "tabForm")->isHidden());
        QCOMPARE(fb().text(1, 1), u"r3c0"_s);
    }

    void navigationKeysInTheTableRefreshThePanel()
    {
        fillTable(5);
        QVERIFY(showWindow());
        goTo(2);
        named<GridView>(*m_window, "fa")->setFocus();
        QTest::keyClick(named<GridView>(*m_window, "fa"), Qt::Key_Down);
        QTRY_COMPARE(counter(), u"3 / 5"_s);
        QCOMPARE(fb().text(1, 1), u"r3c0"_s);
    }

    void declinedDeleteChangesNothing()
    {
        fillTable(4);
        m_window->table().MakeModified(false);
        goTo(2);
        frmDelDialog &d = form().deleteDialog();
        for (int way : { 1, 2, 3, 4 }) { // No, Cancel, Escape, the close box
            click(button(0));
            QVERIFY(d.isVisible() && d.isModal());
            QVERIFY(d.lblRecord->text().contains(u"r2c0"_s));
            QVERIFY(d.cmdBtn[1]->isDefault()); // a stray Enter must not delete
            if (way < 3)
                QTest::mouseClick(d.cmdBtn[size_t(way)], Qt::LeftButton);
            else if (way == 3)
                QTest::keyClick(&d, Qt::Key_Escape);
            else
                d.close();
            QVERIFY2(!d.isVisible(), qPrintable(QString::number(way)));
            QCOMPARE(fa().rows(), 5);
        }
        QVERIFY(!m_window->table().changed());
        click(button(0)); // the declined answers were taken: Yes now deletes
        d.answer(0);
        QCOMPARE(fa().rows(), 4);
        fa().setRows(1); // a title-only table: nothing to ask
        goTo(0);
        click(button(0));
        QVERIFY(!d.isVisible());
    }

    void yesRemovesTheRecordAndTheTickStopsTheQuestion()
    {
        fillTable(4);
        goTo(2);
        form().runButton(0);
        frmDelDialog &d = form().deleteDialog();
        QCOMPARE(fa().rows(), 5); // nothing goes before the answer
        QTest::mouseClick(d.cmdBtn[0], Qt::LeftButton);
        QCOMPARE(fa().rows(), 4);
        QCOMPARE(fb().text(1, 1), u"r3c0"_s);
        QCOMPARE(counter(), u"2 / 3"_s);
        QVERIFY(m_window->table().saveEnabled()); // whatever the file
        // Ticked, even with No, the dialog asks no more.
        form().runButton(0);
        d.chkAskDel->setChecked(true);
        d.answer(1);
        QCOMPARE(fa().rows(), 4);
        form().runButton(0);
        QVERIFY(!d.isVisible());
        QCOMPARE(fa().rows(), 3);
    }
};

QTEST_MAIN(TestFormPanel)
#include "tst_formpanel.moc"
