#include "core/shell/tips.h"
#include "support/casetable.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTest>

using namespace dq;
using namespace Qt::StringLiterals;

class TestTips : public QObject
{
    Q_OBJECT

private slots:
    // steps: n for Next, p for Previous, from tip 5 moved to start; seen: the tip after each step.
    void paging_data() { test::addCaseRows(u"shell/tippaging.tsv"_s); }
    void paging()
    {
        QFETCH(QString, start);
        QFETCH(QString, steps);
        QFETCH(QString, seen);
        Tips tips;
        tips.setCurrent(5);
        tips.setCurrent(start.toInt());
        QList<int> got;
        for (QChar step : steps) {
            got << (step == u'n' ? tips.next() : tips.previous());
            QCOMPARE(got.last(), tips.current());
            QCOMPARE(tips.currentText(), Tips::text(got.last()));
        }
        QCOMPARE(got, test::numbers(seen));
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
        for (int i = 0; i < 20000; ++i)
            ++hits[qBound(0, Tips::randomNumber(generator), Tips::count() + 1)];
        QCOMPARE(hits.first() + hits.last(), 0);
        QVERIFY(!hits.mid(1, Tips::count()).contains(0));
        QRandomGenerator drawn(99), same(99);
        Tips tips;
        tips.start(drawn);
        QCOMPARE(tips.current(), Tips::randomNumber(same));
    }
    void everyTipStartsWithFiveBlanksAndOnlySomeEndWithOne()
    {
        QSet<QString> texts;
        for (int n = 1; n <= Tips::count(); ++n) {
            const QString t = Tips::text(n);
            const bool endsInBlank = QSet<int> { 26, 27, 38, 39 }.contains(n);
            QVERIFY2(t.startsWith(u"     "_s) && !t.at(5).isSpace(), qPrintable(QString::number(n)));
            QVERIFY2(t.endsWith(u' ') == endsInBlank && !t.endsWith(u"  "_s), qPrintable(QString::number(n)));
            texts.insert(t);
        }
        QCOMPARE(texts.size(), Tips::count());
    }
};

QTEST_GUILESS_MAIN(TestTips)
#include "tst_tips.moc"
