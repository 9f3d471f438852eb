#pragma once

#include "core/grid/gridmodel.h"
#include "core/table/cellstyling.h"

#include <QObject>

#include <functional>

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

    // 0 before either grid had the keyboard focus, 1 record table, 2 Form panel.
    quint8 focusOwner() const;
    // Replaces where the focus owner is read from (the main window's own when it has one).
    void setFocusOwnerSource(std::function<quint8()> source);
    // The Form panel's grid, when the window has one.
    GridModel *formPanel() const;
    MouseMode mouseMode() const;

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
    // The grid and range a command acts on; nullptr when there is none.
    GridModel *target(GridRange &range) const;
    void tableCommandDone(const GridModel *grid);
    void setStateButtons(const CellStyling::FontState &state);
    QAction *styleButton(CellStyling::FontStyle style) const;

    frmMain &m_window;
    PanColor *m_palette;
    QAction *m_mnuGrid = nullptr;
    std::function<quint8()> m_focusOwnerSource;
    quint8 m_trackedOwner = 0;
    CellStyling::FontState m_state;
    CellStyling::FontState m_formState;
    int m_textColor = 0;
};

} // namespace dq
