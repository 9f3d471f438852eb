#include "core/table/columndefs.h"
#include "core/table/valueformat.h"
#include "support/casetable.h"

#include <QTest>

using namespace dq;
using namespace Qt::StringLiterals;

namespace {

QDateTime dateTime(const QString &iso)
{
    return iso == u"-" ? QDateTime() : QDateTime::fromString(iso, Qt::ISODate);
}

} // namespace

class TestValueFormat : public QObject
{
    Q_OBJECT

private slots:
    void numberFormats_data() { test::addCaseRows(u"table/valueformat/numbers.tsv"_s); }
    void numberFormats()
    {
        QFETCH(QString, format);
        QFETCH(QString, value);
        QTEST(ValueFormat::formatNumber(value.toDouble(), format), "expected");
    }
    void dateFormats_data() { test::addCaseRows(u"table/valueformat/dates.tsv"_s); }
    void dateFormats()
    {
        QFETCH(QString, format);
        QFETCH(QString, value);
        QTEST(ValueFormat::formatDateTime(dateTime(value), format), "expected");
    }
    void typedNumbersReadBack_data() { test::addCaseRows(u"table/valueformat/typednumbers.tsv"_s); }
    void typedNumbersReadBack()
    {
        QFETCH(QString, typed);
        QFETCH(QString, value);
        const auto v = ValueFormat::parseNumber(typed);
        QCOMPARE(v.has_value(), value != u"-");
        if (v)
            QCOMPARE(*v, value.toDouble());
    }
    void typedDatesReadBack_data() { test::addCaseRows(u"table/valueformat/typeddates.tsv"_s); }
    void typedDatesReadBack()
    {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        QCOMPARE(ValueFormat::parseDateTime(typed), dateTime(expected));
    }
    // Every date format offered reads back what it shows of 2026-10-31 21:45:30.
    void everyListedDateFormatReadsBack_data() { test::addCaseRows(u"table/valueformat/roundtrip.tsv"_s); }
    void everyListedDateFormatReadsBack()
    {
        QFETCH(QString, format);
        QFETCH(QString, readBack);
        const QString shown = ValueFormat::formatDateTime(QDateTime(QDate(2026, 10, 31), QTime(21, 45, 30)), format);
        QCOMPARE(ValueFormat::parseDateTime(shown), dateTime(readBack));
    }
    void truthValues_data() { test::addCaseRows(u"table/valueformat/truth.tsv"_s); }
    void truthValues()
    {
        QFETCH(QString, typed);
        const auto v = ValueFormat::parseBool(typed);
        QTEST(v ? QString::number(int(*v)) : QStringLiteral("-"), "expected");
    }
    void cellsShowAsTheirColumnSays_data() { test::addCaseRows(u"table/valueformat/display.tsv"_s); }
    void cellsShowAsTheirColumnSays()
    {
        QFETCH(QString, type);
        QFETCH(QString, format);
        QFETCH(QString, text);
        QTEST(ValueFormat::display(text, ColumnDefs::typeFromName(type), format), "shown");
    }
    void formatterPlugsIntoTheGrid()
    {
        GridModel m;
        m.setCols(2);
        m.setRows(2);
        m.setText(0, 1, QStringLiteral("1000"));
        m.setText(1, 1, QStringLiteral("1000"));
        m.setColumnDataType(1, DataType::Currency);
        m.setColumnFormat(1, QStringLiteral("$#,###"));
        m.setDisplayFormatter(ValueFormat::formatter());
        QCOMPARE(m.data(m.index(1, 1)).toString(), QStringLiteral("$1,000"));
        QCOMPARE(m.data(m.index(1, 1), Qt::EditRole).toString(), QStringLiteral("1000"));
        QCOMPARE(m.data(m.index(0, 1)).toString(), QStringLiteral("1000")); // titles are never formatted
    }
};

QTEST_GUILESS_MAIN(TestValueFormat)
#include "tst_valueformat.moc"
