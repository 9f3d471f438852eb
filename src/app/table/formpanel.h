#pragma once

#include <QWidget>

#include <array>

class QAction;
class QLabel;

namespace dq {

class frmDelDialog;
class frmMain;
class GridModel;
class GridView;

// The Form panel: the record table's current row shown as a form in the grid `fb`, one
// line per record-table column (title on the left, value on the right, shown in the
// column's display format, check-box columns as check boxes). Edits on either side reach
// the other at once. Eight image buttons delete, add and walk the records and change the
// panel's row heights; the close box hides the panel, "&Form Panel" (F2) shows it again.
//
// It answers the main window's record-table refresh (fa_Click) with the row counter in
// status panel 6 and the panel's values, and follows every change of the record table's
// columns (count, order, titles) at once.
class FormPanel : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kButtons = 8;

    // Places itself in the window's "Form" tab and adds "&Form Panel" to the View menu.
    explicit FormPanel(frmMain &window);
    ~FormPanel() override;

    GridModel &grid() { return *m_grid; }
    bool isShown() const;
    void setShown(bool on);

    // The part of the record-table refresh that is the panel's: the row counter, then
    // (while the panel is shown) the field titles when due and every value.
    void refresh();
    // The image buttons' actions, by index as in the strip.
    void runButton(int index);
    int hoveredButton() const { return m_hovered; }
    // Created on first use; it lives (hidden) as long as the window.
    frmDelDialog &deleteDialog();

    static QString buttonToolTip(int index);

    GridView *fb = nullptr;
    std::array<QLabel *, kButtons> imgBtn {};
    QLabel *imgClose = nullptr;
    QAction *mnuViewFb = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setupGrid();
    void createWidgets();
    void createActions();
    // The record table's changes, clicks and edits reach the panel.
    void followRecordTable();
    // The panel's edits and check boxes reach the record table.
    void connectForm();
    void columnsChanged();
    void writeTitles();
    void fillValues();
    void fillValue(int col);
    void setHovered(int index);
    void updateRowCounter();
    void goToRow(int row);
    void addRecord();
    void deleteRecord();
    void afterDelete();
    void formEdited(int row, int col);
    void formCheckToggled(int row, int col);
    void recordEdited(int row, int col);
    void markEdited();

    frmMain &m_window;
    GridModel *m_grid;
    frmDelDialog *m_delDialog = nullptr;
    int m_hovered = -1;
    bool m_built = false;
    bool m_rebuild = false;
    bool m_filling = false; // true while the panel writes its own cells
    bool m_writingBack = false; // true while a panel edit is written into the record
    // The record-table cell as it was when its editor opened, to tell a real edit.
    int m_editRow = -1;
    int m_editCol = -1;
    QString m_editText;
};

} // namespace dq
