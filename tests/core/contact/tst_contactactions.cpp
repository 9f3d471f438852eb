#include "core/contact/contactactions.h"
#include "core/contact/contactlinks.h"
#include "core/contact/linkopener.h"
#include "core/grid/gridmodel.h"
#include "support/testsupport.h"

#include <QTest>
#include <QUrlQuery>

using namespace dq;
using dq::test::ScriptedPrompts;

namespace {

struct RecordingOpener : LinkOpener
{
    explicit RecordingOpener(const ScriptedPrompts &p)
        : prompts(p)
    {
    }
    void open(const QUrl &url) override
    {
        urls.append(url);
        questionsBeforeOpen.append(int(prompts.asked.size()));
    }
    const ScriptedPrompts &prompts;
    QList<QUrl> urls;
    QList<int> questionsBeforeOpen;
};

// A record table with the usual 13 columns, a title row and one data row per entry of
// cells (each entry maps a column index to its text).
void fill(GridModel &table, const QList<QMap<int, QString>> &rows)
{
    table.setCols(13);
    table.setRows(int(rows.size()) + 1);
    table.setFixedRows(1);
    const QStringList titles = { u"Name"_qs, u"Street"_qs, u"City"_qs, u"State"_qs, u"Zip Code"_qs, u"Phone"_qs,
        u"Web Site"_qs, u"E-mail"_qs };
    for (int c = 0; c < titles.size(); ++c)
        table.setText(0, c, titles.at(c));
    for (int r = 0; r < rows.size(); ++r)
        for (auto it = rows.at(r).cbegin(); it != rows.at(r).cend(); ++it)
            table.setText(r + 1, it.key(), it.value());
}

// The query value of key with "+" read as a blank, the way the map service reads it.
QString formValue(const QUrl &url, const QString &key)
{
    QString query = url.query(QUrl::FullyEncoded);
    query.replace(QLatin1Char('+'), QStringLiteral("%20"));
    return QUrlQuery(query).queryItemValue(key, QUrl::FullyDecoded);
}

} // namespace

class TestContactActions : public QObject
{
    Q_OBJECT

private slots:
    void mapLinkOfTheCurrentRow_data()
    {
        QTest::addColumn<QString>("street");
        QTest::addColumn<QString>("city");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("zip");
        QTest::addColumn<QString>("addr");
        QTest::addColumn<QString>("csz");
        const auto row = [](const char *name, const char *street, const char *city, const char *state, const char *zip,
                             const char *addr, const char *csz) {
            QTest::newRow(name) << QString::fromUtf8(street) << QString::fromUtf8(city) << QString::fromUtf8(state)
                                << QString::fromUtf8(zip) << QString::fromLatin1(addr) << QString::fromLatin1(csz);
        };
        row("blanks in the street become plus signs", "12 Main St", "Springfield", "IL", "62701", "12+Main+St",
            "Springfield%2C+IL+62701");
        row("a blank in the city is encoded, not dropped", "1 Ocean Ave", "Los Angeles", "CA", "90001", "1+Ocean+Ave",
            "Los%20Angeles%2C+CA+90001");
        row("an ampersand and a hash cannot cut the query short", "5 A&B Plaza #3", "Fort Worth", "TX", "76102",
            "5+A%26B+Plaza+%233", "Fort%20Worth%2C+TX+76102");
        row("a plus sign in the street stays a plus sign", "Hwy 1+9", "Newark", "NJ", "07102", "Hwy+1%2B9",
            "Newark%2C+NJ+07102");
        row("letters beyond ASCII are sent as UTF-8", "3 Rue Sainte-Thérèse", "Montréal", "QC", "H2X 1X5",
            "3+Rue+Sainte-Th%C3%A9r%C3%A8se", "Montr%C3%A9al%2C+QC+H2X%201X5");
        row("two blanks give two plus signs", "9  Elm", "Reno", "NV", "89501", "9++Elm", "Reno%2C+NV+89501");
        row("an empty address still gives the query keys", "", "", "", "", "", "%2C++");
    }
    void mapLinkOfTheCurrentRow()
    {
        QFETCH(QString, street);
        QFETCH(QString, city);
        QFETCH(QString, state);
        QFETCH(QString, zip);
        QFETCH(QString, addr);
        QFETCH(QString, csz);
        GridModel table;
        fill(table,
            { { { 1, u"99 Other Rd"_qs }, { 2, u"Elsewhere"_qs } },
                { { 1, street }, { 2, city }, { 3, state }, { 4, zip } }, { { 1, u"7 Third St"_qs } } });
        table.setCursor(2, 0);
        ScriptedPrompts prompts;
        RecordingOpener opener(prompts);
        ContactActions(table, opener, prompts).internetMap();

        QCOMPARE(opener.urls.size(), 1);
        const QUrl url = opener.urls.first();
        const QString expected = u"http://"_qs + ContactLinks::kMapServiceHost
            + u"/py/maps.py?BFCat=&Pyt=Tmap&newFL=Use+Address+Below&addr="_qs + addr + u"&csz="_qs + csz
            + u"&Get%A0Map=Get+Map"_qs;
        QCOMPARE(QString::fromLatin1(url.toEncoded()), expected);
        // What the service decodes is exactly the record's address.
        QCOMPARE(formValue(url, u"addr"_qs), street);
        QCOMPARE(formValue(url, u"csz"_qs), QString(city + u", " + state + u' ' + zip));
        QVERIFY(prompts.asked.isEmpty());
    }
    void mailGoesToTheUsableAddressesOfTheSelection_data()
    {
        QTest::addColumn<QStringList>("cells"); // column 8 of data rows 1..n
        QTest::addColumn<bool>("blockMode");
        QTest::addColumn<QList<int>>("selected"); // row mode: marked rows; block mode: first and last row
        QTest::addColumn<QString>("link");
        const QStringList three = { u"ann@acme.com"_qs, u""_qs, u"bob@bolt.org"_qs };
        QTest::newRow("a valid, an empty and a valid cell give two addresses and no trailing separator")
            << three << false << QList<int> { 1, 2, 3 } << "mailto:ann@acme.com; bob@bolt.org";
        QTest::newRow("a cell with an at-sign but no dot is left out") << QStringList { u"ann@acme"_qs,
            u"bob@bolt.org"_qs } << false << QList<int> { 1, 2 } << "mailto:bob@bolt.org";
        QTest::newRow("a cell with a dot but no at-sign is left out") << QStringList { u"www.acme.com"_qs,
            u"bob@bolt.org"_qs } << false << QList<int> { 1, 2 } << "mailto:bob@bolt.org";
        QTest::newRow("only the marked rows are mailed")
            << QStringList { u"a@x.com"_qs, u"b@y.com"_qs, u"c@z.com"_qs, u"d@w.com"_qs } << false
            << QList<int> { 4, 2 } << "mailto:b@y.com; d@w.com";
        QTest::newRow("no usable address opens a blank message")
            << QStringList { u""_qs, u"n/a"_qs, u"@"_qs } << false << QList<int> { 1, 2, 3 } << "mailto:";
        QTest::newRow("block mode mails the rows of the block")
            << QStringList { u"a@x.com"_qs, u"b@y.com"_qs, u"c@z.com"_qs, u"d@w.com"_qs } << true << QList<int> { 2, 3 }
            << "mailto:b@y.com; c@z.com";
        QTest::newRow("a question mark or hash in a cell cannot start headers or a fragment")
            << QStringList { u"ann@acme.com?cc=eve@evil.com"_qs, u"x#y@bolt.org"_qs } << false << QList<int> { 1, 2 }
            << "mailto:ann@acme.com%3Fcc=eve@evil.com; x%23y@bolt.org";
    }
    void mailGoesToTheUsableAddressesOfTheSelection()
    {
        QFETCH(QStringList, cells);
        QFETCH(bool, blockMode);
        QFETCH(QList<int>, selected);
        QFETCH(QString, link);
        GridModel table;
        QList<QMap<int, QString>> rows;
        for (const QString &c : cells)
            rows.append({ { 0, u"Listing"_qs }, { 7, c } });
        fill(table, rows);
        if (blockMode) {
            table.setSelectionMode(GridModel::SelectionMode::Free);
            table.select(selected.at(0), 7, selected.at(1), 7);
        } else {
            table.setSelectionMode(GridModel::SelectionMode::ListBox);
            for (int r : selected)
                table.setRowSelected(r, true);
        }
        ScriptedPrompts prompts;
        RecordingOpener opener(prompts);
        ContactActions(table, opener, prompts).sendMail();

        QCOMPARE(opener.urls.size(), 1);
        QCOMPARE(opener.urls.first().scheme(), QStringLiteral("mailto"));
        QCOMPARE(opener.urls.first().toString(), link);
        QVERIFY(prompts.asked.isEmpty());
    }
    void webLinkOfTheCurrentRow_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<bool>("warned");
        QTest::newRow("a site name without a scheme gets http in front") << "www.acme.com"
                                                                         << "http://www.acme.com" << false;
        QTest::newRow("a site with http is opened as it stands") << "http://acme.com/shop"
                                                                 << "http://acme.com/shop" << false;
        QTest::newRow("a site with https keeps https") << "https://acme.com"
                                                       << "https://acme.com" << false;
        QTest::newRow("a scheme in capitals is recognised") << "HTTP://WWW.ACME.COM"
                                                            << "http://www.acme.com" << false;
        QTest::newRow("a mixed-case secure scheme is recognised") << "Https://bolt.org/a"
                                                                  << "https://bolt.org/a" << false;
        QTest::newRow("blanks around the site are dropped") << "  bolt.org "
                                                            << "http://bolt.org" << false;
        QTest::newRow("a site whose path mentions http still gets a scheme")
            << "go.example.com/to?u=http://x.org"
            << "http://go.example.com/to?u=http://x.org" << false;
        QTest::newRow("an empty cell warns and opens the home page") << "" << ContactLinks::kHomePage << true;
        QTest::newRow("a cell without a dot warns and opens the home page")
            << "acme" << ContactLinks::kHomePage << true;
    }
    void webLinkOfTheCurrentRow()
    {
        QFETCH(QString, cell);
        QFETCH(QString, opened);
        QFETCH(bool, warned);
        GridModel table;
        fill(table, { { { 6, u"www.first.com"_qs } }, { { 6, cell } } });
        table.setCursor(2, 3);
        ScriptedPrompts prompts;
        prompts.answers = { UserPrompts::Answer::Ok };
        RecordingOpener opener(prompts);
        ContactActions(table, opener, prompts).webLink();

        QCOMPARE(opener.urls.size(), 1);
        // QUrl lower-cases the scheme and host, as every browser does.
        QCOMPARE(opener.urls.first(), QUrl(opened));
        QCOMPARE(prompts.asked.size(), warned ? 1 : 0);
        if (warned) {
            const auto &asked = prompts.asked.first();
            QCOMPARE(asked.title, QStringLiteral("Web Site Link"));
            QCOMPARE(asked.icon, UserPrompts::Icon::Warning);
            QCOMPARE(asked.text,
                QString(u"There is no web site address information for this highlighted row. You may "
                        u"manually enter a site address (e.g. '"_qs
                    + ContactLinks::kExampleSite + u"') into the Web Site cell and click the web button again."_qs));
            QCOMPARE(opener.questionsBeforeOpen.first(), 1); // the message comes before the page opens
        }
    }
};

QTEST_GUILESS_MAIN(TestContactActions)
#include "tst_contactactions.moc"
