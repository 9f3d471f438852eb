#include "app/grid/gridview.h"
#include "app/shell/frmmain.h"
#include "core/shell/shellsettings.h"
#include "support/gui/tablewindowfixture.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>

#include <memory>

using namespace dq;
using dq::test::named;
using namespace Qt::StringLiterals;

// The window's own placement of its parts, checked on a shown window.
class TestMainLayoutWindow : public QObject, public test::TableWindowFixture
{
    Q_OBJECT

    // Left edge of a widget in tabMain's coordinates, in twips.
    int leftInTab(QWidget *child) const
    {
        return m_window->pixelsToTwipsX(child->mapTo(named<QTabWidget>(*m_window, "tabMain"), QPoint(0, 0)).x());
    }

    void pressOnSplitter(QEvent::Type type, int globalX)
    {
        const QPointF global(globalX, named<QFrame>(*m_window, "VBar")->mapToGlobal(QPoint(0, 5)).y());
        const QPointF local = named<QFrame>(*m_window, "VBar")->mapFromGlobal(global);
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, local, global, button, held, Qt::NoModifier);
        QApplication::sendEvent(named<QFrame>(*m_window, "VBar"), &e);
    }

    int splitterGlobalX() const { return named<QFrame>(*m_window, "VBar")->mapToGlobal(QPoint(0, 0)).x(); }

private slots:
    void init()
    {
        QVERIFY(openWindow());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanup() { QCOMPARE(closeWindow(), 0); }

    void eachTabBringsUpItsOwnParts_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<bool>("addressTicked");
        QTest::addColumn<QStringList>("menus");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("searchBox");
        QTest::addColumn<bool>("guideBox");
        QTest::addColumn<bool>("guideEntry");
        const QStringList results { u"mnuFile"_s, u"mnuEdit"_s, u"mnuView"_s, u"mnuTools"_s };
        const QStringList search { u"mnuFileB"_s, u"mnuViewB"_s, u"mnuToolsB"_s };
        const QStringList guide { u"mnuFileG"_s, u"mnuViewG"_s };
        QTest::newRow("results tab keeps both address boxes away")
            << 0 << true << results << u"SSPanMain"_s << false << false << true;
        QTest::newRow("search tab with the box ticked shows its box")
            << 1 << true << search << u"SSPanWeb"_s << true << false << true;
        QTest::newRow("search tab without the tick shows no box")
            << 1 << false << search << u"SSPanWeb"_s << false << false << true;
        QTest::newRow("guide tab shows its own box and hides its own help entry")
            << 2 << true << guide << u"SSPanGuide"_s << false << true << false;
        QTest::newRow("guide tab without the tick")
            << 2 << false << guide << u"SSPanGuide"_s << false << false << false;
    }
    void eachTabBringsUpItsOwnParts()
    {
        QFETCH(int, tab);
        QFETCH(bool, addressTicked);
        QFETCH(QStringList, menus);
        QFETCH(QString, status);
        QFETCH(bool, searchBox);
        QFETCH(bool, guideBox);
        QFETCH(bool, guideEntry);
        if (named<QAction>(*m_window, "mnuViewDropBox")->isChecked() != addressTicked)
            named<QAction>(*m_window, "mnuViewDropBox")->trigger();
        QCOMPARE(named<QAction>(*m_window, "mnuViewDropBoxG")->isChecked(), addressTicked);
        // Come from another tab so the switch really runs.
        m_window->showTab((tab + 1) % 3);
        m_window->showTab(tab);

        for (int i = 0; i < 3; ++i)
            QCOMPARE(named<QToolBar>(*m_window, QStringLiteral("Toolbar_%1").arg(i))->isVisible(), i == tab);
        for (const char *name : { "SSPanMain", "SSPanWeb", "SSPanGuide" })
            QCOMPARE(m_window->findChild<QWidget *>(QLatin1String(name))->isVisible(), status == QLatin1String(name));
        const QStringList all { u"mnuFile"_s, u"mnuEdit"_s, u"mnuView"_s, u"mnuTools"_s, u"mnuFileB"_s, u"mnuViewB"_s,
            u"mnuToolsB"_s, u"mnuFileG"_s, u"mnuViewG"_s };
        for (const QString &name : all) {
            auto *menu = m_window->findChild<QMenu *>(name);
            QVERIFY2(menu, qPrintable(name));
            QCOMPARE(menu->menuAction()->isVisible(), menus.contains(name));
        }
        QVERIFY(named<QMenu>(*m_window, "mnuHelp")->menuAction()->isVisible());
        QCOMPARE(named<QAction>(*m_window, "mnuGudie")->isVisible(), guideEntry);
        QCOMPARE(named<QLineEdit>(*m_window, "txtDrop")->isVisible(), searchBox);
        QCOMPARE(named<QLineEdit>(*m_window, "txtURL")->isVisible(), guideBox);
    }

    // The computed layout is applied: the rules themselves are in tst_mainlayout.
    void theComputedLayoutIsApplied()
    {
        auto *tabMain = named<QTabWidget>(*m_window, "tabMain");
        named<QAction>(*m_window, "mnuViewDropBox")->trigger();
        m_window->showTab(frmMain::kTabSearch);
        QVERIFY(tabMain->geometry().top() > named<QLineEdit>(*m_window, "txtDrop")->geometry().bottom());
        m_window->showTab(frmMain::kTabResults);
        QCOMPARE(tabMain->geometry().top(), m_window->twipsToPixelsY(50));
        // The status panel lies over the tab control's bottom edge, right of the tab buttons.
        auto *status = named<QWidget>(*m_window, "SSPanMain");
        QCOMPARE(status->parentWidget(), tabMain);
        QVERIFY(status->geometry().left() >= tabMain->tabBar()->geometry().right());
        QVERIFY(status->geometry().bottom() >= tabMain->height() - 2);

        m_window->resize(m_window->twipsToPixelsX(5000), m_window->height());
        QTRY_COMPARE(m_window->width(), m_window->twipsToPixelsX(9000));
    }

    void recordTableTakesTheFormPanelsPlace()
    {
        m_window->showTab(frmMain::kTabResults);
        auto *vbar = named<QFrame>(*m_window, "VBar");
        auto *fa = named<GridView>(*m_window, "fa");
        const int besideSplitter = leftInTab(fa);
        QVERIFY(qAbs(besideSplitter - (leftInTab(vbar) + m_window->pixelsToTwipsX(vbar->width()))) <= 30);

        named<QAction>(*m_window, "mnuViewFb")->trigger();
        QVERIFY(!named<QTabWidget>(*m_window, "tabForm")->isVisible());
        QVERIFY(!vbar->isVisible());
        QTRY_VERIFY(qAbs(leftInTab(fa) - 60) <= 30);

        named<QAction>(*m_window, "mnuViewFb")->trigger();
        QVERIFY(named<QTabWidget>(*m_window, "tabForm")->isVisible());
        QVERIFY(vbar->isVisible());
        QTRY_VERIFY(qAbs(leftInTab(fa) - besideSplitter) <= 15);
    }

    void splitterMovesOnlyOnReleaseAndStopsAtItsLimits_data()
    {
        QTest::addColumn<int>("target"); // twips from the window's left edge, where the mouse lets go
        QTest::addColumn<bool>("beyondLimit");
        QTest::addColumn<int>("expected");
        QTest::newRow("dragged to 1000 it settles at 3000") << 1000 << true << 3000;
        QTest::newRow("dragged to 5000 it settles there") << 5000 << false << 5000;
    }
    void splitterMovesOnlyOnReleaseAndStopsAtItsLimits()
    {
        QFETCH(int, target);
        QFETCH(bool, beyondLimit);
        QFETCH(int, expected);
        m_window->showTab(frmMain::kTabResults);
        const int start = m_window->vbarLeft();
        const QRect before = named<QFrame>(*m_window, "VBar")->geometry();
        const int startX = splitterGlobalX();
        const int toX = startX + m_window->twipsToPixelsX(target - start);

        pressOnSplitter(QEvent::MouseButtonPress, startX);
        pressOnSplitter(QEvent::MouseMove, toX);
        // Held, a ghost bar shows where it would land and the splitter itself stays.
        QCOMPARE(named<QFrame>(*m_window, "VBar1")->isVisible(), !beyondLimit);
        QCOMPARE(named<QFrame>(*m_window, "VBar2")->isVisible(), beyondLimit);
        QCOMPARE(named<QFrame>(*m_window, "VBar")->geometry(), before);
        QCOMPARE(m_window->vbarLeft(), start);

        pressOnSplitter(QEvent::MouseButtonRelease, toX);
        QVERIFY(!named<QFrame>(*m_window, "VBar1")->isVisible());
        QVERIFY(!named<QFrame>(*m_window, "VBar2")->isVisible());
        QVERIFY2(qAbs(m_window->vbarLeft() - expected) <= 15, qPrintable(QString::number(m_window->vbarLeft())));
        QVERIFY(qAbs(leftInTab(named<QFrame>(*m_window, "VBar")) - m_window->vbarLeft()) <= 30);
        QVERIFY(leftInTab(named<GridView>(*m_window, "fa")) > leftInTab(named<QFrame>(*m_window, "VBar")));
        // Exit stores where it stands.
        QCOMPARE(m_window->currentSettings().vbarLeft, m_window->vbarLeft());
    }
};

QTEST_MAIN(TestMainLayoutWindow)
#include "tst_mainlayoutwindow.moc"
