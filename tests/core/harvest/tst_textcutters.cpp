#include "core/harvest/textcutters.h"

#include <QTest>

#include <span>

using namespace dq;

namespace {

struct Cut
{
    const char *name;
    const char *text;
    const char *begin;
    const char *end;
    const char *expected;
};

const Cut kBetween[] = {
    { "both markers present gives the text between the first pair", "a[b]c[d]", "[", "]", "b" },
    { "empty begin starts at the beginning", "abc]def", "", "]", "abc" },
    { "empty end takes everything after begin", "ab[cd]ef", "[", "", "cd]ef" },
    { "both empty give the whole text", "abc", "", "", "abc" },
    { "absent begin gives nothing", "abc]", "[", "]", "" },
    { "absent end gives nothing", "a[bc", "[", "]", "" },
    { "end only before begin gives nothing", "a]b[c", "[", "]", "" },
    { "begin at the very start", "<li>x</li>", "<li>", "</li>", "x" },
    { "begin at the very end gives nothing when end is asked", "abc<li>", "<li>", "x", "" },
    { "begin at the very end with empty end gives empty", "abc<li>", "<li>", "", "" },
    { "end right after begin gives empty", "a[]b", "[", "]", "" },
    { "overlapping markers: end is searched after begin", "abab", "aba", "ab", "" },
    { "same marker twice cuts between the first two", "|x|y|", "|", "|", "x" },
    { "matching is case-sensitive", "<LI>x</li>", "<li>", "</li>", "" },
    { "empty text with a begin gives nothing", "", "[", "", "" },
};
const Cut kBetweenLoose[] = {
    { "both markers present", "a[b]c", "[", "]", "b" },
    { "empty begin starts at position 1", "abc]d", "", "]", "abc" },
    { "empty end takes the rest", "a[bc", "[", "", "bc" },
    { "absent begin gives nothing", "abc", "[", "", "" },
    { "absent end gives nothing", "a[bc", "[", "]", "" },
    { "end only before the start gives nothing", "]a[bc", "[", "]", "" },
    { "end right at the start is an empty span", "a[]b", "[", "]", "" },
    { "end at position 1 with empty begin is an empty span", "]abc", "", "]", "" },
    { "begin at the end of the text gives nothing", "abc[", "[", "", "" },
    { "later end is found when the first lies before the start", "x=1&y[a&b", "[", "&", "a" },
    { "address prefix up to a page marker", "www.site.com/s?q=a&page=3&x", "", "&page=", "www.site.com/s?q=a" },
};
const Cut kOutMiddle[] = {
    { "markers and what lies between are removed", "ab<i>x</i>cd", "<i>", "</i>", "abcd" },
    { "only the first pair is removed", "a(1)b(2)c", "(", ")", "ab(2)c" },
    { "empty end removes everything from begin on", "Main St, Suite 4", ", Suite", "", "Main St" },
    { "empty begin cuts from the start", "junk]keep", "", "]", "keep" },
    { "absent begin leaves the text unchanged", "abc", "<", ">", "abc" },
    { "absent end leaves the text unchanged", "a<bc", "<", ">", "a<bc" },
    { "end directly after begin is not taken", "a<>b>c", "<", ">", "ac" },
    { "end directly after begin and nowhere else leaves the text", "a<>bc", "<", ">", "a<>bc" },
    { "end before begin is ignored", "x>a<b>c", "<", ">", "x>ac" },
    { "begin at the start", "<b>x</b>tail", "<b>", "</b>", "tail" },
    { "end at the very end", "head<b>x</b>", "<b>", "</b>", "head" },
    { "empty begin and empty end give nothing", "abc", "", "", "" },
};

} // namespace

class TestTextCutters : public QObject
{
    Q_OBJECT

private slots:
    void cutters_data()
    {
        QTest::addColumn<int>("cutter");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("begin");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("expected");
        const std::pair<const char *, std::span<const Cut>> tables[]
            = { { "CutBetween", kBetween }, { "CutBetweenLoose", kBetweenLoose }, { "CutOutMiddle", kOutMiddle } };
        for (int t = 0; t < 3; ++t) {
            for (const Cut &c : tables[t].second) {
                QTest::addRow("%s: %s", tables[t].first, c.name)
                    << t << QString::fromUtf8(c.text) << QString::fromUtf8(c.begin) << QString::fromUtf8(c.end)
                    << QString::fromUtf8(c.expected);
            }
        }
    }
    void cutters()
    {
        QFETCH(int, cutter);
        QFETCH(QString, text);
        QFETCH(QString, begin);
        QFETCH(QString, end);
        QFETCH(QString, expected);
        if (cutter == 0) {
            QCOMPARE(CutBetween(text, begin, end), expected);
            QCOMPARE(CutBetween(QStringView(text), QStringView(begin), QStringView(end)).toString(), expected);
        } else {
            QCOMPARE(cutter == 1 ? CutBetweenLoose(text, begin, end) : CutOutMiddle(text, begin, end), expected);
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
    void searchAgreesWithQtAtEveryPosition_data()
    {
        QTest::addColumn<QString>("marker");
        QTest::newRow("two characters") << "</";
        QTest::newRow("a tag") << "</span>";
        QTest::newRow("first and last character alike") << "<a<";
        QTest::newRow("longer than one block of eight") << "<div class=\"listing\">";
        QTest::newRow("characters beyond Latin-1") << u"\u20ac\u00e9"_qs;
    }
    // The page search works on blocks of characters; a marker must be found wherever it starts,
    // across block edges and up to the very end, and a near miss must not count.
    void searchAgreesWithQtAtEveryPosition()
    {
        QFETCH(QString, marker);
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
