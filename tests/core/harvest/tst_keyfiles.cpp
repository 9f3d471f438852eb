// Site lists, key files and the rules read from them.
#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/harvest/colyps.h"
#include "core/harvest/keyfileloader.h"
#include "core/harvest/keyrules.h"
#include "core/harvest/sitelist.h"
#include "support/casefields.h"
#include "support/casetable.h"
#include "support/gridtext.h"
#include "support/testsupport.h"

using namespace dq;
using test::addCaseRows;
using test::field;
using test::number;
using test::rowsOf;

namespace {

// A key table of 10 columns and 40 rows with the given cells, each "row,column=text".
void keyTable(GridModel &g, const QStringList &cells)
{
    g.setCols(10);
    g.setRows(40);
    for (const QString &cell : cells) {
        const qsizetype comma = cell.indexOf(u','), equals = cell.indexOf(u'=');
        g.setText(cell.left(comma).toInt(), cell.mid(comma + 1, equals - comma - 1).toInt(), cell.mid(equals + 1));
    }
}

// A site list: a title row, then "name|key file|column 2|start page" per row.
void makeSites(GridModel &g, const QStringList &rows)
{
    test::fillRows(g, QStringList { u"Site"_qs } + rows, 4);
}

QStringList names(const colYPs &engines)
{
    QStringList out;
    for (const objYP &yp : engines)
        out << yp.ListName;
    return out;
}

} // namespace

class TestKeyFiles : public QObject
{
    Q_OBJECT

    QString m_dir;
    colYPs m_engines;

    void writeGoodKey(const QString &marker)
    {
        GridModel g;
        keyTable(g, { u"1,4="_qs + marker });
        QVERIFY(GridFile::save(g, m_dir + u"good.key"_qs, FileKind::Native));
    }

private slots:
    void numbers_data() { addCaseRows(u"harvest/keyfiles/numbers.tsv"_qs); }
    void numbers() { QCOMPARE(KeyRules::toNumber(field("text")), number("number")); }
    // Key cells are "row,column=text"; fields read back as "column marker end skip", titles
    // as "column=title"; all split at ';'.
    void keyRules_data() { addCaseRows(u"harvest/keyfiles/key-rules.tsv"_qs); }
    void keyRules()
    {
        GridModel g;
        keyTable(g, field("cells").split(u';'));
        const KeyRules k = KeyRules::fromGrid(g);
        QStringList fields, titles;
        for (const KeyRules::Field &f : k.fields)
            fields << u"%1 %2 %3 %4"_qs.arg(f.column).arg(f.marker).arg(f.endOffset).arg(f.skipOffset);
        for (const auto &[column, title] : k.titles)
            titles << u"%1=%2"_qs.arg(column).arg(title);
        QTEST(fields.join(u';'), "fields");
        QTEST(titles.join(u';'), "titles");
    }
    // Cleaning rules (from row 14, columns 5 to 7) and record rules (from row 18, columns 0 to 4)
    // share rows with each other and with the titles; each list ends at its first empty row or limit.
    void ruleListsEndAtTheirFirstEmptyRowOrLimit()
    {
        GridModel g;
        keyTable(g, test::texts({ "14,0=Fax", "14,1=9" }));
        for (int r = 14; r < 35; ++r) {
            const QString n = QString::number(r);
            keyTable(g, { n + u",5=Replace"_qs, n + u",6="_qs + n });
            if (r >= 18)
                keyTable(g, { n + u",0=ExtractTo"_qs, n + u",1=3"_qs, n + u",2="_qs + n, n + u",4=-1"_qs });
        }
        KeyRules k = KeyRules::fromGrid(g);
        QCOMPARE(int(k.cleanRules.size()), 8);
        QCOMPARE(k.cleanRules.back().a, u"21"_qs);
        QCOMPARE(int(k.recordRules.size()), 12);
        QCOMPARE(k.recordRules.back().a, u"29"_qs);
        QCOMPARE(k.recordRules.front().c1, 3);
        QCOMPARE(k.recordRules.front().c4, -1);
        QCOMPARE(k.titles.back(), std::make_pair(9, u"Fax"_qs));
        g.setText(17, 5, QString());
        g.setText(18, 0, QString());
        k = KeyRules::fromGrid(g);
        QCOMPARE(int(k.cleanRules.size()), 3);
        QVERIFY(k.recordRules.empty());
    }
    void addressCheck_data() { addCaseRows(u"harvest/keyfiles/address-check.tsv"_qs); }
    void addressCheck()
    {
        GridModel g;
        keyTable(g, { u"1,4="_qs + field("marker") });
        QCOMPARE(int(KeyRules::addressEnablesGrab(g, field("address"), number("disabled"))), number("enabled"));
    }
    // A site list's rows under its title row (split at ';', cells at '|'), reordered when an
    // order is given; then its engines (name,key file,column 2,row,start page) and its rows.
    void siteLists_data() { addCaseRows(u"harvest/keyfiles/site-lists.tsv"_qs); }
    void siteLists()
    {
        GridModel g;
        makeSites(g, field("rows").split(u';'));
        colYPs c;
        c.Add(u"stale"_qs, u"s.key"_qs, QString(), 9);
        SiteList::fill(g, c);
        if (!field("order").isEmpty())
            SiteList::applyOrder(test::items(field("order")), c, g);
        QStringList engines;
        for (const objYP &yp : c)
            engines << QStringList { yp.ListName, yp.FileName, yp.Column2, QString::number(yp.Index), yp.URL }.join(
                u',');
        QCOMPARE(engines, test::items(field("engines")));
        QCOMPARE(rowsOf(g, 1), field("after").split(u';'));
        // Read again, the list gives the same engines in the same order.
        colYPs again;
        QCOMPARE(SiteList::fill(g, again), names(c));
    }
    void savedOrderIsReadAtTheNextStart()
    {
        const QString dir = test::tempDir();
        const QString path = dir + u"/stpl00.bin"_qs;
        GridModel g;
        makeSites(
            g, test::texts({ "A|a.key|note|http://a.test/", "B|b.key||http://b.test/", "C|c.key||http://c.test/" }));
        colYPs c;
        SiteList::fill(g, c);
        QVERIFY(SiteList::saveOrder({ u"C"_qs, u"A"_qs, u"B"_qs }, c, g, path));
        GridModel reread;
        QVERIFY(GridFile::load(reread, path, FileKind::Native));
        colYPs next;
        QCOMPARE(SiteList::fill(reread, next), QStringList({ u"C"_qs, u"A"_qs, u"B"_qs }));
        QCOMPARE(next.Item(2)->Column2, u"note"_qs);

        // A save that fails names the file; the new order holds for this session all the same.
        const FileResult r = SiteList::saveOrder({ u"B"_qs, u"A"_qs, u"C"_qs }, c, g, dir + u"/gone/stpl00.bin"_qs);
        QVERIFY(r.errorString.contains(u"stpl00.bin"_qs));
        QCOMPARE(c.Item(1)->ListName, u"B"_qs);
    }
    void initTestCase()
    {
        m_dir = test::tempDir() + u"/"_qs;
        m_engines.Add(u"Good"_qs, u"good.key"_qs, u"http://good.test/"_qs, 1);
        m_engines.Add(u"Missing"_qs, u"missing.key"_qs, u"http://missing.test/"_qs, 2);
        m_engines.Add(u"Broken"_qs, u"broken.key"_qs, u"http://broken.test/"_qs, 3);
        writeGoodKey(u"/listings?"_qs);
        test::writeBytes(m_dir + u"broken.key"_qs, "this is not a key file\n\x01\x02");
    }
    // DIR in a message stands for the program folder.
    void load_data() { addCaseRows(u"harvest/keyfiles/load.tsv"_qs); }
    void load()
    {
        const QString message = field("message").replace(u"DIR"_qs, m_dir);
        const bool grabDisabled = number("grabDisabled");
        test::ScriptedPrompts prompts;
        prompts.answers = { UserPrompts::Answer::Ok };
        GridModel key;
        keyTable(key, { u"1,4=/before"_qs });
        const auto r = KeyFileLoader::load(m_engines, number("engine"), key, prompts, m_dir);
        QCOMPARE(int(r.loaded), number("loaded"));
        QCOMPARE(r.grabDisabled, grabDisabled);
        QTEST(r.url, "url");
        QCOMPARE(r.errorString.isEmpty(), message.isEmpty() || grabDisabled);
        QCOMPARE(prompts.messages(), message.isEmpty() ? QStringList() : QStringList { message });
        if (!message.isEmpty()) {
            QCOMPARE(prompts.asked.first().title, u"Select Searching Engine"_qs);
            QCOMPARE(prompts.asked.first().icon, UserPrompts::Icon::Warning);
        }
        const QString marker = key.text(1, 4);
        QCOMPARE(marker, r.loaded ? u"/listings?"_qs : u"/before"_qs);
        QCOMPARE(KeyRules::addressEnablesGrab(key, r.url + marker, r.grabDisabled), !grabDisabled);
    }
    void reselectingReloadsFromDisk()
    {
        test::ScriptedPrompts prompts;
        GridModel key;
        QCOMPARE(KeyFileLoader::load(m_engines, 0, key, prompts, m_dir).path, m_dir + u"good.key"_qs);
        writeGoodKey(u"/changed"_qs);
        QVERIFY(KeyFileLoader::load(m_engines, 0, key, prompts, m_dir).loaded);
        QCOMPARE(key.text(1, 4), u"/changed"_qs);
    }
};

QTEST_GUILESS_MAIN(TestKeyFiles)
#include "tst_keyfiles.moc"
