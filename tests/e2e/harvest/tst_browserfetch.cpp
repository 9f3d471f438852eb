#include "app/harvest/browsercommands.h"
#include "app/harvest/harvestcommands.h"
#include "app/shell/frmmain.h"
#include "browser/webpagerenderer.h"
#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/harvest/grabrun.h"
#include "core/table/recordtable.h"
#include "support/demosite.h"
#include "support/testsupport.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <memory>

using namespace dq;

// A newcomer's road through the two sites that turn a program away: search in the window's
// browser, then grab, in the key file's session and render ways.
class TestBrowserFetch : public QObject
{
    Q_OBJECT

    test::DemoSite m_site;
    std::unique_ptr<test::ScriptedPrompts> m_prompts;
    std::unique_ptr<frmMain> m_w;

    HarvestCommands &harvest() { return m_w->harvest(); }
    QWebEngineView *browser() { return harvest().browsers().WBrowser; }
    int rows() { return m_w->table().fa().rows(); }

    // Picks engine i as the engine list does, then searches its site the way a user clicks.
    void searchWith(int engine, const QString &style)
    {
        QSignalSpy started(browser(), &QWebEngineView::loadFinished);
        m_w->engineBox()->setCurrentIndex(engine);
        harvest().cboYP2_Click();
        QVERIFY(started.wait(20000));
        QSignalSpy loaded(browser(), &QWebEngineView::loadFinished);
        browser()->setUrl(QUrl(m_site.base() + style + u"/search?category=Plumbers&city=Austin&state=TX"_qs));
        QVERIFY(loaded.wait(20000));
        QVERIFY(m_w->toolbarButton(1, QStringLiteral("StartGrab"))->isEnabled());
    }

    void grab()
    {
        harvest().mnuFileB_Grab->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!harvest().isGrabbing(), 120000);
        QCOMPARE(m_w->panel(2)->text(), GrabRun::doneText());
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
        const QString home = test::tempDir() + QLatin1Char('/');
        qputenv("DIRQUILL_HOME", home.toLocal8Bit());
        qputenv("DIRQUILL_CONFIG_DIR", test::tempDir().toLocal8Bit());
        GridModel sites;
        sites.setCols(4);
        sites.setRows(3);
        const char *const engines[][2] = { { "demo-wall.key", "wall/" }, { "demo-script.key", "script/" } };
        for (int i = 0; i < 2; ++i) {
            const QString key = QString::fromLatin1(engines[i][0]);
            QVERIFY(QFile::copy(QStringLiteral(DQ_BIN_DIR "/") + key, home + key));
            sites.setText(i + 1, 0, key);
            sites.setText(i + 1, 1, key);
            sites.setText(i + 1, 3, m_site.base() + QLatin1String(engines[i][1]));
        }
        QVERIFY(GridFile::save(sites, home + QStringLiteral("stpl00.bin"), FileKind::Native));
        m_prompts = std::make_unique<test::ScriptedPrompts>();
        m_w = std::make_unique<frmMain>(*m_prompts, false);
        QVERIFY(m_w->load());
    }

    void cleanup()
    {
        m_w.reset();
        QCOMPARE(m_prompts->unexpected, 0);
        m_prompts.reset();
    }

    void sessionPassesTheCookieWallOnlyWithTheBrowsersCookie()
    {
        searchWith(0, u"wall"_qs);
        grab();
        QCOMPARE(rows(), 1 + 250);
        QCOMPARE(m_w->table().fa().text(250, 3), u"TX"_qs);

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
        searchWith(1, u"script"_qs);
        // The page after the last holds no listings and never will: it costs the whole timeout.
        harvest().grabRun().setTimeout(3000);
        grab();
        QCOMPARE(rows(), 1 + 250);
        QCOMPARE(m_w->panel(24)->text(), u"250"_qs);
        QVERIFY(!m_w->table().fa().text(1, 0).isEmpty());
        QVERIFY(m_w->table().fa().text(1, 5).startsWith(u'('));
    }
};

QTEST_MAIN(TestBrowserFetch)
#include "tst_browserfetch.moc"
