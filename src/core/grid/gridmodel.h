#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace dq {

struct GridStore;
class RowCells;
struct GridChangeLog;
struct ColumnTextsBatch;
namespace change {
struct ColumnTexts;
}

// Column alignment codes as stored in files and shown by Column Define.
enum class Alignment : quint8 {
    Default = 0, // cell formats only: use the column's alignment
    LeftCenter = 1,
    CenterCenter = 4,
    RightCenter = 7,
    General = 9, // text left, numbers right
};

enum class DataType : quint8 { String, Double, Currency, Date, Boolean };

enum class CheckBox : quint8 { None, Checked, Unchecked };

// A rectangle of cells, inclusive, always normalised (top <= bottom, left <= right).
struct GridRange
{
    int top = 0;
    int left = 0;
    int bottom = -1;
    int right = -1;

    bool isEmpty() const { return bottom < top || right < left; }
    bool contains(int row, int col) const { return row >= top && row <= bottom && col >= left && col <= right; }
    static GridRange normalized(int row1, int col1, int row2, int col2);
    bool operator==(const GridRange &) const = default;
};

// Formatting of one cell. Default-constructed means "nothing set"; such cells cost no memory.
struct CellFormat
{
    bool bold = false;
    bool italic = false;
    bool underline = false;
    quint8 fontSize = 0; // points; 0 = the grid's font size
    bool hasFore = false;
    bool hasBack = false;
    QRgb fore = 0;
    QRgb back = 0;
    Alignment alignment = Alignment::Default;
    CheckBox check = CheckBox::None;
    QString picture; // resource or file path of a small picture; empty = none
    Alignment pictureAlignment = Alignment::Default;

    bool isDefault() const { return *this == CellFormat {}; }
    bool operator==(const CellFormat &) const = default;
};

struct ColumnAttributes
{
    int width = 960; // twips
    Alignment alignment = Alignment::General;
    DataType dataType = DataType::String;
    QString format; // display format string; empty = general
    bool hidden = false;
    QString pickList; // editor pick list, items separated by "|"

    bool operator==(const ColumnAttributes &) const = default;
};

// The one grid of the program: the record table, the Form panel, the key table, the site
// list and every dialog's table are GridModels shown by a GridView.
//
// Rows and columns count from 0; the first fixedRows() rows are title rows. Every cell holds
// text. The model also keeps the cursor (Row/Col), the selection end (RowSel/ColSel), the
// selection mode and, in list-box mode, the set of selected rows, so core commands
// (cut, paste, delete selected rows, labels of the selection) work without a view.
//
// All setters ignore out-of-range addresses. Changes emit the usual model signals plus
// contentsEdited() once per public call, so owners can track a "changed" state.
class GridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum class SelectionMode { Free, ListBox };

    static constexpr int kDefaultRowHeight = 285; // twips
    static constexpr int kDefaultColumnWidth = 960; // twips

    explicit GridModel(QObject *parent = nullptr);
    ~GridModel() override;

    // --- shape -------------------------------------------------------------------------
    int rows() const;
    int cols() const;
    void setRows(int rows); // grows with blank rows at the end, shrinks from the end
    void setCols(int cols); // 0 empties the grid
    int fixedRows() const;
    int fixedCols() const;
    void setFixedRows(int n);
    void setFixedCols(int n);
    void clear(); // contents and formatting; shape stays
    // Replaces shape, texts, attributes, formats and grid-wide settings in one model reset
    // (file loads build the store off to the side first). The cursor goes to the first
    // data cell and the list-box marks are dropped.
    void replaceContents(GridStore &&store);
    // Everything the grid holds, for writers; valid until the next change.
    const GridStore &store() const;

    void insertRow(int row); // a blank row before row (row == rows() appends)
    void removeRow(int row);
    void removeRowsSorted(const std::vector<int> &ascendingRows); // one batch
    // Keeps exactly these data rows, in this order, in one reset; the data rows not named are
    // dropped. Does nothing when a row is named twice or is no data row.
    void keepDataRows(const std::vector<int> &rowsInOrder);
    // Gives the grid batch.cols columns and the batch's rows their new texts (formats stay), in
    // one change. Views hear of the batch's columns; the undo history keeps only their old
    // texts. The grid must be as it was when the batch was worked out.
    void replaceColumnTexts(ColumnTextsBatch &&batch);
    // Gives row rows[i] the texts texts[i] (formats stay), in one change; rows ascend and
    // texts has one entry per row, else nothing happens. Views hear of the columns
    // changedFrom..changedTo of the rows' span. The old texts are kept whole for undo, so a
    // paste of many rows costs no copy per cell.
    void replaceRowTexts(const std::vector<int> &rows, std::vector<RowCells> &&texts, int changedFrom, int changedTo);
    void insertColumn(int col);
    void removeColumn(int col);
    void moveRow(int from, int to);
    void moveColumn(int from, int to);
    // Appends rows of cell texts in one batch (short rows are padded, long ones cut).
    void appendRows(const std::vector<QStringList> &rows);
    // Appends the texts of from's rows firstRow.. in one batch, moving them out of from
    // (their formats and heights stay behind).
    void appendTextRows(GridStore &&from, int firstRow);

    // --- text --------------------------------------------------------------------------
    QString text(int row, int col) const;
    void setText(int row, int col, const QString &text);
    QStringList rowTexts(int row) const;
    // Sets many cells with one change notice: fill calls set(row, col, text) for each cell it
    // sets; cells outside range are ignored. Views hear one dataChanged for range (and
    // headerDataChanged for a title row in it), owners one contentsEdited; no cellChanged.
    using CellSetter = std::function<void(int row, int col, const QString &text)>;
    void setTexts(const GridRange &range, const std::function<void(const CellSetter &set)> &fill);
    // Clip text: cells separated by tabs, rows by carriage returns.
    QString clip(const GridRange &range) const;
    // Fills range from text (tab = next cell, CR, LF or CR LF = next row), starting at its
    // top-left cell; text beyond the range is dropped. Returns the number of cells set.
    int setClip(const GridRange &range, const QString &text);

    // The cell at the cursor (Row, Col).
    QString currentText() const;
    void setCurrentText(const QString &text);
    // Clip text of the selection block; setting fills only the block.
    QString selectionClip() const;
    int setSelectionClip(const QString &text);

    // --- cursor and selection ----------------------------------------------------------
    int row() const;
    int col() const;
    int rowSel() const;
    int colSel() const;
    void setCursor(int row, int col); // collapses the selection to the cell
    void select(int row, int col, int rowEnd, int colEnd); // cursor at (row,col), end at (rowEnd,colEnd)
    GridRange selection() const; // normalised block
    // The part of range that lies inside the grid (empty if none does).
    GridRange clampToGrid(const GridRange &range) const;
    SelectionMode selectionMode() const;
    void setSelectionMode(SelectionMode mode);
    bool isRowSelected(int row) const; // list-box mode
    void setRowSelected(int row, bool selected);
    void clearRowSelection();
    int selectedRowCount() const; // list-box: marked rows; free: rows of the block
    int selectedRow(int n) const; // n-th selected row, ascending; -1 when none
    std::vector<int> selectedRows() const; // ascending
    // Marks exactly these rows (list-box mode) with one selectionChanged().
    void setSelectedRows(const std::vector<int> &rows);
    // Marks or unmarks these rows, leaving the others; one selectionChanged() if any changed.
    void setRowsSelected(const std::vector<int> &rows, bool selected);
    // Rows top..bottom, all columns, become the block (cursor on top) and, in list-box mode,
    // the only marked rows; one selectionChanged().
    void selectRows(int top, int bottom);

    // Requests to whichever view shows this grid: start editing the current cell, take
    // the keyboard focus.
    void startEdit();
    void takeFocus();

    // --- column and row attributes (col == -1 means every column) -----------------------
    ColumnAttributes columnAttributes(int col) const;
    void setColumnAttributes(int col, const ColumnAttributes &attrs);
    int columnWidth(int col) const;
    void setColumnWidth(int col, int twips);
    Alignment columnAlignment(int col) const;
    void setColumnAlignment(int col, Alignment a);
    DataType columnDataType(int col) const;
    void setColumnDataType(int col, DataType t);
    QString columnFormat(int col) const;
    void setColumnFormat(int col, const QString &format);
    bool columnHidden(int col) const;
    void setColumnHidden(int col, bool hidden);
    QString columnPickList(int col) const;
    void setColumnPickList(int col, const QString &items);
    int rowHeight(int row) const; // twips
    void setRowHeight(int row, int twips);

    // --- cell formats --------------------------------------------------------------------
    CellFormat cellFormat(int row, int col) const;
    void setCellFormat(int row, int col, const CellFormat &format);
    // Applies change to the format of every cell of range, in one batch.
    template <typename Fn> void updateFormats(const GridRange &range, Fn change);
    bool hasAnyCellFormat() const;

    // --- grid-wide ------------------------------------------------------------------------
    QColor alternateRowColor() const; // invalid = no alternate background
    void setAlternateRowColor(const QColor &c);
    bool gridLines() const;
    void setGridLines(bool on);
    int fontSize() const; // points
    void setFontSize(int points);
    bool dragEnabled() const; // drag of the selection out as text
    void setDragEnabled(bool on);
    bool sortOnTitleClick() const; // a title click sorts, a second reverses
    void setSortOnTitleClick(bool on);
    bool columnDragEnabled() const; // dragging a title moves the column
    void setColumnDragEnabled(bool on);
    // True when some row has its own height (views then cannot assume uniform rows).
    bool hasRowHeights() const;

    // --- sorting ---------------------------------------------------------------------------
    // Stable sort of all data rows (rows >= fixedRows()) on the key columns colFrom..colTo,
    // compared as case-sensitive strings. Cell formats and row heights travel with their rows.
    void sort(int colFrom, int colTo, Qt::SortOrder order);
    // Puts the data rows in the order given (each data row's current index, every data row
    // once; anything else is ignored) in one model reset. Formats and heights travel along.
    void reorderDataRows(const std::vector<int> &orderedRows);
    // The same for the outcome of a sort on column col computed elsewhere, framed by
    // beforeSort and afterSort so views move their sort arrows.
    void applySort(int col, Qt::SortOrder order, const std::vector<int> &orderedRows);

    // --- QAbstractTableModel --------------------------------------------------------------
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Horizontal: the title row's text (row 0) when the grid has a fixed row.
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Dragging cells out gives their clip text (the block that spans the dragged cells).
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;

    // --- undo ---------------------------------------------------------------------------------
    // While a log is attached, every change is recorded in it with what it takes to take it
    // back (see GridChangeLog). Not owned; nullptr detaches.
    void setChangeLog(GridChangeLog *log);
    GridChangeLog *changeLog() const;
    // Takes back the changes of log, newest first. The grid must be as the changes left it.
    // The taking back is itself recorded in the attached log, which then redoes them.
    void revert(GridChangeLog &&log);

    // Display text hook: how a cell's text is shown (display formats plug in here).
    // The default shows the text as stored.
    using DisplayFormatter = std::function<QString(const QString &text, const ColumnAttributes &)>;
    void setDisplayFormatter(DisplayFormatter f);

signals:
    void cellChanged(int row, int col);
    void selectionChanged();
    void contentsEdited(); // any change of cells, shape or formats
    void beforeSort(int col, int order);
    void afterSort(int col, int order);
    void columnMoved(int from, int to);
    void gridSettingsChanged(); // grid lines, alternate colour, font size, drag switches
    void rowHeightsChanged();
    void editRequested();
    void focusRequested();

private:
    struct Impl;
    std::unique_ptr<Impl> d;

    CellFormat *mutableFormat(int row, int col);
    // Puts back the column texts a batch replaced, recording the texts it replaces in turn.
    void restoreColumnTexts(const change::ColumnTexts &old);
    // Applies change to one column's attributes, or every column's for -1, with one signal.
    void changeColumns(int col, const std::function<void(ColumnAttributes &)> &change);
    void emitFormatsChanged(const GridRange &range);
};

template <typename Fn> void GridModel::updateFormats(const GridRange &range, Fn change)
{
    if (range.isEmpty())
        return;
    const GridRange r = clampToGrid(range);
    if (r.isEmpty())
        return;
    for (int row = r.top; row <= r.bottom; ++row) {
        for (int col = r.left; col <= r.right; ++col) {
            CellFormat f = cellFormat(row, col);
            change(f);
            if (CellFormat *m = mutableFormat(row, col))
                *m = f;
        }
    }
    emitFormatsChanged(r);
}

} // namespace dq
