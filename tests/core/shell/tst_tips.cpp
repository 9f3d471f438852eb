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
        QTest::newRow("Next on the last tip wraps to the first") << 39 << "nn" << QList<int> { 1, 2 };
        QTest::newRow("Previous on the first tip wraps to the last") << 1 << "pp" << QList<int> { 39, 38 };
        QTest::newRow("Next then Previous from tip 17 comes back to it") << 17 << "np" << QList<int> { 18, 17 };
        QTest::newRow("Previous then Next across the wrap comes back to the first")
            << 1 << "pn" << QList<int> { 39, 1 };
        QTest::newRow("a number outside the list is ignored") << 0 << "n" << QList<int> { 6 };
        QTest::newRow("one past the last tip is ignored") << 40 << "p" << QList<int> { 4 };
    }
    void paging()
    {
        QFETCH(int, start);
        QFETCH(QString, steps);
        QFETCH(QList<int>, seen);
        Tips tips;
        tips.setCurrent(5);
        tips.setCurrent(start);
        QList<int> got;
        for (QChar step : steps) {
            got << (step == u'n' ? tips.next() : tips.previous());
            QCOMPARE(got.last(), tips.current());
            QCOMPARE(tips.currentText(), Tips::text(got.last()));
        }
        QCOMPARE(got, seen);
        QVERIFY(Tips::text(0).isEmpty() && Tips::text(40).isEmpty());
    }
    void aFullRoundEitherWayShowsEveryTipOnceAndComesBack()
    {
        for (bool forward : { true, false }) {
            Tips tips;
            tips.setCurrent(23);
            QSet<int> seen;
            for (int i = 0; i < Tips::count(); ++i)
                seen.insert(forward ? tips.next() : tips.previous());
            QCOMPARE(seen.size(), Tips::count());
            QCOMPARE(tips.current(), 23);
        }
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
        QVERIFY(!hits.mid(1, Tips::count()).contains(0));
        QRandomGenerator drawn(99);
        QRandomGenerator same(99);
        Tips tips;
        tips.start(drawn);
        QCOMPARE(tips.current(), Tips::randomNumber(same));
    }
    void everyTipStartsWithFiveBlanksAndOnlySomeEndWithOne()
    {
        const QSet<int> endingInBlank { 26, 27, 38, 39 };
        QSet<QString> texts;
        for (int n = 1; n <= Tips::count(); ++n) {
            const QString t = Tips::text(n);
            const QByteArray where = "tip " + QByteArray::number(n);
            QVERIFY2(t.startsWith(QStringLiteral("     ")) && !t.at(5).isSpace(), where.constData());
            QVERIFY2(
                t.endsWith(u' ') == endingInBlank.contains(n) && !t.endsWith(QStringLiteral("  ")), where.constData());
            texts.insert(t);
        }
        QCOMPARE(texts.size(), Tips::count());
    }
};

QTEST_GUILESS_MAIN(TestTips)
#include "tst_tips.moc"
