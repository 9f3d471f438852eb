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

// A key table of 10 columns and 40 rows with the given cells, each "row,column=text"; a row
// range "first-last" sets the cell in each of its rows, an @ in the text standing for the row.
void keyTable(GridModel &g, const QStringList &cells)
{
    g.setCols(10);
    g.setRows(40);
    for (const QString &cell : cells) {
        const qsizetype comma = cell.indexOf(u','), equals = cell.indexOf(u'=');
        const QStringList rows = cell.left(comma).split(u'-');
        for (int r = rows.first().toInt(); r <= rows.last().toInt(); ++r) {
            g.setText(r, cell.mid(comma + 1, equals - comma - 1).toInt(),
                cell.mid(equals + 1).replace(u'@', QString::number(r)));
        }
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
    // Key cells as keyTable() takes them; fields read back as "column marker end skip", titles
    // as "column=title", cleaning rules (from row 14, columns 5 to 7) as "keyword(a,b)" and
    // record rules (from row 18, columns 0 to 4) as "keyword(c1,a,b,c4)", all split at ';'.
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
        QStringList clean, record;
        for (const KeyRules::CleanRule &c : k.cleanRules)
            clean << c.keyword + u'(' + c.a + u',' + c.b + u')';
        for (const KeyRules::RecordRule &r : k.recordRules)
            record << u"%1(%2,%3,%4,%5)"_qs.arg(r.keyword).arg(r.c1).arg(r.a, r.b).arg(r.c4);
        QTEST(fields.join(u';'), "fields");
        QTEST(titles.join(u';'), "titles");
        QTEST(clean.join(u';'), "clean");
        QTEST(record.join(u';'), "record");
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
