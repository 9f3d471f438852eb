#include "core/harvest/textcutters.h"
#include "support/casefields.h"
#include "support/casetable.h"

using namespace dq;
using test::field;

class TestTextCutters : public QObject
{
    Q_OBJECT

private slots:
    void cutters_data() { test::addCaseRows(u"harvest/text-cutters.tsv"_qs); }
    void cutters()
    {
        const QString text = field("text"), begin = field("begin"), end = field("end"), cutter = field("cutter");
        if (cutter == u"CutBetween") {
            QTEST(CutBetween(text, begin, end), "expected");
            QTEST(CutBetween(QStringView(text), QStringView(begin), QStringView(end)).toString(), "expected");
        } else {
            QTEST(cutter == u"CutBetweenLoose" ? CutBetweenLoose(text, begin, end) : CutOutMiddle(text, begin, end),
                "expected");
        }
    }
    // Where the search below cannot look: empty markers and starts past the end.
    void edges()
    {
        QCOMPARE(instr(u"abc"_qs, QString(), 2), 2);
        QCOMPARE(instr(QString(), QString(), 1), 0);
        QCOMPARE(instr(u"abc"_qs, u"c"_qs, 4), 0);
        QCOMPARE(replaceAll(u"abc", u"", u"X"), u"abc"_qs);
    }
    void searchAgreesWithQtAtEveryPosition_data() { test::addCaseRows(u"harvest/search-markers.tsv"_qs); }
    // The page search works on blocks of characters; a marker must be found wherever it starts,
    // across block edges and up to the very end, and a near miss must not count.
    void searchAgreesWithQtAtEveryPosition()
    {
        const QString marker = field("marker");
        QString nearMiss = marker;
        nearMiss[nearMiss.size() / 2] = u'#';
        for (int length = marker.size(); length < 40; ++length) {
            for (int at = 0; at + marker.size() <= length; ++at) {
                QString text(length, u'.');
                text.replace(at, marker.size(), marker);
                if (at > marker.size())
                    text.replace(0, nearMiss.size(), nearMiss);
                for (int from = 1; from <= length; ++from) {
                    const int expected = int(QStringView(text).indexOf(marker, from - 1)) + 1;
                    if (instr(text, marker, from) != expected)
                        QFAIL(qPrintable(u"text "_qs + text + u" from "_qs + QString::number(from)));
                }
            }
        }
        QCOMPARE(replaceAll(u"xx&amp;&amp;yy&amp;", u"&amp;", u"&"), u"xx&&yy&"_qs);
    }
};

QTEST_APPLESS_MAIN(TestTextCutters)
#include "tst_textcutters.moc"
