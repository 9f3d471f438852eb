#include "core/contact/contactactions.h"
#include "core/contact/contactlinks.h"
#include "core/contact/linkopener.h"
#include "core/grid/gridmodel.h"
#include "core/print/addressrecords.h"
#include "support/testsupport.h"

#include <QTest>

using namespace dq;
using dq::test::fillRecordTable;
using dq::test::ScriptedPrompts;

namespace {

struct RecordingOpener : LinkOpener
{
    explicit RecordingOpener(const ScriptedPrompts &p)
        : prompts(p)
    {
    }
    bool open(const QUrl &url) override
    {
        urls.append(url);
        questionsBeforeOpen.append(int(prompts.asked.size()));
        return handled;
    }
    bool handled = true; // false: no program on the system takes links
    const ScriptedPrompts &prompts;
    QList<QUrl> urls;
    QList<int> questionsBeforeOpen;
};

} // namespace

class TestContactActions : public QObject
{
    Q_OBJECT

private slots:
    void mapSearchOfTheCurrentRow_data()
    {
        QTest::addColumn<QStringList>("address"); // street, city, state, zip
        QTest::addColumn<QString>("service");
        QTest::addColumn<QString>("link");
        const QString osm = u"https://www.openstreetmap.org/search?query="_qs;
        QTest::newRow("the default service gets the whole address, blanks encoded")
            << QStringList { u"12 Main St"_qs, u"Springfield"_qs, u"IL"_qs, u"62701"_qs } << QString()
            << osm + u"12%20Main%20St%2C%20Springfield%2C%20IL%2062701"_qs;
        QTest::newRow("an ampersand and a hash cannot cut the query short")
            << QStringList { u"5 A&B Plaza #3"_qs, u"Fort Worth"_qs, u"TX"_qs, u""_qs } << QString()
            << osm + u"5%20A%26B%20Plaza%20%233%2C%20Fort%20Worth%2C%20TX"_qs;
        QTest::newRow("letters beyond ASCII are sent as UTF-8") << QStringList { u""_qs, u"Montréal"_qs, u"QC"_qs,
            u""_qs } << QString() << osm + u"Montr%C3%A9al%2C%20QC"_qs;
        QTest::newRow("a service of the user's own takes the address where it says")
            << QStringList { u"1 Ocean Ave"_qs, u"Los Angeles"_qs, u""_qs, u""_qs }
            << u"https://maps.example.net/?q=%1&z=12"_qs
            << u"https://maps.example.net/?q=1%20Ocean%20Ave%2C%20Los%20Angeles&z=12"_qs;
        QTest::newRow("a service without a place for it gets the address at its end")
            << QStringList { u"1 Ocean Ave"_qs, u""_qs, u""_qs, u""_qs } << u"https://maps.example.net/find/"_qs
            << u"https://maps.example.net/find/1%20Ocean%20Ave"_qs;
    }
    void mapSearchOfTheCurrentRow()
    {
        QFETCH(QStringList, address);
        QFETCH(QString, service);
        GridModel table;
        fillRecordTable(table, { u"|99 Other Rd"_qs, u"|"_qs + address.join(u'|') });
        table.setCursor(2, 0);
        ScriptedPrompts prompts;
        RecordingOpener opener(prompts);
        ContactActions actions(table, opener, prompts);
        actions.setMapAddress(service);
        actions.internetMap();
        QCOMPARE(opener.urls.size(), 1);
        QTEST(QString::fromLatin1(opener.urls.first().toEncoded()), "link");
        QVERIFY(prompts.asked.isEmpty());
    }
    void noProgramForALinkIsToldWithTheAddress_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("text");
        QTest::newRow("map")
            << int(ContactActions::Command::InternetMap)
            << u"No program is set up to open web addresses: https://www.openstreetmap.org/search?query=Reno"_qs;
        QTest::newRow("web site") << int(ContactActions::Command::WebLink)
                                  << u"No program is set up to open web addresses: http://www.acme.com"_qs;
        QTest::newRow("e-mail") << int(ContactActions::Command::SendMail)
                                << u"No program is set up to write e-mail: ann@acme.com"_qs;
    }
    void noProgramForALinkIsToldWithTheAddress()
    {
        QFETCH(int, command);
        GridModel table;
        fillRecordTable(table, { u"||Reno||||www.acme.com|ann@acme.com"_qs });
        table.setCursor(1, 0);
        table.setSelectedRows({ 1 });
        ScriptedPrompts prompts;
        prompts.answers << UserPrompts::Answer::Ok;
        RecordingOpener opener(prompts);
        opener.handled = false;
        QVERIFY(ContactActions(table, opener, prompts).run(ContactActions::Command(command)));
        QCOMPARE(prompts.asked.size(), 1);
        QTEST(prompts.asked.at(0).text, "text");
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
        QStringList rows;
        for (const QString &c : cells)
            rows << u"Listing|||||||"_qs + c;
        fillRecordTable(table, rows);
        if (blockMode) {
            table.setSelectionMode(GridModel::SelectionMode::Free);
            table.select(selected.at(0), 7, selected.at(1), 7);
        } else {
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
        fillRecordTable(table, { u"||||||www.first.com"_qs, u"||||||"_qs + cell });
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
