#include "core/harvest/textcutters.h"

#include <QTest>

using namespace dq;

static void addCutColumns()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("begin");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("expected");
}

class TestTextCutters : public QObject
{
    Q_OBJECT

private slots:
    void cutBetween_data()
    {
        addCutColumns();
        QTest::newRow("both markers present gives the text between the first pair") << "a[b]c[d]"
                                                                                    << "["
                                                                                    << "]"
                                                                                    << "b";
        QTest::newRow("empty begin starts at the beginning") << "abc]def"
                                                             << ""
                                                             << "]"
                                                             << "abc";
        QTest::newRow("empty end takes everything after begin") << "ab[cd]ef"
                                                                << "["
                                                                << ""
                                                                << "cd]ef";
        QTest::newRow("both empty give the whole text") << "abc"
                                                        << ""
                                                        << ""
                                                        << "abc";
        QTest::newRow("absent begin gives nothing") << "abc]"
                                                    << "["
                                                    << "]"
                                                    << "";
        QTest::newRow("absent end gives nothing") << "a[bc"
                                                  << "["
                                                  << "]"
                                                  << "";
        QTest::newRow("end only before begin gives nothing") << "a]b[c"
                                                             << "["
                                                             << "]"
                                                             << "";
        QTest::newRow("begin at the very start") << "<li>x</li>"
                                                 << "<li>"
                                                 << "</li>"
                                                 << "x";
        QTest::newRow("begin at the very end gives nothing when end is asked") << "abc<li>"
                                                                               << "<li>"
                                                                               << "x"
                                                                               << "";
        QTest::newRow("begin at the very end with empty end gives empty") << "abc<li>"
                                                                          << "<li>"
                                                                          << ""
                                                                          << "";
        QTest::newRow("end right after begin gives empty") << "a[]b"
                                                           << "["
                                                           << "]"
                                                           << "";
        QTest::newRow("overlapping markers: end is searched after begin") << "abab"
                                                                          << "aba"
                                                                          << "ab"
                                                                          << "";
        QTest::newRow("same marker twice cuts between the first two") << "|x|y|"
                                                                      << "|"
                                                                      << "|"
                                                                      << "x";
        QTest::newRow("matching is case-sensitive") << "<LI>x</li>"
                                                    << "<li>"
                                                    << "</li>"
                                                    << "";
        QTest::newRow("empty text with a begin gives nothing") << ""
                                                               << "["
                                                               << ""
                                                               << "";
    }
    void cutBetween()
    {
        QFETCH(QString, text);
        QFETCH(QString, begin);
        QFETCH(QString, end);
        QFETCH(QString, expected);
        QCOMPARE(CutBetween(text, begin, end), expected);
        QCOMPARE(CutBetween(QStringView(text), QStringView(begin), QStringView(end)).toString(), expected);
    }
    void cutBetweenLoose_data()
    {
        addCutColumns();
        QTest::newRow("both markers present") << "a[b]c"
                                              << "["
                                              << "]"
                                              << "b";
        QTest::newRow("empty begin starts at position 1") << "abc]d"
                                                          << ""
                                                          << "]"
                                                          << "abc";
        QTest::newRow("empty end takes the rest") << "a[bc"
                                                  << "["
                                                  << ""
                                                  << "bc";
        QTest::newRow("absent begin gives nothing") << "abc"
                                                    << "["
                                                    << ""
                                                    << "";
        QTest::newRow("absent end gives nothing") << "a[bc"
                                                  << "["
                                                  << "]"
                                                  << "";
        QTest::newRow("end only before the start gives nothing") << "]a[bc"
                                                                 << "["
                                                                 << "]"
                                                                 << "";
        QTest::newRow("end right at the start is an empty span") << "a[]b"
                                                                 << "["
                                                                 << "]"
                                                                 << "";
        QTest::newRow("end at position 1 with empty begin is an empty span") << "]abc"
                                                                             << ""
                                                                             << "]"
                                                                             << "";
        QTest::newRow("begin at the end of the text gives nothing") << "abc["
                                                                    << "["
                                                                    << ""
                                                                    << "";
        QTest::newRow("later end is found when the first lies before the start") << "x=1&y[a&b"
                                                                                 << "["
                                                                                 << "&"
                                                                                 << "a";
        QTest::newRow("address prefix up to a page marker") << "www.site.com/s?q=a&page=3&x"
                                                            << ""
                                                            << "&page="
                                                            << "www.site.com/s?q=a";
    }
    void cutBetweenLoose()
    {
        QFETCH(QString, text);
        QFETCH(QString, begin);
        QFETCH(QString, end);
        QFETCH(QString, expected);
        QCOMPARE(CutBetweenLoose(text, begin, end), expected);
    }
    void cutOutMiddle_data()
    {
        addCutColumns();
        QTest::newRow("markers and what lies between are removed") << "ab<i>x</i>cd"
                                                                   << "<i>"
                                                                   << "</i>"
                                                                   << "abcd";
        QTest::newRow("only the first pair is removed") << "a(1)b(2)c"
                                                        << "("
                                                        << ")"
                                                        << "ab(2)c";
        QTest::newRow("empty end removes everything from begin on") << "Main St, Suite 4"
                                                                    << ", Suite"
                                                                    << ""
                                                                    << "Main St";
        QTest::newRow("empty begin cuts from the start") << "junk]keep"
                                                         << ""
                                                         << "]"
                                                         << "keep";
        QTest::newRow("absent begin leaves the text unchanged") << "abc"
                                                                << "<"
                                                                << ">"
                                                                << "abc";
        QTest::newRow("absent end leaves the text unchanged") << "a<bc"
                                                              << "<"
                                                              << ">"
                                                              << "a<bc";
        QTest::newRow("end directly after begin is not taken") << "a<>b>c"
                                                               << "<"
                                                               << ">"
                                                               << "ac";
        QTest::newRow("end directly after begin and nowhere else leaves the text") << "a<>bc"
                                                                                   << "<"
                                                                                   << ">"
                                                                                   << "a<>bc";
        QTest::newRow("end before begin is ignored") << "x>a<b>c"
                                                     << "<"
                                                     << ">"
                                                     << "x>ac";
        QTest::newRow("begin at the start") << "<b>x</b>tail"
                                            << "<b>"
                                            << "</b>"
                                            << "tail";
        QTest::newRow("end at the very end") << "head<b>x</b>"
                                             << "<b>"
                                             << "</b>"
                                             << "head";
        QTest::newRow("empty begin and empty end give nothing") << "abc"
                                                                << ""
                                                                << ""
                                                                << "";
    }
    void cutOutMiddle()
    {
        QFETCH(QString, text);
        QFETCH(QString, begin);
        QFETCH(QString, end);
        QFETCH(QString, expected);
        QCOMPARE(CutOutMiddle(text, begin, end), expected);
    }
    void instrPositions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("marker");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("expected");
        QTest::newRow("positions count from 1") << "abc"
                                                << "a" << 1 << 1;
        QTest::newRow("absent marker is 0") << "abc"
                                            << "x" << 1 << 0;
        QTest::newRow("empty marker is found where the search starts") << "abc"
                                                                       << "" << 2 << 2;
        QTest::newRow("empty marker in empty text is not found") << ""
                                                                 << "" << 1 << 0;
        QTest::newRow("search from a later position skips earlier hits") << "a-a"
                                                                         << "a" << 2 << 3;
        QTest::newRow("start past the end finds nothing") << "abc"
                                                          << "c" << 4 << 0;
    }
    void instrPositions()
    {
        QFETCH(QString, text);
        QFETCH(QString, marker);
        QFETCH(int, from);
        QFETCH(int, expected);
        QCOMPARE(instr(text, marker, from), expected);
    }
    void replaceAllWithEmptyFindKeepsText()
    {
        QCOMPARE(replaceAll(u"a&amp;b&amp;", u"&amp;", u"&"), QStringLiteral("a&b&"));
        QCOMPARE(replaceAll(u"abc", u"", u"X"), QStringLiteral("abc"));
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
