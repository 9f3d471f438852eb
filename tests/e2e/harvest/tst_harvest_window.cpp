#include "app/files/recoverykeeper.h"
#include "app/grid/gridview.h"
#include "app/harvest/browsercommands.h"
#include "app/harvest/harvestcommands.h"
#include "app/shell/frmmain.h"
#include "app/table/frmcoldef.h"
#include "browser/webpagerenderer.h"
#include "core/harvest/grabrun.h"
#include "core/shell/sessionfiles.h"
#include "core/shell/settings.h"
#include "core/table/filecommands.h"
#include "core/table/recordtable.h"
#include "core/table/recoverycopy.h"
#include "support/casefields.h"
#include "support/casetable.h"
#include "support/demoharvest.h"
#include "support/gridtext.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <memory>

using namespace dq;
using namespace dq::test;
using Answer = UserPrompts::Answer;

namespace {

// The demo site and a main window over a fresh program folder whose engines grab it, its
// questions answered from a script.
struct DemoWindow
{
    DemoSite site;
    ScriptedPrompts prompts;
    std::unique_ptr<frmMain> w;
    QString home;

    // False when the program folder or the window could not be made.
    bool open(const QList<DemoEngine> &engines)
    {
        prompts = ScriptedPrompts();
        home = demoProgramHome(site, engines);
        return !home.isEmpty() && (w = another())->load();
    }
    // A second window on the same folder and script, not yet loaded: tips off, as they would take the focus.
    std::unique_ptr<frmMain> another() { return std::make_unique<frmMain>(prompts, false); }
    // Closes the window; the count of questions the script did not expect.
    int close()
    {
        w.reset();
        return prompts.unexpected;
    }

    HarvestCommands &harvest() { return w->harvest(); }
    QAction *startKey() const { return w->toolbarButton(1, QStringLiteral("StartGrab")); }
    QString panel(int i) const { return w->panel(i)->text(); }
    GridModel &table() { return w->table().fa(); }
    bool grabEnds(int ms = 60000)
    {
        return QTest::qWaitFor([this] { return !w->harvest().isGrabbing(); }, ms);
    }
    // The site's listing page of the page-number style, with its fault switches.
    QString listingPage(const QString &faults = {}) const { return demoSearch(site, QStringLiteral("page/"), faults); }
};

const DemoEngine kDemoPage { QStringLiteral("Demo Directory"), QStringLiteral("demo-page.key"),
    QStringLiteral("page/") };

// Makes files look like those of a window that was killed: the same files under a session
// id that no live window holds.
QString asKilledSession(const QStringList &paths)
{
    const QString id = u"20000101-000000000-1-1"_qs;
    for (const QString &path : paths) {
        const QString suffix = path.mid(path.indexOf(u'.', path.lastIndexOf(u'/')));
        const QString target = SessionFiles::folder() + id + suffix;
        QFile::remove(target);
        if (!QFile::copy(path, target))
            return QString();
    }
    return id;
}

} // namespace

// The whole road of a harvest in the window against the demo directory on loopback: pick the
// engine, browse to a listing page, grab it, save it, live through a failing server, and grab
// the two sites that turn a program away in the key file's session and render ways. Nothing
// grabbed or edited is lost to a crash, and a grab keeps its rows whatever else the window does.
class TestHarvestWindow : public QObject
{
    Q_OBJECT

    DemoWindow m_win;

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

    std::unique_ptr<frmMain> newWindow()
    {
        auto w = m_win.another();
        return w->load() ? std::move(w) : nullptr;
    }

    // Starts a grab the way Start Grabbing does, from address.
    void startGrab(const QString &address, int maxPages = 10000)
    {
        m_win.w->setSearchAddress(address);
        QVERIFY(m_win.startKey()->isEnabled());
        harvest().grabRun().setMaxPages(maxPages);
        m_win.startKey()->trigger();
        QVERIFY(harvest().isGrabbing());
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
            return DemoEngine { style, u"demo-"_qs + style + u".key"_qs, style + u'/' };
        };
        QVERIFY(m_win.open({ kDemoPage, engine(u"wall"_qs), engine(u"script"_qs) }));
    }
    void cleanup()
    {
        QCOMPARE(m_win.close(), 0);
        // A window that ends normally leaves nothing to recover.
        QCOMPARE(QDir(SessionFiles::folder()).entryList(QDir::Files), QStringList());
    }

    void startUpShowsTheEngineAndOnlyAListingPageEnablesGrabbing()
    {
        QCOMPARE(currentTab(), int(frmMain::kTabSearch));
        QTRY_VERIFY_WITH_TIMEOUT(browser()->title().endsWith(u"Demo Directory"_qs), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(harvest().browsers().WBrowserGuide->title(), u"Dirquill Guide"_qs, 20000);
        QVERIFY(!m_win.startKey()->isEnabled());
        // The hourglass shows while a page downloads and is gone once it is in.
        QTRY_VERIFY(!QApplication::overrideCursor());
        QSignalSpy loaded(browser(), &QWebEngineView::loadFinished);
        browser()->setUrl(QUrl(m_win.listingPage(u"&delay=1000"_qs)));
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
        browseTo(m_win.listingPage());
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
        browseTo(m_win.listingPage(u"&status=503&at=3"_qs));
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

    void aKilledGrabComesBackAndGoesOnWhereItStopped()
    {
        startGrab(m_win.listingPage());
        QVERIFY(m_win.grabEnds());
        // The journal as a kill after the third page leaves it (format, run and three page
        // lines), its last line torn.
        const QByteArrayList lines = test::readBytes(m_win.w->recovery().journalPath()).split('\n');
        const QString journal
            = test::writeBytes(test::tempDir() + u"/x.journal"_qs, lines.mid(0, 5).join('\n') + "\n{\"rows\":[[\"Torn");
        const QStringList clean = test::rowsOf(m_win.w->table().fa(), 1);
        QVERIFY(!asKilledSession({ journal }).isEmpty());

        // A second window starts: it asks, restores the 30 rows, and goes on from page 4.
        const HarvestJournal::Contents left = HarvestJournal::read(journal);
        m_win.prompts.answers << Answer::Yes << Answer::Yes;
        std::unique_ptr<frmMain> second = newWindow();
        second->recovery().offerRecovery();
        QCOMPARE(m_win.prompts.messages().value(0),
            u"Dirquill found 30 rows grabbed from Demo Directory on %1 that were never saved. Restore them?"_qs.arg(
                QLocale().toString(left.run.started.toLocalTime(), QLocale::ShortFormat)));
        QCOMPARE(m_win.prompts.messages().value(1),
            u"The grab from Demo Directory had not ended. Continue grabbing from page 4?"_qs);
        QVERIFY(second->table().changed());
        QCOMPARE(test::rowsOf(second->table().fa(), 1), clean.mid(0, 30));
        QTRY_VERIFY_WITH_TIMEOUT(!second->harvest().isGrabbing(), 60000);
        QCOMPARE(test::rowsOf(second->table().fa(), 1), clean);
        // The restored rows are at risk until saved: they are in the second window's journal now.
        QCOMPARE(HarvestJournal::read(second->recovery().journalPath()).rows.size(), size_t(250));
    }

    void savingOrReplacingTheTableEmptiesTheJournal_data() { addCaseRows(u"e2e/journal-emptied.tsv"_qs); }
    void savingOrReplacingTheTableEmptiesTheJournal()
    {
        const QString command = field("command");
        startGrab(m_win.listingPage(), 2);
        QVERIFY(m_win.grabEnds());
        const QString journal = m_win.w->recovery().journalPath();
        QCOMPARE(HarvestJournal::read(journal).rows.size(), size_t(20));
        FileCommands &files = m_win.w->fileCommands();
        if (command == u"save") {
            QVERIFY(files.save());
        } else if (command == u"new") {
            m_win.prompts.answers << Answer::No;
            QVERIFY(files.newTable());
        } else {
            GridModel other;
            test::fillRows(other, { u"a|b"_qs });
            QVERIFY(GridFile::save(other, m_win.home + u"other.tsy"_qs, FileKind::Native));
            m_win.prompts.answers << Answer::No;
            QVERIFY(files.openFile(m_win.home + u"other.tsy"_qs, FileKind::Native));
        }
        QVERIFY(HarvestJournal::read(journal).rows.empty());
    }

    void unsavedEditsAreCopiedAndComeBackAfterACrash()
    {
        m_win.w.reset();
        Settings::write(RecoveryKeeper::intervalSetting(), u"1"_qs);
        m_win.w = newWindow();
        const QString file = m_win.home + u"mine.tsy"_qs;
        GridModel mine;
        test::fillRows(mine, { u"||"_qs, u"Acme||"_qs, u"||"_qs });
        QVERIFY(GridFile::save(mine, file, FileKind::Native));
        QVERIFY(m_win.w->fileCommands().openFile(file, FileKind::Native));
        m_win.w->table().fa().setText(2, 1, u"edited"_qs);
        const QString copy = m_win.w->recovery().copyPath();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(RecoveryCopy::infoPath(copy)), 20000);
        QVERIFY(!asKilledSession({ copy, RecoveryCopy::infoPath(copy) }).isEmpty());

        m_win.prompts.answers << Answer::Yes;
        std::unique_ptr<frmMain> second = newWindow();
        second->recovery().offerRecovery();
        QVERIFY(m_win.prompts.messages().value(0).startsWith(u"Dirquill found unsaved changes to mine.tsy from "_qs));
        RecordTable &t = second->table();
        QCOMPARE(test::rowsOf(t.fa()), QStringList({ u"||"_qs, u"Acme||"_qs, u"|edited|"_qs }));
        QCOMPARE(t.currentFile(), file);
        QVERIFY(t.changed());
        // Saved, the copy has nothing left to guard.
        QVERIFY(second->fileCommands().save());
        QVERIFY(!QFile::exists(second->recovery().copyPath()));
    }

    void openDuringTheFirstDownloadKeepsTheOpenedRowsAbove()
    {
        const QString file = m_win.home + u"opened.tsy"_qs;
        GridModel opened;
        test::fillRows(opened, { QString(), u"Opened One"_qs, u"Opened Two"_qs }, 13);
        QVERIFY(GridFile::save(opened, file, FileKind::Native));
        QVERIFY(m_win.w->table().fresh());
        startGrab(m_win.listingPage(u"&delay=800"_qs), 1);
        // The run's titles are no unsaved data: Open asks nothing before the first rows.
        QVERIFY(!m_win.w->table().changed());
        QVERIFY(m_win.w->fileCommands().openFile(file, FileKind::Native));
        QVERIFY(m_win.grabEnds());
        const GridModel &fa = m_win.table();
        QCOMPARE(fa.rows(), 3 + 10);
        QCOMPARE(fa.text(1, 0), u"Opened One"_qs);
        QCOMPARE(fa.text(2, 0), u"Opened Two"_qs);
        QVERIFY(!fa.text(3, 0).isEmpty());
    }

    void columnDefineOpenedBeforeAGrabWaitsForItsEnd()
    {
        m_win.w->findChild<QAction *>(u"mnuColumnDefine"_qs)->trigger();
        auto *define = m_win.w->findChild<frmColDef *>();
        startGrab(m_win.listingPage(u"&delay=300"_qs), 2);
        define->definitions().setCursor(define->definitions().rows() - 1, 0);
        define->deleteColumn();
        m_win.prompts.answers << Answer::Ok;
        define->applyAndClose();
        QVERIFY(m_win.prompts.messages().value(0).startsWith(u"The columns cannot be redefined while a grab"_qs));
        QVERIFY(define->isVisible());
        QVERIFY(m_win.grabEnds());
        const GridModel &fa = m_win.table();
        QCOMPARE(fa.cols(), 13);
        // Once the grab has ended, the same OK applies the edits (the dropped column is empty).
        define->applyAndClose();
        QCOMPARE(fa.cols(), 12);
        QCOMPARE(m_win.prompts.messages().size(), 1);
    }

    void theCounterFollowsEachPageAndDeleteDuplicatesWaitsForTheGrab()
    {
        QSignalSpy pages(&harvest().grabRun(), &GrabRun::rowsAdded);
        startGrab(m_win.listingPage(u"&delay=1000"_qs));
        QAction *deleteDuplicates = m_win.w->findChild<QAction *>(u"mnuDelDup"_qs);
        QVERIFY(!deleteDuplicates->isEnabled());
        QVERIFY(pages.wait(60000));
        const int last = m_win.table().rows() - 1;
        QCOMPARE(m_win.panel(6), u"%1 / %1"_qs.arg(last));
        QCOMPARE(named<GridModel>(*m_win.w, "fbGrid")->text(1, 1), m_win.table().text(last, 0));
        harvest().StopGrab();
        QVERIFY(m_win.grabEnds());
        QVERIFY(deleteDuplicates->isEnabled());
    }
};

QTEST_MAIN(TestHarvestWindow)
#include "tst_harvest_window.moc"
