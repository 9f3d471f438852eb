#include "core/shell/mainlayout.h"

#include <QtGlobal>

namespace dq {

MainLayout::Result MainLayout::compute(const Input &in)
{
    Result r;
    const int w = qMax(in.width, kMinWindowWidth);
    const int h = in.height;
    const int t = in.toolbarHeight;
    r.width = w;

    const int tabWidth = w - 20;
    const int boxTop = t + 30;
    r.addressLabel = QRect(10, boxTop + 30, 790, in.addressBoxHeight);
    r.searchAddress = QRect(800, boxTop, w - 800 - 20, in.addressBoxHeight);
    r.guideAddress = r.searchAddress;

    // The address row pushes the tab control down on the browser tabs only.
    const bool belowBox = in.tab != 0 && in.addressBoxTicked;
    const int top = belowBox ? t + in.addressBoxHeight + 50 : t + 50;
    const int tabHeight = qMax(0, h - top);
    r.tabMain = QRect(20, top, tabWidth, tabHeight);

    const int statusTop = tabHeight - in.statusPanelHeight + 20;
    r.statusMain = QRect(tabWidth - in.statusPanelWidth - 20, statusTop, in.statusPanelWidth, in.statusPanelHeight);
    // Long tab captions in a large font would run under the panel: it starts after them.
    const int webLeft = qMax(2670, in.tabButtonsWidth);
    const int webWidth = tabWidth - webLeft - 20;
    r.statusWeb = QRect(webLeft, statusTop, webWidth, in.statusPanelHeight);
    r.webWideCellWidth = webWidth - 4180;
    r.webCountLeft = webWidth - 820;
    r.webImageLeft = webWidth - 205;

    r.browser = QRect(60, 60, tabWidth - 140, qMax(0, tabHeight - in.statusPanelHeight - 140));

    const int tableHeight = qMax(0, tabHeight - in.tabStripHeight - 120);
    const int splitterLeft = clampSplitter(in.splitterLeft, w);
    r.splitter = QRect(splitterLeft, 60, in.splitterWidth, tableHeight);
    r.formPanel = QRect(0, 60, splitterLeft, qMax(0, tableHeight - 10));
    if (in.formPanelShown) {
        const int left = splitterLeft + in.splitterWidth;
        r.recordTable = QRect(left, 60, tabWidth - left - 50, tableHeight);
    } else {
        r.recordTable = QRect(r.formPanel.left() + 60, 60, tabWidth - 130, tableHeight);
    }
    return r;
}

int MainLayout::clampSplitter(int left, int windowWidth)
{
    // In a window too narrow for both limits the minimum wins.
    return qMax(kMinSplitterLeft, qMin(left, windowWidth - kSplitterRightMargin));
}

MainLayout::DragBar MainLayout::dragBar(int splitterLeft, int mouseOffset, int windowWidth)
{
    const int wanted = splitterLeft + mouseOffset;
    const int held = clampSplitter(wanted, windowWidth);
    return { held, held != wanted };
}

} // namespace dq
