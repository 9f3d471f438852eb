#include "app/shell/frmmain.h"
#include "core/shell/shellsettings.h"
#include "support/casetable.h"
#include "support/gui/tablewindowfixture.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>

using namespace dq;
using dq::test::named;
using namespace Qt::StringLiterals;

// The window applies the layout on a shown window; the layout's rules are in tst_mainlayout.
class TestMainLayoutWindow : public QObject, public test::TableWindowFixture
{
    Q_OBJECT

    // Left edge of a widget in tabMain's coordinates, in twips.
    int leftInTab(const char *name) const
    {
        QWidget *child = named<QWidget>(*m_window, name);
        return m_window->pixelsToTwipsX(child->mapTo(named<QTabWidget>(*m_window, "tabMain"), QPoint(0, 0)).x());
    }

    void mouseOnSplitter(QEvent::Type type, int globalX)
    {
        auto *vbar = named<QFrame>(*m_window, "VBar");
        const QPointF global(globalX, vbar->mapToGlobal(QPoint(0, 5)).y());
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, vbar->mapFromGlobal(global), global, button, held, Qt::NoModifier);
        QApplication::sendEvent(vbar, &e);
    }

private slots:
    void init()
    {
        QVERIFY(openWindow());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanup() { QCOMPARE(closeWindow(), 0); }

    void eachTabBringsUpItsOwnParts_data() { test::addCaseRows(u"shell/tabparts.tsv"_s); }
    void eachTabBringsUpItsOwnParts()
    {
        QFETCH(QString, tab);
        QFETCH(QString, ticked);
        const int index = test::choice(tab, { "results", "search", "guide" });
        const bool addressTicked = test::choice(ticked, { "no", "yes" });
        if (named<QAction>(*m_window, "mnuViewDropBox")->isChecked() != addressTicked)
            named<QAction>(*m_window, "mnuViewDropBox")->trigger();
        QCOMPARE(named<QAction>(*m_window, "mnuViewDropBoxG")->isChecked(), addressTicked);
        // Come from another tab so the switch really runs.
        m_window->showTab((index + 1) % 3);
        m_window->showTab(index);

        for (int i = 0; i < 3; ++i)
            QCOMPARE(named<QToolBar>(*m_window, u"Toolbar_%1"_s.arg(i))->isVisible(), i == index);
        QStringList shown;
        for (const char *name :
            { "mnuFile", "mnuEdit", "mnuView", "mnuTools", "mnuFileB", "mnuViewB", "mnuToolsB", "mnuFileG", "mnuViewG",
                "mnuHelp", "mnuGudie", "SSPanMain", "SSPanWeb", "SSPanGuide", "txtDrop", "txtURL" }) {
            auto *menu = m_window->findChild<QMenu *>(QLatin1String(name));
            auto *entry = m_window->findChild<QAction *>(QLatin1String(name));
            if (menu        ? menu->menuAction()->isVisible()
                    : entry ? entry->isVisible()
                            : named<QWidget>(*m_window, name)->isVisible())
                shown << QLatin1String(name);
        }
        QTEST(shown.join(u' '), "parts");
    }

    void theLayoutFollowsTabsAndResizes()
    {
        auto *tabMain = named<QTabWidget>(*m_window, "tabMain");
        named<QAction>(*m_window, "mnuViewDropBox")->trigger();
        m_window->showTab(frmMain::kTabSearch);
        QVERIFY(tabMain->geometry().top() > named<QLineEdit>(*m_window, "txtDrop")->geometry().bottom());

        // Made too narrow, the window springs back, and the splitter stays inside its limits.
        m_window->setVbarLeft(11000);
        m_window->resize(m_window->twipsToPixelsX(5000), m_window->height());
        QTRY_COMPARE(m_window->width(), m_window->twipsToPixelsX(9000));
        QVERIFY(m_window->vbarLeft() <= 9000 - 600);
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
        const int startX = named<QFrame>(*m_window, "VBar")->mapToGlobal(QPoint(0, 0)).x();
        const int toX = startX + m_window->twipsToPixelsX(target - start);

        mouseOnSplitter(QEvent::MouseButtonPress, startX);
        mouseOnSplitter(QEvent::MouseMove, toX);
        // Held, a ghost bar shows where it would land and the splitter itself stays.
        QCOMPARE(named<QFrame>(*m_window, "VBar1")->isVisible(), !beyondLimit);
        QCOMPARE(named<QFrame>(*m_window, "VBar2")->isVisible(), beyondLimit);
        QCOMPARE(named<QFrame>(*m_window, "VBar")->geometry(), before);
        QCOMPARE(m_window->vbarLeft(), start);

        mouseOnSplitter(QEvent::MouseButtonRelease, toX);
        QVERIFY(!named<QFrame>(*m_window, "VBar1")->isVisible() && !named<QFrame>(*m_window, "VBar2")->isVisible());
        QVERIFY2(qAbs(m_window->vbarLeft() - expected) <= 15, qPrintable(QString::number(m_window->vbarLeft())));
        QVERIFY(qAbs(leftInTab("VBar") - m_window->vbarLeft()) <= 30);
        // Exit stores where it stands.
        QCOMPARE(m_window->currentSettings().vbarLeft, m_window->vbarLeft());
    }
};

QTEST_MAIN(TestMainLayoutWindow)
#include "tst_mainlayoutwindow.moc"
