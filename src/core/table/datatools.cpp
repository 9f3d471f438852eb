#include "core/table/datatools.h"

#include "core/shell/userprompts.h"
#include "core/table/valueformat.h"

#include <QHash>

#include <unordered_map>
#include <vector>

namespace dq {

namespace {

const QString &applicationTitle()
{
    static const QString title = QStringLiteral("Dirquill");
    return title;
}

// The text between the first start marker and the first end marker after it; empty when a
// non-empty marker is missing. Empty markers stand for the text's start and end.
QString cutBetween(const QString &text, const QString &start, const QString &end)
{
    QStringView rest(text);
    if (!start.isEmpty()) {
        const qsizetype at = rest.indexOf(start);
        if (at < 0)
            return {};
        rest = rest.mid(at + start.size());
    }
    if (!end.isEmpty()) {
        const qsizetype at = rest.indexOf(end);
        if (at < 0)
            return {};
        rest = rest.left(at);
    }
    return rest.toString();
}

enum KeyClass : quint8 { Value = 0, Text = 1, Empty = 2 };

bool rowsEqual(const GridModel &m, int a, int b)
{
    for (int c = 0; c < m.cols(); ++c)
        if (m.text(a, c) != m.text(b, c))
            return false;
    return true;
}

size_t rowHash(const GridModel &m, int r)
{
    size_t h = 0;
    for (int c = 0; c < m.cols(); ++c)
        h = h * 1000003u ^ qHash(m.text(r, c));
    return h;
}

} // namespace

void DataTools::sortByColumn(GridModel &table, int col, Qt::SortOrder order)
{
    if (col < 0 || col >= table.cols())
        return;
    const int code = order == Qt::AscendingOrder ? 1 : 2;
    emit table.beforeSort(col, code);
    const int rows = table.rows();
    const DataType type = table.columnDataType(col);
    const bool ascending = order == Qt::AscendingOrder;

    // Keys are read once per sort: a million money cells are parsed a million times, not
    // once per comparison.
    std::vector<quint8> cls(size_t(rows), Empty);
    std::vector<double> value;
    std::vector<QString> folded;
    const bool numeric = type != DataType::String;
    if (numeric)
        value.resize(size_t(rows));
    else
        folded.resize(size_t(rows));
    for (int r = table.fixedRows(); r < rows; ++r) {
        const QString text = table.text(r, col);
        switch (type) {
        case DataType::String:
            if (!text.isEmpty()) {
                cls[size_t(r)] = Text;
                folded[size_t(r)] = text.toCaseFolded();
            }
            continue;
        case DataType::Double:
        case DataType::Currency:
            if (const auto v = ValueFormat::parseNumber(text)) {
                cls[size_t(r)] = Value;
                value[size_t(r)] = *v;
                continue;
            }
            break;
        case DataType::Date: {
            const QDateTime dt = ValueFormat::parseDateTime(text);
            if (dt.isValid()) {
                cls[size_t(r)] = Value;
                value[size_t(r)] = double(dt.date().toJulianDay()) * 86400.0 + dt.time().msecsSinceStartOfDay() / 1000.0;
                continue;
            }
            break;
        }
        case DataType::Boolean: {
            const CheckBox check = table.cellFormat(r, col).check;
            std::optional<bool> on;
            if (check != CheckBox::None)
                on = check == CheckBox::Checked;
            else
                on = ValueFormat::parseBool(text);
            if (on) {
                cls[size_t(r)] = Value;
                value[size_t(r)] = *on ? 1.0 : 0.0;
                continue;
            }
            break;
        }
        }
        cls[size_t(r)] = text.isEmpty() ? Empty : Text;
    }

    auto textLess = [&](int a, int b) {
        if (!numeric) {
            const int cmp = folded[size_t(a)].compare(folded[size_t(b)]);
            if (cmp != 0)
                return ascending ? cmp < 0 : cmp > 0;
        }
        const int cmp = table.text(a, col).compare(table.text(b, col));
        return ascending ? cmp < 0 : cmp > 0;
    };
    table.sortDataRows([&](int a, int b) {
        const quint8 ca = cls[size_t(a)], cb = cls[size_t(b)];
        if (ca != cb)
            return ca < cb;
        if (ca == Value)
            return ascending ? value[size_t(a)] < value[size_t(b)] : value[size_t(b)] < value[size_t(a)];
        if (ca == Text)
            return textLess(a, b);
        return false;
    });
    emit table.afterSort(col, code);
}

int DataTools::deleteDuplicates(GridModel &table, UserPrompts &prompts)
{
    const auto answer = prompts.message(applicationTitle(),
        QStringLiteral("This function will sort on the first column then start deleting duplicates. Do you want to continue?"),
        UserPrompts::Icon::Question, UserPrompts::Buttons::YesNoCancel);
    if (answer != UserPrompts::Answer::Yes)
        return -1;
    return removeDuplicateRows(table);
}

int DataTools::removeDuplicateRows(GridModel &table)
{
    if (table.cols() == 0)
        return 0;
    const int keyCols = qMin(3, table.cols());
    table.select(table.row(), 0, table.rowSel(), keyCols - 1);
    table.sort(0, keyCols - 1, Qt::AscendingOrder);

    // Equal rows have equal key columns, so after the sort every duplicate sits in the same
    // run of rows with equal keys as its first occurrence; each run is checked on its own.
    std::vector<int> drop;
    std::unordered_multimap<size_t, int> seen;
    const int rows = table.rows();
    auto sameKeys = [&](int a, int b) {
        for (int c = 0; c < keyCols; ++c)
            if (table.text(a, c) != table.text(b, c))
                return false;
        return true;
    };
    int start = table.fixedRows();
    while (start < rows) {
        int end = start + 1;
        while (end < rows && sameKeys(start, end))
            ++end;
        if (end - start == 2) {
            if (rowsEqual(table, start, start + 1))
                drop.push_back(start + 1);
        } else if (end - start > 2) {
            seen.clear();
            for (int r = start; r < end; ++r) {
                const size_t h = rowHash(table, r);
                bool duplicate = false;
                const auto range = seen.equal_range(h);
                for (auto it = range.first; it != range.second && !duplicate; ++it)
                    duplicate = rowsEqual(table, it->second, r);
                if (duplicate)
                    drop.push_back(r);
                else
                    seen.emplace(h, r);
            }
        }
        start = end;
    }
    table.removeRowsSorted(drop);
    table.setCursor(table.rows() - 1, 0);
    return int(drop.size());
}

bool DataTools::parsePhoneColumn(GridModel &table, UserPrompts &prompts)
{
    const auto answer = prompts.message(QStringLiteral("Parse Phone Column"),
        QStringLiteral("Do you want to parse the Phone column (Column 6) into Column 9, 10 and 11 for phone, fax and toll-free if any?"),
        UserPrompts::Icon::Question, UserPrompts::Buttons::YesNoCancel);
    if (answer != UserPrompts::Answer::Yes)
        return false;
    splitPhoneColumn(table);
    return true;
}

void DataTools::splitPhoneColumn(GridModel &table)
{
    table.setCols(kRecordColumns);
    table.setText(0, kParsedPhoneCol, QStringLiteral("Phone"));
    table.setText(0, kParsedFaxCol, QStringLiteral("Fax"));
    table.setText(0, kParsedTollFreeCol, QStringLiteral("Toll-free"));
    const QString semicolon = QStringLiteral("; ");
    const QString fourSpaces = QStringLiteral("    ");
    const QString fax = QStringLiteral(" (fax)");
    const QString afterFax = QStringLiteral("(fax); ");
    const QString tollFree = QStringLiteral(" (toll-free)");
    const QString spacedTollFree = QStringLiteral("  (toll-free)");
    // The title row goes through the same rule, so a plain "Phone" title stays as it is.
    for (int r = 0; r < table.rows(); ++r) {
        const QString p = table.text(r, kPhoneCol);
        if (!p.contains(semicolon) && !p.contains(fourSpaces)) {
            table.setText(r, kParsedPhoneCol, p);
            continue;
        }
        const QString phone = cutBetween(p, QString(), semicolon);
        if (!phone.isEmpty()) {
            table.setText(r, kParsedPhoneCol, phone);
            table.setText(r, kParsedFaxCol, cutBetween(p, semicolon, fax));
            table.setText(r, kParsedTollFreeCol, cutBetween(p, afterFax, tollFree));
        } else if (p.size() < 18) {
            table.setText(r, kParsedPhoneCol, p.trimmed());
        } else {
            table.setText(r, kParsedPhoneCol, cutBetween(p, QString(), fourSpaces));
            table.setText(r, kParsedTollFreeCol, cutBetween(p, fourSpaces, spacedTollFree));
        }
    }
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
