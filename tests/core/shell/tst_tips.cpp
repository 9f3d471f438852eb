#include "core/shell/tips.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTest>

using namespace dq;

class TestTips : public QObject
{
    Q_OBJECT

private slots:
    // steps: 'n' for Next, 'p' for Previous; seen: the tip number after each step.
    void paging_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QList<int>>("seen");
        QTest::newRow("Next on the last tip wraps to the first") << 39 << QStringLiteral("nn") << QList<int> { 1, 2 };
        QTest::newRow("Previous on the first tip wraps to the last")
            << 1 << QStringLiteral("pp") << QList<int> { 39, 38 };
        QTest::newRow("Next then Previous from tip 17 comes back to it")
            << 17 << QStringLiteral("np") << QList<int> { 18, 17 };
        QTest::newRow("Previous then Next across the wrap comes back to the first")
            << 1 << QStringLiteral("pn") << QList<int> { 39, 1 };
        QTest::newRow("Next then Previous across the wrap comes back to the last")
            << 39 << QStringLiteral("np") << QList<int> { 1, 39 };
    }
    void paging()
    {
        QFETCH(int, start);
        QFETCH(QString, steps);
        QFETCH(QList<int>, seen);
        Tips tips;
        tips.setCurrent(start);
        QCOMPARE(tips.current(), start);
        QList<int> got;
        for (QChar step : steps) {
            const int returned = step == QLatin1Char('n') ? tips.next() : tips.previous();
            QCOMPARE(returned, tips.current());
            QCOMPARE(tips.currentText(), Tips::text(returned));
            got << returned;
        }
        QCOMPARE(got, seen);
    }
    void aFullRoundEitherWayShowsEveryTipOnceAndComesBack_data()
    {
        QTest::addColumn<bool>("forward");
        QTest::newRow("a round of Next") << true;
        QTest::newRow("a round of Previous") << false;
    }
    void aFullRoundEitherWayShowsEveryTipOnceAndComesBack()
    {
        QFETCH(bool, forward);
        Tips tips;
        tips.setCurrent(23);
        QSet<int> seen;
        for (int i = 0; i < Tips::count(); ++i)
            seen.insert(forward ? tips.next() : tips.previous());
        QCOMPARE(seen.size(), Tips::count());
        QCOMPARE(tips.current(), 23);
    }
    void numbersOutsideTheListAreRefused_data()
    {
        QTest::addColumn<int>("number");
        QTest::newRow("zero") << 0;
        QTest::newRow("one past the last tip") << 40;
        QTest::newRow("a negative number") << -1;
    }
    void numbersOutsideTheListAreRefused()
    {
        QFETCH(int, number);
        Tips tips;
        tips.setCurrent(5);
        tips.setCurrent(number);
        QCOMPARE(tips.current(), 5);
        QVERIFY(Tips::text(number).isEmpty());
    }
    void theRandomStartCanBeAnyTipAndNoOther()
    {
        QRandomGenerator generator(20261206);
        QList<int> hits(Tips::count() + 2, 0);
        for (int i = 0; i < 20000; ++i) {
            const int n = Tips::randomNumber(generator);
            QVERIFY2(n >= 1 && n <= Tips::count(), qPrintable(QString::number(n)));
            ++hits[n];
        }
        for (int n = 1; n <= Tips::count(); ++n)
            QVERIFY2(hits.at(n) > 0, qPrintable(QStringLiteral("tip %1 never came first").arg(n)));
    }
    void startMakesTheDrawnTipCurrent()
    {
        for (quint32 seed : { 1u, 2u, 3u, 99u }) {
            QRandomGenerator drawn(seed);
            QRandomGenerator same(seed);
            Tips tips;
            tips.start(drawn);
            QCOMPARE(tips.current(), Tips::randomNumber(same));
        }
    }
    void everyTipStartsWithFiveBlanksAndOnlySomeEndWithOne()
    {
        const QSet<int> endingInBlank { 26, 27, 38, 39 };
        QSet<QString> texts;
        for (int n = 1; n <= Tips::count(); ++n) {
            const QString t = Tips::text(n);
            const QByteArray where = "tip " + QByteArray::number(n);
            QVERIFY2(t.startsWith(QStringLiteral("     ")), where.constData());
            QVERIFY2(!t.at(5).isSpace(), where.constData());
            QVERIFY2(t.endsWith(QLatin1Char(' ')) == endingInBlank.contains(n), where.constData());
            QVERIFY2(!t.endsWith(QStringLiteral("  ")), where.constData());
            texts.insert(t);
        }
        QCOMPARE(texts.size(), Tips::count());
    }
    void theWebSiteTipNamesTheProductSite()
    {
        QVERIFY(Tips::text(8).contains(QStringLiteral("https://www.dirquill.org/")));
        QVERIFY(Tips::text(16).endsWith(QStringLiteral("with Dirquill.")));
    }
};

QTEST_GUILESS_MAIN(TestTips)
#include "tst_tips.moc"
