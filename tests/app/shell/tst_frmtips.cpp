#include "app/shell/frmmain.h"
#include "app/shell/frmtips.h"
#include "core/shell/settings.h"
#include "core/shell/shellsettings.h"
#include "core/shell/tips.h"
#include "support/testsupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
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

    static void closeBy(frmTips *dialog, Closing how)
    {
        switch (how) {
        case Closing::CloseButton:
            QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
            break;
        case Closing::WindowCloseBox:
            dialog->close();
            break;
        case Closing::EscapeKey:
            QTest::keyClick(dialog, Qt::Key_Escape);
            break;
        }
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

    void theDialogShowsItsControlsAndARandomTip()
    {
        frmTips dialog(true);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Tip of the Day"));
        const int current = dialog.tips().current();
        QVERIFY(current >= 1 && current <= Tips::count());
        // The five leading blanks survive into the label.
        QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("Label2"))->text(), Tips::text(current));
        QVERIFY(!dialog.isModal());
    }

    void theButtonsPageThroughTheTips_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<int>("shown");

        QTest::newRow("Next Tip on the last tip shows the first") << 39 << QStringLiteral("n") << 1;
        QTest::newRow("PreviousTip on the first tip shows the last") << 1 << QStringLiteral("p") << 39;
    }

    void theButtonsPageThroughTheTips()
    {
        QFETCH(int, start);
        QFETCH(QString, clicks);
        QFETCH(int, shown);

        frmTips dialog(true);
        dialog.showTip(start);
        QCOMPARE(dialog.Label2->text(), Tips::text(start));
        for (QChar c : clicks)
            QTest::mouseClick(c == QLatin1Char('n') ? dialog.cmdNext : dialog.cmdPrevious, Qt::LeftButton);
        QCOMPARE(dialog.tips().current(), shown);
        QCOMPARE(dialog.Label2->text(), Tips::text(shown));
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
        QCOMPARE(dialog->chkShowTips->isChecked(), !before);
        QCOMPARE(w->showTips(), before); // nothing changes until the dialog goes

        closeBy(dialog, how);
        QCOMPARE(w->showTips(), after);
        QCOMPARE(w->currentSettings().showTips, after);
        // The dialog is gone, so the next showing loads it afresh.
        QTRY_VERIFY(!dialog);
        QVERIFY(!w->tipsDialog());
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
        QVERIFY(!first->isModal());
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

    void aClosedDialogOpensAfreshWithTheFlagItLeft()
    {
        auto w = makeWindow(true);
        QVERIFY(letPendingEventsRun());
        QPointer<frmTips> first = w->tipsDialog();
        QVERIFY(first);
        first->chkShowTips->setChecked(false);
        QTest::mouseClick(first->cmdOK, Qt::LeftButton);
        QTRY_VERIFY(!first);

        named<QAction>(*w, "mnuTip")->trigger();
        frmTips *second = w->tipsDialog();
        QVERIFY(second);
        QVERIFY(second->isVisible());
        QVERIFY(!second->chkShowTips->isChecked());
        QCOMPARE(openTipDialogs(*w), 1);
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
        if (shown) {
            QVERIFY(!w->tipsDialog()->isModal());
            QVERIFY(w->tipsDialog()->chkShowTips->isChecked());
        }
    }

    void theNextStartFollowsHowTheDialogWasClosed_data()
    {
        QTest::addColumn<Closing>("how");
        QTest::addColumn<bool>("shownNextTime");

        QTest::newRow("box cleared and Close: the next start skips the tips") << Closing::CloseButton << false;
        QTest::newRow("box cleared and the close box: the next start shows them") << Closing::WindowCloseBox << true;
    }

    void theNextStartFollowsHowTheDialogWasClosed()
    {
        QFETCH(Closing, how);
        QFETCH(bool, shownNextTime);

        {
            auto w = makeWindow(ShellSettings::readShowTips());
            QVERIFY(letPendingEventsRun());
            frmTips *dialog = w->tipsDialog();
            QVERIFY(dialog);
            dialog->chkShowTips->setChecked(false);
            closeBy(dialog, how);
            QSignalSpy ended(w.get(), &frmMain::ended);
            w->exitCommand();
            QCOMPARE(ended.size(), 1);
        }
        auto next = makeWindow(ShellSettings::readShowTips());
        QVERIFY(letPendingEventsRun());
        QCOMPARE(openTipDialogs(*next), shownNextTime ? 1 : 0);
    }
};

QTEST_MAIN(TestFrmTips)
#include "tst_frmtips.moc"
