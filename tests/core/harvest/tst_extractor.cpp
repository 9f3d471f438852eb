#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/harvest/extractor.h"
#include "core/harvest/pagefetcher.h"

#include <QDir>
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

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString str(const char *text)
{
    return QString::fromUtf8(text);
}

const struct NextCase
{
    const char *name, *method, *k7, *k8;
    int k9;
    const char *address;
    int n;
    const char *expected;
} kNext[] = {
    { "Page on an address with its marker: up to the marker, lower-cased, then n + 2", "Page", "&page=", "&page=2", 0,
        "www.yp.test/Search?Q=Plumbers&page=1&x=1", 0, "www.yp.test/search?q=plumbers&page=2" },
    { "Page on the fourth page gives page 5", "Page", "&page=", "", 0, "www.yp.test/s?q=a&page=4", 3,
        "www.yp.test/s?q=a&page=5" },
    { "Page on an address without its marker appends K8", "Page", "&page=", "&page=2", 0,
        "www.yp.test/Search?Q=Plumbers", 0, "www.yp.test/Search?Q=Plumbers&page=2" },
    { "Item on an address without its marker starts at K9 + 1", "Item", "&start=", "", 10, "www.yp.test/s?q=a", 0,
        "www.yp.test/s?q=a&start=11" },
    { "Item keeps the address's letter case", "Item", "&start=", "", 10, "www.yp.test/S?Q=A&start=11", 1,
        "www.yp.test/S?Q=A&start=21" },
    { "PageMiddle puts the page between prefix and suffix, K8 itself dropped", "PageMiddle", "/p", "/austin", 0,
        "www.yp.test/list/p1/austin-tx.html", 0, "www.yp.test/list/p2-tx.html" },
    { "ItemMiddle counts listings between prefix and suffix", "ItemMiddle", "/from-", "/to", 25,
        "www.yp.test/list/from-1/to/austin", 1, "www.yp.test/list/from-51/austin" },
    { "an unknown method has no next page", "Later", "&p=", "&p=2", 10, "www.yp.test/s?q=a", 0, "" },
    { "an empty method has no next page", "", "&p=", "&p=2", 10, "www.yp.test/s?q=a", 0, "" },
    { "methods are matched exactly", "page", "&page=", "&page=2", 0, "www.yp.test/s", 0, "" },
    { "&amp; in the built address becomes &", "Page", "&amp;page=", "&amp;page=2", 0, "www.yp.test/s?q=a", 0,
        "www.yp.test/s?q=a&page=2" },
};

// Fields 0, 1, 2 cut from one listing into columns 0, 1, 2.
const struct FieldCase
{
    const char *name, *listing, *markers[3];
    int endOffsets[3], skipOffsets[3];
    const char *cells[3];
} kFields[] = {
    { "end offset -1 and skip 0 take the text before the marker and go on after it", "Acme | 1 Main St|Austin|",
        { "|", "|", "|" }, { -1, -1, -1 }, { 0, 0, 0 }, { "Acme", "1 Main St", "Austin" } },
    { "end offset 0 keeps the marker's first character", "Acme;x", { ";" }, { 0 }, { 0 }, { "Acme;", "", "" } },
    { "a missing marker leaves the cell empty and the text where it was", "Acme|Austin|", { "|", "#", "|" },
        { -1, -1, -1 }, { 0, 0, 0 }, { "Acme", "", "Austin" } },
    { "a skip offset on the first field shifts the second", "Acme|XXAustin|", { "|", "|" }, { -1, -1 }, { 2, 0 },
        { "Acme", "Austin", "" } },
    { "a negative skip offset steps back into the marker", "ab<b>cd<b>", { "<b>", "<b>" }, { -1, -1 }, { -2, 0 },
        { "ab", "b>cd", "" } },
    { "an end offset below the start leaves the cell empty and the text where it was", "ab|cd|", { "|", "|" },
        { -5, -1 }, { 0, 0 }, { "", "ab", "" } },
    { "a large end offset takes the whole rest", "ab|cd", { "|" }, { 90 }, { 0 }, { "ab|cd", "", "" } },
    { "only blanks are trimmed, not line breaks", "\n  Acme  |", { "|" }, { -1 }, { 0 }, { "\n  Acme", "", "" } },
    { "a field finds nothing in an emptied listing", "Acme|", { "|", "|" }, { -1, 0 }, { 0, 0 }, { "Acme", "", "" } },
};

// Record rules on the row below; each changes at most one cell.
const QStringList kRecord { u"Acme Plumbing"_qs, u"1 Main St Ste 4"_qs, u"(512) 555-1234 fax"_qs, QString() };
const struct RecordCase
{
    const char *name, *keyword;
    int c1;
    const char *a, *b;
    int c4;
    int changed; // -1: the row stays as it was
    const char *value;
} kRecordRules[] = {
    { "DeleteIfContain empties C1 when it contains A", "DeleteIfContain", 2, "fax", "", -1, 2, "" },
    { "DeleteIfContain keeps C1 when A is absent", "DeleteIfContain", 2, "email", "", -1, -1, "" },
    { "DeleteIfContain with B and C4 tests C4 for B instead", "DeleteIfContain", 1, "nowhere", "Plumbing", 0, 1, "" },
    { "DeleteIfContain with B tests C4 and ignores A", "DeleteIfContain", 1, "Main", "Bakery", 0, -1, "" },
    { "DeleteIfContain with B but negative C4 tests C1 for A", "DeleteIfContain", 1, "Main", "Bakery", -1, 1, "" },
    { "DeleteIfContain with empty A empties any non-empty cell", "DeleteIfContain", 0, "", "", -1, 0, "" },
    { "ExtractTo copies the text between A and B into C4", "ExtractTo", 2, "(", ")", 3, 3, "512" },
    { "ExtractTo does nothing when A is absent", "ExtractTo", 2, "[", "]", 3, -1, "" },
    { "ExtractTo with empty A takes the text before B", "ExtractTo", 1, "", " Ste", 3, 3, "1 Main St" },
    { "ExtractTo with empty A does nothing when B is absent", "ExtractTo", 1, "", "#", 3, -1, "" },
    { "ExtractTo with empty B takes the rest after A", "ExtractTo", 0, "Acme ", "", 3, 3, "Plumbing" },
    { "Replace changes every A in C1 into B", "Replace", 2, "5", "#", -1, 2, "(#12) ###-1234 fax" },
    { "Replace with empty A changes nothing", "Replace", 0, "", "x", -1, -1, "" },
    { "TrimMiddle cuts out A to B", "TrimMiddle", 2, "(", ") ", -1, 2, "555-1234 fax" },
    { "TrimMiddle with only B present leaves the text when A is absent", "TrimMiddle", 2, "[", "fax", -1, -1, "" },
    { "TrimMiddle with empty B cuts from A to the end", "TrimMiddle", 1, " Ste", "", -1, 1, "1 Main St" },
    { "an unknown keyword changes nothing", "Upper", 0, "A", "a", -1, -1, "" },
    { "columns beyond the row are ignored", "ExtractTo", 0, "Acme", "", 40, -1, "" },
};

} // namespace

class TestExtractor : public QObject
{
    Q_OBJECT

private slots:
    void nextAddress_data()
    {
        QTest::addColumn<int>("i");
        for (int i = 0; i < int(std::size(kNext)); ++i)
            QTest::newRow(kNext[i].name) << i;
    }
    void nextAddress()
    {
        QFETCH(int, i);
        const NextCase &c = kNext[i];
        KeyRules k;
        k.nextMethod = str(c.method);
        k.k7 = str(c.k7);
        k.k8 = str(c.k8);
        k.k9 = c.k9;
        Extractor::RunState s;
        s.address = str(c.address);
        s.page = c.n;
        QCOMPARE(Extractor::nextAddress(k, u"", s), str(c.expected));
        QCOMPARE(s.next, str(c.expected));
    }
    void endReasons_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("pageText");
        QTest::addColumn<int>("n");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<Extractor::End>("end");
        QTest::addColumn<int>("rows");
        using End = Extractor::End;
        const QString one = page({ u"a|"_qs });
        const QString next = u"<a class=\"next\" href=\"/search?q=plumbers&amp;page=2\">"_qs;
        QTest::newRow("an empty page ends the run") << u"Next"_qs << QString() << 0 << false << End::NoPage << 0;
        QTest::newRow("a page without the check marker ends the run")
            << u"Next"_qs << u"<li>a|</li></ul>"_qs + next << 0 << false << End::NoPage << 0;
        QTest::newRow("an empty method grabs one page")
            << QString() << one + next << 0 << true << End::NoNextAddress << 1;
        QTest::newRow("a next link makes a long enough address")
            << u"Next"_qs << one + next << 0 << true << End::None << 1;
        QTest::newRow("a missing next link ends after the page")
            << u"Next"_qs << page({ u"a|"_qs, u"b|"_qs }) << 0 << true << End::NoNextAddress << 2;
        QTest::newRow("the page counter ends at 9999")
            << u"Next"_qs << one + next << 9999 << true << End::PageLimit << 1;
        QTest::newRow("page 9998 still goes on") << u"Next"_qs << one + next << 9998 << true << End::None << 1;
        QTest::newRow("a page without listings still goes on")
            << u"Next"_qs << u"results<ul></ul>"_qs + next << 0 << true << End::None << 0;
    }
    void endReasons()
    {
        QFETCH(QString, method);
        QFETCH(QString, pageText);
        QFETCH(int, n);
        QFETCH(Extractor::End, end);
        KeyRules k = barRules(1);
        k.nextMethod = method;
        k.nextLinkBegin = u"class=\"next\" href=\""_qs;
        k.nextLinkEnd = u"\""_qs;
        k.nextLinkPrefix = u"www.yellow-directory.test"_qs;
        Extractor::RunState s;
        s.address = u"www.yellow-directory.test/search?q=plumbers"_qs;
        s.page = n;
        const auto r = Extractor::extractPage(k, pageText, s);
        QTEST(r.accepted, "accepted");
        QCOMPARE(r.end, end);
        QTEST(int(r.rows.size()), "rows");
        const bool goesOn = end == Extractor::End::None;
        QCOMPARE(s.page, goesOn ? n + 1 : n);
        if (goesOn)
            QCOMPARE(s.address, u"http://www.yellow-directory.test/search?q=plumbers&page=2"_qs);
    }
    void nextAddressGetsTheRunsScheme_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<QString>("expected");
        QTest::newRow("34 characters are too short") << u"www.abcdefghijklmnopqrs.test"_qs << u"http"_qs << QString();
        QTest::newRow("35 characters go on, over plain HTTP")
            << u"www.abcdefghijklmnopqrst.test"_qs << u"http"_qs << u"http://www.abcdefghijklmnopqrst.test/p?n=2"_qs;
        QTest::newRow("a secure run stays secure")
            << u"www.abcdefghijklmnopqrst.test"_qs << u"https"_qs << u"https://www.abcdefghijklmnopqrst.test/p?n=2"_qs;
        QTest::newRow("an address with its own scheme is kept")
            << u"https://www.abcdefghijklmnopq.test"_qs << u"http"_qs << u"https://www.abcdefghijklmnopq.test/p?n=2"_qs;
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
        const auto r = Extractor::extractPage(k, QString(page({ u"a|"_qs }) + u"<a href=\"/p?n=2\">"_qs), s);
        QCOMPARE(r.end, expected.isEmpty() ? Extractor::End::NoNextAddress : Extractor::End::None);
        if (!expected.isEmpty())
            QCOMPARE(s.address, expected);
    }
    void fields_data()
    {
        QTest::addColumn<int>("i");
        for (int i = 0; i < int(std::size(kFields)); ++i)
            QTest::newRow(kFields[i].name) << i;
    }
    void fields()
    {
        QFETCH(int, i);
        const FieldCase &c = kFields[i];
        KeyRules k;
        QStringList cells;
        for (int f = 0; f < 3; ++f) {
            if (c.markers[f])
                k.fields.push_back({ f, str(c.markers[f]), c.endOffsets[f], c.skipOffsets[f] });
            cells << str(c.cells[f]);
        }
        QCOMPARE(Extractor::fillRow(k, str(c.listing), 3), cells);
    }
    void fieldsBeyondTheTableAreDropped()
    {
        KeyRules k;
        for (int column : { 2, 20, -1, 0 })
            k.fields.push_back({ column, u"|"_qs, -1, 0 });
        QCOMPARE(Extractor::fillRow(k, u"a|b|c|d|", 3), QStringList({ u"d"_qs, QString(), u"a"_qs }));
    }
    void recordRules_data()
    {
        QTest::addColumn<int>("i");
        for (int i = 0; i < int(std::size(kRecordRules)); ++i)
            QTest::newRow(kRecordRules[i].name) << i;
    }
    void recordRules()
    {
        QFETCH(int, i);
        const RecordCase &c = kRecordRules[i];
        QStringList row = kRecord;
        Extractor::applyRecordRules({ { str(c.keyword), c.c1, str(c.a), str(c.b), c.c4 } }, row);
        QStringList expected = kRecord;
        if (c.changed >= 0)
            expected[c.changed] = str(c.value);
        QCOMPARE(row, expected);
    }
    void listingCleaning_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<QString>("name");
        QTest::newRow("Replace works on the listing before the fields are cut")
            << u"Replace"_qs << u"&amp;"_qs << u"&"_qs << u"Smith & Sons<span>ad</span>"_qs;
        QTest::newRow("TrimMiddle removes a tag and its content")
            << u"TrimMiddle"_qs << u"<span>"_qs << u"</span>"_qs << u"Smith &amp; Sons"_qs;
        QTest::newRow("another keyword does nothing")
            << u"Remove"_qs << u"<span>"_qs << u"</span>"_qs << u"Smith &amp; Sons<span>ad</span>"_qs;
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
    void atMost201ListingsPerPage()
    {
        QStringList listings;
        for (int i = 1; i <= 250; ++i)
            listings << QString::number(i) + u"|"_qs;
        const auto rows = Extractor::listings(barRules(1), page(listings), 13);
        QCOMPARE(int(rows.size()), 201);
        QCOMPARE(rows.back().at(0), u"201"_qs);
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
    void rulesCannotGrowAListingWithoutBound_data()
    {
        QTest::addColumn<bool>("recordRules");
        QTest::newRow("four listing Replace rules that multiply '<' skip that listing") << false;
        QTest::newRow("four record Replace rules that multiply '<' skip that listing") << true;
    }
    void rulesCannotGrowAListingWithoutBound()
    {
        QFETCH(bool, recordRules);
        KeyRules k = barRules(1);
        for (int i = 0; i < 4; ++i) {
            if (recordRules)
                k.recordRules.push_back({ u"Replace"_qs, 0, u"<"_qs, QString(100, u'<'), 0 });
            else
                k.cleanRules.push_back({ u"Replace"_qs, u"<"_qs, QString(100, u'<') });
        }
        const QString text = page({ QString(30, u'<') + u"Bomb|1|"_qs, u"Fine|2|"_qs });
        Extractor::RunState state;
        const Extractor::PageResult result = Extractor::extractPage(k, text, state);
        QCOMPARE(result.oversized, 1);
        QCOMPARE(int(result.rows.size()), 1);
        QCOMPARE(result.rows.front().at(0), u"Fine"_qs);
    }
    // Every folder in tests/data/sites: a saved result page (page.html), the key file that cuts it
    // (rules.key), the address it came from as a fetch leaves it (address.txt), the rows it must
    // give (expected.csv, titles first) and the next page's address (next.txt, empty when the run
    // ends there). Adding a case is adding a folder.
    void goldenFolders_data()
    {
        QTest::addColumn<QString>("folder");
        const QDir root(QStringLiteral(DQ_TEST_DATA_DIR "/sites"));
        const QStringList folders = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        QVERIFY2(folders.size() >= 5, "the golden folders are missing");
        for (const QString &name : folders)
            QTest::newRow(qPrintable(name)) << root.filePath(name);
    }
    void goldenFolders()
    {
        QFETCH(QString, folder);
        GridModel key;
        const FileResult keyLoaded = GridFile::load(key, folder + u"/rules.key"_qs, FileKind::Native);
        QVERIFY2(keyLoaded, qPrintable(keyLoaded.errorString));
        GridModel expected;
        const FileResult expectedLoaded = GridFile::load(expected, folder + u"/expected.csv"_qs, FileKind::Comma);
        QVERIFY2(expectedLoaded, qPrintable(expectedLoaded.errorString));
        const QString page = PageFetcher::decode(readFile(folder + u"/page.html"_qs), QByteArray());
        QVERIFY(!page.isEmpty());

        const KeyRules rules = KeyRules::fromGrid(key);
        Extractor::RunState state;
        state.address = QString::fromUtf8(readFile(folder + u"/address.txt"_qs)).trimmed();
        const QString address = state.address;
        const Extractor::PageResult result = Extractor::extractPage(rules, page, state);

        GridModel table;
        table.setCols(13);
        table.setRows(1);
        for (const auto &[column, title] : rules.titles)
            table.setText(0, column, title);
        table.appendRows(result.rows);

        QCOMPARE(table.rows(), expected.rows());
        for (int r = 0; r < expected.rows(); ++r)
            QCOMPARE(table.rowTexts(r), expected.rowTexts(r));

        const QString next = QString::fromUtf8(readFile(folder + u"/next.txt"_qs)).trimmed();
        if (next.isEmpty()) {
            QVERIFY(result.end != Extractor::End::None);
            QCOMPARE(state.address, address);
        } else {
            QCOMPARE(result.end, Extractor::End::None);
            QCOMPARE(state.address, next);
        }
    }
};

QTEST_GUILESS_MAIN(TestExtractor)
#include "tst_extractor.moc"
