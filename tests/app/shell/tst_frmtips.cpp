#include "app/shell/frmmain.h"
#include "app/shell/frmtips.h"
#include "core/shell/shellsettings.h"
#include "core/shell/tips.h"
#include "support/gui/tablewindowfixture.h"
#include "support/pendingevents.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace dq;
using dq::test::named;

namespace {
enum class Closing { CloseButton, WindowCloseBox, EscapeKey };
} // namespace

Q_DECLARE_METATYPE(Closing)

// The Tip of the Day dialog as the main window shows it; the tip list's own rules are in tst_tips,
// the stored choice's in tst_shellsettings.
class TestFrmTips : public QObject, public test::TableWindowFixture
{
    Q_OBJECT

    int openTipDialogs() const
    {
        int open = 0;
        for (frmTips *d : m_window->findChildren<frmTips *>())
            open += d->isVisible() ? 1 : 0;
        return open;
    }

private slots:
    void cleanup() { QCOMPARE(closeWindow(), 0); }

    void theButtonsPageThroughTheTips()
    {
        frmTips dialog(true);
        QVERIFY(!dialog.isModal());
        dialog.showTip(Tips::count());
        QTest::mouseClick(dialog.cmdNext, Qt::LeftButton);
        // The tip's leading blanks survive into the label.
        QCOMPARE(dialog.Label2->text(), Tips::text(1));
        QTest::mouseClick(dialog.cmdPrevious, Qt::LeftButton);
        QCOMPARE(dialog.Label2->text(), Tips::text(Tips::count()));
    }

    void theCheckBoxTakesEffectOnlyThroughClose_data()
    {
        QTest::addColumn<bool>("before");
        QTest::addColumn<Closing>("how");
        QTest::addColumn<bool>("after");
        QTest::newRow("clearing the box and pressing Close turns the tips off")
            << true << Closing::CloseButton << false;
        QTest::newRow("ticking the box and pressing Close turns the tips on") << false << Closing::CloseButton << true;
        QTest::newRow("clearing the box and using the close box keeps the tips on")
            << true << Closing::WindowCloseBox << true;
        QTest::newRow("clearing the box and pressing Escape keeps the tips on") << true << Closing::EscapeKey << true;
    }
    void theCheckBoxTakesEffectOnlyThroughClose()
    {
        QFETCH(bool, before);
        QFETCH(Closing, how);
        QFETCH(bool, after);
        QVERIFY(openWindow(before));
        QVERIFY(test::runPendingZeroTimers());
        m_window->showTipOfTheDay();
        QPointer<frmTips> dialog = m_window->tipsDialog();
        QCOMPARE(dialog->chkShowTips->isChecked(), before);
        QTest::mouseClick(dialog->chkShowTips, Qt::LeftButton);
        QCOMPARE(m_window->showTips(), before); // nothing changes until the dialog goes

        if (how == Closing::CloseButton)
            QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        else if (how == Closing::WindowCloseBox)
            dialog->close();
        else
            QTest::keyClick(dialog, Qt::Key_Escape);
        // What exit stores follows too.
        QCOMPARE(m_window->currentSettings().showTips, after);
        // The dialog is gone, so the next showing loads it afresh with the flag it left.
        QTRY_VERIFY(!dialog);
        named<QAction>(*m_window, "mnuTip")->trigger();
        QCOMPARE(m_window->tipsDialog()->chkShowTips->isChecked(), after);
        QCOMPARE(openTipDialogs(), 1);
    }

    void f1WithTheDialogOpenBringsUpTheSameDialog()
    {
        QVERIFY(openWindow(false));
        QVERIFY(showWindow());
        QTest::keyClick(m_window.get(), Qt::Key_F1);
        QPointer<frmTips> first = m_window->tipsDialog();
        QVERIFY(first->isVisible());
        first->showTip(12);

        m_window->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), m_window.get());
        QTest::keyClick(m_window.get(), Qt::Key_F1);
        QCOMPARE(m_window->tipsDialog(), first.data());
        QCOMPARE(openTipDialogs(), 1);
        // Still the same loaded dialog: the tip on display was kept.
        QCOMPARE(first->tips().current(), 12);
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget *>(first.data()));
    }

    void startUpShowsTheTipsByTheChoice_data()
    {
        QTest::addColumn<bool>("shown");
        QTest::newRow("tips on show the dialog") << true;
        QTest::newRow("tips off show nothing") << false;
    }
    void startUpShowsTheTipsByTheChoice()
    {
        QFETCH(bool, shown);
        QVERIFY(openWindow(shown));
        // Not during load: the window's pending events run first.
        QVERIFY(!m_window->tipsDialog());
        QVERIFY(test::runPendingZeroTimers());
        QCOMPARE(openTipDialogs(), shown ? 1 : 0);
    }
};

QTEST_MAIN(TestFrmTips)
#include "tst_frmtips.moc"
