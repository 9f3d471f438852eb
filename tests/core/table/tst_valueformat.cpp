#include "core/table/valueformat.h"

#include <QTest>

using namespace dq;

class TestValueFormat : public QObject
{
    Q_OBJECT

private slots:
    void numberFormats_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("0 shows zero") << "0" << 0.0 << "0";
        QTest::newRow("0 rounds a half away from zero") << "0" << 2.5 << "3";
        QTest::newRow("0 rounds a negative half away from zero") << "0" << -1234.5 << "-1235";
        QTest::newRow("0 shows a tiny negative as zero without sign") << "0" << -0.4 << "0";
        QTest::newRow("0.0 keeps one decimal") << "0.0" << 1234.56 << "1234.6";
        QTest::newRow("0.0 keeps the leading zero of a fraction") << "0.0" << -0.05 << "-0.1";
        QTest::newRow("0.00 shows a large value without grouping") << "0.00" << 1234567.891 << "1234567.89";
        QTest::newRow("0.000 rounds to three decimals") << "0.000" << 3.14159 << "3.142";
        QTest::newRow("0.0000 pads a whole negative") << "0.0000" << -2.0 << "-2.0000";
        QTest::newRow("% is a whole percentage") << "%" << 0.5 << "50%";
        QTest::newRow("% of zero") << "%" << 0.0 << "0%";
        QTest::newRow("% rounds") << "%" << 1.2345 << "123%";
        QTest::newRow("#.00% shows hundredths of a percent") << "#.00%" << 0.1234 << "12.34%";
        QTest::newRow("#.00% has no leading zero below one percent") << "#.00%" << 0.005 << ".50%";
        QTest::newRow("#.00% of a negative") << "#.00%" << -0.5 << "-50.00%";
        QTest::newRow("#,### groups thousands") << "#,###" << 1234567.0 << "1,234,567";
        QTest::newRow("#,### shows nothing for zero") << "#,###" << 0.0 << "";
        QTest::newRow("#,### carries into a new group") << "#,###" << 999.5 << "1,000";
        QTest::newRow("#,### of a negative") << "#,###" << -1234.0 << "-1,234";
        QTest::newRow("#,###.00 of a fraction") << "#,###.00" << 0.5 << ".50";
        QTest::newRow("#,###.00 of a billion") << "#,###.00" << 1e9 << "1,000,000,000.00";
        QTest::newRow("$#,### rounds to dollars") << "$#,###" << 1234.5 << "$1,235";
        QTest::newRow("$#,### puts the sign before the dollar") << "$#,###" << -1234.5 << "-$1,235";
        QTest::newRow("$#,###.00 shows cents") << "$#,###.00" << 1234.5 << "$1,234.50";
        QTest::newRow("$#,###.00 of zero") << "$#,###.00" << 0.0 << "$.00";
        QTest::newRow("$#,###.00 drops the sign of what rounds to zero") << "$#,###.00" << -0.001 << "$.00";
        QTest::newRow("$#,###.00 of millions") << "$#,###.00" << 12345678.9 << "$12,345,678.90";
        QTest::newRow("$#,###.00 beyond exact cents") << "$#,###.00" << 1e17 << "$100,000,000,000,000,000.00";
        QTest::newRow("a negative section shows its own sign") << "0.00;(0.00)" << -3.5 << "(3.50)";
        QTest::newRow("a zero section") << "0;-0;\"none\"" << 0.0 << "none";
        QTest::newRow("a format without digit places shows the number in general form") << "mm/dd/yy" << 42.5 << "42.5";
        QTest::newRow("an empty format is the general form") << "" << 1234.5 << "1234.5";
        QTest::newRow("the general form has no exponent for everyday numbers") << "" << 0.0001 << "0.0001";
        QTest::newRow("the general form of a huge number") << "" << 1e20 << "1e+20";
    }
    void numberFormats()
    {
        QFETCH(QString, format);
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(ValueFormat::formatNumber(value, format), expected);
    }
    void dateFormats_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QDateTime>("value");
        QTest::addColumn<QString>("expected");
        const QDateTime midnight(QDate(2026, 3, 7), QTime(0, 0));
        const QDateTime noon(QDate(2026, 3, 7), QTime(12, 0));
        const QDateTime afternoon(QDate(1999, 11, 23), QTime(13, 5, 9));
        const QDateTime halfPastMidnight(QDate(2026, 3, 7), QTime(0, 30));

        QTest::newRow("mm/dd/yy") << "mm/dd/yy" << afternoon << "11/23/99";
        QTest::newRow("mm/dd/yyyy pads month and day") << "mm/dd/yyyy" << midnight << "03/07/2026";
        QTest::newRow("m/d/yy") << "m/d/yy" << midnight << "3/7/26";
        QTest::newRow("m/d/yyyy") << "m/d/yyyy" << afternoon << "11/23/1999";
        QTest::newRow("dd-Mmm-yyyy") << "dd-Mmm-yyyy" << midnight << "07-Mar-2026";
        QTest::newRow("Mmm-dd-yyyy") << "Mmm-dd-yyyy" << afternoon << "Nov-23-1999";
        QTest::newRow("mm/dd/yy hh:mm uses a 24-hour clock") << "mm/dd/yy hh:mm" << afternoon << "11/23/99 13:05";
        QTest::newRow("mm/dd/yy hh:mm at midnight") << "mm/dd/yy hh:mm" << midnight << "03/07/26 00:00";
        QTest::newRow("mm/dd/yy hh:mm:ss") << "mm/dd/yy hh:mm:ss" << afternoon << "11/23/99 13:05:09";
        QTest::newRow("AMPM at midnight is 12 AM") << "mm/dd/yy hh:mm AMPM" << midnight << "03/07/26 12:00 AM";
        QTest::newRow("AMPM at noon is 12 PM") << "mm/dd/yy hh:mm AMPM" << noon << "03/07/26 12:00 PM";
        QTest::newRow("AMPM in the afternoon") << "mm/dd/yy hh:mm AMPM" << afternoon << "11/23/99 01:05 PM";
        QTest::newRow("AMPM half past midnight") << "mm/dd/yy hh:mm AMPM" << halfPastMidnight << "03/07/26 12:30 AM";
        QTest::newRow("AMPM with seconds") << "mm/dd/yy hh:mm:ss AMPM" << afternoon << "11/23/99 01:05:09 PM";
        QTest::newRow("general form of a date at midnight has no time") << "" << midnight << "3/7/2026";
        QTest::newRow("general form of a date with a time") << "" << afternoon << "11/23/1999 1:05:09 PM";
        QTest::newRow("general form at noon") << "" << noon << "3/7/2026 12:00:00 PM";
        QTest::newRow("a number format stamps the general form") << "0.00" << noon << "3/7/2026 12:00:00 PM";
        QTest::newRow("long names and quoted text")
            << "dddd, mmmm d \"at\" h:nn a/p" << afternoon << "Tuesday, November 23 at 1:05 p";
    }
    void dateFormats()
    {
        QFETCH(QString, format);
        QFETCH(QDateTime, value);
        QFETCH(QString, expected);
        QCOMPARE(ValueFormat::formatDateTime(value, format), expected);
    }
    void typedNumbersReadBack_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("value");
        QTest::newRow("thousands separators") << "1,234.50" << true << 1234.5;
        QTest::newRow("millions") << "12,345,678" << true << 12345678.0;
        QTest::newRow("a dollar sign") << "$1,234" << true << 1234.0;
        QTest::newRow("a minus before the dollar") << "-$5.25" << true << -5.25;
        QTest::newRow("a minus after the dollar") << "$-5.25" << true << -5.25;
        QTest::newRow("parentheses for a negative") << "($7.00)" << true << -7.0;
        QTest::newRow("a percentage") << "12.5%" << true << 0.125;
        QTest::newRow("blanks around it") << "  42 " << true << 42.0;
        QTest::newRow("no leading digit") << ".5" << true << 0.5;
        QTest::newRow("an exponent") << "1e3" << true << 1000.0;
        QTest::newRow("a plus sign") << "+3" << true << 3.0;
        QTest::newRow("empty text") << "" << false << 0.0;
        QTest::newRow("a word") << "call us" << false << 0.0;
        QTest::newRow("a short group after a comma") << "1,23" << false << 0.0;
        QTest::newRow("a long group before a comma") << "1234,567" << false << 0.0;
        QTest::newRow("two points") << "1.2.3" << false << 0.0;
        QTest::newRow("two signs") << "--1" << false << 0.0;
        QTest::newRow("a lone dollar") << "$" << false << 0.0;
        QTest::newRow("a trailing minus") << "5-" << false << 0.0;
        QTest::newRow("a blank inside") << "1 234" << false << 0.0;
        QTest::newRow("a phone number") << "555-1234" << false << 0.0;
        QTest::newRow("a sign inside parentheses") << "(-5)" << false << 0.0;
    }
    void typedNumbersReadBack()
    {
        QFETCH(QString, typed);
        QFETCH(bool, valid);
        QFETCH(double, value);
        const auto v = ValueFormat::parseNumber(typed);
        QCOMPARE(v.has_value(), valid);
        if (valid)
            QCOMPARE(*v, value);
    }
    void typedDatesReadBack_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QDateTime>("expected"); // invalid = not a date
        const QDate d(2026, 3, 7);
        QTest::newRow("m/d/yyyy") << "3/7/2026" << QDateTime(d, QTime(0, 0));
        QTest::newRow("two-digit year before 30 is this century") << "03/07/26" << QDateTime(d, QTime(0, 0));
        QTest::newRow("two-digit year from 30 is last century")
            << "1/2/30" << QDateTime(QDate(1930, 1, 2), QTime(0, 0));
        QTest::newRow("ISO date and time") << "2026-03-07T13:05:09" << QDateTime(d, QTime(13, 5, 9));
        QTest::newRow("day, month name, year") << "07-mar-2026" << QDateTime(d, QTime(0, 0));
        QTest::newRow("month name first with a comma") << "March 7, 2026" << QDateTime(d, QTime(0, 0));
        QTest::newRow("12 AM is midnight") << "3/7/2026 12:15 am" << QDateTime(d, QTime(0, 15));
        QTest::newRow("12 PM is noon") << "3/7/2026 12:15 PM" << QDateTime(d, QTime(12, 15));
        QTest::newRow("a 24-hour time") << " 3/7/2026 23:59:59 " << QDateTime(d, QTime(23, 59, 59));
        QTest::newRow("no such day") << "2/30/2026" << QDateTime();
        QTest::newRow("no such month") << "13/1/2026" << QDateTime();
        QTest::newRow("no year") << "3/7" << QDateTime();
        QTest::newRow("an hour past the day") << "3/7/2026 25:00" << QDateTime();
        QTest::newRow("a one-digit minute") << "3/7/2026 1:5" << QDateTime();
        QTest::newRow("13 PM") << "3/7/2026 13:00 PM" << QDateTime();
        QTest::newRow("mixed separators") << "3/7-2026" << QDateTime();
        QTest::newRow("a word") << "soon" << QDateTime();
        QTest::newRow("text after the date") << "3/7/2026 closed" << QDateTime();
    }
    void typedDatesReadBack()
    {
        QFETCH(QString, typed);
        QFETCH(QDateTime, expected);
        QCOMPARE(ValueFormat::parseDateTime(typed), expected);
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
    void truthValues_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("expected"); // 1 ticked, 0 not ticked, -1 no truth value
        QTest::newRow("-1 is ticked") << "-1" << 1;
        QTest::newRow("1 is ticked") << "1" << 1;
        QTest::newRow("True is ticked") << "True" << 1;
        QTest::newRow("true in any case is ticked") << "TRUE" << 1;
        QTest::newRow("0 is not ticked") << "0" << 0;
        QTest::newRow("False is not ticked") << "False" << 0;
        QTest::newRow("empty is not ticked") << "" << 0;
        QTest::newRow("2 is no truth value") << "2" << -1;
        QTest::newRow("a word is no truth value") << "maybe" << -1;
    }
    void truthValues()
    {
        QFETCH(QString, typed);
        QFETCH(int, expected);
        const auto v = ValueFormat::parseBool(typed);
        QCOMPARE(v.has_value() ? int(*v) : -1, expected);
    }
    void cellsShowAsTheirColumnSays_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        const int money = int(DataType::Currency), number = int(DataType::Double), date = int(DataType::Date);
        QTest::newRow("money typed with a sign and commas") << money << "$#,###.00"
                                                            << "$1,234.5"
                                                            << "$1,234.50";
        QTest::newRow("money in parentheses") << money << "$#,###.00"
                                              << "(12.5)"
                                              << "-$12.50";
        QTest::newRow("money that is not a number is shown as typed") << money << "$#,###.00"
                                                                      << "ask"
                                                                      << "ask";
        QTest::newRow("badly grouped digits are shown as typed") << number << "0.00"
                                                                 << "1,23"
                                                                 << "1,23";
        QTest::newRow("a percentage typed into a number column") << number << "0.00"
                                                                 << "50%"
                                                                 << "0.50";
        QTest::newRow("a number column without format") << number << ""
                                                        << "1,000.50"
                                                        << "1000.5";
        QTest::newRow("a date column") << date << "dd-Mmm-yyyy"
                                       << "3/7/2026"
                                       << "07-Mar-2026";
        QTest::newRow("a date that is not a date is shown as typed") << date << "dd-Mmm-yyyy"
                                                                     << "next week"
                                                                     << "next week";
        QTest::newRow("text columns ignore formats") << int(DataType::String) << "0.00"
                                                     << "12"
                                                     << "12";
        QTest::newRow("an empty money cell stays empty") << money << "$#,###.00"
                                                         << ""
                                                         << "";
    }
    void cellsShowAsTheirColumnSays()
    {
        QFETCH(int, type);
        QFETCH(QString, format);
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(ValueFormat::display(text, DataType(type), format), shown);
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
