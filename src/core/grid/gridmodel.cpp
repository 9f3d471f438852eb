#include "core/grid/gridmodel.h"

#include "core/grid/backgroundrelease.h"
#include "core/grid/gridchangelog.h"
#include "core/grid/gridstore.h"

#include "core/shell/regularfile.h"

#include <QBuffer>
#include <QFont>
#include <QHash>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <QMimeData>

#include <algorithm>
#include <memory>

namespace dq {

GridRange GridRange::normalized(int row1, int col1, int row2, int col2)
{
    return GridRange { qMin(row1, row2), qMin(col1, col2), qMax(row1, row2), qMax(col1, col2) };
}

struct GridModel::Impl
{
    GridStore s;
    int row = 0, col = 0, rowSel = 0, colSel = 0;
    SelectionMode mode = SelectionMode::Free;
    DisplayFormatter formatter;
    mutable QHash<QString, QIcon> pictures; // read once per path

    // A cell picture names a resource or a file, and the file name comes from the table's data:
    // only a small regular file is read, so a name pointing at a FIFO or a device cannot freeze
    // the window. A picture that cannot be read shows nothing.
    QIcon picture(const QString &path) const
    {
        if (path.startsWith(u':'))
            return QIcon(path);
        if (const auto it = pictures.constFind(path); it != pictures.cend())
            return *it;
        constexpr qint64 kMaxPictureBytes = 1024 * 1024;
        constexpr int kMaxPictureMegabytes = 16;
        constexpr qsizetype kMaxCachedPictures = 256;
        QIcon icon;
        const RegularFile::Bytes file = RegularFile::read(path, kMaxPictureBytes);
        if (file.ok) {
            QBuffer buffer;
            buffer.setData(file.bytes);
            QImageReader reader(&buffer);
            reader.setAllocationLimit(kMaxPictureMegabytes);
            const QImage image = reader.read();
            if (!image.isNull())
                icon = QIcon(QPixmap::fromImage(image));
        }
        if (pictures.size() >= kMaxCachedPictures)
            pictures.clear();
        pictures.insert(path, icon);
        return icon;
    }

    GridChangeLog *log = nullptr;
    // False when no row has its own height, or no row a list-box mark: asking then costs no
    // pass over a million rows. True only says that some row may.
    bool mayHaveHeights = false;
    bool mayHaveMarks = false;

    void note(GridChange &&c)
    {
        if (log)
            log->add(std::move(c));
    }
    void noteSettings()
    {
        if (log)
            log->add(change::Settings { std::make_unique<GridSettings>(s.settings), s.fixedRows, s.fixedCols });
    }
    void noteRowsInserted(int first, int count)
    {
        if (!log || count <= 0)
            return;
        std::vector<int> added(static_cast<size_t>(count));
        std::iota(added.begin(), added.end(), first);
        log->add(change::RowsInserted { std::move(added) });
    }
    std::unique_ptr<change::RemovedColumn> columnRecord(int col) const
    {
        auto rec = std::make_unique<change::RemovedColumn>();
        rec->col = col;
        rec->attrs = s.columns[size_t(col)];
        rec->cells.reserve(s.rows.size());
        for (size_t r = 0; r < s.rows.size(); ++r) {
            rec->cells.push_back(s.rows[r].cells.utf8(col).toByteArray());
            if (s.rows[r].formats && !(*s.rows[r].formats)[size_t(col)].isDefault())
                rec->formats.emplace_back(int(r), (*s.rows[r].formats)[size_t(col)]);
        }
        return rec;
    }

    std::vector<GridRow> &rows() { return s.rows; }
    const std::vector<GridRow> &rows() const { return s.rows; }
    int cols() const { return s.colCount(); }
    int rowCount() const { return s.rowCount(); }
    bool valid(int r, int c) const { return r >= 0 && c >= 0 && r < rowCount() && c < cols(); }

    void resizeRow(GridRow &r) const
    {
        r.cells.truncate(cols());
        if (r.formats)
            r.formats->resize(s.columns.size());
    }
};

GridModel::GridModel(QObject *parent)
    : QAbstractTableModel(parent)
    , d(std::make_unique<Impl>())
{
}

GridModel::~GridModel() = default;

int GridModel::rows() const
{
    return int(d->s.rows.size());
}
int GridModel::cols() const
{
    return d->cols();
}
// The wanted number of fixed rows is kept while the grid is smaller, so a grid emptied
// and then grown again still has its title row.
int GridModel::fixedRows() const
{
    return qMin(d->s.fixedRows, rows());
}
int GridModel::fixedCols() const
{
    return qMin(d->s.fixedCols, cols());
}

void GridModel::setRows(int n)
{
    n = qMax(0, n);
    const int old = rows();
    if (n == old)
        return;
    if (n > old) {
        beginInsertRows({}, old, n - 1);
        d->s.rows.resize(size_t(n));
        endInsertRows();
        d->noteRowsInserted(old, n - old);
    } else {
        beginRemoveRows({}, n, old - 1);
        if (d->log) {
            change::RowsRemoved removed;
            for (int r = n; r < old; ++r)
                removed.rows.emplace_back(r, std::move(d->s.rows[size_t(r)]));
            d->note(std::move(removed));
        }
        d->s.rows.resize(size_t(n));
        endRemoveRows();
    }
    setCursor(qMin(d->row, qMax(0, n - 1)), d->col);
    emit contentsEdited();
}

void GridModel::setCols(int n)
{
    n = qMax(0, n);
    const int old = cols();
    if (n == old)
        return;
    if (n > old) {
        beginInsertColumns({}, old, n - 1);
        d->s.columns.resize(size_t(n));
        for (GridRow &r : d->s.rows)
            d->resizeRow(r);
        endInsertColumns();
        for (int c = old; c < n; ++c)
            d->note(change::ColumnInserted { c });
    } else {
        beginRemoveColumns({}, n, old - 1);
        for (int c = old - 1; d->log && c >= n; --c)
            d->note(change::ColumnRemoved { d->columnRecord(c) });
        d->s.columns.resize(size_t(n));
        for (GridRow &r : d->s.rows)
            d->resizeRow(r);
        endRemoveColumns();
    }
    setCursor(d->row, qMin(d->col, qMax(0, n - 1)));
    emit contentsEdited();
}

void GridModel::setFixedRows(int n)
{
    d->noteSettings();
    d->s.fixedRows = qMax(0, n);
    emit headerDataChanged(Qt::Vertical, 0, qMax(0, rows() - 1));
}

void GridModel::setFixedCols(int n)
{
    d->noteSettings();
    d->s.fixedCols = qMax(0, n);
    emit headerDataChanged(Qt::Horizontal, 0, qMax(0, cols() - 1));
}

void GridModel::clear()
{
    d->note(change::Unrecorded {});
    beginResetModel();
    for (GridRow &r : d->s.rows) {
        r.cells = RowCells();
        r.formats.reset();
        r.height = -1;
        r.selected = false;
    }
    d->mayHaveHeights = false;
    d->mayHaveMarks = false;
    endResetModel();
    emit contentsEdited();
}

void GridModel::insertRow(int row)
{
    if (row < 0 || row > rows())
        return;
    beginInsertRows({}, row, row);
    d->s.rows.insert(d->s.rows.begin() + row, GridRow());
    endInsertRows();
    d->noteRowsInserted(row, 1);
    emit contentsEdited();
}

void GridModel::removeRow(int row)
{
    if (row < 0 || row >= rows())
        return;
    beginRemoveRows({}, row, row);
    if (d->log) {
        change::RowsRemoved removed;
        removed.rows.emplace_back(row, std::move(d->s.rows[size_t(row)]));
        d->note(std::move(removed));
    }
    d->s.rows.erase(d->s.rows.begin() + row);
    endRemoveRows();
    setCursor(qMin(d->row, qMax(0, rows() - 1)), d->col);
    emit contentsEdited();
}

void GridModel::removeRowsSorted(const std::vector<int> &ascendingRows)
{
    if (ascendingRows.empty())
        return;
    std::vector<char> drop(d->s.rows.size(), 0);
    for (int r : ascendingRows)
        if (r >= 0 && r < rows())
            drop[size_t(r)] = 1;
    beginResetModel();
    if (d->log) {
        change::RowsRemoved removed;
        for (size_t i = 0; i < drop.size(); ++i)
            if (drop[i])
                removed.rows.emplace_back(int(i), std::move(d->s.rows[i]));
        d->note(std::move(removed));
    }
    size_t out = 0;
    for (size_t i = 0; i < d->s.rows.size(); ++i) {
        if (!drop[i]) {
            if (out != i)
                d->s.rows[out] = std::move(d->s.rows[i]);
            ++out;
        }
    }
    d->s.rows.resize(out);
    endResetModel();
    setCursor(qMin(d->row, qMax(0, rows() - 1)), d->col);
    emit contentsEdited();
}

void GridModel::insertColumn(int col)
{
    if (col < 0 || col > cols())
        return;
    beginInsertColumns({}, col, col);
    d->s.columns.insert(d->s.columns.begin() + col, ColumnAttributes {});
    for (GridRow &r : d->s.rows) {
        r.cells.insertCell(col);
        if (r.formats)
            r.formats->insert(r.formats->begin() + col, CellFormat {});
    }
    endInsertColumns();
    d->note(change::ColumnInserted { col });
    emit contentsEdited();
}

void GridModel::removeColumn(int col)
{
    if (col < 0 || col >= cols())
        return;
    beginRemoveColumns({}, col, col);
    if (d->log)
        d->note(change::ColumnRemoved { d->columnRecord(col) });
    d->s.columns.erase(d->s.columns.begin() + col);
    for (GridRow &r : d->s.rows) {
        r.cells.removeCell(col);
        if (r.formats)
            r.formats->erase(r.formats->begin() + col);
    }
    endRemoveColumns();
    setCursor(d->row, qMin(d->col, qMax(0, cols() - 1)));
    emit contentsEdited();
}

void GridModel::moveRow(int from, int to)
{
    if (from < 0 || from >= rows() || to < 0 || to >= rows() || from == to)
        return;
    beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
    GridRow r = std::move(d->s.rows[size_t(from)]);
    d->s.rows.erase(d->s.rows.begin() + from);
    d->s.rows.insert(d->s.rows.begin() + to, std::move(r));
    endMoveRows();
    d->note(change::RowMoved { from, to });
    emit contentsEdited();
}

void GridModel::moveColumn(int from, int to)
{
    if (from < 0 || from >= cols() || to < 0 || to >= cols() || from == to)
        return;
    beginMoveColumns({}, from, from, {}, to > from ? to + 1 : to);
    auto move = [from, to](auto &v) {
        auto item = std::move(v[size_t(from)]);
        v.erase(v.begin() + from);
        v.insert(v.begin() + to, std::move(item));
    };
    move(d->s.columns);
    for (GridRow &r : d->s.rows) {
        r.cells.moveCell(from, to);
        if (r.formats)
            move(*r.formats);
    }
    endMoveColumns();
    d->note(change::ColumnMoved { from, to });
    emit columnMoved(from, to);
    emit contentsEdited();
}

void GridModel::appendRows(const std::vector<QStringList> &newRows)
{
    if (newRows.empty())
        return;
    const int first = rows();
    beginInsertRows({}, first, first + int(newRows.size()) - 1);
    d->s.rows.reserve(d->s.rows.size() + newRows.size());
    for (const QStringList &texts : newRows) {
        GridRow r;
        r.cells = RowCells::fromStrings(texts, cols());
        d->s.rows.push_back(std::move(r));
    }
    endInsertRows();
    d->noteRowsInserted(first, int(newRows.size()));
    emit contentsEdited();
}

void GridModel::appendTextRows(GridStore &&from, int firstRow)
{
    const int count = from.rowCount() - qMax(0, firstRow);
    if (count <= 0)
        return;
    const int first = rows();
    beginInsertRows({}, first, first + count - 1);
    d->s.rows.reserve(d->s.rows.size() + size_t(count));
    for (int r = qMax(0, firstRow); r < from.rowCount(); ++r) {
        GridRow row;
        row.cells = std::move(from.rows[size_t(r)].cells);
        row.cells.truncate(cols());
        d->s.rows.push_back(std::move(row));
    }
    from.rows.clear();
    endInsertRows();
    d->noteRowsInserted(first, count);
    emit contentsEdited();
}

QString GridModel::text(int row, int col) const
{
    return d->valid(row, col) ? d->s.rows[size_t(row)].cells.text(col) : QString();
}

void GridModel::setText(int row, int col, const QString &text)
{
    if (!d->valid(row, col))
        return;
    RowCells &cells = d->s.rows[size_t(row)].cells;
    const QByteArray utf8 = text.toUtf8();
    if (cells.utf8(col) == QByteArrayView(utf8))
        return;
    if (d->log)
        d->note(change::CellText { row, col, cells.utf8(col).toByteArray() });
    cells.setUtf8(col, utf8);
    const QModelIndex i = index(row, col);
    emit dataChanged(i, i, { Qt::DisplayRole, Qt::EditRole });
    if (row == 0 && fixedRows() > 0)
        emit headerDataChanged(Qt::Horizontal, col, col);
    emit cellChanged(row, col);
    emit contentsEdited();
}

void GridModel::setTexts(const GridRange &range, const std::function<void(const CellSetter &)> &fill)
{
    const GridRange r = clampToGrid(range);
    if (r.isEmpty())
        return;
    fill([this, &r](int row, int col, const QString &text) {
        if (!r.contains(row, col))
            return;
        RowCells &cells = d->s.rows[size_t(row)].cells;
        if (d->log)
            d->note(change::CellText { row, col, cells.utf8(col).toByteArray() });
        cells.setUtf8(col, text.toUtf8());
    });
    emit dataChanged(index(r.top, r.left), index(r.bottom, r.right), { Qt::DisplayRole, Qt::EditRole });
    if (r.top == 0 && fixedRows() > 0)
        emit headerDataChanged(Qt::Horizontal, r.left, r.right);
    emit contentsEdited();
}

QStringList GridModel::rowTexts(int row) const
{
    QStringList out;
    if (row < 0 || row >= rows())
        return out;
    const GridRow &r = d->s.rows[size_t(row)];
    out.reserve(cols());
    for (int c = 0; c < cols(); ++c)
        out.append(r.cells.text(c));
    return out;
}

QString GridModel::clip(const GridRange &range) const
{
    const GridRange r = clampToGrid(range);
    QString out;
    if (range.isEmpty() || r.isEmpty())
        return out;
    for (int row = r.top; row <= r.bottom; ++row) {
        if (row > r.top)
            out += QLatin1Char('\r');
        for (int col = r.left; col <= r.right; ++col) {
            if (col > r.left)
                out += QLatin1Char('\t');
            out += d->s.rows[size_t(row)].cells.text(col);
        }
    }
    return out;
}

int GridModel::setClip(const GridRange &range, const QString &text)
{
    const GridRange r = clampToGrid(range);
    if (range.isEmpty() || r.isEmpty())
        return 0;
    int count = 0;
    int row = r.top;
    int col = r.left;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i <= n && row <= r.bottom; ++i) {
        const QChar ch = i < n ? text.at(i) : QChar();
        if (i < n && ch != QLatin1Char('\t') && ch != QLatin1Char('\r') && ch != QLatin1Char('\n'))
            continue;
        if (col <= r.right) {
            if (d->log)
                d->note(change::CellText { row, col, d->s.rows[size_t(row)].cells.utf8(col).toByteArray() });
            d->s.rows[size_t(row)].cells.setText(col, text.mid(start, i - start));
            ++count;
        }
        if (i == n)
            break;
        if (ch == QLatin1Char('\t')) {
            ++col;
        } else {
            if (ch == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            ++row;
            col = r.left;
        }
        start = i + 1;
    }
    if (count) {
        emit dataChanged(index(r.top, r.left), index(r.bottom, r.right), { Qt::DisplayRole, Qt::EditRole });
        if (r.top == 0 && fixedRows() > 0)
            emit headerDataChanged(Qt::Horizontal, r.left, r.right);
        emit contentsEdited();
    }
    return count;
}

int GridModel::row() const
{
    return d->row;
}
int GridModel::col() const
{
    return d->col;
}
int GridModel::rowSel() const
{
    return d->rowSel;
}
int GridModel::colSel() const
{
    return d->colSel;
}

void GridModel::setCursor(int row, int col)
{
    select(row, col, row, col);
}

void GridModel::select(int row, int col, int rowEnd, int colEnd)
{
    const int maxRow = qMax(0, rows() - 1);
    const int maxCol = qMax(0, cols() - 1);
    d->row = qBound(0, row, maxRow);
    d->col = qBound(0, col, maxCol);
    d->rowSel = qBound(0, rowEnd, maxRow);
    d->colSel = qBound(0, colEnd, maxCol);
    emit selectionChanged();
}

QString GridModel::currentText() const
{
    return text(d->row, d->col);
}

void GridModel::setCurrentText(const QString &value)
{
    setText(d->row, d->col, value);
}

QString GridModel::selectionClip() const
{
    return clip(selection());
}

int GridModel::setSelectionClip(const QString &value)
{
    return setClip(selection(), value);
}

GridRange GridModel::clampToGrid(const GridRange &range) const
{
    if (range.isEmpty())
        return {};
    const GridRange r { qMax(0, range.top), qMax(0, range.left), qMin(range.bottom, rows() - 1),
        qMin(range.right, cols() - 1) };
    return r.isEmpty() ? GridRange {} : r;
}

GridRange GridModel::selection() const
{
    if (rows() == 0 || cols() == 0)
        return {};
    return GridRange::normalized(d->row, d->col, d->rowSel, d->colSel);
}

GridModel::SelectionMode GridModel::selectionMode() const
{
    return d->mode;
}

void GridModel::setSelectionMode(SelectionMode mode)
{
    if (d->mode == mode)
        return;
    d->mode = mode;
    if (mode == SelectionMode::Free)
        clearRowSelection();
    emit selectionChanged();
}

bool GridModel::isRowSelected(int row) const
{
    return row >= 0 && row < rows() && d->s.rows[size_t(row)].selected;
}

void GridModel::setRowSelected(int row, bool selected)
{
    if (row < 0 || row >= rows() || d->s.rows[size_t(row)].selected == selected)
        return;
    d->s.rows[size_t(row)].selected = selected;
    d->mayHaveMarks = d->mayHaveMarks || selected;
    emit selectionChanged();
}

void GridModel::setRowsSelected(const std::vector<int> &rowList, bool selected)
{
    bool changed = false;
    for (int r : rowList) {
        if (r >= 0 && r < rows() && d->s.rows[size_t(r)].selected != selected) {
            d->s.rows[size_t(r)].selected = selected;
            d->mayHaveMarks = d->mayHaveMarks || selected;
            changed = true;
        }
    }
    if (changed)
        emit selectionChanged();
}

void GridModel::selectRows(int top, int bottom)
{
    if (d->mode == SelectionMode::ListBox) {
        if (d->mayHaveMarks) {
            for (GridRow &r : d->s.rows)
                r.selected = false;
        }
        for (int r = qMax(0, top); r <= bottom && r < rows(); ++r)
            d->s.rows[size_t(r)].selected = true;
        d->mayHaveMarks = qMax(0, top) <= qMin(bottom, rows() - 1);
    }
    select(top, 0, bottom, cols() - 1);
}

void GridModel::clearRowSelection()
{
    if (d->mayHaveMarks) {
        for (GridRow &r : d->s.rows)
            r.selected = false;
    }
    d->mayHaveMarks = false;
    emit selectionChanged();
}

int GridModel::selectedRowCount() const
{
    if (d->mode == SelectionMode::Free) {
        const GridRange s = selection();
        return s.isEmpty() ? 0 : s.bottom - s.top + 1;
    }
    if (!d->mayHaveMarks)
        return 0;
    return int(std::count_if(d->s.rows.begin(), d->s.rows.end(), [](const GridRow &r) { return r.selected; }));
}

int GridModel::selectedRow(int n) const
{
    const std::vector<int> all = selectedRows();
    return n >= 0 && n < int(all.size()) ? all[size_t(n)] : -1;
}

std::vector<int> GridModel::selectedRows() const
{
    std::vector<int> out;
    if (d->mode == SelectionMode::Free) {
        const GridRange s = selection();
        for (int r = s.top; r <= s.bottom; ++r)
            out.push_back(r);
        return out;
    }
    for (int r = 0; d->mayHaveMarks && r < rows(); ++r)
        if (d->s.rows[size_t(r)].selected)
            out.push_back(r);
    return out;
}

ColumnAttributes GridModel::columnAttributes(int col) const
{
    return col >= 0 && col < cols() ? d->s.columns[size_t(col)] : ColumnAttributes {};
}

void GridModel::setColumnAttributes(int col, const ColumnAttributes &attrs)
{
    for (int c = col == -1 ? 0 : col; d->log && c >= 0 && c < cols() && (col == -1 || c == col); ++c)
        d->note(change::ColumnAttrs { c, std::make_unique<ColumnAttributes>(d->s.columns[size_t(c)]) });
    if (col == -1) {
        for (int c = 0; c < cols(); ++c)
            d->s.columns[size_t(c)] = attrs;
    } else if (col >= 0 && col < cols()) {
        d->s.columns[size_t(col)] = attrs;
    } else {
        return;
    }
    if (cols() > 0) {
        emit headerDataChanged(Qt::Horizontal, 0, cols() - 1);
        if (rows() > 0)
            emit dataChanged(index(0, col == -1 ? 0 : col), index(rows() - 1, col == -1 ? cols() - 1 : col));
    }
    emit contentsEdited();
}

void GridModel::changeColumns(int col, const std::function<void(ColumnAttributes &)> &change)
{
    const int from = col == -1 ? 0 : col;
    const int to = col == -1 ? cols() - 1 : col;
    if (from < 0 || to >= cols() || to < from)
        return;
    bool changed = false;
    for (int c = from; c <= to; ++c) {
        ColumnAttributes &a = d->s.columns[size_t(c)];
        const ColumnAttributes before = a;
        change(a);
        if (!(a == before)) {
            changed = true;
            d->note(change::ColumnAttrs { c, std::make_unique<ColumnAttributes>(before) });
        }
    }
    if (!changed)
        return;
    emit headerDataChanged(Qt::Horizontal, from, to);
    if (rows() > 0)
        emit dataChanged(index(0, from), index(rows() - 1, to));
    emit contentsEdited();
}

namespace {
template <typename T, typename Member> std::function<void(ColumnAttributes &)> assign(Member member, const T &value)
{
    return [member, value](ColumnAttributes &a) { a.*member = value; };
}
} // namespace

int GridModel::columnWidth(int col) const
{
    return columnAttributes(col).width;
}
void GridModel::setColumnWidth(int col, int twips)
{
    changeColumns(col, assign(&ColumnAttributes::width, qMax(0, twips)));
}
Alignment GridModel::columnAlignment(int col) const
{
    return columnAttributes(col).alignment;
}
void GridModel::setColumnAlignment(int col, Alignment a)
{
    changeColumns(col, assign(&ColumnAttributes::alignment, a));
}
DataType GridModel::columnDataType(int col) const
{
    return columnAttributes(col).dataType;
}
void GridModel::setColumnDataType(int col, DataType t)
{
    changeColumns(col, assign(&ColumnAttributes::dataType, t));
}
QString GridModel::columnFormat(int col) const
{
    return columnAttributes(col).format;
}
void GridModel::setColumnFormat(int col, const QString &f)
{
    changeColumns(col, assign(&ColumnAttributes::format, f));
}
bool GridModel::columnHidden(int col) const
{
    return columnAttributes(col).hidden;
}
void GridModel::setColumnHidden(int col, bool h)
{
    changeColumns(col, assign(&ColumnAttributes::hidden, h));
}
QString GridModel::columnPickList(int col) const
{
    return columnAttributes(col).pickList;
}
void GridModel::setColumnPickList(int col, const QString &items)
{
    changeColumns(col, assign(&ColumnAttributes::pickList, items));
}

int GridModel::rowHeight(int row) const
{
    if (row < 0 || row >= rows())
        return kDefaultRowHeight;
    const int h = d->s.rows[size_t(row)].height;
    return h < 0 ? kDefaultRowHeight : h;
}

void GridModel::setRowHeight(int row, int twips)
{
    if (row < 0 || row >= rows())
        return;
    d->note(change::RowHeight { row, d->s.rows[size_t(row)].height });
    d->s.rows[size_t(row)].height = qMax(0, twips);
    d->mayHaveHeights = true;
    emit headerDataChanged(Qt::Vertical, row, row);
    emit rowHeightsChanged();
    emit contentsEdited();
}

CellFormat GridModel::cellFormat(int row, int col) const
{
    if (!d->valid(row, col))
        return {};
    const GridRow &r = d->s.rows[size_t(row)];
    return r.formats ? (*r.formats)[size_t(col)] : CellFormat {};
}

CellFormat *GridModel::mutableFormat(int row, int col)
{
    if (!d->valid(row, col))
        return nullptr;
    GridRow &r = d->s.rows[size_t(row)];
    if (!r.formats)
        r.formats = std::make_unique<std::vector<CellFormat>>(size_t(cols()));
    // Callers write the cell next, so its old format is what takes the change back.
    d->note(change::CellFormatChange { row, col, (*r.formats)[size_t(col)] });
    return &(*r.formats)[size_t(col)];
}

void GridModel::setCellFormat(int row, int col, const CellFormat &format)
{
    if (!d->valid(row, col))
        return;
    GridRow &r = d->s.rows[size_t(row)];
    if (!r.formats && format.isDefault())
        return;
    *mutableFormat(row, col) = format;
    emitFormatsChanged(GridRange { row, col, row, col });
}

void GridModel::emitFormatsChanged(const GridRange &range)
{
    emit dataChanged(index(range.top, range.left), index(range.bottom, range.right));
    emit contentsEdited();
}

bool GridModel::hasAnyCellFormat() const
{
    return std::any_of(d->s.rows.begin(), d->s.rows.end(), [](const GridRow &r) {
        return r.formats
            && std::any_of(r.formats->begin(), r.formats->end(), [](const CellFormat &f) { return !f.isDefault(); });
    });
}

QColor GridModel::alternateRowColor() const
{
    return d->s.settings.alternateRowColor;
}

void GridModel::setAlternateRowColor(const QColor &c)
{
    d->noteSettings();
    d->s.settings.alternateRowColor = c;
    emit gridSettingsChanged();
    if (rows() > 0 && cols() > 0)
        emit dataChanged(index(0, 0), index(rows() - 1, cols() - 1), { Qt::BackgroundRole });
}

bool GridModel::gridLines() const
{
    return d->s.settings.gridLines;
}
void GridModel::setGridLines(bool on)
{
    if (d->s.settings.gridLines == on)
        return;
    d->noteSettings();
    d->s.settings.gridLines = on;
    emit gridSettingsChanged();
}

bool GridModel::dragEnabled() const
{
    return d->s.settings.dragEnabled;
}
bool GridModel::sortOnTitleClick() const
{
    return d->s.settings.sortOnTitleClick;
}
bool GridModel::columnDragEnabled() const
{
    return d->s.settings.columnDragEnabled;
}

void GridModel::setDragEnabled(bool on)
{
    d->noteSettings();
    d->s.settings.dragEnabled = on;
    emit gridSettingsChanged();
}

void GridModel::setSortOnTitleClick(bool on)
{
    d->noteSettings();
    d->s.settings.sortOnTitleClick = on;
    emit gridSettingsChanged();
}

void GridModel::setColumnDragEnabled(bool on)
{
    d->noteSettings();
    d->s.settings.columnDragEnabled = on;
    emit gridSettingsChanged();
}

bool GridModel::hasRowHeights() const
{
    return d->mayHaveHeights
        && std::any_of(d->s.rows.begin(), d->s.rows.end(), [](const GridRow &r) { return r.height >= 0; });
}

namespace {

// Rows a big change leaves behind are freed on a pool thread: a million of them take the
// window's thread a tenth of a second.
template <typename Row> void release(std::vector<Row> &&rows)
{
    if (rows.size() < 50'000)
        return;
    releaseInBackground(std::move(rows));
}

// Moves the rows at the positions given, in that order, onto the end of out. After a sort the
// positions are all over memory: asking for a row a little ahead keeps the memory busy instead
// of waiting on one row at a time, which halves the time at a million rows.
void appendRowsInOrder(std::vector<GridRow> &out, std::vector<GridRow> &from, const std::vector<int> &order)
{
    constexpr size_t kAhead = 16;
    GridRow *const rows = from.data();
    const size_t n = order.size();
    for (size_t i = 0; i < n; ++i) {
        if (i + kAhead < n)
            __builtin_prefetch(rows + order[i + kAhead], 1);
        out.push_back(std::move(rows[order[i]]));
    }
}

} // namespace

void GridModel::keepDataRows(const std::vector<int> &rowsInOrder)
{
    const int first = fixedRows();
    std::vector<char> taken(d->s.rows.size(), 0);
    for (int r : rowsInOrder) {
        if (r < first || r >= rows() || taken[size_t(r)])
            return;
        taken[size_t(r)] = 1;
    }
    // One pass over the rows. The log holds the two changes it is: the kept rows first in
    // their order with the rest after them, then those dropped.
    const size_t keptCount = size_t(first) + rowsInOrder.size();
    std::vector<int> order;
    change::RowsRemoved removed;
    if (d->log) {
        order.reserve(d->s.rows.size() - size_t(first));
        order = rowsInOrder;
        removed.rows.reserve(d->s.rows.size() - keptCount);
    }
    beginResetModel();
    std::vector<GridRow> kept;
    kept.reserve(keptCount);
    for (int r = 0; r < first; ++r)
        kept.push_back(std::move(d->s.rows[size_t(r)]));
    appendRowsInOrder(kept, d->s.rows, rowsInOrder);
    if (d->log) {
        for (int r = first; r < rows(); ++r) {
            if (!taken[size_t(r)]) {
                removed.rows.emplace_back(int(first + order.size()), std::move(d->s.rows[size_t(r)]));
                order.push_back(r);
            }
        }
    }
    std::swap(kept, d->s.rows);
    endResetModel();
    if (d->log) {
        d->note(change::RowOrder { first, std::move(order) });
        if (!removed.rows.empty())
            d->note(std::move(removed));
    }
    release(std::move(kept));
    setCursor(qMin(d->row, qMax(0, rows() - 1)), d->col);
    emit contentsEdited();
}

void GridModel::replaceColumnTexts(ColumnTextsBatch &&batch)
{
    const std::vector<int> &changed = batch.before.rows;
    if (batch.texts.size() != changed.size() || (!changed.empty() && changed.back() >= rows()))
        return;
    setCols(batch.cols);
    // The rows were read and the old texts packed off this thread: here each row only swaps
    // its block, without reading it.
    for (size_t i = 0; i < changed.size(); ++i)
        std::swap(d->s.rows[size_t(changed[i])].cells, batch.texts[i]);
    const int from = qMax(0, batch.before.first);
    const int to = qMin(cols() - 1, batch.before.last);
    if (!changed.empty())
        d->note(std::move(batch.before));
    release(std::move(batch.texts));
    if (rows() > 0 && from <= to) {
        emit dataChanged(index(0, from), index(rows() - 1, to), { Qt::DisplayRole, Qt::EditRole });
        if (fixedRows() > 0)
            emit headerDataChanged(Qt::Horizontal, from, to);
    }
    emit contentsEdited();
}

void GridModel::restoreColumnTexts(const change::ColumnTexts &old)
{
    if (old.rows.empty() || old.rows.back() >= rows() || old.first < 0 || old.last >= cols())
        return;
    change::ColumnTexts taken;
    taken.first = old.first;
    taken.last = old.last;
    std::vector<QByteArrayView> cells;
    for (size_t i = 0; i < old.rows.size(); ++i) {
        RowCells &row = d->s.rows[size_t(old.rows[i])].cells;
        if (d->log)
            taken.append(old.rows[i], row);
        cells.assign(size_t(cols()), QByteArrayView());
        for (int c = 0; c < cols(); ++c)
            cells[size_t(c)] = c >= old.first && c <= old.last ? old.cell(i, c) : row.utf8(c);
        row = RowCells::fromUtf8(cells.data(), cols());
    }
    d->note(std::move(taken));
    emit dataChanged(
        index(old.rows.front(), old.first), index(old.rows.back(), old.last), { Qt::DisplayRole, Qt::EditRole });
    if (old.rows.front() < fixedRows())
        emit headerDataChanged(Qt::Horizontal, old.first, old.last);
    emit contentsEdited();
}

void GridModel::replaceRowTexts(
    const std::vector<int> &rows, std::vector<RowCells> &&texts, int changedFrom, int changedTo)
{
    if (rows.empty() || texts.size() != rows.size() || rows.front() < 0 || rows.back() >= this->rows()
        || !std::is_sorted(rows.begin(), rows.end()))
        return;
    for (size_t i = 0; i < rows.size(); ++i) {
        RowCells &cells = d->s.rows[size_t(rows[i])].cells;
        std::swap(cells, texts[i]);
        cells.truncate(cols());
    }
    // texts now holds the old texts.
    if (d->log)
        d->note(change::RowTexts { rows, std::move(texts) });
    else
        release(std::move(texts));
    changedFrom = qMax(0, changedFrom);
    changedTo = qMin(cols() - 1, changedTo);
    if (changedFrom <= changedTo) {
        emit dataChanged(
            index(rows.front(), changedFrom), index(rows.back(), changedTo), { Qt::DisplayRole, Qt::EditRole });
        if (rows.front() < fixedRows())
            emit headerDataChanged(Qt::Horizontal, changedFrom, changedTo);
    }
    emit contentsEdited();
}

void GridModel::replaceContents(GridStore &&store)
{
    d->note(change::Unrecorded {});
    beginResetModel();
    std::swap(d->s, store);
    release(std::move(store.rows));
    if (!d->s.rowsFitted)
        d->s.fitRows();
    d->s.rowsFitted = false; // edits may break it from here on
    d->mayHaveHeights = d->s.anyRowHeight;
    d->mayHaveMarks = false;
    endResetModel();
    emit gridSettingsChanged();
    emit rowHeightsChanged();
    setCursor(fixedRows(), fixedCols());
    emit contentsEdited();
}

const GridStore &GridModel::store() const
{
    return d->s;
}

void GridModel::setSelectedRows(const std::vector<int> &rowList)
{
    if (d->mayHaveMarks) {
        for (GridRow &r : d->s.rows)
            r.selected = false;
    }
    d->mayHaveMarks = false;
    for (int r : rowList) {
        if (r >= 0 && r < rows()) {
            d->s.rows[size_t(r)].selected = true;
            d->mayHaveMarks = true;
        }
    }
    emit selectionChanged();
}

void GridModel::startEdit()
{
    emit editRequested();
}
void GridModel::takeFocus()
{
    emit focusRequested();
}
int GridModel::fontSize() const
{
    return d->s.settings.fontSize;
}

void GridModel::setFontSize(int points)
{
    d->noteSettings();
    d->s.settings.fontSize = qBound(1, points, 72);
    emit gridSettingsChanged();
    if (rows() > 0 && cols() > 0)
        emit dataChanged(index(0, 0), index(rows() - 1, cols() - 1), { Qt::FontRole });
}

namespace {

struct SortKey
{
    Utf8SortPrefix<1> prefix; // kept next to each other in memory
    QByteArrayView text;
    int row;
};

} // namespace

void GridModel::sort(int colFrom, int colTo, Qt::SortOrder order)
{
    const int a = qMax(0, qMin(colFrom, colTo));
    const int b = qMin(cols() - 1, qMax(colFrom, colTo));
    if (b < a)
        return;
    const int first = fixedRows();
    std::vector<int> rowOrder;
    if (rows() - first >= 2) {
        std::vector<SortKey> keys;
        keys.reserve(size_t(rows() - first));
        for (int r = first; r < rows(); ++r) {
            const QByteArrayView text = d->s.rows[size_t(r)].cells.utf8(a);
            keys.push_back({ Utf8SortPrefix<1>(text), text, r });
        }
        const bool ascending = order == Qt::AscendingOrder;
        std::stable_sort(keys.begin(), keys.end(), [this, a, b, ascending](const SortKey &x, const SortKey &y) {
            int cmp = x.prefix.compare(y.prefix);
            if (cmp == 0)
                cmp = compareUtf8AsUtf16(x.text, y.text);
            for (int c = a + 1; cmp == 0 && c <= b; ++c)
                cmp = compareUtf8AsUtf16(
                    d->s.rows[size_t(x.row)].cells.utf8(c), d->s.rows[size_t(y.row)].cells.utf8(c));
            return ascending ? cmp < 0 : cmp > 0;
        });
        rowOrder.resize(keys.size());
        for (size_t i = 0; i < keys.size(); ++i)
            rowOrder[i] = keys[i].row;
    }
    applySort(a, order, rowOrder);
}

void GridModel::applySort(int col, Qt::SortOrder order, const std::vector<int> &orderedRows)
{
    const int code = order == Qt::AscendingOrder ? 1 : 2;
    emit beforeSort(col, code);
    reorderDataRows(orderedRows);
    emit afterSort(col, code);
}

void GridModel::reorderDataRows(const std::vector<int> &order)
{
    const int first = fixedRows();
    if (rows() - first < 2 || order.size() != size_t(rows() - first))
        return;
    // A reset, not a layout change: views of a million rows would otherwise build a
    // persistent index per row. Cursor, selection and list-box marks live here and survive.
    d->note(change::RowOrder { first, order });
    beginResetModel();
    std::vector<GridRow> sorted;
    sorted.reserve(d->s.rows.size());
    for (int r = 0; r < first; ++r)
        sorted.push_back(std::move(d->s.rows[size_t(r)]));
    appendRowsInOrder(sorted, d->s.rows, order);
    std::swap(sorted, d->s.rows);
    endResetModel();
    release(std::move(sorted));
    emit contentsEdited();
}

void GridModel::setChangeLog(GridChangeLog *log)
{
    d->log = log;
}

GridChangeLog *GridModel::changeLog() const
{
    return d->log;
}

void GridModel::revert(GridChangeLog &&log)
{
    for (auto it = log.changes.rbegin(); it != log.changes.rend(); ++it) {
        std::visit(
            [this](auto &x) {
                using T = std::decay_t<decltype(x)>;
                if constexpr (std::is_same_v<T, change::CellText>) {
                    setText(x.row, x.col, QString::fromUtf8(x.before));
                } else if constexpr (std::is_same_v<T, change::CellFormatChange>) {
                    if (d->valid(x.row, x.col)) {
                        *mutableFormat(x.row, x.col) = x.before;
                        emitFormatsChanged(GridRange { x.row, x.col, x.row, x.col });
                    }
                } else if constexpr (std::is_same_v<T, change::RowHeight>) {
                    if (x.row < rows()) {
                        d->note(change::RowHeight { x.row, d->s.rows[size_t(x.row)].height });
                        d->s.rows[size_t(x.row)].height = x.before;
                        d->mayHaveHeights = d->mayHaveHeights || x.before >= 0;
                        emit headerDataChanged(Qt::Vertical, x.row, x.row);
                        emit rowHeightsChanged();
                        emit contentsEdited();
                    }
                } else if constexpr (std::is_same_v<T, change::ColumnAttrs>) {
                    setColumnAttributes(x.col, *x.before);
                } else if constexpr (std::is_same_v<T, change::RowsInserted>) {
                    removeRowsSorted(x.rows);
                } else if constexpr (std::is_same_v<T, change::RowMoved>) {
                    moveRow(x.to, x.from);
                } else if constexpr (std::is_same_v<T, change::RowsRemoved>) {
                    // Merge the rows back in at the places they had, in one batch.
                    beginResetModel();
                    std::vector<GridRow> merged;
                    merged.reserve(d->s.rows.size() + x.rows.size());
                    std::vector<int> placed;
                    placed.reserve(x.rows.size());
                    size_t kept = 0;
                    for (auto &[index, row] : x.rows) {
                        while (int(merged.size()) < index && kept < d->s.rows.size())
                            merged.push_back(std::move(d->s.rows[kept++]));
                        placed.push_back(int(merged.size()));
                        d->resizeRow(row);
                        d->mayHaveHeights = d->mayHaveHeights || row.height >= 0;
                        d->mayHaveMarks = d->mayHaveMarks || row.selected;
                        merged.push_back(std::move(row));
                    }
                    while (kept < d->s.rows.size())
                        merged.push_back(std::move(d->s.rows[kept++]));
                    d->s.rows = std::move(merged);
                    endResetModel();
                    d->note(change::RowsInserted { std::move(placed) });
                    emit rowHeightsChanged();
                    emit contentsEdited();
                } else if constexpr (std::is_same_v<T, change::RowOrder>) {
                    std::vector<int> inverse(x.order.size());
                    for (size_t i = 0; i < x.order.size(); ++i)
                        inverse[size_t(x.order[i] - x.first)] = x.first + int(i);
                    const int fixed = d->s.fixedRows;
                    d->s.fixedRows = x.first; // the order counts from the rows that were fixed then
                    reorderDataRows(inverse);
                    d->s.fixedRows = fixed;
                } else if constexpr (std::is_same_v<T, change::RowTexts>) {
                    if (!x.rows.empty() && x.rows.back() < rows())
                        replaceRowTexts(x.rows, std::move(x.before), 0, cols() - 1);
                } else if constexpr (std::is_same_v<T, change::ColumnTexts>) {
                    restoreColumnTexts(x);
                } else if constexpr (std::is_same_v<T, change::ColumnInserted>) {
                    removeColumn(x.col);
                } else if constexpr (std::is_same_v<T, change::ColumnRemoved>) {
                    const change::RemovedColumn &c = *x.column;
                    insertColumn(c.col);
                    d->s.columns[size_t(c.col)] = c.attrs;
                    for (size_t r = 0; r < c.cells.size() && r < d->s.rows.size(); ++r)
                        if (!c.cells[r].isEmpty())
                            d->s.rows[r].cells.setUtf8(c.col, c.cells[r]);
                    for (const auto &[r, f] : c.formats) {
                        GridRow &row = d->s.rows[size_t(r)];
                        if (!row.formats)
                            row.formats = std::make_unique<std::vector<CellFormat>>(size_t(cols()));
                        (*row.formats)[size_t(c.col)] = f;
                    }
                    emit headerDataChanged(Qt::Horizontal, c.col, c.col);
                    if (rows() > 0)
                        emit dataChanged(index(0, c.col), index(rows() - 1, c.col));
                } else if constexpr (std::is_same_v<T, change::ColumnMoved>) {
                    moveColumn(x.to, x.from);
                } else if constexpr (std::is_same_v<T, change::Settings>) {
                    d->noteSettings();
                    d->s.settings = *x.before;
                    d->s.fixedRows = x.fixedRows;
                    d->s.fixedCols = x.fixedCols;
                    emit gridSettingsChanged();
                    emit headerDataChanged(Qt::Vertical, 0, qMax(0, rows() - 1));
                    emit headerDataChanged(Qt::Horizontal, 0, qMax(0, cols() - 1));
                    if (rows() > 0 && cols() > 0)
                        emit dataChanged(index(0, 0), index(rows() - 1, cols() - 1));
                }
            },
            *it);
    }
    setCursor(d->row, d->col);
}

int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows();
}
int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : cols();
}

void GridModel::setDisplayFormatter(DisplayFormatter f)
{
    d->formatter = std::move(f);
}

static Qt::Alignment toQt(Alignment a, bool numeric)
{
    switch (a) {
    case Alignment::LeftCenter:
        return Qt::AlignLeft | Qt::AlignVCenter;
    case Alignment::CenterCenter:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case Alignment::RightCenter:
        return Qt::AlignRight | Qt::AlignVCenter;
    default:
        return (numeric ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
    }
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !d->valid(index.row(), index.column()))
        return {};
    const GridRow &r = d->s.rows[size_t(index.row())];
    const QString text = r.cells.text(index.column());
    const CellFormat *f = r.formats ? &(*r.formats)[size_t(index.column())] : nullptr;
    const ColumnAttributes &col = d->s.columns[size_t(index.column())];
    switch (role) {
    case Qt::DisplayRole:
        if (f && f->check != CheckBox::None)
            return {};
        if (d->formatter && index.row() >= fixedRows())
            return d->formatter(text, col);
        return text;
    case Qt::EditRole:
        return text;
    case Qt::CheckStateRole:
        if (f && f->check != CheckBox::None)
            return f->check == CheckBox::Checked ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::FontRole: {
        QFont font;
        font.setPointSize(f && f->fontSize ? f->fontSize : d->s.settings.fontSize);
        if (f) {
            font.setBold(f->bold);
            font.setItalic(f->italic);
            font.setUnderline(f->underline);
        }
        return font;
    }
    case Qt::ForegroundRole:
        if (f && f->hasFore)
            return QColor::fromRgb(f->fore);
        return {};
    case Qt::BackgroundRole:
        if (f && f->hasBack)
            return QColor::fromRgb(f->back);
        if (d->s.settings.alternateRowColor.isValid() && index.row() >= fixedRows()
            && (index.row() - fixedRows()) % 2 == 1)
            return d->s.settings.alternateRowColor;
        return {};
    case Qt::DecorationRole:
        if (f && !f->picture.isEmpty())
            return d->picture(f->picture);
        return {};
    case Qt::TextAlignmentRole: {
        bool numeric = false;
        if (col.alignment == Alignment::General || (f && f->alignment == Alignment::General)) {
            text.toDouble(&numeric);
        }
        if (f && f->alignment != Alignment::Default)
            return int(toQt(f->alignment, numeric));
        return int(toQt(col.alignment, numeric));
    }
    default:
        return {};
    }
}

bool GridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || !d->valid(index.row(), index.column()))
        return false;
    if (role == Qt::CheckStateRole) {
        CellFormat f = cellFormat(index.row(), index.column());
        f.check = value.toInt() == Qt::Checked ? CheckBox::Checked : CheckBox::Unchecked;
        setCellFormat(index.row(), index.column(), f);
        emit cellChanged(index.row(), index.column());
        return true;
    }
    if (role != Qt::EditRole)
        return false;
    setText(index.row(), index.column(), value.toString());
    return true;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && fixedRows() > 0 && rows() > 0 && section >= 0 && section < cols()) {
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return text(0, section);
        // The title row is drawn as the header: its own formats show there as in a cell.
        const GridRow &title = d->s.rows[0];
        const CellFormat *f = title.formats ? &(*title.formats)[size_t(section)] : nullptr;
        if (role == Qt::TextAlignmentRole) {
            if (f && f->alignment != Alignment::Default && f->alignment != Alignment::General)
                return int(toQt(f->alignment, false));
            return int(Qt::AlignHCenter | Qt::AlignVCenter);
        }
        if (role == Qt::FontRole || role == Qt::ForegroundRole || role == Qt::BackgroundRole)
            return data(index(0, section), role);
    }
    if (orientation == Qt::Vertical && role == Qt::DisplayRole)
        return section;
    return QAbstractTableModel::headerData(section, orientation, role);
}

QStringList GridModel::mimeTypes() const
{
    return { QStringLiteral("text/plain") };
}

QMimeData *GridModel::mimeData(const QModelIndexList &indexes) const
{
    if (indexes.isEmpty())
        return nullptr;
    GridRange block { indexes.first().row(), indexes.first().column(), indexes.first().row(),
        indexes.first().column() };
    for (const QModelIndex &i : indexes) {
        block.top = qMin(block.top, i.row());
        block.bottom = qMax(block.bottom, i.row());
        block.left = qMin(block.left, i.column());
        block.right = qMax(block.right, i.column());
    }
    auto *mime = new QMimeData;
    mime->setText(clip(block));
    return mime;
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags fl = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled;
    const CellFormat f = cellFormat(index.row(), index.column());
    if (f.check != CheckBox::None)
        fl |= Qt::ItemIsUserCheckable;
    return fl;
}

} // namespace dq
