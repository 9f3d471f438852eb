#include "app/table/editcommands.h"
#include "app/table/formpanel.h"
#include "app/table/frmdeldialog.h"
#include "support/gui/tablewindowfixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>

using namespace dq;
using namespace Qt::StringLiterals;

class TestFrmDelDialog : public QObject, test::TableWindowFixture
{
    Q_OBJECT

    FormPanel &form() { return m_window->findChild<EditCommands *>()->formPanel(); }

    frmDelDialog &askForRow(int row)
    {
        fa().setCursor(row, 0);
        form().runButton(0);
        return form().deleteDialog();
    }

private slots:
    void init()
    {
        QVERIFY(openWindow());
        fa().setRows(5);
        for (int r = 1; r < 5; ++r)
            fa().setText(r, 0, u"Firm %1"_s.arg(r));
        m_window->table().MakeModified(false);
    }

    void cleanup() { QCOMPARE(closeWindow(), 0); }

    void theDialogAsksAboutTheCurrentRecord()
    {
        frmDelDialog &d = askForRow(3);
        QVERIFY(d.isVisible());
        QVERIFY(d.isModal());
        QVERIFY(!d.chkAskDel->isChecked());
        QVERIFY(d.lblRecord->text().contains(u"Firm 3"_s));
        // A stray Enter must not delete.
        QVERIFY(d.cmdBtn[1]->isDefault());
        QVERIFY(!d.cmdBtn[0]->isDefault());
    }

    void decliningChangesNothing_data()
    {
        QTest::addColumn<int>("way"); // a button index, or 3 for Escape, 4 for the close box
        QTest::newRow("No") << 1;
        QTest::newRow("Cancel") << 2;
        QTest::newRow("Escape") << 3;
        QTest::newRow("the close box") << 4;
    }

    void decliningChangesNothing()
    {
        QFETCH(int, way);
        frmDelDialog &d = askForRow(2);
        QSignalSpy finished(&d, &QDialog::finished);
        if (way < 3)
            QTest::mouseClick(d.cmdBtn[size_t(way)], Qt::LeftButton);
        else if (way == 3)
            QTest::keyClick(&d, Qt::Key_Escape);
        else
            d.close();
        QCOMPARE(finished.count(), 1);
        QVERIFY(!d.isVisible());
        QCOMPARE(fa().rows(), 5);
        QCOMPARE(fa().text(2, 0), u"Firm 2"_s);
        QVERIFY(!m_window->table().changed());
        // The declined flag was read and reset: a later Yes deletes.
        QVERIFY(!d.question().takeDeclined());
        form().runButton(0);
        d.answer(0);
        QCOMPARE(fa().rows(), 4);
    }

    void yesRemovesTheRecordAndKeepsRowMode()
    {
        m_window->enterRowMode();
        frmDelDialog &d = askForRow(2);
        QCOMPARE(fa().rows(), 5); // nothing goes before the answer
        QTest::mouseClick(d.cmdBtn[0], Qt::LeftButton);
        QVERIFY(!d.isVisible());
        QCOMPARE(fa().rows(), 4);
        QCOMPARE(fa().row(), 2);
        QCOMPARE(fa().text(2, 0), u"Firm 3"_s);
        QCOMPARE(form().grid().text(1, 1), u"Firm 3"_s);
        QCOMPARE(fa().selectedRows(), std::vector<int>({ 2 }));
        QCOMPARE(m_window->panel(6)->text(), u"2 / 3"_s);
        // The dialog marks the table changed whatever its file.
        QVERIFY(m_window->table().saveEnabled());
    }

    void theDialogIsHiddenNotDestroyedAndKeepsItsTick()
    {
        frmDelDialog &d = askForRow(1);
        d.chkAskDel->setChecked(true);
        d.answer(1); // No, but the tick still counts from now on
        QCOMPARE(fa().rows(), 5);
        QCOMPARE(m_window->findChildren<frmDelDialog *>().size(), 1);
        QVERIFY(d.chkAskDel->isChecked());
        form().runButton(0);
        QVERIFY(!d.isVisible());
        QCOMPARE(fa().rows(), 4);
    }
};

QTEST_MAIN(TestFrmDelDialog)
#include "tst_frmdeldialog.moc"
