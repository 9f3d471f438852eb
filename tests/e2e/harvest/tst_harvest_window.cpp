#include "app/grid/gridview.h"
#include "app/harvest/browsercommands.h"
#include "app/harvest/harvestcommands.h"
#include "app/shell/frmmain.h"
#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/table/recordtable.h"
#include "support/demosite.h"
#include "support/testsupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <memory>

using namespace dq;
using dq::test::named;
using Answer = UserPrompts::Answer;

namespace {

const QString kSearch = QStringLiteral("search?category=Plumbers&city=Austin&state=TX");
constexpr int kGrabTimeout = 60000;

} // namespace

// The whole road of a harvest in the window against the demo directory on loopback: pick the
// engine, browse to a listing page, grab it, stop, and live through a failing server.
class TestHarvestWindow : public QObject
{
    Q_OBJECT

    test::DemoSite m_site;
    std::unique_ptr<test::ScriptedPrompts> m_prompts;
    std::unique_ptr<frmMain> m_w;

    QString base() const { return m_site.base(); }
    QString listingPage(const QString &faults = QString()) const { return base() + u"page/" + kSearch + faults; }
    HarvestCommands &harvest() { return m_w->harvest(); }
    QWebEngineView *browser() { return harvest().browsers().WBrowser; }
    QString panel(int i) { return m_w->panel(i)->text(); }
    QAction *startKey() { return m_w->toolbarButton(1, QStringLiteral("StartGrab")); }

    // Browses the search panel to address the way a user's click would.
    void browseTo(const QString &address)
    {
        QSignalSpy loaded(browser(), &QWebEngineView::loadFinished);
        browser()->setUrl(QUrl(address));
        QVERIFY(loaded.wait(20000));
        QCOMPARE(named<QLineEdit>(*m_w, "txtDrop")->text(), address);
    }

    // Texts of the listing page the browser shows, read from its document.
    QStringList shownListings(const char *selector)
    {
        QVariant result;
        bool done = false;
        browser()->page()->runJavaScript(
            QStringLiteral("Array.from(document.querySelectorAll('%1')).map(e => e.textContent)")
                .arg(QLatin1String(selector)),
            [&](const QVariant &v) {
                result = v;
                done = true;
            });
        [&] { QTRY_VERIFY_WITH_TIMEOUT(done, 20000); }();
        return result.toStringList();
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(QStringLiteral(DQ_BIN_DIR "/demo-page.key")), "build dq_engines first");
        const QString failure = m_site.start();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    void init()
    {
        const QString home = test::tempDir() + QLatin1Char('/');
        qputenv("DIRQUILL_HOME", home.toLocal8Bit());
        qputenv("DIRQUILL_CONFIG_DIR", test::tempDir().toLocal8Bit());
        QVERIFY(QFile::copy(QStringLiteral(DQ_BIN_DIR "/demo-page.key"), home + QStringLiteral("demo-page.key")));
        QVERIFY(QDir(home).mkpath(QStringLiteral("QRBX/Guide")));
        QVERIFY(QFile::copy(
            QStringLiteral(DQ_BIN_DIR "/QRBX/Guide/index.html"), home + QStringLiteral("QRBX/Guide/index.html")));
        GridModel sites;
        sites.setCols(4);
        sites.setRows(2);
        sites.setText(0, 0, QStringLiteral("Searching Site"));
        const QStringList engine { QStringLiteral("Demo Directory"), QStringLiteral("demo-page.key"), QString(),
            base() + u"page/" };
        for (int c = 0; c < 4; ++c)
            sites.setText(1, c, engine[c]);
        QVERIFY(GridFile::save(sites, home + QStringLiteral("stpl00.bin"), FileKind::Native));

        m_prompts = std::make_unique<test::ScriptedPrompts>();
        // Tips off: the tip dialog would take the keyboard focus these tests follow.
        m_w = std::make_unique<frmMain>(*m_prompts, false);
        QVERIFY(m_w->load());
    }

    void cleanup()
    {
        m_w.reset();
        QCOMPARE(m_prompts->unexpected, 0);
        m_prompts.reset();
    }

    void startUpOpensTheEngineAndTheGuide()
    {
        QCOMPARE(named<QTabWidget>(*m_w, "tabMain")->currentIndex(), int(frmMain::kTabSearch));
        QTRY_VERIFY_WITH_TIMEOUT(browser()->title().endsWith(QStringLiteral("Demo Directory")), 20000);
        QCOMPARE(named<QLineEdit>(*m_w, "txtDrop")->text(), base() + QStringLiteral("page/"));
        QVERIFY(!startKey()->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(harvest().browsers().WBrowserGuide->title(), QStringLiteral("Dirquill Guide"), 20000);
        QVERIFY(named<QLineEdit>(*m_w, "txtURL")->text().endsWith(QStringLiteral("/QRBX/Guide/index.html")));
        // The hourglass shows while a page downloads and is gone once it is in.
        QTRY_VERIFY(!QApplication::overrideCursor());
        QSignalSpy loaded(browser(), &QWebEngineView::loadFinished);
        browser()->setUrl(QUrl(listingPage(QStringLiteral("&delay=1000"))));
        QTRY_VERIFY_WITH_TIMEOUT(QApplication::overrideCursor(), 10000);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QVERIFY(loaded.wait(20000));
        QVERIFY(!QApplication::overrideCursor());
    }

    void aListingPageEnablesGrabbingAndLeavingItDisables()
    {
        browseTo(listingPage());
        QVERIFY(startKey()->isEnabled());
        QVERIFY(harvest().mnuFileB_Grab->isEnabled());
        QVERIFY(!harvest().pnlHintMsg[1]->isHidden());

        browseTo(base() + QStringLiteral("page/"));
        QVERIFY(!startKey()->isEnabled());
        QVERIFY(!harvest().mnuFileB_Grab->isEnabled());
        QVERIFY(!harvest().pnlHintMsg[0]->isHidden());

        // Back returns to the listing page and grabbing is possible again.
        harvest().browsers().mnuFileB_back->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(named<QLineEdit>(*m_w, "txtDrop")->text(), listingPage(), 20000);
        QVERIFY(startKey()->isEnabled());
    }

    void f5GrabsEveryPageIntoTheTable()
    {
        m_w->show();
        QVERIFY(QTest::qWaitForWindowActive(m_w.get()));
        browseTo(listingPage());
        QVERIFY(startKey()->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(shownListings("h3.name").size() == 10, 20000);
        const QStringList names = shownListings("h3.name");
        const QStringList phones = shownListings("span.phone");
        const bool saveBefore = m_w->table().saveEnabled();
        // "Add Blue" ticked in the search font colours: runs alternate black and blue.
        auto *addBlue = m_w->findChild<QAction *>(QStringLiteral("mnuAltColor_1"));
        QVERIFY(addBlue);
        addBlue->trigger();
        QVERIFY(addBlue->isChecked());

        // F5 works while the page in the browser has the keyboard focus.
        QWidget *page = browser()->focusProxy() ? browser()->focusProxy() : browser();
        page->setFocus();
        QTRY_VERIFY(page->hasFocus());
        QTest::keyClick(page, Qt::Key_F5);
        QVERIFY(harvest().isGrabbing());
        QTRY_COMPARE_WITH_TIMEOUT(panel(2), QStringLiteral(" Done"), kGrabTimeout);

        const GridModel &fa = m_w->table().fa();
        // The fresh table's blank rows gave way to the 250 listings.
        QCOMPARE(fa.rows(), 251);
        QCOMPARE(fa.text(0, 0), QStringLiteral("Name"));
        QCOMPARE(fa.text(0, 5), QStringLiteral("Phone"));
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(fa.text(i + 1, 0), names.at(i));
            QCOMPARE(fa.text(i + 1, 5), phones.at(i).mid(QStringLiteral("Phone: ").size()));
        }
        QSet<QString> distinct;
        for (int r = 1; r < fa.rows(); ++r)
            distinct.insert(fa.rowTexts(r).join(QLatin1Char('\t')));
        QCOMPARE(distinct.size(), 250);

        QCOMPARE(panel(20), QStringLiteral(" Done"));
        QCOMPARE(panel(24), QStringLiteral("250"));
        QCOMPARE(named<QTabWidget>(*m_w, "tabMain")->currentIndex(), int(frmMain::kTabResults));
        QCOMPARE(named<GridView>(*m_w, "fa")->currentIndex().row(), 250);
        QVERIFY(m_w->table().changed());
        QCOMPARE(m_w->table().saveEnabled(), saveBefore);
        QVERIFY(!m_w->table().fresh());
        QVERIFY(startKey()->isEnabled());
        QVERIFY(!m_w->toolbarButton(0, QStringLiteral("Stop"))->isEnabled());
        QVERIFY(!harvest().Timer1->isActive());
        QVERIFY(!harvest().pnlHintMsg[1]->isHidden());

        // A second grab appends below the first one's rows. Started on the last page, the page
        // method counts on from page 2, so every listing comes again.
        m_w->showTab(frmMain::kTabSearch);
        browseTo(listingPage(QStringLiteral("&page=25")));
        harvest().mnuFileB_Grab->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!harvest().isGrabbing(), kGrabTimeout);
        QCOMPARE(fa.rows(), 501);
        QCOMPARE(fa.rowTexts(251), fa.rowTexts(241));
        for (int r : { 1, 250 })
            QCOMPARE(fa.cellFormat(r, 12).fore, QColor(Qt::blue).rgb());
        for (int r : { 251, 500 }) {
            QVERIFY(fa.cellFormat(r, 0).hasFore);
            QCOMPARE(fa.cellFormat(r, 0).fore, QColor(Qt::black).rgb());
        }
    }

    void stopDuringAGrabKeepsTheRows()
    {
        browseTo(listingPage(QStringLiteral("&delay=120000&at=2")));
        harvest().mnuFileB_Grab->trigger();
        QVERIFY(harvest().Timer1->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(panel(24), QStringLiteral("10"), kGrabTimeout);
        // The status animates while the next page is on its way.
        QTRY_VERIFY(panel(2).startsWith(QStringLiteral(" Grabbing >")));

        harvest().mnuFileB_StopGrab->trigger();
        QCOMPARE(panel(2), QStringLiteral(" Cancel"));
        QTRY_VERIFY_WITH_TIMEOUT(!harvest().isGrabbing(), kGrabTimeout);
        // The rows of every page that came in; the page in flight is abandoned at once. Which
        // page Stop lands in depends on timing.
        const int listings = m_w->table().fa().rows() - 1;
        QVERIFY2(listings >= 10 && listings < 250, qPrintable(QString::number(listings)));
        QCOMPARE(panel(2), QStringLiteral(" Cancel"));
        QCOMPARE(panel(24), QString::number(listings));
        QVERIFY(m_w->table().changed());
        QCOMPARE(named<QTabWidget>(*m_w, "tabMain")->currentIndex(), int(frmMain::kTabSearch));
        QVERIFY(!harvest().Timer1->isActive());
    }

    void aFailingServerIsReportedAndTheRowsStay()
    {
        browseTo(listingPage(QStringLiteral("&status=503&at=3")));
        m_prompts->answers << Answer::Ok;
        harvest().mnuFileB_Grab->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!harvest().isGrabbing(), kGrabTimeout);
        QCOMPARE(m_prompts->asked.size(), 1);
        QVERIFY(m_prompts->asked.at(0).title.isEmpty());
        QCOMPARE(m_prompts->asked.at(0).buttons, UserPrompts::Buttons::Ok);
        QVERIFY2(m_prompts->asked.at(0).text.contains(QStringLiteral("503")), qPrintable(m_prompts->asked.at(0).text));
        QCOMPARE(m_w->table().fa().rows(), 1 + 20);
        QCOMPARE(panel(24), QStringLiteral("20"));
        QCOMPARE(named<QTabWidget>(*m_w, "tabMain")->currentIndex(), int(frmMain::kTabResults));
        QVERIFY(m_w->table().changed());
    }
};

QTEST_MAIN(TestHarvestWindow)
#include "tst_harvest_window.moc"
