#include "core/print/numberlist.h"

#include <QTest>

using namespace dq;

class TestNumberList : public QObject
{
    Q_OBJECT

private slots:
    void listsParse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("numbers"); // empty: refused
        QTest::newRow("single numbers and ranges mix") << QStringLiteral("2,5,7-9") << QList<int> { 2, 5, 7, 8, 9 };
        QTest::newRow("blanks around entries are allowed") << QStringLiteral(" 3 , 1 - 2 ") << QList<int> { 1, 2, 3 };
        QTest::newRow("repeats and overlaps count once, in order")
            << QStringLiteral("4,1-4,2") << QList<int> { 1, 2, 3, 4 };
        QTest::newRow("a number past the end is refused") << QStringLiteral("1,11") << QList<int> {};
        QTest::newRow("zero is refused") << QStringLiteral("0-2") << QList<int> {};
        QTest::newRow("a backwards range is refused") << QStringLiteral("5-3") << QList<int> {};
        QTest::newRow("an empty entry is refused") << QStringLiteral("1,,2") << QList<int> {};
        QTest::newRow("words are refused") << QStringLiteral("all") << QList<int> {};
        QTest::newRow("a negative number is refused") << QStringLiteral("-1") << QList<int> {};
    }
    void listsParse()
    {
        QFETCH(QString, text);
        QFETCH(QList<int>, numbers);
        QString error;
        const auto parsed = parseNumberList(text, 1, 10, &error);
        QCOMPARE(parsed.has_value(), !numbers.isEmpty());
        if (parsed)
            QCOMPARE(QList<int>(parsed->begin(), parsed->end()), numbers);
        else
            QVERIFY(!error.isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestNumberList)
#include "tst_numberlist.moc"
