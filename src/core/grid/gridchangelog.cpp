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
