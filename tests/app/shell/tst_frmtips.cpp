#include "app/shell/frmmain.h"
#include "app/shell/frmtips.h"
#include "core/shell/settings.h"
#include "core/shell/shellsettings.h"
#include "core/shell/tips.h"
#include "support/testsupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace dq;
using dq::test::named;

namespace {

enum class Closing { CloseButton, WindowCloseBox, EscapeKey };

} // namespace

Q_DECLARE_METATYPE(Closing)

// The Tip of the Day dialog as the main window shows it; the tip list's own rules are in tst_tips.
class TestFrmTips : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::ScriptedPrompts> m_prompts;

    std::unique_ptr<frmMain> makeWindow(bool showTips)
    {
        auto w = std::make_unique<frmMain>(*m_prompts, showTips);
        QTest::qVerify(w->load(), "w->load()", "the window failed to load", __FILE__, __LINE__);
        return w;
    }

    // Zero-time timers run in the order they were started, so once this one has fired
    // every zero timer started before it has too.
    static bool letPendingEventsRun()
    {
        QTimer t;
        t.setSingleShot(true);
        QSignalSpy fired(&t, &QTimer::timeout);
        t.start(0);
        return fired.wait(5000);
    }

    static int openTipDialogs(const frmMain &w)
    {
        int open = 0;
        for (frmTips *d : w.findChildren<frmTips *>())
            open += d->isVisible() ? 1 : 0;
        return open;
    }

private slots:
    void init()
    {
        QVERIFY(!test::useFreshProgramHome().isEmpty());
        m_prompts = std::make_unique<test::ScriptedPrompts>();
    }

    void cleanup()
    {
        QCOMPARE(m_prompts->unexpected, 0);
        m_prompts.reset();
    }

    void theButtonsPageThroughTheTips()
    {
        frmTips dialog(true);
        QVERIFY(!dialog.isModal());
        // The five leading blanks survive into the label.
        QCOMPARE(dialog.Label2->text(), Tips::text(dialog.tips().current()));
        dialog.showTip(Tips::count());
        QTest::mouseClick(dialog.cmdNext, Qt::LeftButton);
        QCOMPARE(dialog.tips().current(), 1);
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
        QTest::newRow("ticking the box and using the close box keeps the tips off")
            << false << Closing::WindowCloseBox << false;
        QTest::newRow("clearing the box and pressing Escape keeps the tips on") << true << Closing::EscapeKey << true;
    }
    void theCheckBoxTakesEffectOnlyThroughClose()
    {
        QFETCH(bool, before);
        QFETCH(Closing, how);
        QFETCH(bool, after);
        auto w = makeWindow(before);
        QVERIFY(letPendingEventsRun());
        w->showTipOfTheDay();
        QPointer<frmTips> dialog = w->tipsDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->chkShowTips->isChecked(), before);
        QTest::mouseClick(dialog->chkShowTips, Qt::LeftButton);
        QCOMPARE(w->showTips(), before); // nothing changes until the dialog goes

        if (how == Closing::CloseButton)
            QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        else if (how == Closing::WindowCloseBox)
            dialog->close();
        else
            QTest::keyClick(dialog, Qt::Key_Escape);
        // What exit stores follows too.
        QCOMPARE(w->currentSettings().showTips, after);
        // The dialog is gone, so the next showing loads it afresh with the flag it left.
        QTRY_VERIFY(!dialog);
        named<QAction>(*w, "mnuTip")->trigger();
        QVERIFY(w->tipsDialog());
        QCOMPARE(w->tipsDialog()->chkShowTips->isChecked(), after);
        QCOMPARE(openTipDialogs(*w), 1);
    }

    void f1WithTheDialogOpenBringsUpTheSameDialog()
    {
        auto w = makeWindow(false);
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));

        QTest::keyClick(w.get(), Qt::Key_F1);
        QPointer<frmTips> first = w->tipsDialog();
        QVERIFY(first);
        QVERIFY(first->isVisible());
        first->showTip(12);

        w->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), w.get());
        QTest::keyClick(w.get(), Qt::Key_F1);
        QCOMPARE(w->tipsDialog(), first.data());
        QCOMPARE(openTipDialogs(*w), 1);
        // Still the same loaded dialog: the tip on display was kept.
        QCOMPARE(first->tips().current(), 12);
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget *>(first.data()));
    }

    void startUpShowsTheTipsByTheSetting_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("shown");
        QTest::newRow("no setting shows the tips") << QString() << true;
        QTest::newRow("False shows nothing") << QStringLiteral("False") << false;
    }
    void startUpShowsTheTipsByTheSetting()
    {
        QFETCH(QString, stored);
        QFETCH(bool, shown);
        if (!stored.isNull())
            Settings::write(QStringLiteral("ShowTips"), stored);
        auto w = makeWindow(ShellSettings::readShowTips());
        // Not during load: the window's pending events run first.
        QVERIFY(!w->tipsDialog());
        QVERIFY(letPendingEventsRun());
        QCOMPARE(openTipDialogs(*w), shown ? 1 : 0);
        if (shown)
            QVERIFY(w->tipsDialog()->chkShowTips->isChecked());
    }
};

QTEST_MAIN(TestFrmTips)
#include "tst_frmtips.moc"
