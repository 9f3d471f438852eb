#pragma once

#include <QRect>

namespace dq {

// The main window's geometry as a pure function of sizes in twips, so every rule can be
// checked by numbers. Window rectangles are in the window's client coordinates (the
// toolbar row starts at 0); rectangles inside the tab control are in its coordinates.
class MainLayout
{
public:
    static constexpr int kMinWindowWidth = 9000;
    static constexpr int kMinSplitterLeft = 3000;
    // The splitter stops this far from the window's right edge.
    static constexpr int kSplitterRightMargin = 600;

    struct Input
    {
        int width = 12000; // client width
        int height = 10000; // client height, toolbar row included
        int toolbarHeight = 0;
        int tabStripHeight = 0;
        int addressBoxHeight = 0;
        int tabButtonsWidth = 0; // the tab buttons' row; the web status panel starts right of it
        int statusPanelWidth = 0; // the results status panel's own width
        int statusPanelHeight = 0;
        int tab = 0;
        bool addressBoxTicked = false;
        bool formPanelShown = true;
        int splitterLeft = 3570;
        int splitterWidth = 60;
    };

    struct Result
    {
        int width = 0; // the client width after the minimum is enforced
        QRect tabMain;
        QRect addressLabel;
        QRect searchAddress;
        QRect guideAddress;
        // Inside tabMain:
        QRect statusMain; // also the guide status panel
        QRect statusWeb;
        int webWideCellWidth = 0; // Panels 21
        int webCountLeft = 0; // Panels 24, inside the web status panel
        int webImageLeft = 0; // Image4, inside the web status panel
        QRect browser; // both browsers
        QRect recordTable;
        QRect splitter;
        QRect formPanel;
    };

    static Result compute(const Input &in);

    // Where the splitter may stand in a window this wide.
    static int clampSplitter(int left, int windowWidth);

    // The drag bar while the splitter is held: the left edge it shows and whether that
    // edge is a limit (the limit bar is shown instead of the drag bar).
    struct DragBar
    {
        int left = 0;
        bool atLimit = false;
    };
    static DragBar dragBar(int splitterLeft, int mouseOffset, int windowWidth);
};

} // namespace dq
