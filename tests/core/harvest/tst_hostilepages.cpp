#include "core/grid/gridmodel.h"
#include "core/harvest/extractor.h"
#include "core/harvest/grabrun.h"
#include "support/testsupport.h"

#include "httpfixture.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace dq;
using dq::test::HttpFixture;

namespace {

// Result pages:  <ul><li>Name|Phone|</li>...</ul><a next="URL">
KeyRules rules(const QString &fetchMode)
{
    KeyRules k;
    k.listStart = u"<li>"_qs;
    k.listEnd = u"</ul>"_qs;
    k.listingEnd = u"</li>"_qs;
    k.pageCheck = u"<ul>"_qs;
    k.fetchMode = fetchMode;
    k.nextMethod = u"Next"_qs;
    k.nextLinkBegin = u"<a next=\""_qs;
    k.nextLinkEnd = u"\">"_qs;
    k.fields = { { 0, u"|"_qs, -1, 0 }, { 5, u"|"_qs, -1, 0 } };
    return k;
}

QByteArray page(const QByteArray &name, const QString &next = QString())
{
    return "<ul><li>" + name + "|555-0000|</li></ul><a next=\"" + next.toUtf8() + "\">more</a>";
}

} // namespace

class TestHostilePages : public QObject
{
    Q_OBJECT

private slots:
    void onlyWebAddressesAreFetched_data()
    {
        QTest::addColumn<QString>("fetchMode");
        QTest::addColumn<QString>("where"); // start, next or redirect
        QTest::addColumn<QString>("message");
        for (const QString &mode : { u"1"_qs, QString() }) {
            const QString in = mode.isEmpty() ? u" with the HTTP GET form"_qs : u" opening addresses as given"_qs;
            QTest::addRow("a start page on the local disk is refused%s", qPrintable(in))
                << mode << u"start"_qs << u"not an http or https address"_qs;
            QTest::addRow("a next link to a local file with http:// in its query is refused%s", qPrintable(in))
                << mode << u"next"_qs << u"not an http or https address"_qs;
            QTest::addRow("a redirect to a local file is refused%s", qPrintable(in))
                << mode << u"redirect"_qs << u""_qs;
        }
    }
    void onlyWebAddressesAreFetched()
    {
        QFETCH(QString, fetchMode);
        QFETCH(QString, where);
        QFETCH(QString, message);
        // A local file that would give a row if it were ever read.
        const QString local = dq::test::tempDir() + u"/local.html"_qs;
        QFile file(local);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(page("LOCAL"));
        file.close();
        const QString fileUrl = u"file://localhost"_qs + local + u"?u=http://example.com/results"_qs;

        HttpFixture server;
        server.page("/p1", page("WEB", fileUrl));
        server.answer("/moved", { .status = 302, .headers = { { "Location", "file://" + local.toUtf8() } } });
        GridModel table;
        table.setCols(13);
        table.setRows(1);
        GrabRun run(&table);
        QSignalSpy finished(&run, &GrabRun::finished);
        const QString start
            = where == u"start" ? fileUrl : server.base() + (where == u"next" ? u"/p1"_qs : u"/moved"_qs);
        QVERIFY(run.start(rules(fetchMode), start));
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.first().first().value<GrabRun::End>(), GrabRun::End::Failed);
        QVERIFY2(finished.first().at(1).toString().contains(message), qPrintable(finished.first().at(1).toString()));
        for (int r = 0; r < table.rows(); ++r)
            QVERIFY(table.text(r, 0) != u"LOCAL"_qs);
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
        KeyRules k = rules(QString());
        for (int i = 0; i < 4; ++i) {
            if (recordRules)
                k.recordRules.push_back({ u"Replace"_qs, 0, u"<"_qs, QString(100, u'<'), 0 });
            else
                k.cleanRules.push_back({ u"Replace"_qs, u"<"_qs, QString(100, u'<') });
        }
        const QString text = u"<ul><li>"_qs + QString(30, u'<') + u"Bomb|1|</li><li>Fine|2|</li></ul>"_qs;
        Extractor::RunState state;
        const Extractor::PageResult result = Extractor::extractPage(k, text, state);
        QCOMPARE(result.oversized, 1);
        QCOMPARE(int(result.rows.size()), 1);
        QCOMPARE(result.rows.front().at(0), u"Fine"_qs);
    }
};

QTEST_GUILESS_MAIN(TestHostilePages)
#include "tst_hostilepages.moc"
