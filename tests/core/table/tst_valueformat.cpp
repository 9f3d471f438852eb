#include "core/table/columndefs.h"
#include "core/table/valueformat.h"
#include "support/gridtext.h"

#include <QTest>

using namespace dq;

namespace {

// The cases of one table under tests/data/table/valueformat: a line per case, its fields
// split by tabs, the last one naming the case, under a first line that names the fields.
void addRows(const char *table, std::initializer_list<const char *> columns)
{
    for (const char *column : columns)
        QTest::addColumn<QString>(column);
    const QString text = QString::fromUtf8(
        test::readBytes(QStringLiteral(DQ_TEST_DATA_DIR "/table/valueformat/") + QString::fromLatin1(table)));
    const QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
    if (lines.size() < 2)
        qFatal("no cases in %s", table);
    for (const QString &line : lines.mid(1)) {
        const QStringList fields = line.split(u'\t');
        if (fields.size() != qsizetype(columns.size()) + 1)
            qFatal("%s: a line with %d fields", table, int(fields.size()));
        QTestData &row = QTest::newRow(qPrintable(fields.last()));
        for (size_t i = 0; i < columns.size(); ++i)
            row << fields.at(qsizetype(i));
    }
}

QDateTime dateTime(const QString &iso)
{
    return iso == u"-" ? QDateTime() : QDateTime::fromString(iso, Qt::ISODate);
}

} // namespace

class TestValueFormat : public QObject
{
    Q_OBJECT

private slots:
    void numberFormats_data() { addRows("numbers.tsv", { "format", "value", "expected" }); }
    void numberFormats()
    {
        QFETCH(QString, format);
        QFETCH(QString, value);
        QTEST(ValueFormat::formatNumber(value.toDouble(), format), "expected");
    }
    void dateFormats_data() { addRows("dates.tsv", { "format", "value", "expected" }); }
    void dateFormats()
    {
        QFETCH(QString, format);
        QFETCH(QString, value);
        QTEST(ValueFormat::formatDateTime(dateTime(value), format), "expected");
    }
    void typedNumbersReadBack_data() { addRows("typednumbers.tsv", { "typed", "value" }); }
    void typedNumbersReadBack()
    {
        QFETCH(QString, typed);
        QFETCH(QString, value);
        const auto v = ValueFormat::parseNumber(typed);
        QCOMPARE(v.has_value(), value != u"-");
        if (v)
            QCOMPARE(*v, value.toDouble());
    }
    void typedDatesReadBack_data() { addRows("typeddates.tsv", { "typed", "expected" }); }
    void typedDatesReadBack()
    {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        QCOMPARE(ValueFormat::parseDateTime(typed), dateTime(expected));
    }
    void everyListedDateFormatReadsBack_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QDateTime>("shownAs");
        const QDateTime value(QDate(2026, 10, 31), QTime(21, 45, 30));
        const QDate date = value.date();
        for (const QString &f :
            QStringLiteral("mm/dd/yy|mm/dd/yyyy|m/d/yy|m/d/yyyy|dd-Mmm-yyyy|Mmm-dd-yyyy").split(u'|'))
            QTest::newRow(qPrintable(f)) << f << QDateTime(date, QTime(0, 0));
        QTest::newRow("mm/dd/yy hh:mm") << "mm/dd/yy hh:mm" << QDateTime(date, QTime(21, 45));
        QTest::newRow("mm/dd/yy hh:mm:ss") << "mm/dd/yy hh:mm:ss" << value;
        QTest::newRow("mm/dd/yy hh:mm AMPM") << "mm/dd/yy hh:mm AMPM" << QDateTime(date, QTime(21, 45));
        QTest::newRow("mm/dd/yy hh:mm:ss AMPM") << "mm/dd/yy hh:mm:ss AMPM" << value;
        QTest::newRow("general form") << "" << value;
    }
    void everyListedDateFormatReadsBack()
    {
        QFETCH(QString, format);
        QFETCH(QDateTime, shownAs);
        const QDateTime value(QDate(2026, 10, 31), QTime(21, 45, 30));
        const QString shown = ValueFormat::formatDateTime(value, format);
        QCOMPARE(ValueFormat::parseDateTime(shown), shownAs);
    }
    void truthValues_data() { addRows("truth.tsv", { "typed", "expected" }); }
    void truthValues()
    {
        QFETCH(QString, typed);
        const auto v = ValueFormat::parseBool(typed);
        QTEST(v ? QString::number(int(*v)) : QStringLiteral("-"), "expected");
    }
    void cellsShowAsTheirColumnSays_data() { addRows("display.tsv", { "type", "format", "text", "shown" }); }
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
