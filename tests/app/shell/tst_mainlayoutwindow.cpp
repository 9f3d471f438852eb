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

    void everyStatusCellLivesInItsPanel_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("panel");
        for (int i : { 2, 3, 4, 5, 6, 8 })
            QTest::newRow(qPrintable(u"cell %1 on the results panel"_s.arg(i)))
                << u"Panels_%1"_s.arg(i) << u"SSPanMain"_s;
        for (int i : { 20, 21, 22, 23, 24 })
            QTest::newRow(qPrintable(u"cell %1 on the web panel"_s.arg(i))) << u"Panels_%1"_s.arg(i) << u"SSPanWeb"_s;
        QTest::newRow("the busy picture on the web panel") << u"Image4"_s << u"SSPanWeb"_s;
    }
    void everyStatusCellLivesInItsPanel()
    {
        QFETCH(QString, cell);
        QFETCH(QString, panel);
        auto *pan = m_window->findChild<QWidget *>(panel);
        QVERIFY(pan);
        QVERIFY2(pan->findChild<QLabel *>(cell), qPrintable(cell));
        // The panel lies over the tab control's bottom edge, right of the tab buttons.
        m_window->showTab(panel == QLatin1String("SSPanMain") ? 0 : 1);
        QCOMPARE(pan->parentWidget(), named<QTabWidget>(*m_window, "tabMain"));
        QVERIFY(pan->geometry().left() >= named<QTabWidget>(*m_window, "tabMain")->tabBar()->geometry().right());
        QVERIFY(pan->geometry().bottom() >= named<QTabWidget>(*m_window, "tabMain")->height() - 2);
    }

    void tabControlStartsBelowTheAddressBoxOnlyOnBrowserTabs()
    {
        named<QAction>(*m_window, "mnuViewDropBox")->trigger();
        QVERIFY(named<QAction>(*m_window, "mnuViewDropBox")->isChecked());
        m_window->showTab(frmMain::kTabSearch);
        QVERIFY(named<QLineEdit>(*m_window, "txtDrop")->isVisible());
        QVERIFY(named<QTabWidget>(*m_window, "tabMain")->geometry().top()
            > named<QLineEdit>(*m_window, "txtDrop")->geometry().bottom());
        m_window->showTab(frmMain::kTabResults);
        // On the results tab it sits 50 twips under the toolbar, the box's place empty.
        QCOMPARE(named<QTabWidget>(*m_window, "tabMain")->geometry().top(), m_window->twipsToPixelsY(50));
        QVERIFY(!named<QLineEdit>(*m_window, "txtDrop")->isVisible());
    }

    void windowNeverNarrowerThanTheMinimum()
    {
        m_window->resize(m_window->twipsToPixelsX(5000), m_window->height());
        QTRY_COMPARE(m_window->width(), m_window->twipsToPixelsX(9000));
        m_window->resize(m_window->twipsToPixelsX(15000), m_window->height());
        QTRY_COMPARE(m_window->width(), m_window->twipsToPixelsX(15000));
    }

    void recordTableTakesTheFormPanelsPlace()
    {
        m_window->showTab(frmMain::kTabResults);
        const int tabWidth = m_window->pixelsToTwipsX(named<QTabWidget>(*m_window, "tabMain")->width());
        QVERIFY(named<QFrame>(*m_window, "VBar")->isVisible());
        const int besideSplitter = leftInTab(named<GridView>(*m_window, "fa"));
        QVERIFY(qAbs(besideSplitter
                    - (leftInTab(named<QFrame>(*m_window, "VBar"))
                        + m_window->pixelsToTwipsX(named<QFrame>(*m_window, "VBar")->width())))
            <= 30);

        auto *formPanel = m_window->findChild<QAction *>(u"mnuViewFb"_s);
        QVERIFY(formPanel && formPanel->isChecked());
        formPanel->trigger();
        QVERIFY(!named<QTabWidget>(*m_window, "tabForm")->isVisible());
        QTRY_VERIFY(qAbs(leftInTab(named<GridView>(*m_window, "fa")) - 60) <= 30);
        const int right = leftInTab(named<GridView>(*m_window, "fa"))
            + m_window->pixelsToTwipsX(named<GridView>(*m_window, "fa")->width());
        QVERIFY2(qAbs(tabWidth - right - 70) <= 30, qPrintable(QString::number(tabWidth - right)));
        QVERIFY(!named<QFrame>(*m_window, "VBar")->isVisible());

        formPanel->trigger();
        QVERIFY(named<QTabWidget>(*m_window, "tabForm")->isVisible());
        QTRY_VERIFY(qAbs(leftInTab(named<GridView>(*m_window, "fa")) - besideSplitter) <= 15);
        QVERIFY(named<QFrame>(*m_window, "VBar")->isVisible());
    }

    void splitterMovesOnlyOnReleaseAndStopsAtItsLimits_data()
    {
        QTest::addColumn<int>("target"); // twips from the window's left edge, where the mouse lets go
        QTest::addColumn<bool>("beyondLimit");
        QTest::addColumn<int>("expected"); // -1: the window width less 600
        QTest::newRow("dragged to 1000 it settles at 3000") << 1000 << true << 3000;
        QTest::newRow("dragged to 5000 it settles there") << 5000 << false << 5000;
        QTest::newRow("dragged near the right edge it stops 600 short") << 100000 << true << -1;
    }
    void splitterMovesOnlyOnReleaseAndStopsAtItsLimits()
    {
        QFETCH(int, target);
        QFETCH(bool, beyondLimit);
        QFETCH(int, expected);
        m_window->showTab(frmMain::kTabResults);
        const int windowWidth = m_window->pixelsToTwipsX(m_window->width());
        if (expected < 0)
            expected = windowWidth - 600;
        const int start = m_window->vbarLeft();
        const QRect before = named<QFrame>(*m_window, "VBar")->geometry();
        const int startX = splitterGlobalX();
        const int toX = startX + m_window->twipsToPixelsX(qMin(target, windowWidth * 2) - start);

        pressOnSplitter(QEvent::MouseButtonPress, startX);
        QVERIFY(named<QFrame>(*m_window, "VBar1")->isVisible());
        QVERIFY(!named<QFrame>(*m_window, "VBar2")->isVisible());
        pressOnSplitter(QEvent::MouseMove, toX);
        QCOMPARE(named<QFrame>(*m_window, "VBar1")->isVisible(), !beyondLimit);
        QCOMPARE(named<QFrame>(*m_window, "VBar2")->isVisible(), beyondLimit);
        // Held, the splitter itself has not moved yet.
        QCOMPARE(named<QFrame>(*m_window, "VBar")->geometry(), before);
        QCOMPARE(m_window->vbarLeft(), start);

        pressOnSplitter(QEvent::MouseButtonRelease, toX);
        QVERIFY(!named<QFrame>(*m_window, "VBar1")->isVisible());
        QVERIFY(!named<QFrame>(*m_window, "VBar2")->isVisible());
        QVERIFY2(qAbs(m_window->vbarLeft() - expected) <= 15, qPrintable(QString::number(m_window->vbarLeft())));
        QVERIFY(qAbs(leftInTab(named<QFrame>(*m_window, "VBar")) - m_window->vbarLeft()) <= 30);
        // The record table follows the splitter; exit stores where it stands.
        QVERIFY(leftInTab(named<GridView>(*m_window, "fa")) > leftInTab(named<QFrame>(*m_window, "VBar")));
        QCOMPARE(m_window->currentSettings().vbarLeft, m_window->vbarLeft());
    }

    void splitterPositionSurvivesARestart()
    {
        m_window->showTab(frmMain::kTabResults);
        const int startX = splitterGlobalX();
        pressOnSplitter(QEvent::MouseButtonPress, startX);
        pressOnSplitter(QEvent::MouseMove, startX + m_window->twipsToPixelsX(900));
        pressOnSplitter(QEvent::MouseButtonRelease, startX + m_window->twipsToPixelsX(900));
        const int dragged = m_window->vbarLeft();
        QVERIFY(qAbs(dragged - 4470) <= 15);
        m_window->saveSettingsAndEnd();
        m_window.reset();

        m_window = std::make_unique<frmMain>(*m_prompts, false);
        QVERIFY(m_window->load());
        QCOMPARE(m_window->vbarLeft(), dragged);
    }
};

QTEST_MAIN(TestMainLayoutWindow)
#include "tst_mainlayoutwindow.moc"
