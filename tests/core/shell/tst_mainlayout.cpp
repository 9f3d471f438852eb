#include "core/shell/mainlayout.h"

#include <QTest>

using dq::MainLayout;

class TestMainLayout : public QObject
{
    Q_OBJECT

private:
    static MainLayout::Input standard()
    {
        MainLayout::Input in;
        in.width = 12000;
        in.height = 10000;
        in.toolbarHeight = 450;
        in.tabStripHeight = 330;
        in.addressBoxHeight = 300;
        in.statusPanelWidth = 5000;
        in.statusPanelHeight = 330;
        in.splitterLeft = 3570;
        in.splitterWidth = 60;
        return in;
    }

private slots:
    void narrowWindowSpringsBackToMinimum_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("expected");
        QTest::newRow("a window far too narrow is widened to 9000") << 4000 << 9000;
        QTest::newRow("one twip short is widened") << 8999 << 9000;
        QTest::newRow("exactly the minimum stays") << 9000 << 9000;
        QTest::newRow("a wide window keeps its width") << 15000 << 15000;
    }
    void narrowWindowSpringsBackToMinimum()
    {
        QFETCH(int, width);
        QFETCH(int, expected);
        MainLayout::Input in = standard();
        in.width = width;
        const MainLayout::Result r = MainLayout::compute(in);
        QCOMPARE(r.width, expected);
        // Everything below follows the corrected width.
        QCOMPARE(r.tabMain.width(), expected - 20);
        QCOMPARE(r.searchAddress.right() + 1, expected - 20);
    }

    void tabControlTop_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<int>("top");
        QTest::newRow("results tab ignores a ticked address box") << 0 << true << 500;
        QTest::newRow("results tab with no address box") << 0 << false << 500;
        QTest::newRow("search tab starts below a ticked address box") << 1 << true << 800;
        QTest::newRow("search tab without the box sits under the toolbar") << 1 << false << 500;
        QTest::newRow("guide tab starts below a ticked address box") << 2 << true << 800;
    }
    void tabControlTop()
    {
        QFETCH(int, tab);
        QFETCH(bool, ticked);
        QFETCH(int, top);
        MainLayout::Input in = standard();
        in.tab = tab;
        in.addressBoxTicked = ticked;
        const MainLayout::Result r = MainLayout::compute(in);
        QCOMPARE(r.tabMain.top(), top);
        QCOMPARE(r.tabMain.left(), 20);
        // The tab control always reaches the window's bottom edge.
        QCOMPARE(r.tabMain.top() + r.tabMain.height(), in.height);
        // The address box sits 30 below the toolbar, never under the tab control.
        QCOMPARE(r.searchAddress.top(), 480);
        QVERIFY(!ticked || tab == 0 || r.searchAddress.bottom() < r.tabMain.top());
    }

    void recordTableBesideFormPanel_data()
    {
        QTest::addColumn<bool>("shown");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("rightGap");
        QTest::newRow("form panel shown: the table starts right of the splitter") << true << 3630 << 50;
        QTest::newRow("form panel hidden: the table starts at 60 and ends 70 short") << false << 60 << 70;
    }
    void recordTableBesideFormPanel()
    {
        QFETCH(bool, shown);
        QFETCH(int, left);
        QFETCH(int, rightGap);
        MainLayout::Input in = standard();
        in.formPanelShown = shown;
        const MainLayout::Result r = MainLayout::compute(in);
        QCOMPARE(r.recordTable.left(), left);
        QCOMPARE(r.tabMain.width() - (r.recordTable.left() + r.recordTable.width()), rightGap);
        QCOMPARE(r.recordTable.top(), 60);
        QCOMPARE(r.recordTable.height(), r.tabMain.height() - in.tabStripHeight - 120);
        // The splitter and the Form panel share the table's top and height (the panel 10 less).
        QCOMPARE(r.splitter.top(), r.recordTable.top());
        QCOMPARE(r.splitter.height(), r.recordTable.height());
        QCOMPARE(r.formPanel.height(), r.recordTable.height() - 10);
        QCOMPARE(r.formPanel.left() + r.formPanel.width(), r.splitter.left());
    }

    void statusPanelsAtTheBottomOfTheTabControl()
    {
        const MainLayout::Result r = MainLayout::compute(standard());
        const int tabHeight = r.tabMain.height();
        QCOMPARE(r.statusWeb.top(), tabHeight - 330 + 20);
        QCOMPARE(r.statusMain.top(), r.statusWeb.top());
        QCOMPARE(r.statusMain.left(), r.tabMain.width() - 5000 - 20);
        QCOMPARE(r.statusWeb.left(), 2670);
        QCOMPARE(r.statusWeb.width(), r.tabMain.width() - 2690);
        QCOMPARE(r.webWideCellWidth, r.statusWeb.width() - 4180);
        QCOMPARE(r.webCountLeft, r.statusWeb.width() - 820);
        QCOMPARE(r.webImageLeft, r.statusWeb.width() - 205);
        QCOMPARE(r.browser.width(), r.tabMain.width() - 140);
        QCOMPARE(r.browser.height(), tabHeight - 330 - 140);
    }

    void longTabButtonsPushTheWebPanelRight()
    {
        MainLayout::Input in = standard();
        in.tabButtonsWidth = 3500;
        const MainLayout::Result r = MainLayout::compute(in);
        QCOMPARE(r.statusWeb.left(), 3500);
        QCOMPARE(r.statusWeb.left() + r.statusWeb.width(), r.tabMain.width() - 20);
    }

    void splitterLimits_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("windowWidth");
        QTest::addColumn<int>("left");
        QTest::addColumn<bool>("atLimit");
        QTest::newRow("dragged to 1000 it holds at 3000") << 3570 << -2570 << 12000 << 3000 << true;
        QTest::newRow("dragged exactly to the minimum is not beyond it") << 3570 << -570 << 12000 << 3000 << false;
        QTest::newRow("dragged within 600 of the right edge holds there") << 3570 << 8000 << 12000 << 11400 << true;
        QTest::newRow("a free drag follows the mouse") << 3570 << 1000 << 12000 << 4570 << false;
        QTest::newRow("the maximum follows the window width") << 3570 << 8000 << 10000 << 9400 << true;
    }
    void splitterLimits()
    {
        QFETCH(int, start);
        QFETCH(int, offset);
        QFETCH(int, windowWidth);
        QFETCH(int, left);
        QFETCH(bool, atLimit);
        const MainLayout::DragBar bar = MainLayout::dragBar(start, offset, windowWidth);
        QCOMPARE(bar.left, left);
        QCOMPARE(bar.atLimit, atLimit);
    }

    void storedSplitterOutsideTheLimitsIsPlacedInside()
    {
        MainLayout::Input in = standard();
        in.splitterLeft = 20000;
        MainLayout::Result r = MainLayout::compute(in);
        QCOMPARE(r.splitter.left(), 12000 - 600);
        QCOMPARE(r.recordTable.left(), 11400 + 60);
        in.splitterLeft = 100;
        r = MainLayout::compute(in);
        QCOMPARE(r.splitter.left(), 3000);
        QCOMPARE(r.formPanel.width(), 3000);
    }
};

QTEST_APPLESS_MAIN(TestMainLayout)
#include "tst_mainlayout.moc"
