#include "app/harvest/browsercommands.h"
#include "browser/webpagerenderer.h"
#include "core/harvest/grabrun.h"

#include "demowindow.h"

#include <QComboBox>
#include <QSignalSpy>
#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

using namespace dq;

// A newcomer's road through the two sites that turn a program away: search in the window's
// browser, then grab, in the key file's session and render ways.
class TestBrowserFetch : public QObject
{
    Q_OBJECT

    test::DemoSite m_site;
    test::DemoWindow m_win;

    HarvestCommands &harvest() { return m_win.harvest(); }
    QWebEngineView *browser() { return harvest().browsers().WBrowser; }
    int rows() { return m_win.table().rows(); }

    // Picks engine i as the engine list does, then searches its site the way a user clicks.
    void searchWith(int engine, const QString &style)
    {
        QSignalSpy started(browser(), &QWebEngineView::loadFinished);
        m_win.w->engineBox()->setCurrentIndex(engine);
        harvest().cboYP2_Click();
        QVERIFY(started.wait(20000));
        QSignalSpy loaded(browser(), &QWebEngineView::loadFinished);
        browser()->setUrl(QUrl(test::demoSearch(m_site, style)));
        QVERIFY(loaded.wait(20000));
        QVERIFY(m_win.startKey()->isEnabled());
    }

    void grab()
    {
        harvest().mnuFileB_Grab->trigger();
        QVERIFY(m_win.grabEnds(120000));
        QCOMPARE(m_win.panel(2), GrabRun::doneText());
    }

private slots:
    void initTestCase()
    {
        WebPageRenderer::prepareEngine();
        const QString failure = m_site.start();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }
    void init()
    {
        const auto engine = [](const QString &style) {
            return test::DemoEngine { style, u"demo-"_qs + style + u".key"_qs, style + u'/' };
        };
        QVERIFY(m_win.open(m_site, { engine(u"wall"_qs), engine(u"script"_qs) }));
    }
    void cleanup() { QCOMPARE(m_win.close(), 0); }

    void sessionPassesTheCookieWallOnlyWithTheBrowsersCookie()
    {
        searchWith(0, u"wall/"_qs);
        grab();
        QCOMPARE(rows(), 1 + 250);
        QCOMPARE(m_win.table().text(250, 3), u"TX"_qs);

        // The same grab once the browser has forgotten its cookies meets the consent page.
        QWebEngineCookieStore *store = browser()->page()->profile()->cookieStore();
        QSignalSpy removed(store, &QWebEngineCookieStore::cookieRemoved);
        store->deleteAllCookies();
        QVERIFY(removed.wait(10000));
        grab();
        QCOMPARE(rows(), 1 + 250);
        QCOMPARE(harvest().grabRun().grabbedCount(), 0);
    }

    void renderGrabsEveryListingTheScriptWrites()
    {
        searchWith(1, u"script/"_qs);
        // The page after the last holds no listings and never will: it costs the whole timeout.
        harvest().grabRun().setTimeout(3000);
        grab();
        QCOMPARE(rows(), 1 + 250);
        QCOMPARE(m_win.panel(24), u"250"_qs);
        QVERIFY(!m_win.table().text(1, 0).isEmpty());
        QVERIFY(m_win.table().text(1, 5).startsWith(u'('));
    }
};

QTEST_MAIN(TestBrowserFetch)
#include "tst_browserfetch.moc"
