#include "core/grid/gridchangelog.h"

namespace dq {

namespace {

qint64 formatBytes(const CellFormat &f)
{
    return qint64(sizeof(CellFormat)) + f.picture.size() * 2;
}

qint64 payloadBytes(const GridChange &c)
{
    return std::visit(
        [](const auto &x) -> qint64 {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, change::CellText>) {
                return x.before.capacity();
            } else if constexpr (std::is_same_v<T, change::CellFormatChange>) {
                return x.before.picture.size() * 2;
            } else if constexpr (std::is_same_v<T, change::ColumnAttrs>) {
                return qint64(sizeof(ColumnAttributes)) + (x.before->format.size() + x.before->pickList.size()) * 2;
            } else if constexpr (std::is_same_v<T, change::RowsInserted>) {
                return qint64(x.rows.capacity() * sizeof(int));
            } else if constexpr (std::is_same_v<T, change::RowsRemoved>) {
                qint64 n = qint64(x.rows.capacity() * sizeof(std::pair<int, GridRow>));
                for (const auto &[index, row] : x.rows) {
                    n += row.cells.byteSize();
                    if (row.formats)
                        for (const CellFormat &f : *row.formats)
                            n += formatBytes(f);
                }
                return n;
            } else if constexpr (std::is_same_v<T, change::RowOrder>) {
                return qint64(x.order.capacity() * sizeof(int));
            } else if constexpr (std::is_same_v<T, change::RowTexts>) {
                qint64 n = qint64(x.rows.capacity() * sizeof(int) + x.before.capacity() * sizeof(RowCells));
                for (const RowCells &cells : x.before)
                    n += cells.byteSize();
                return n;
            } else if constexpr (std::is_same_v<T, change::ColumnTexts>) {
                return qint64(x.rows.capacity() * sizeof(int) + x.ends.capacity() * sizeof(quint32))
                    + x.text.capacity();
            } else if constexpr (std::is_same_v<T, change::ColumnRemoved>) {
                qint64 n = qint64(sizeof(change::RemovedColumn) + x.column->cells.capacity() * sizeof(QByteArray));
                for (const QByteArray &b : x.column->cells)
                    n += b.capacity();
                return n + qint64(x.column->formats.size()) * qint64(sizeof(std::pair<int, CellFormat>));
            } else if constexpr (std::is_same_v<T, change::Settings>) {
                return qint64(sizeof(GridSettings));
            } else {
                return 0;
            }
        },
        c);
}

} // namespace

void change::ColumnTexts::append(int row, const RowCells &cells)
{
    rows.push_back(row);
    for (int c = first; c <= last; ++c) {
        text.append(cells.utf8(c));
        ends.push_back(quint32(text.size()));
    }
}

QByteArrayView change::ColumnTexts::cell(size_t i, int col) const
{
    if (col < first || col > last || i >= rows.size())
        return {};
    const size_t at = i * size_t(last - first + 1) + size_t(col - first);
    const quint32 begin = at == 0 ? 0 : ends[at - 1];
    return QByteArrayView(text).sliced(begin, ends[at] - begin);
}

ColumnTextsBatch::ColumnTextsBatch(int cols, int first, int last)
    : cols(cols)
{
    before.first = first;
    before.last = last;
}

void ColumnTextsBatch::add(int row, const RowCells &old, RowCells &&texts)
{
    bool differs = false;
    for (int c = before.first; !differs && c <= before.last; ++c)
        differs = old.utf8(c) != texts.utf8(c);
    if (!differs)
        return;
    texts.truncate(cols);
    before.append(row, old);
    this->texts.push_back(std::move(texts));
}

void GridChangeLog::add(GridChange &&c)
{
    if (unrecorded)
        return;
    bytes += qint64(sizeof(GridChange)) + payloadBytes(c);
    if (std::holds_alternative<change::Unrecorded>(c) || bytes > limit) {
        clear();
        unrecorded = true;
        return;
    }
    changes.push_back(std::move(c));
}

} // namespace dq
