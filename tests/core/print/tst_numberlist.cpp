#include "core/print/numberlist.h"
#include "support/casetable.h"

#include <QTest>

using namespace dq;

class TestNumberList : public QObject
{
    Q_OBJECT

private slots:
    void listsParse_data() { test::addCaseRows(QStringLiteral("print/numberlist.tsv")); }
    void listsParse()
    {
        QFETCH(QString, text);
        QFETCH(QString, accepted);
        const QList<int> numbers = test::numbers(accepted);
        QString error;
        const auto parsed = parseNumberList(text, 1, 10, &error);
        QCOMPARE(parsed.has_value(), !numbers.isEmpty());
        if (parsed)
            QCOMPARE(QList<int>(parsed->begin(), parsed->end()), numbers);
        else
            QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestNumberList)
#include "tst_numberlist.moc"
