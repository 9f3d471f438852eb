#include "app/shell/frmmain.h"
#include "app/table/editcommands.h"
#include "app/table/formpanel.h"
#include "app/table/frmdeldialog.h"
#include "core/grid/gridmodel.h"
#include "core/table/recordtable.h"
#include "support/testsupport.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace dq;
using namespace Qt::StringLiterals;

class TestFrmDelDialog : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::ScriptedPrompts> m_prompts;
    std::unique_ptr<frmMain> m_window;

    GridModel &fa() { return m_window->table().fa(); }
    FormPanel &form() { return m_window->findChild<EditCommands *>()->formPanel(); }

    frmDelDialog &askForRow(int row)
    {
        fa().setCursor(row, 0);
        form().imgBtn_Click(0);
        return form().deleteDialog();
    }

private slots:
    void init()
    {
        const QString home = test::tempDir();
        qputenv("DIRQUILL_HOME", home.toLocal8Bit());
        qputenv("DIRQUILL_CONFIG_DIR", test::tempDir().toLocal8Bit());
        QFile siteList(home + u"/stpl00.bin"_s);
        QVERIFY(siteList.open(QIODevice::WriteOnly));
        m_prompts = std::make_unique<test::ScriptedPrompts>();
        m_window = std::make_unique<frmMain>(*m_prompts, false);
        QVERIFY(m_window->load());
        fa().setRows(5);
        for (int r = 1; r < 5; ++r)
            fa().setText(r, 0, u"Firm %1"_s.arg(r));
        m_window->table().MakeModified(false);
    }

    void cleanup()
    {
        m_window.reset();
        QCOMPARE(m_prompts->unexpected, 0);
        m_prompts.reset();
    }

    void theDialogAsksAboutTheCurrentRecord()
    {
        frmDelDialog &d = askForRow(3);
        QCOMPARE(d.objectName(), u"frmDelDialog"_s);
        QCOMPARE(d.windowTitle(), u"Delete Record"_s);
        QVERIFY(d.isVisible());
        QVERIFY(d.isModal());
        QCOMPARE(d.cmdBtn[0]->objectName(), u"cmdBtn_0"_s);
        QCOMPARE(d.cmdBtn[0]->text(), u"&Yes"_s);
        QCOMPARE(d.cmdBtn[1]->text(), u"&No"_s);
        QCOMPARE(d.cmdBtn[2]->text(), u"&Cancel"_s);
        QCOMPARE(d.chkAskDel->objectName(), u"chkAskDel"_s);
        QCOMPARE(d.chkAskDel->text(), u"Do not ask me next time"_s);
        QVERIFY(!d.chkAskDel->isChecked());
        QVERIFY(d.lblRecord->text().contains(u"Firm 3"_s));
        // A stray Enter must not delete.
        QVERIFY(d.cmdBtn[1]->isDefault());
        QVERIFY(!d.cmdBtn[0]->isDefault());
    }

    void escapeAndTheCloseBoxDecline_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Escape") << true;
        QTest::newRow("the close box") << false;
    }

    void escapeAndTheCloseBoxDecline()
    {
        QFETCH(bool, escape);
        frmDelDialog &d = askForRow(2);
        QSignalSpy finished(&d, &QDialog::finished);
        if (escape)
            QTest::keyClick(&d, Qt::Key_Escape);
        else
            d.close();
        QCOMPARE(finished.count(), 1);
        QVERIFY(!d.isVisible());
        QCOMPARE(fa().rows(), 5);
        QCOMPARE(fa().text(2, 0), u"Firm 2"_s);
        QVERIFY(!m_window->table().changed());
        // The Form panel has read (and so reset) the declined flag.
        QVERIFY(!d.question().takeDeclined());
    }

    void yesKeepsRowModeOnTheNewCurrentRow()
    {
        m_window->enterRowMode();
        frmDelDialog &d = askForRow(2);
        d.cmdBtn_Click(0);
        QCOMPARE(fa().rows(), 4);
        QCOMPARE(fa().row(), 2);
        QCOMPARE(fa().text(2, 0), u"Firm 3"_s);
        QCOMPARE(fa().selectedRows(), std::vector<int>({ 2 }));
        QCOMPARE(m_window->panel(6)->text(), u"2 / 3"_s);
    }

    void theDialogIsHiddenNotDestroyedAndKeepsItsTick()
    {
        frmDelDialog &d = askForRow(1);
        d.chkAskDel->setChecked(true);
        d.cmdBtn_Click(1); // No, but the tick still counts from now on
        QCOMPARE(fa().rows(), 5);
        QCOMPARE(m_window->findChildren<frmDelDialog *>().size(), 1);
        QVERIFY(d.chkAskDel->isChecked());
        form().imgBtn_Click(0);
        QVERIFY(!d.isVisible());
        QCOMPARE(fa().rows(), 4);
    }
};

QTEST_MAIN(TestFrmDelDialog)
#include "tst_frmdeldialog.moc"
