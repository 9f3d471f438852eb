#include "app/grid/gridview.h"
#include "app/harvest/browsercommands.h"
#include "browser/webpagerenderer.h"
#include "core/harvest/grabrun.h"
#include "core/table/filecommands.h"

#include "demowindow.h"
#include "support/gridtext.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>
#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

using namespace dq;
using dq::test::named;
using Answer = UserPrompts::Answer;

// The whole road of a harvest in the window against the demo directory on loopback: pick the
// engine, browse to a listing page, grab it, save it, stop, live through a failing server, and
// grab the two sites that turn a program away in the key file's session and render ways.
class TestHarvestWindow : public QObject
{
    Q_OBJECT

    test::DemoWindow m_win;

    QString listingPage(const QString &faults = {}) const { return m_win.listingPage(faults); }
    HarvestCommands &harvest() { return m_win.harvest(); }
    QWebEngineView *browser() { return harvest().browsers().WBrowser; }
    int currentTab() { return named<QTabWidget>(*m_win.w, "tabMain")->currentIndex(); }

    // Browses the search panel to address the way a user's click would.
    void browseTo(const QString &address)
    {
        QSignalSpy loaded(browser(), &QWebEngineView::loadFinished);
        browser()->setUrl(QUrl(address));
        QVERIFY(loaded.wait(20000));
        QCOMPARE(named<QLineEdit>(*m_win.w, "txtDrop")->text(), address);
    }

    // Texts of the listing page the browser shows, read from its document.
    QStringList shownListings(const char *selector)
    {
        QVariant result;
        bool done = false;
        browser()->page()->runJavaScript(
            u"Array.from(document.querySelectorAll('%1')).map(e => e.textContent)"_qs.arg(QLatin1String(selector)),
            [&](const QVariant &v) {
                result = v;
                done = true;
            });
        [&] { QTRY_VERIFY_WITH_TIMEOUT(done, 20000); }();
        return result.toStringList();
    }

    // Picks engine i as the engine list does, then searches its site the way a user clicks.
    void searchWith(int engine, const QString &style)
    {
        QSignalSpy started(browser(), &QWebEngineView::loadFinished);
        m_win.w->engineBox()->setCurrentIndex(engine);
        harvest().cboYP2_Click();
        QVERIFY(started.wait(20000));
        browseTo(test::demoSearch(m_win.site, style));
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
        const QString failure = m_win.site.start();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }
    void init()
    {
        const auto engine = [](const QString &style) {
            return test::DemoEngine { style, u"demo-"_qs + style + u".key"_qs, style + u'/' };
        };
        QVERIFY(m_win.open({ test::kDemoPage, engine(u"wall"_qs), engine(u"script"_qs) }));
    }
    void cleanup() { QCOMPARE(m_win.close(), 0); }

    void startUpShowsTheEngineAndOnlyAListingPageEnablesGrabbing()
    {
        QCOMPARE(currentTab(), int(frmMain::kTabSearch));
        QTRY_VERIFY_WITH_TIMEOUT(browser()->title().endsWith(u"Demo Directory"_qs), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(harvest().browsers().WBrowserGuide->title(), u"Dirquill Guide"_qs, 20000);
        QVERIFY(!m_win.startKey()->isEnabled());
        // The hourglass shows while a page downloads and is gone once it is in.
        QTRY_VERIFY(!QApplication::overrideCursor());
        QSignalSpy loaded(browser(), &QWebEngineView::loadFinished);
        browser()->setUrl(QUrl(listingPage(u"&delay=1000"_qs)));
        QTRY_VERIFY_WITH_TIMEOUT(QApplication::overrideCursor(), 10000);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QVERIFY(loaded.wait(20000));
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(m_win.startKey()->isEnabled());
        browseTo(m_win.site.base() + u"page/"_qs);
        QVERIFY(!m_win.startKey()->isEnabled());
        // Back returns to the listing page and grabbing is possible again.
        harvest().browsers().mnuFileB_back->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(m_win.startKey()->isEnabled(), 20000);
    }

    void f5GrabsEveryPageAndTheSavedFileReadsBack()
    {
        m_win.w->show();
        QVERIFY(QTest::qWaitForWindowActive(m_win.w.get()));
        browseTo(listingPage());
        QTRY_VERIFY_WITH_TIMEOUT(shownListings("h3.name").size() == 10, 20000);
        const QStringList names = shownListings("h3.name");
        const QStringList phones = shownListings("span.phone");
        // "Add Blue" ticked in the search font colours: runs alternate black and blue.
        named<QAction>(*m_win.w, "mnuAltColor_1")->trigger();

        // F5 works while the page in the browser has the keyboard focus.
        QWidget *page = browser()->focusProxy() ? browser()->focusProxy() : browser();
        page->setFocus();
        QTRY_VERIFY(page->hasFocus());
        QTest::keyClick(page, Qt::Key_F5);
        QVERIFY(harvest().isGrabbing());
        QTRY_COMPARE_WITH_TIMEOUT(m_win.panel(2), u" Done"_qs, 60000);

        const GridModel &fa = m_win.table();
        // The fresh table's blank rows gave way to the 250 listings, each once.
        QCOMPARE(fa.rows(), 251);
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(fa.text(i + 1, 0), names.at(i));
            QCOMPARE(fa.text(i + 1, 5), phones.at(i).mid(QStringLiteral("Phone: ").size()));
        }
        QCOMPARE(m_win.panel(24), u"250"_qs);
        QCOMPARE(currentTab(), int(frmMain::kTabResults));
        QCOMPARE(named<GridView>(*m_win.w, "fa")->currentIndex().row(), 250);
        QVERIFY(m_win.w->table().changed());
        QVERIFY(!harvest().Timer1->isActive());
        QCOMPARE(fa.cellFormat(250, 12).fore, QColor(Qt::blue).rgb());

        // Saved and opened again, the file holds every row and colour.
        const QString file = m_win.home + u"plumbers.tsy"_qs;
        m_win.prompts.fileNames << file;
        QVERIFY(m_win.w->fileCommands().saveAs(FileKind::Native));
        const QStringList grabbed = test::rowsOf(fa);
        QVERIFY(m_win.w->fileCommands().newTable());
        QVERIFY(m_win.w->fileCommands().openFile(file, FileKind::Native));
        QCOMPARE(test::rowsOf(fa), grabbed);
        QCOMPARE(fa.cellFormat(250, 12).fore, QColor(Qt::blue).rgb());
    }

    void aFailingServerIsReportedAndTheRowsStay()
    {
        browseTo(listingPage(u"&status=503&at=3"_qs));
        m_win.prompts.answers << Answer::Ok;
        harvest().mnuFileB_Grab->trigger();
        QVERIFY(m_win.grabEnds());
        QCOMPARE(m_win.prompts.messages().size(), 1);
        QVERIFY2(m_win.prompts.messages()[0].contains(u"503"_qs), qPrintable(m_win.prompts.messages()[0]));
        QCOMPARE(m_win.table().rows(), 1 + 20);
    }

    void sessionPassesTheCookieWallOnlyWithTheBrowsersCookie()
    {
        searchWith(1, u"wall/"_qs);
        grab();
        QCOMPARE(m_win.table().rows(), 1 + 250);
        QCOMPARE(m_win.table().text(250, 3), u"TX"_qs);

        // The same grab once the browser has forgotten its cookies meets the consent page.
        QWebEngineCookieStore *store = browser()->page()->profile()->cookieStore();
        QSignalSpy removed(store, &QWebEngineCookieStore::cookieRemoved);
        store->deleteAllCookies();
        QVERIFY(removed.wait(10000));
        grab();
        QCOMPARE(m_win.table().rows(), 1 + 250);
        QCOMPARE(harvest().grabRun().grabbedCount(), 0);
    }

    void renderGrabsEveryListingTheScriptWrites()
    {
        searchWith(2, u"script/"_qs);
        // The page after the last holds no listings and never will: it costs the whole timeout.
        harvest().grabRun().setTimeout(3000);
        grab();
        QCOMPARE(m_win.table().rows(), 1 + 250);
        QVERIFY(!m_win.table().text(1, 0).isEmpty());
        QVERIFY(m_win.table().text(1, 5).startsWith(u'('));
    }
};

QTEST_MAIN(TestHarvestWindow)
#include "tst_harvest_window.moc"
