#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/harvest/extractor.h"
#include "core/harvest/pagefetcher.h"
#include "support/casefields.h"
#include "support/casetable.h"
#include "support/gridtext.h"

#include <QDir>

using namespace dq;
using test::addCaseRows;
using test::field;
using test::number;

namespace {

// Rules for pages of the form  results<ul><li>Name|...</li>...</ul>, one field into column 0.
KeyRules barRules()
{
    KeyRules k;
    k.listStart = u"<li>"_qs;
    k.listEnd = u"</ul>"_qs;
    k.listingEnd = u"</li>"_qs;
    k.pageCheck = u"results"_qs;
    k.fields = { { 0, u"|"_qs, -1, 0 } };
    return k;
}

QString page(const QStringList &listings)
{
    return u"<html>results<ul><li>"_qs + listings.join(u"</li>\n<li>"_qs) + u"</li></ul></html>"_qs;
}

} // namespace

// The tables under tests/data/harvest/extractor hold the branches of each rule.
class TestExtractor : public QObject
{
    Q_OBJECT

private slots:
    void nextAddress_data() { addCaseRows(u"harvest/extractor/next-address.tsv"_qs); }
    void nextAddress()
    {
        KeyRules k;
        k.nextMethod = field("method");
        k.k7 = field("k7");
        k.k8 = field("k8");
        k.k9 = number("k9");
        Extractor::RunState s;
        s.address = field("address");
        s.page = number("page");
        QTEST(Extractor::nextAddress(k, u"", s), "next");
        QTEST(s.next, "next");
    }
    void pageEnds_data() { addCaseRows(u"harvest/extractor/page-ends.tsv"_qs); }
    void pageEnds()
    {
        KeyRules k = barRules();
        k.nextMethod = field("method");
        k.nextLinkBegin = u"href=\""_qs;
        k.nextLinkEnd = u"\""_qs;
        k.nextLinkPrefix = field("prefix");
        Extractor::RunState s;
        s.scheme = field("scheme");
        s.address = u"www.yellow-directory.test/search?q=plumbers"_qs;
        s.page = number("n");
        const auto r = Extractor::extractPage(k, field("page"), s);
        static const QStringList ends { u"None"_qs, u"NoPage"_qs, u"NoNextAddress"_qs, u"PageLimit"_qs };
        QTEST(ends.value(int(r.end)), "end");
        QCOMPARE(int(r.accepted), number("accepted"));
        QCOMPARE(int(r.rows.size()), number("rows"));
        // A run that ends stays where it was.
        const QString next = field("next");
        QCOMPARE(s.address, next.isEmpty() ? u"www.yellow-directory.test/search?q=plumbers"_qs : next);
        QCOMPARE(s.page, number("n") + (next.isEmpty() ? 0 : 1));
    }
    void fields_data() { addCaseRows(u"harvest/extractor/fields.tsv"_qs); }
    void fields()
    {
        KeyRules k;
        QStringList cells;
        for (const QByteArray f : { "1", "2", "3" }) {
            if (const QString marker = field("marker" + f); !marker.isEmpty())
                k.fields.push_back({ number("column" + f), marker, number("end" + f), number("skip" + f) });
            cells << field("cell" + f);
        }
        QCOMPARE(Extractor::fillRow(k, field("listing"), 3), cells);
    }
    // Each rule works on this row and changes at most the one cell named.
    void recordRules_data() { addCaseRows(u"harvest/extractor/record-rules.tsv"_qs); }
    void recordRules()
    {
        const QStringList before { u"Acme Plumbing"_qs, u"1 Main St Ste 4"_qs, u"(512) 555-1234 fax"_qs, QString() };
        QStringList row = before;
        Extractor::applyRecordRules({ { field("keyword"), number("c1"), field("a"), field("b"), number("c4") } }, row);
        QStringList expected = before;
        if (number("changed") >= 0)
            expected[number("changed")] = field("value");
        QCOMPARE(row, expected);
    }
    void listingCleaning_data() { addCaseRows(u"harvest/extractor/listing-cleaning.tsv"_qs); }
    void listingCleaning()
    {
        KeyRules k = barRules();
        k.cleanRules.push_back({ field("keyword"), field("a"), field("b") });
        const auto rows = Extractor::listings(k, page({ u"Smith &amp; Sons<span>ad</span>|"_qs }), 13);
        QCOMPARE(int(rows.size()), 1);
        QTEST(rows[0].at(0), "name");
    }
    void atMost201ListingsPerPage()
    {
        QStringList listings;
        for (int i = 1; i <= 250; ++i)
            listings << QString::number(i) + u"|"_qs;
        const auto rows = Extractor::listings(barRules(), page(listings), 13);
        QCOMPARE(int(rows.size()), 201);
        QCOMPARE(rows.back().at(0), u"201"_qs);
    }
    void shortBlockYieldsNoRows()
    {
        KeyRules k = barRules();
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
        KeyRules k = barRules();
        for (int i = 0; i < 4; ++i) {
            if (recordRules)
                k.recordRules.push_back({ u"Replace"_qs, 0, u"<"_qs, QString(100, u'<'), 0 });
            else
                k.cleanRules.push_back({ u"Replace"_qs, u"<"_qs, QString(100, u'<') });
        }
        Extractor::RunState state;
        const auto result
            = Extractor::extractPage(k, page({ QString(30, u'<') + u"Bomb|1|"_qs, u"Fine|2|"_qs }), state);
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
            QTest::newRow(qPrintable(name)) << root.filePath(name) + u'/';
    }
    void goldenFolders()
    {
        QFETCH(QString, folder);
        const auto text = [&](const char *name) {
            return QString::fromUtf8(test::readBytes(folder + QLatin1String(name))).trimmed();
        };
        GridModel key;
        QVERIFY(GridFile::load(key, folder + u"rules.key"_qs, FileKind::Native));
        GridModel expected;
        QVERIFY(GridFile::load(expected, folder + u"expected.csv"_qs, FileKind::Comma));
        const KeyRules rules = KeyRules::fromGrid(key);
        Extractor::RunState state;
        state.address = text("address.txt");
        const auto result = Extractor::extractPage(
            rules, PageFetcher::decode(test::readBytes(folder + u"page.html"_qs), QByteArray()), state);

        GridModel table;
        table.setCols(13);
        table.setRows(1);
        for (const auto &[column, title] : rules.titles)
            table.setText(0, column, title);
        table.appendRows(result.rows);
        QCOMPARE(test::rowsOf(table), test::rowsOf(expected));
        const QString next = text("next.txt");
        QCOMPARE(result.end == Extractor::End::None, !next.isEmpty());
        QCOMPARE(state.address, next.isEmpty() ? text("address.txt") : next);
    }
};

QTEST_GUILESS_MAIN(TestExtractor)
#include "tst_extractor.moc"
