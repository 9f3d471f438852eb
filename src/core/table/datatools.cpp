#include "core/table/datatools.h"

#include "core/grid/gridstore.h"
#include "core/harvest/textcutters.h"
#include "core/shell/userprompts.h"
#include "core/table/longjobs.h"
#include "core/table/valueformat.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <bit>
#include <unordered_map>
#include <vector>

namespace dq {

namespace {

const QString &applicationTitle()
{
    static const QString title = QStringLiteral("Dirquill");
    return title;
}

enum KeyClass : quint8 { Value = 0, Text = 1, Empty = 2 };

// The first 16 UTF-16 units of a text packed so that comparing the numbers compares the
// texts' starts; most comparisons of a sort end here, without reaching into the texts. A
// sort key is then 48 bytes, which a million-row sort holds all at once.
struct TextPrefix
{
    static constexpr qsizetype kUnits = 16;
    std::array<quint64, 4> words {};

    TextPrefix() = default;
    explicit TextPrefix(QStringView s)
    {
        const qsizetype n = qMin<qsizetype>(qsizetype(words.size()) * 4, s.size());
        for (qsizetype i = 0; i < n; ++i)
            words[size_t(i / 4)] |= quint64(s[i].unicode()) << (48 - 16 * (i % 4));
    }
    // A number's own order as a prefix: negative values flip, so unsigned order follows value.
    static TextPrefix ofValue(double v)
    {
        TextPrefix p;
        const quint64 bits = std::bit_cast<quint64>(v + 0.0); // no negative zero
        p.words[0] = bits >> 63 ? ~bits : bits | (quint64(1) << 63);
        return p;
    }
    // <0, >0, or 0 when only the whole texts can tell
    int compare(const TextPrefix &o) const
    {
        for (size_t i = 0; i < words.size(); ++i)
            if (words[i] != o.words[i])
                return words[i] < o.words[i] ? -1 : 1;
        return 0;
    }
};

} // namespace

void DataTools::sortByColumn(GridModel &table, int col, Qt::SortOrder order)
{
    if (col < 0 || col >= table.cols())
        return;
    applySort(table, col, order, sortOrder(table, col, order, nullptr));
}

std::vector<int> DataTools::sortOrder(const GridModel &table, int col, Qt::SortOrder order, JobControl *control)
{
    if (col < 0 || col >= table.cols())
        return {};
    const DataType type = table.columnDataType(col);
    const bool ascending = order == Qt::AscendingOrder;
    const int first = table.fixedRows();
    const int count = qMax(0, table.rows() - first);
    const GridStore &store = table.store();
    auto cell = [&store, col](int r) { return store.rows[size_t(r)].cells.utf8(col); };

    // Keys are read once per sort into one compact array that is sorted on its own; the grid
    // then only follows the resulting order. A text's folded form is kept only when it is
    // longer than its prefix; shorter ones are settled by the prefix and the stored text.
    struct Key
    {
        TextPrefix prefix; // of the value, or of the folded text
        int index = 0; // data row number, 0 = first data row
        int longText = -1; // index into folded, for texts longer than the prefix
        quint8 cls = Empty;
    };
    std::vector<Key> keys(static_cast<size_t>(count));
    std::vector<QString> folded;
    for (int i = 0; i < count; ++i) {
        if (control && i % 16384 == 0) {
            if (control->cancelled())
                return {};
            control->setProgress(i, qint64(count) * 2);
        }
        Key &k = keys[size_t(i)];
        k.index = i;
        const QByteArrayView utf8 = cell(first + i);
        if (utf8.isEmpty() && type != DataType::Boolean)
            continue;
        const QString text = QString::fromUtf8(utf8);
        std::optional<double> v;
        switch (type) {
        case DataType::String:
            break;
        case DataType::Double:
        case DataType::Currency:
            v = ValueFormat::parseNumber(text);
            break;
        case DataType::Date: {
            const QDateTime dt = ValueFormat::parseDateTime(text);
            if (dt.isValid())
                v = double(dt.date().toJulianDay()) * 86400.0 + dt.time().msecsSinceStartOfDay() / 1000.0;
            break;
        }
        case DataType::Boolean: {
            const CheckBox check = table.cellFormat(first + i, col).check;
            const std::optional<bool> on = check != CheckBox::None ? std::optional<bool>(check == CheckBox::Checked)
                                                                   : ValueFormat::parseBool(text);
            if (on)
                v = *on ? 1.0 : 0.0;
            break;
        }
        }
        if (v) {
            k.cls = Value;
            k.prefix = TextPrefix::ofValue(*v);
        } else if (!text.isEmpty()) {
            k.cls = Text;
            QString f = text.toCaseFolded();
            k.prefix = TextPrefix(f);
            if (f.size() > TextPrefix::kUnits) {
                k.longText = int(folded.size());
                folded.push_back(std::move(f));
            }
        }
    }
    if (control)
        control->setProgress(1, 2);
    // Rows that compare equal keep their order: the row number breaks every tie.
    std::sort(keys.begin(), keys.end(), [&](const Key &a, const Key &b) {
        if (a.cls != b.cls)
            return a.cls < b.cls;
        int cmp = a.prefix.compare(b.prefix);
        if (cmp == 0 && a.cls == Text) {
            if (a.longText >= 0 || b.longText >= 0) {
                // Equal prefixes and one text longer: the shorter one is its own prefix.
                if (a.longText < 0 || b.longText < 0)
                    cmp = a.longText < 0 ? -1 : 1;
                else
                    cmp = folded[size_t(a.longText)].compare(folded[size_t(b.longText)]);
            }
            if (cmp == 0)
                cmp = compareUtf8AsUtf16(cell(first + a.index), cell(first + b.index));
        }
        if (cmp != 0)
            return ascending ? cmp < 0 : cmp > 0;
        return a.index < b.index;
    });
    if (control && control->cancelled())
        return {};
    std::vector<int> ordered(keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        ordered[i] = first + keys[i].index;
    return ordered;
}

void DataTools::applySort(GridModel &table, int col, Qt::SortOrder order, const std::vector<int> &ordered)
{
    table.applySort(col, order, ordered);
}

void DataTools::clearSortArrow(GridModel &table, int lastSortedCol, const QString &noPicture)
{
    if (table.rows() == 0 || lastSortedCol < 0 || lastSortedCol >= table.cols())
        return;
    CellFormat f = table.cellFormat(0, lastSortedCol);
    f.picture = noPicture;
    table.setCellFormat(0, lastSortedCol, f);
}

void DataTools::showSortArrow(
    GridModel &table, int col, int orderCode, const QString &upPicture, const QString &downPicture)
{
    if (table.rows() == 0 || col < 0 || col >= table.cols())
        return;
    CellFormat f = table.cellFormat(0, col);
    f.pictureAlignment = Alignment::RightCenter;
    f.picture = orderCode == 1 ? upPicture : downPicture;
    table.setCellFormat(0, col, f);
}

int DataTools::deleteDuplicates(GridModel &table, UserPrompts &prompts)
{
    return confirmDeleteDuplicates(prompts) ? removeDuplicateRows(table) : -1;
}

bool DataTools::confirmDeleteDuplicates(UserPrompts &prompts)
{
    return prompts.message(applicationTitle(),
               QStringLiteral("This function will sort on the first column then start deleting duplicates. Do you "
                              "want to continue?"),
               UserPrompts::Icon::Question, UserPrompts::Buttons::YesNoCancel)
        == UserPrompts::Answer::Yes;
}

int DataTools::removeDuplicateRows(GridModel &table)
{
    if (table.cols() == 0)
        return 0;
    const DuplicateRemoval removal = findDuplicateRows(table, nullptr);
    applyDuplicateRemoval(table, removal);
    return removal.dropped;
}

DataTools::DuplicateRemoval DataTools::findDuplicateRows(const GridModel &table, JobControl *control)
{
    DuplicateRemoval out;
    if (table.cols() == 0)
        return out;
    const int keyCols = qMin(3, table.cols());

    // The sort on the first three columns (case-sensitive, ascending, stable) with compact
    // keys; cells are compared in their stored form without decoding them.
    const int first = table.fixedRows();
    const GridStore &store = table.store();
    auto cell = [&store](int r, int c) { return store.rows[size_t(r)].cells.utf8(c); };
    const int count = qMax(0, table.rows() - first);
    struct Key
    {
        Utf8SortPrefix<3> prefix; // of the first column
        int row = 0;
    };
    std::vector<Key> keys(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        keys[size_t(i)] = { Utf8SortPrefix<3>(cell(first + i, 0)), first + i };
    if (control) {
        if (control->cancelled())
            return {};
        control->setProgress(1, 10);
    }
    auto compareKeys = [&cell, keyCols](const Key &a, const Key &b) {
        const int cmp = a.prefix.compare(b.prefix);
        if (cmp != 0)
            return cmp;
        for (int c = 0; c < keyCols; ++c)
            if (const int full = compareUtf8AsUtf16(cell(a.row, c), cell(b.row, c)))
                return full;
        return 0;
    };
    std::sort(keys.begin(), keys.end(), [&compareKeys](const Key &a, const Key &b) {
        const int cmp = compareKeys(a, b);
        return cmp != 0 ? cmp < 0 : a.row < b.row;
    });
    if (control) {
        if (control->cancelled())
            return {};
        control->setProgress(7, 10);
    }
    std::vector<int> order(keys.size());
    std::vector<bool> sameAsPrevious(keys.size(), false);
    for (size_t i = 0; i < keys.size(); ++i) {
        order[i] = keys[i].row;
        sameAsPrevious[i] = i > 0 && compareKeys(keys[i - 1], keys[i]) == 0;
    }
    keys = {};

    // Equal rows have equal keys, so every duplicate sits in the same run of equal keys as
    // its first occurrence, wherever the sort put other rows between them; each run is
    // checked on its own. Positions are those of the sorted table.
    auto at = [&cell, &order, first](int r, int c) { return cell(order[size_t(r - first)], c); };
    const int cols = table.cols();
    auto sameCells = [&at, cols](int a, int b) {
        for (int c = 0; c < cols; ++c)
            if (at(a, c) != at(b, c))
                return false;
        return true;
    };
    auto rowHash = [&at, cols](int r) {
        size_t h = 0;
        for (int c = 0; c < cols; ++c)
            h = h * 1000003u ^ qHash(at(r, c));
        return h;
    };
    std::vector<int> drop; // rows of the sorted table, ascending
    std::unordered_multimap<size_t, int> seen;
    int start = 0;
    while (start < count) {
        if (control && control->cancelled())
            return {};
        int end = start + 1;
        while (end < count && sameAsPrevious[size_t(end)])
            ++end;
        if (end - start == 2) {
            if (sameCells(first + start, first + start + 1))
                drop.push_back(first + start + 1);
        } else if (end - start > 2) {
            seen.clear();
            for (int r = first + start; r < first + end; ++r) {
                const size_t h = rowHash(r);
                bool duplicate = false;
                const auto range = seen.equal_range(h);
                for (auto it = range.first; it != range.second && !duplicate; ++it)
                    duplicate = sameCells(it->second, r);
                if (duplicate)
                    drop.push_back(r);
                else
                    seen.emplace(h, r);
            }
        }
        start = end;
    }
    // What the window's thread applies is only the rows to keep, in order.
    out.kept.reserve(order.size() - drop.size());
    size_t next = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        if (next < drop.size() && drop[next] == first + int(i))
            ++next;
        else
            out.kept.push_back(order[i]);
    }
    out.dropped = int(drop.size());
    out.valid = true;
    return out;
}

void DataTools::applyDuplicateRemoval(GridModel &table, const DuplicateRemoval &removal)
{
    if (!removal.valid || table.cols() == 0)
        return;
    const int keyCols = qMin(3, table.cols());
    table.select(table.row(), 0, table.rowSel(), keyCols - 1);
    if (qsizetype(removal.kept.size()) + removal.dropped != table.rows() - table.fixedRows())
        return;
    // The sort and the removal land as one change of the table.
    emit table.beforeSort(0, 1);
    table.keepDataRows(removal.kept);
    emit table.afterSort(0, 1);
    table.setCursor(table.rows() - 1, 0);
}

bool DataTools::parsePhoneColumn(GridModel &table, UserPrompts &prompts)
{
    if (!confirmParsePhoneColumn(prompts))
        return false;
    splitPhoneColumn(table);
    return true;
}

bool DataTools::confirmParsePhoneColumn(UserPrompts &prompts)
{
    return prompts.message(QStringLiteral("Parse Phone Column"),
               QStringLiteral("Do you want to parse the Phone column (Column 6) into Column 9, 10 and 11 for phone, "
                              "fax and toll-free if any?"),
               UserPrompts::Icon::Question, UserPrompts::Buttons::YesNoCancel)
        == UserPrompts::Answer::Yes;
}

void DataTools::splitPhoneColumn(GridModel &table)
{
    if (std::optional<ColumnTextsBatch> batch = phoneColumns(table, nullptr))
        applyPhoneColumns(table, std::move(*batch));
}

std::optional<ColumnTextsBatch> DataTools::phoneColumns(const GridModel &table, JobControl *control)
{
    const QString semicolon = QStringLiteral("; ");
    const QString fourSpaces = QStringLiteral("    ");
    const QString fax = QStringLiteral(" (fax)");
    const QString afterFax = QStringLiteral("(fax); ");
    const QString tollFree = QStringLiteral(" (toll-free)");
    const QString spacedTollFree = QStringLiteral("  (toll-free)");
    const GridStore &store = table.store();
    ColumnTextsBatch out(kRecordColumns, kParsedPhoneCol, kParsedTollFreeCol);
    const RowCells::Pool pool; // a new row for most rows of the table
    std::array<QByteArrayView, kRecordColumns> cells;
    std::array<QByteArray, 3> parsed; // phone, fax, toll-free of the row in hand
    for (int r = 0; r < table.rows(); ++r) {
        if (control && r % 16384 == 0) {
            if (control->cancelled())
                return std::nullopt;
            control->setProgress(r, table.rows());
        }
        const RowCells &row = store.rows[size_t(r)].cells;
        for (int c = 0; c < kRecordColumns; ++c)
            cells[size_t(c)] = row.utf8(c);
        // The title row goes through the same rule, so a plain "Phone" title stays as it is.
        if (r == 0) {
            cells[kParsedPhoneCol] = "Phone";
            cells[kParsedFaxCol] = "Fax";
            cells[kParsedTollFreeCol] = "Toll-free";
        }
        const auto set = [&](int col, const QString &text) {
            parsed[size_t(col - kParsedPhoneCol)] = text.toUtf8();
            cells[size_t(col)] = parsed[size_t(col - kParsedPhoneCol)];
        };
        const QString p = QString::fromUtf8(row.utf8(kPhoneCol));
        if (!p.contains(semicolon) && !p.contains(fourSpaces)) {
            set(kParsedPhoneCol, p);
        } else if (const QString phone = CutBetween(p, QString(), semicolon); !phone.isEmpty()) {
            set(kParsedPhoneCol, phone);
            set(kParsedFaxCol, CutBetween(p, semicolon, fax));
            set(kParsedTollFreeCol, CutBetween(p, afterFax, tollFree));
        } else if (p.size() < 18) {
            set(kParsedPhoneCol, p.trimmed());
        } else {
            set(kParsedPhoneCol, CutBetween(p, QString(), fourSpaces));
            set(kParsedTollFreeCol, CutBetween(p, fourSpaces, spacedTollFree));
        }
        out.add(r, row, RowCells::fromUtf8(cells.data(), kRecordColumns));
    }
    return out;
}

void DataTools::applyPhoneColumns(GridModel &table, ColumnTextsBatch &&batch)
{
    // The model reports the change once: one dataChanged and one contentsEdited.
    table.replaceColumnTexts(std::move(batch));
}

QString DataTools::stampText(const QString &oldText, const QString &format, const QDateTime &now)
{
    return oldText + QLatin1Char(' ') + ValueFormat::formatDateTime(now, format);
}

QString DataTools::stampCell(GridModel &table, int row, int col, const QDateTime &now)
{
    if (row < 0 || row >= table.rows() || col < 0 || col >= table.cols())
        return {};
    const QString text = stampText(table.text(row, col), table.columnFormat(col), now);
    table.setText(row, col, text);
    return text;
}

} // namespace dq
