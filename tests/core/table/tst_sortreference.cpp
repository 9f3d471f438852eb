#include "core/grid/gridmodel.h"
#include "core/table/datatools.h"
#include "core/table/valueformat.h"
#include "support/gridtext.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <optional>
#include <set>

using namespace dq;

// The title-click sorts and Delete Duplicates work on packed keys and hashes; here they meet
// plain references on random tables full of ties, blanks, mixed types, case and non-ASCII.
namespace {

QString randomCell(QRandomGenerator &rng)
{
    static const char *const pool[] = { "", "", " ", "5", "5.00", "$5", "-2", "1,200", "(7.00)", "1e3", "12.5%",
        "1/2/2026", "12/31/1999", "Mar-05-2001", "2001-03-04 23:00", "3/7/26 9:00 AM", "True", "0", "-1", "false",
        "n/a", "alpha", "Alpha", "ALPHA", "Émile", "émile", "Zed", "straße", "STRASSE", "東京", "😀", "\uFF21",
        "Northside Plumbing and Heating Company", "northside plumbing and heating company", "Northside Plumbing" };
    QString cell = QString::fromUtf8(pool[rng.bounded(int(std::size(pool)))]);
    static const char *const ends[] = { "a", "A", "b", "é", "😀" };
    if (cell.size() > 24 && rng.bounded(2)) // long texts that differ only past the packed prefix
        cell += QString::fromUtf8(ends[rng.bounded(5)]);
    return cell;
}

// Rows of an id, a key and one more cell; the id shows the order of equal keys.
void fillRandom(GridModel &m, quint32 seed, int rows, bool checks)
{
    QRandomGenerator rng(seed);
    m.setCols(3);
    m.setRows(rows + 1);
    m.setText(0, 1, QStringLiteral("Key"));
    for (int r = 1; r <= rows; ++r) {
        m.setText(r, 0, QString::number(r));
        m.setText(r, 1, randomCell(rng));
        m.setText(r, 2, randomCell(rng));
        if (checks && rng.bounded(3) == 0) {
            CellFormat f;
            f.check = rng.bounded(2) ? CheckBox::Checked : CheckBox::Unchecked;
            m.setCellFormat(r, 1, f);
        }
    }
}

QStringList rowsWithChecks(const GridModel &m)
{
    QStringList out = test::rowsOf(m, 1);
    for (int i = 0; i < out.size(); ++i)
        out[i] += QString::number(int(m.cellFormat(i + 1, 1).check));
    return out;
}

// The key column's value as its type reads it, if it is one.
std::optional<double> typedValue(const GridModel &m, int r, DataType type)
{
    const QString text = m.text(r, 1);
    if (type == DataType::Double || type == DataType::Currency)
        return ValueFormat::parseNumber(text);
    if (type == DataType::Date) {
        const QDateTime d = ValueFormat::parseDateTime(text);
        return d.isValid() ? std::optional(d.date().toJulianDay() * 86400000.0 + d.time().msecsSinceStartOfDay())
                           : std::nullopt;
    }
    if (type != DataType::Boolean)
        return std::nullopt;
    const CheckBox check = m.cellFormat(r, 1).check;
    const auto on = check == CheckBox::None ? ValueFormat::parseBool(text) : std::optional(check == CheckBox::Checked);
    return on ? std::optional<double>(*on) : std::nullopt;
}

// The typed order written plainly: values of the column's type by value, then other text
// case-insensitively (case breaks ties), then empty cells; only values and text turn round.
QStringList typedReference(const GridModel &m, DataType type, bool ascending)
{
    struct Row
    {
        int cls;
        double value;
        QString text, shown;
    };
    std::vector<Row> rows;
    const QStringList shown = rowsWithChecks(m);
    for (int r = 1; r < m.rows(); ++r) {
        const std::optional<double> v = typedValue(m, r, type);
        rows.push_back({ v ? 0 : m.text(r, 1).isEmpty() ? 2 : 1, v.value_or(0), m.text(r, 1), shown.at(r - 1) });
    }
    std::stable_sort(rows.begin(), rows.end(), [ascending](const Row &a, const Row &b) {
        if (a.cls != b.cls)
            return a.cls < b.cls;
        int cmp = a.value < b.value ? -1 : a.value > b.value ? 1 : 0;
        if (a.cls == 1) {
            cmp = a.text.toCaseFolded().compare(b.text.toCaseFolded());
            cmp = cmp ? cmp : a.text.compare(b.text);
        }
        return ascending ? cmp < 0 : cmp > 0;
    });
    QStringList out;
    for (const Row &row : rows)
        out << row.shown;
    return out;
}

// Data rows ordered on columns from..to, UTF-16 unit by unit; stable.
QStringList plainReference(const GridModel &m, int from, int to, bool ascending)
{
    std::vector<QStringList> rows;
    for (int r = 1; r < m.rows(); ++r)
        rows.push_back(m.rowTexts(r));
    std::stable_sort(rows.begin(), rows.end(), [=](const QStringList &a, const QStringList &b) {
        for (int c = from; c <= to; ++c)
            if (const int cmp = a.at(c).compare(b.at(c)))
                return ascending ? cmp < 0 : cmp > 0;
        return false;
    });
    QStringList out;
    for (const QStringList &row : rows)
        out << row.join(u'|');
    return out;
}

} // namespace

class TestSortReference : public QObject
{
    Q_OBJECT

private slots:
    void sizes_data()
    {
        QTest::addColumn<int>("rows");
        for (const int rows : { 1, 2, 7, 60, 2500 })
            QTest::addRow("%d data rows", rows) << rows;
    }

    void titleClickSortMatchesTheTypedOrder_data() { sizes_data(); }
    void titleClickSortMatchesTheTypedOrder()
    {
        QFETCH(int, rows);
        using enum DataType;
        for (const DataType type : { String, Double, Currency, Date, Boolean })
            for (const quint32 seed : { 1u, 2u, 3u })
                for (const bool ascending : { true, false }) {
                    GridModel m;
                    fillRandom(m, seed * 100 + quint32(type), rows, type == Boolean);
                    m.setColumnDataType(1, type);
                    const QStringList expected = typedReference(m, type, ascending);
                    DataTools::sortByColumn(m, 1, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
                    QCOMPARE(rowsWithChecks(m), expected);
                }
    }

    void gridSortMatchesTheTextOrder_data() { sizes_data(); }
    void gridSortMatchesTheTextOrder()
    {
        QFETCH(int, rows);
        for (const quint32 seed : { 4u, 5u })
            for (const int to : { 1, 2 })
                for (const bool ascending : { true, false }) {
                    GridModel m;
                    fillRandom(m, seed, rows, false);
                    const QStringList expected = plainReference(m, 1, to, ascending);
                    m.sort(1, to, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
                    QCOMPARE(test::rowsOf(m, 1), expected);
                }
    }

    void deleteDuplicatesKeepsTheFirstOfEachRow_data() { sizes_data(); }
    void deleteDuplicatesKeepsTheFirstOfEachRow()
    {
        QFETCH(int, rows);
        for (const quint32 seed : { 6u, 7u, 8u }) {
            // Few distinct cells, so that whole rows repeat, near or far apart.
            QRandomGenerator rng(seed);
            const int spread = int(seed - 5) * 3 + 1;
            const QStringList cells = test::texts({ "", "a", "A", "a ", "é", "É", "😀", "\uFF21",
                "Northside Plumbing and Heating Company", "Northside Plumbing and Heating Companz" });
            GridModel m;
            m.setCols(5);
            m.setRows(rows + 1);
            for (int r = 1; r <= rows; ++r)
                for (int c = 0; c < 5; ++c)
                    m.setText(r, c, cells.at(rng.bounded(c < 3 ? spread : 2)));

            std::set<QStringList> seen;
            QStringList expected;
            for (const QString &row : plainReference(m, 0, 2, true))
                if (seen.insert(row.split(u'|')).second)
                    expected << row;
            QCOMPARE(DataTools::removeDuplicateRows(m), rows - int(expected.size()));
            QCOMPARE(test::rowsOf(m, 1), expected);
        }
    }
};

QTEST_GUILESS_MAIN(TestSortReference)
#include "tst_sortreference.moc"
