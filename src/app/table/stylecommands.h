#pragma once

#include "core/grid/gridmodel.h"
#include "core/table/cellstyling.h"

#include <QObject>
#include <QPointer>

#include <vector>

class QAction;

namespace dq {

class GridView;
class PanColor;
class frmMain;

// The styling commands of the results view: the Bold, Italic and Underline toggles with
// the pressed state of their toolbar keys, the text colour palette and the "A" key, the
// background colour, alignment, alternate row colour, grid lines and the uniform font size.
//
// A command acts on the record table's selection (the block in Block and Edit mode, whole
// rows in Row mode) while the record table owns the focus, and otherwise on the Form
// panel's value cells; alignment always acts on the record table. Changes to the record
// table count as edits of the table; changes on the Form panel only change how it shows.
class StyleCommands : public QObject
{
    Q_OBJECT

public:
    explicit StyleCommands(frmMain &window);

    // The Form panel's grid, when the window has one.
    GridModel *formPanel() const;

    void toggleStyle(CellStyling::FontStyle style);
    // The pressed state of Bold, Italic and Underline from the record table's current cell
    // (or the Form panel's current value cell).
    void refreshState();
    void refreshFormState();
    CellStyling::FontState state() const { return m_state; }
    CellStyling::FontState formState() const { return m_formState; }

    void showPalette();
    void chooseTextColor(int index);
    void applyCurrentTextColor();
    int currentTextColor() const { return m_textColor; }
    void backgroundColor();
    void align(Alignment alignment);
    void fonts();
    void gridLines();

    PanColor *palette() const { return m_palette; }

private:
    void createMenuEntries();
    void createToolbarKeys();
    void connectWindow();
    // The grid and range a command acts on; nullptr when there is none.
    GridModel *target(std::vector<GridRange> &ranges) const;
    void tableCommandDone(const GridModel *grid);
    void setStateButtons(const CellStyling::FontState &state);
    QAction *styleButton(CellStyling::FontStyle style) const;
    // A new or opened table shows grid lines and alternate rows as the window's ticks say.
    void applyWindowSwitches();
    // Clicks and moves in the Form panel refresh its state while it owns the focus.
    void followFormPanel();

    frmMain &m_window;
    PanColor *m_palette;
    QAction *m_mnuGrid = nullptr;
    QPointer<GridModel> m_followedForm;
    CellStyling::FontState m_state;
    CellStyling::FontState m_formState;
    int m_textColor = 0;
};

} // namespace dq
