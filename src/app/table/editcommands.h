#pragma once

#include "core/table/clipcommands.h"

#include <QObject>
#include <QPointer>

#include <array>
#include <vector>

class QAction;
class QMenu;

namespace dq {

class FormPanel;
class frmMain;
enum class FocusOwner : quint8;
class frmSearch;
class GridModel;

// The record table's Edit menu (also its right-click menu) and the matching toolbar keys:
// clipboard commands, Find, row and column editing and row heights; the mouse modes and
// Drag mode; the focus owner with the Edit entries that only make sense for the record
// table. It also places the Form panel.
//
// The clipboard commands use the selection as the user sees it: in Row mode the marked
// rows (scattered ones too), in Block and Edit mode the block.
class EditCommands : public QObject
{
    Q_OBJECT

public:
    explicit EditCommands(frmMain &window);

    FormPanel &formPanel() { return *m_form; }
    // The open Find dialog, if any.
    frmSearch *findDialog() const;

    void copy();
    void cut();
    void paste();
    void selectAll();
    void openFind();

    void addRow();
    void insertRow();
    void insertColumn();
    void deleteColumn();
    void deleteRows();
    void rowHeightIncrease();
    void rowHeightDecrease();
    void rowHeightReset();

    void setDragMode(bool on);
    bool dragMode() const { return m_drag; }
    // Puts the grid back in the current mode's selection (the window became active).
    void reapplyMode();

    // The rows a Row-mode command covers, ascending: the marked rows, else the current
    // row to the selection end row.
    static std::vector<int> rowModeRows(const GridModel &grid);
    // Clip text of whole rows (every column), rows separated by carriage returns.
    static QString rowsClip(const GridModel &grid, const std::vector<int> &rows);

    QAction *mnuEditCut = nullptr;
    QAction *mnuEditCopy = nullptr;
    QAction *mnuEditPaste = nullptr;
    QAction *mnuSelectAll = nullptr;
    QAction *mnuEditFind = nullptr;
    QAction *mnuEditAddRow = nullptr;
    QAction *mnuInsertRow = nullptr;
    QAction *mnuInsertCol = nullptr;
    QAction *mnuDeleteRow = nullptr;
    QAction *mnuDeleteCol = nullptr;
    QMenu *mnuRowHeight = nullptr;
    QAction *mnuRowHeightReset = nullptr;
    QAction *mnuRowHeightInc = nullptr;
    QAction *mnuRowHeightDec = nullptr;
    std::array<QAction *, 2> mnuMouseMode {};
    QAction *mnuDragDrop = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createMenus();
    void createToolbarKeys();
    void showModeState(MouseMode mode);
    void focusOwnerTaken(FocusOwner owner);
    GridModel &recordGrid();
    // The grid the row-height commands act on: the record table when it had the focus
    // last, else the Form panel.
    GridModel &rowHeightTarget();
    void tableChangedByCommand();
    // The step that puts a paste worked out in the background into the table.
    void applyPaste(ClipCommands::PastePlan &&plan);

    frmMain &m_window;
    FormPanel *m_form;
    QPointer<frmSearch> m_search;
    QAction *m_keyRowMode = nullptr;
    QAction *m_keyBlockMode = nullptr;
    QAction *m_keyDragMode = nullptr;
    bool m_drag = false;
};

} // namespace dq
