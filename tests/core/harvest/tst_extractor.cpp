#include "core/harvest/extractor.h"

#include <QTest>

using namespace dq;

namespace {

// Rules for pages of the form  results<ul><li>Name|Street|Phone|</li>...</ul>
KeyRules barRules(int fields = 3)
{
    KeyRules k;
    k.listStart = u"<li>"_qs;
    k.listEnd = u"</ul>"_qs;
    k.listingEnd = u"</li>"_qs;
    k.pageCheck = u"results"_qs;
    const int columns[] = { 0, 1, 5 };
    for (int f = 0; f < fields; ++f)
        k.fields.push_back({ columns[f], u"|"_qs, -1, 0 });
    return k;
}

QString page(const QStringList &listings)
{
    QString p = u"<html>results<ul>"_qs;
    for (const QString &l : listings)
        p += u"<li>"_qs + l + u"</li>\n"_qs;
    return p + u"</ul></html>"_qs;
}

QStringList row(const QStringList &cells, int columns = 13)
{
    QStringList r = cells;
    while (r.size() < columns)
        r.append(QString());
    return r;
}

} // namespace

class TestExtractor : public QObject
{
    Q_OBJECT

private slots:
    void nextAddress_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("k7");
        QTest::addColumn<QString>("k8");
        QTest::addColumn<int>("k9");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Page on an address with its marker: up to the marker, lower-cased, then n + 2")
            << "Page"
            << "&page="
            << "&page=2" << 0 << "www.yp.test/Search?Q=Plumbers&page=1&x=1" << 0
            << "www.yp.test/search?q=plumbers&page=2";
        QTest::newRow("Page on the fourth page gives page 5")
            << "Page"
            << "&page="
            << "" << 0 << "www.yp.test/s?q=a&page=4" << 3 << "www.yp.test/s?q=a&page=5";
        QTest::newRow("Page on an address without its marker appends K8")
            << "Page"
            << "&page="
            << "&page=2" << 0 << "www.yp.test/Search?Q=Plumbers" << 0 << "www.yp.test/Search?Q=Plumbers&page=2";
        QTest::newRow("Item on an address without its marker starts at K9 + 1")
            << "Item"
            << "&start="
            << "" << 10 << "www.yp.test/s?q=a" << 0 << "www.yp.test/s?q=a&start=11";
        QTest::newRow("Item keeps the address's letter case")
            << "Item"
            << "&start="
            << "" << 10 << "www.yp.test/S?Q=A&start=11" << 1 << "www.yp.test/S?Q=A&start=21";
        QTest::newRow("PageMiddle puts the page between prefix and suffix, K8 itself dropped")
            << "PageMiddle"
            << "/p"
            << "/austin" << 0 << "www.yp.test/list/p1/austin-tx.html" << 0 << "www.yp.test/list/p2-tx.html";
        QTest::newRow("ItemMiddle counts listings between prefix and suffix")
            << "ItemMiddle"
            << "/from-"
            << "/to" << 25 << "www.yp.test/list/from-1/to/austin" << 1 << "www.yp.test/list/from-51/austin";
        QTest::newRow("an unknown method has no next page") << "Later"
                                                            << "&p="
                                                            << "&p=2" << 10 << "www.yp.test/s?q=a" << 0 << "";
        QTest::newRow("an empty method has no next page") << ""
                                                          << "&p="
                                                          << "&p=2" << 10 << "www.yp.test/s?q=a" << 0 << "";
        QTest::newRow("methods are matched exactly") << "page"
                                                     << "&page="
                                                     << "&page=2" << 0 << "www.yp.test/s" << 0 << "";
        QTest::newRow("&amp; in the built address becomes &")
            << "Page"
            << "&amp;page="
            << "&amp;page=2" << 0 << "www.yp.test/s?q=a" << 0 << "www.yp.test/s?q=a&page=2";
    }
    void nextAddress()
    {
        QFETCH(QString, method);
        QFETCH(QString, k7);
        QFETCH(QString, k8);
        QFETCH(int, k9);
        QFETCH(QString, address);
        QFETCH(int, n);
        QFETCH(QString, expected);
        KeyRules k;
        k.nextMethod = method;
        k.k7 = k7;
        k.k8 = k8;
        k.k9 = k9;
        Extractor::RunState s;
        s.address = address;
        s.page = n;
        QCOMPARE(Extractor::nextAddress(k, u"", s), expected);
        QCOMPARE(s.next, expected);
    }
    void middleMethodsKeepTheFirstPagesParts()
    {
        KeyRules k;
        k.nextMethod = u"PageMiddle"_qs;
        k.k7 = u"/page-"_qs;
        k.k8 = u"/city"_qs;
        Extractor::RunState s;
        s.address = u"www.yp.test/plumbers/page-1/city/austin"_qs;
        QCOMPARE(Extractor::nextAddress(k, u"", s), u"www.yp.test/plumbers/page-2/austin"_qs);
        s.address = u"www.other.test/x/page-2/austin"_qs;
        s.page = 1;
        QCOMPARE(Extractor::nextAddress(k, u"", s), u"www.yp.test/plumbers/page-3/austin"_qs);
    }
    void itemMethodCountsListingsAcrossPages()
    {
        KeyRules k = barRules(1);
        k.nextMethod = u"Item"_qs;
        k.k7 = u"&first="_qs;
        k.k9 = 10;
        Extractor::RunState s;
        s.address = u"www.yellow.test/search?what=plumbers&where=austin"_qs;
        QStringList visited;
        for (int i = 0; i < 3; ++i) {
            const auto r = Extractor::extractPage(k, page({ u"a|"_qs }), s);
            QCOMPARE(r.end, Extractor::End::None);
            visited << s.address.section(u"&first="_qs, 1);
            // The fetch hands the address back without its scheme.
            s.address = s.address.mid(7);
        }
        QCOMPARE(visited, QStringList({ u"11"_qs, u"21"_qs, u"31"_qs }));
    }
    void endReasons_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("pageText");
        QTest::addColumn<int>("n");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("end");
        QTest::addColumn<int>("rows");
        const QString next = u"<a class=\"next\" href=\"/search?q=plumbers&amp;page=2\">"_qs;
        QTest::newRow("an empty page ends the run") << "Next"
                                                    << "" << 0 << false << int(Extractor::End::NoPage) << 0;
        QTest::newRow("a page without the check marker ends the run")
            << "Next" << u"<li>a|</li></ul>"_qs + next << 0 << false << int(Extractor::End::NoPage) << 0;
        QTest::newRow("an empty method grabs one page")
            << "" << page({ u"a|"_qs }) + next << 0 << true << int(Extractor::End::NoNextAddress) << 1;
        QTest::newRow("a next link makes a long enough address")
            << "Next" << page({ u"a|"_qs }) + next << 0 << true << int(Extractor::End::None) << 1;
        QTest::newRow("a missing next link ends after the page")
            << "Next" << page({ u"a|"_qs, u"b|"_qs }) << 0 << true << int(Extractor::End::NoNextAddress) << 2;
        QTest::newRow("the page counter ends at 9999")
            << "Next" << page({ u"a|"_qs }) + next << 9999 << true << int(Extractor::End::PageLimit) << 1;
        QTest::newRow("page 9998 still goes on")
            << "Next" << page({ u"a|"_qs }) + next << 9998 << true << int(Extractor::End::None) << 1;
        QTest::newRow("a page without listings still goes on")
            << "Next" << QString(u"results<ul></ul>"_qs + next) << 0 << true << int(Extractor::End::None) << 0;
    }
    void endReasons()
    {
        QFETCH(QString, method);
        QFETCH(QString, pageText);
        QFETCH(int, n);
        QFETCH(bool, accepted);
        QFETCH(int, end);
        QFETCH(int, rows);
        KeyRules k = barRules(1);
        k.nextMethod = method;
        k.nextLinkBegin = u"class=\"next\" href=\""_qs;
        k.nextLinkEnd = u"\""_qs;
        k.nextLinkPrefix = u"www.yellow-directory.test"_qs;
        Extractor::RunState s;
        s.address = u"www.yellow-directory.test/search?q=plumbers"_qs;
        s.page = n;
        const auto r = Extractor::extractPage(k, pageText, s);
        QCOMPARE(r.accepted, accepted);
        QCOMPARE(int(r.end), end);
        QCOMPARE(int(r.rows.size()), rows);
        if (r.end == Extractor::End::None) {
            QCOMPARE(s.address, u"http://www.yellow-directory.test/search?q=plumbers&page=2"_qs);
            QCOMPARE(s.page, n + 1);
        } else {
            QCOMPARE(s.page, n);
        }
    }
    void nextAddressGetsTheRunsScheme_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<QString>("expected");
        QTest::newRow("34 characters are too short") << "www.abcdefghijklmnopqrs.test"
                                                     << "http"
                                                     << "";
        QTest::newRow("35 characters go on, over plain HTTP") << "www.abcdefghijklmnopqrst.test"
                                                              << "http"
                                                              << "http://www.abcdefghijklmnopqrst.test/p?n=2";
        QTest::newRow("a secure run stays secure") << "www.abcdefghijklmnopqrst.test"
                                                   << "https"
                                                   << "https://www.abcdefghijklmnopqrst.test/p?n=2";
        QTest::newRow("an address with its own scheme is kept") << "https://www.abcdefghijklmnopq.test"
                                                                << "http"
                                                                << "https://www.abcdefghijklmnopq.test/p?n=2";
    }
    void nextAddressGetsTheRunsScheme()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, scheme);
        QFETCH(QString, expected);
        KeyRules k = barRules(1);
        k.nextMethod = u"Next"_qs;
        k.nextLinkBegin = u"href=\""_qs;
        k.nextLinkEnd = u"\""_qs;
        k.nextLinkPrefix = prefix;
        Extractor::RunState s;
        s.scheme = scheme;
        s.address = u"www.start.test/"_qs;
        const QString text = page({ u"a|"_qs }) + u"<a href=\"/p?n=2\">"_qs;
        const auto r = Extractor::extractPage(k, text, s);
        QCOMPARE(r.nextAddress.size() >= Extractor::kMinNextAddress, !expected.isEmpty());
        if (!expected.isEmpty())
            QCOMPARE(s.address, expected);
        else
            QCOMPARE(r.end, Extractor::End::NoNextAddress);
    }
    void fields_data()
    {
        QTest::addColumn<QString>("listing");
        QTest::addColumn<QString>("markers"); // one marker per field, separated by spaces
        QTest::addColumn<QList<int>>("endOffsets");
        QTest::addColumn<QList<int>>("skipOffsets");
        QTest::addColumn<QStringList>("cells"); // columns 0, 1, 2
        QTest::newRow("end offset -1 and skip 0 take the text before the marker and go on after it")
            << "Acme | 1 Main St|Austin|"
            << "| | |" << QList<int> { -1, -1, -1 } << QList<int> { 0, 0, 0 }
            << QStringList { u"Acme"_qs, u"1 Main St"_qs, u"Austin"_qs };
        QTest::newRow("end offset 0 keeps the marker's first character")
            << "Acme;x"
            << ";" << QList<int> { 0 } << QList<int> { 0 } << QStringList { u"Acme;"_qs, QString(), QString() };
        QTest::newRow("a missing marker leaves the cell empty and the text where it was")
            << "Acme|Austin|"
            << "| # |" << QList<int> { -1, -1, -1 } << QList<int> { 0, 0, 0 }
            << QStringList { u"Acme"_qs, QString(), u"Austin"_qs };
        QTest::newRow("a skip offset on the first field shifts the second")
            << "Acme|XXAustin|"
            << "| |" << QList<int> { -1, -1 } << QList<int> { 2, 0 }
            << QStringList { u"Acme"_qs, u"Austin"_qs, QString() };
        QTest::newRow("a negative skip offset steps back into the marker")
            << "ab<b>cd<b>"
            << "<b> <b>" << QList<int> { -1, -1 } << QList<int> { -2, 0 }
            << QStringList { u"ab"_qs, u"b>cd"_qs, QString() };
        QTest::newRow("an end offset below the start leaves the cell empty and the text where it was")
            << "ab|cd|"
            << "| |" << QList<int> { -5, -1 } << QList<int> { 0, 0 } << QStringList { QString(), u"ab"_qs, QString() };
        QTest::newRow("a large end offset takes the whole rest")
            << "ab|cd"
            << "|" << QList<int> { 90 } << QList<int> { 0 } << QStringList { u"ab|cd"_qs, QString(), QString() };
        QTest::newRow("only blanks are trimmed, not line breaks")
            << "\n  Acme  |"
            << "|" << QList<int> { -1 } << QList<int> { 0 } << QStringList { u"\n  Acme"_qs, QString(), QString() };
        QTest::newRow("a field finds nothing in an emptied listing")
            << "Acme|"
            << "| |" << QList<int> { -1, 0 } << QList<int> { 0, 0 } << QStringList { u"Acme"_qs, QString(), QString() };
    }
    void fields()
    {
        QFETCH(QString, listing);
        QFETCH(QString, markers);
        QFETCH(QList<int>, endOffsets);
        QFETCH(QList<int>, skipOffsets);
        QFETCH(QStringList, cells);
        KeyRules k;
        const QStringList m = markers.split(u' ');
        for (int f = 0; f < m.size(); ++f)
            k.fields.push_back({ f, m[f], endOffsets[f], skipOffsets[f] });
        const QStringList r = Extractor::fillRow(k, listing, 3);
        QCOMPARE(r, cells);
    }
    void recordRules_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<int>("c1");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("c4");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        const QStringList base { u"Acme Plumbing"_qs, u"1 Main St Ste 4"_qs, u"(512) 555-1234 fax"_qs, QString() };

        QTest::newRow("DeleteIfContain empties C1 when it contains A")
            << "DeleteIfContain" << 2 << "fax"
            << "" << -1 << base << QStringList { base[0], base[1], QString(), QString() };
        QTest::newRow("DeleteIfContain keeps C1 when A is absent") << "DeleteIfContain" << 2 << "email"
                                                                   << "" << -1 << base << base;
        QTest::newRow("DeleteIfContain with B and C4 tests C4 for B instead")
            << "DeleteIfContain" << 1 << "nowhere"
            << "Plumbing" << 0 << base << QStringList { base[0], QString(), base[2], QString() };
        QTest::newRow("DeleteIfContain with B tests C4 and ignores A") << "DeleteIfContain" << 1 << "Main"
                                                                       << "Bakery" << 0 << base << base;
        QTest::newRow("DeleteIfContain with B but negative C4 tests C1 for A")
            << "DeleteIfContain" << 1 << "Main"
            << "Bakery" << -1 << base << QStringList { base[0], QString(), base[2], QString() };
        QTest::newRow("DeleteIfContain with empty A empties any non-empty cell")
            << "DeleteIfContain" << 0 << ""
            << "" << -1 << base << QStringList { QString(), base[1], base[2], QString() };
        QTest::newRow("ExtractTo copies the text between A and B into C4")
            << "ExtractTo" << 2 << "("
            << ")" << 3 << base << QStringList { base[0], base[1], base[2], u"512"_qs };
        QTest::newRow("ExtractTo does nothing when A is absent") << "ExtractTo" << 2 << "["
                                                                 << "]" << 3 << base << base;
        QTest::newRow("ExtractTo with empty A takes the text before B")
            << "ExtractTo" << 1 << ""
            << " Ste" << 3 << base << QStringList { base[0], base[1], base[2], u"1 Main St"_qs };
        QTest::newRow("ExtractTo with empty A does nothing when B is absent") << "ExtractTo" << 1 << ""
                                                                              << "#" << 3 << base << base;
        QTest::newRow("ExtractTo with empty B takes the rest after A")
            << "ExtractTo" << 0 << "Acme "
            << "" << 3 << base << QStringList { base[0], base[1], base[2], u"Plumbing"_qs };
        QTest::newRow("Replace changes every A in C1 into B")
            << "Replace" << 2 << "5"
            << "#" << -1 << base << QStringList { base[0], base[1], u"(#12) ###-1234 fax"_qs, QString() };
        QTest::newRow("Replace with empty A changes nothing") << "Replace" << 0 << ""
                                                              << "x" << -1 << base << base;
        QTest::newRow("TrimMiddle cuts out A to B")
            << "TrimMiddle" << 2 << "("
            << ") " << -1 << base << QStringList { base[0], base[1], u"555-1234 fax"_qs, QString() };
        QTest::newRow("TrimMiddle with only B present leaves the text when A is absent") << "TrimMiddle" << 2 << "["
                                                                                         << "fax" << -1 << base << base;
        QTest::newRow("TrimMiddle with empty B cuts from A to the end")
            << "TrimMiddle" << 1 << " Ste"
            << "" << -1 << base << QStringList { base[0], u"1 Main St"_qs, base[2], QString() };
        QTest::newRow("an unknown keyword changes nothing") << "Upper" << 0 << "A"
                                                            << "a" << -1 << base << base;
        QTest::newRow("columns beyond the row are ignored") << "ExtractTo" << 0 << "Acme"
                                                            << "" << 40 << base << base;
    }
    void recordRules()
    {
        QFETCH(QString, keyword);
        QFETCH(int, c1);
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, c4);
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        QStringList r = before;
        Extractor::applyRecordRules({ { keyword, c1, a, b, c4 } }, r);
        QCOMPARE(r, after);
    }
    void listingCleaning_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<QString>("name");
        QTest::newRow("Replace works on the listing before the fields are cut") << "Replace"
                                                                                << "&amp;"
                                                                                << "&"
                                                                                << "Smith & Sons<span>ad</span>";
        QTest::newRow("TrimMiddle removes a tag and its content") << "TrimMiddle"
                                                                  << "<span>"
                                                                  << "</span>"
                                                                  << "Smith &amp; Sons";
        QTest::newRow("another keyword does nothing") << "Remove"
                                                      << "<span>"
                                                      << "</span>"
                                                      << "Smith &amp; Sons<span>ad</span>";
    }
    void listingCleaning()
    {
        QFETCH(QString, keyword);
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(QString, name);
        KeyRules k = barRules(1);
        k.cleanRules.push_back({ keyword, a, b });
        const auto rows = Extractor::listings(k, page({ u"Smith &amp; Sons<span>ad</span>|"_qs }), 13);
        QCOMPARE(int(rows.size()), 1);
        QCOMPARE(rows[0].at(0), name);
    }
    void listingsAreCutInOrder()
    {
        const auto rows
            = Extractor::listings(barRules(), page({ u"Acme|1 Main|555-1|"_qs, u"Bolt|2 Oak|555-2|"_qs }), 13);
        QCOMPARE(int(rows.size()), 2);
        QCOMPARE(rows[0], row({ u"Acme"_qs, u"1 Main"_qs, QString(), QString(), QString(), u"555-1"_qs }));
        QCOMPARE(rows[1], row({ u"Bolt"_qs, u"2 Oak"_qs, QString(), QString(), QString(), u"555-2"_qs }));
    }
    void atMost201ListingsPerPage()
    {
        QStringList listings;
        for (int i = 1; i <= 250; ++i)
            listings << QString::number(i) + u"|"_qs;
        const auto rows = Extractor::listings(barRules(1), page(listings), 13);
        QCOMPARE(int(rows.size()), 201);
        QCOMPARE(rows.back().at(0), u"201"_qs);
    }
    void blockWithoutListingEndYieldsNoRows()
    {
        KeyRules k = barRules();
        k.listingEnd = u"</article>"_qs;
        QVERIFY(Extractor::listings(k, page({ u"Acme|1 Main|555|"_qs }), 13).empty());
        Extractor::RunState s;
        const auto r = Extractor::extractPage(k, page({ u"Acme|"_qs }), s);
        QVERIFY(r.accepted);
        QVERIFY(r.rows.empty());
    }
    void shortBlockYieldsNoRows()
    {
        KeyRules k = barRules(1);
        k.listStart = u"["_qs;
        k.listEnd = u"]"_qs;
        k.listingEnd = u";"_qs;
        QVERIFY(Extractor::listings(k, u"results [a;]", 13).empty());
        QCOMPARE(int(Extractor::listings(k, u"results [ab|;]", 13).size()), 1);
    }
    void fieldsBeyondTheTableAreDropped()
    {
        KeyRules k;
        k.fields.push_back({ 2, u"|"_qs, -1, 0 });
        k.fields.push_back({ 20, u"|"_qs, -1, 0 });
        k.fields.push_back({ -1, u"|"_qs, -1, 0 });
        k.fields.push_back({ 0, u"|"_qs, -1, 0 });
        QCOMPARE(Extractor::fillRow(k, u"a|b|c|d|", 3), QStringList({ u"d"_qs, QString(), u"a"_qs }));
    }
};

QTEST_APPLESS_MAIN(TestExtractor)
#include "tst_extractor.moc"
