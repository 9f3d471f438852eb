#pragma once

#include "core/grid/gridmodel.h"

#include <QIcon>
#include <QPointer>
#include <QTableView>

#include <functional>

namespace dq {

class GridItemDelegate;
class GridTitleHeader;

// Shows a GridModel. The model's title row (row 0 while it has a fixed row) is drawn as the
// column header and hidden from the body, so model row numbers are the numbers every
// caller uses. The view keeps no data of its own: cursor, selection and list-box marks
// live in the model and are mirrored both ways; column widths and row heights are the
// model's twips converted by the screen's logical DPI (1440 twips to the inch).
class GridView : public QTableView
{
    Q_OBJECT

public:
    explicit GridView(QWidget *parent = nullptr);
    ~GridView() override;

    void setGridModel(GridModel *model);
    GridModel *gridModel() const;

    // Free: a block of cells. ListBox: whole rows, Ctrl and Shift extend.
    void setSelectionMode(GridModel::SelectionMode mode);
    int selectedRowCount() const;
    int selectedRow(int n) const;

    // A picture at the right of a column's title; a null icon removes it. A sort by title
    // click puts the arrow pictures below on the sorted column.
    void setTitlePicture(int col, const QIcon &picture);
    QIcon titlePicture(int col) const;
    void setSortPictures(const QIcon &ascending, const QIcon &descending);
    // How a title click sorts; without one the model's case-sensitive string sort is used.
    using TitleSorter = std::function<void(int col, Qt::SortOrder order)>;
    void setTitleSorter(TitleSorter sorter) { m_titleSorter = std::move(sorter); }
    // Off, a title click does nothing (the rows must keep their order for a while).
    void setTitleSortEnabled(bool on) { m_titleSortEnabled = on; }
    // Forgets the sorted column and its arrow: the next title click sorts ascending.
    void resetTitleSort();

    int twipsToPixelsX(int twips) const;
    int twipsToPixelsY(int twips) const;
    int pixelsToTwipsX(int pixels) const;

    using QTableView::edit;
    bool isEditing() const { return state() == EditingState; }

signals:
    void cellClicked(int row, int col);
    void cellDoubleClicked(int row, int col);
    void keyDown(int key, Qt::KeyboardModifiers modifiers);
    void rightButtonUp(int row, int col, const QPoint &globalPos);
    void focusEntered();
    // Set *cancel to true to keep the cell from being edited.
    void beforeEdit(int row, int col, bool *cancel);
    void afterEdit(int row, int col);
    void beforeSort(int col, int order); // order 1 = ascending, 2 = descending
    void afterSort(int col, int order);
    void columnMoved(int from, int to);

protected:
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void commitData(QWidget *editor) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    void applyShape();
    void applyFixedRows();
    void applyColumns();
    void applyRowHeights();
    void applyGridSettings();
    void applySelectionMode();
    void pushSelectionToModel();
    void pullSelectionFromModel();
    void onTitleClicked(int col);
    void onSectionMoved(int logical, int oldVisual, int newVisual);
    void onSectionResized(int logical, int oldSize, int newSize);

    QPointer<GridModel> m_model;
    GridTitleHeader *m_header;
    QPointer<QAbstractItemDelegate> m_delegate;
    GridModel::SelectionMode m_mode = GridModel::SelectionMode::Free;
    QIcon m_ascending;
    QIcon m_descending;
    TitleSorter m_titleSorter;
    bool m_titleSortEnabled = true;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    bool m_syncing = false; // true while the view and the model mirror each other
    bool m_applying = false; // true while model attributes are applied to the headers
    QList<QMetaObject::Connection> m_connections;
    QPersistentModelIndex m_pressed; // where the left button went down
};

} // namespace dq
