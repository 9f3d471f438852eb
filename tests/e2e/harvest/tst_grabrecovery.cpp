#include "app/files/recoverykeeper.h"
#include "app/harvest/harvestcommands.h"
#include "app/shell/frmmain.h"
#include "app/table/frmcoldef.h"
#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/harvest/grabrun.h"
#include "core/shell/sessionfiles.h"
#include "core/shell/settings.h"
#include "core/table/filecommands.h"
#include "core/table/recordtable.h"
#include "core/table/recoverycopy.h"
#include "support/demosite.h"
#include "support/testsupport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace dq;
using Answer = UserPrompts::Answer;

namespace {

constexpr int kGrabTimeout = 60000;

QStringList allRows(const GridModel &fa)
{
    QStringList out;
    for (int r = 1; r < fa.rows(); ++r)
        out << fa.rowTexts(r).mid(0, 8).join(u'|');
    return out;
}

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

// Nothing grabbed or edited in the window is lost to a crash, and a grab keeps its rows
// whatever else the window does meanwhile.
class TestGrabRecovery : public QObject
{
    Q_OBJECT

    test::DemoSite m_site;
    test::ScriptedPrompts m_prompts;
    std::unique_ptr<frmMain> m_w;
    QString m_home;

    HarvestCommands &harvest() { return m_w->harvest(); }
    QAction *startKey() { return m_w->toolbarButton(1, u"StartGrab"_qs); }
    QString listingPage(const QString &faults = QString()) const
    {
        return m_site.base() + u"page/search?category=Plumbers&city=Austin&state=TX"_qs + faults;
    }

    std::unique_ptr<frmMain> newWindow()
    {
        auto w = std::make_unique<frmMain>(m_prompts, false);
        return w->load() ? std::move(w) : nullptr;
    }

    // Starts a grab the way Start Grabbing does, from address.
    void grab(const QString &address, int maxPages = 10000)
    {
        m_w->setSearchAddress(address);
        QVERIFY(startKey()->isEnabled());
        harvest().grabRun().setMaxPages(maxPages);
        startKey()->trigger();
        QVERIFY(harvest().isGrabbing());
    }

    void waitForEnd() { QTRY_VERIFY_WITH_TIMEOUT(!harvest().isGrabbing(), kGrabTimeout); }

private slots:
    void initTestCase()
    {
        const QString failure = m_site.start();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    void init()
    {
        m_home = test::tempDir() + u'/';
        qputenv("DIRQUILL_HOME", m_home.toLocal8Bit());
        qputenv("DIRQUILL_CONFIG_DIR", test::tempDir().toLocal8Bit());
        qputenv("XDG_DATA_HOME", test::tempDir().toLocal8Bit());
        QVERIFY(QFile::copy(QStringLiteral(DQ_BIN_DIR "/demo-page.key"), m_home + u"demo-page.key"_qs));
        GridModel sites;
        sites.setCols(4);
        sites.setRows(2);
        const QStringList engine { u"Demo Directory"_qs, u"demo-page.key"_qs, QString(), m_site.base() + u"page/"_qs };
        for (int c = 0; c < 4; ++c)
            sites.setText(1, c, engine[c]);
        QVERIFY(GridFile::save(sites, m_home + u"stpl00.bin"_qs, FileKind::Native));
        m_prompts = test::ScriptedPrompts();
        m_w = newWindow();
    }

    void cleanup()
    {
        m_w.reset();
        QCOMPARE(m_prompts.unexpected, 0);
        // A window that ends normally leaves nothing to recover.
        QCOMPARE(QDir(SessionFiles::folder()).entryList(QDir::Files), QStringList());
    }

    void aKilledGrabComesBackAndGoesOnWhereItStopped()
    {
        grab(listingPage());
        waitForEnd();
        // The journal as a kill after the third page leaves it (format, run and three page
        // lines), its last line torn.
        QFile whole(m_w->recovery().journalPath());
        QVERIFY(whole.open(QIODevice::ReadOnly));
        const QString journal = test::tempDir() + u"/x.journal"_qs;
        QFile f(journal);
        QVERIFY(f.open(QIODevice::WriteOnly));
        for (int line = 0; line < 5; ++line)
            f.write(whole.readLine());
        f.write("{\"rows\":[[\"Torn");
        f.close();
        const QStringList clean = allRows(m_w->table().fa());
        QCOMPARE(clean.size(), 250);
        QVERIFY(!asKilledSession({ journal }).isEmpty());

        // A second window starts: it asks, restores the 30 rows, and goes on from page 4.
        const HarvestJournal::Contents left = HarvestJournal::read(journal);
        m_prompts.answers << Answer::Yes << Answer::Yes;
        std::unique_ptr<frmMain> second = newWindow();
        second->recovery().offerRecovery();
        QCOMPARE(m_prompts.messages().value(0),
            u"Dirquill found 30 rows grabbed from Demo Directory on %1 that were never saved. Restore them?"_qs.arg(
                QLocale().toString(left.run.started.toLocalTime(), QLocale::ShortFormat)));
        QCOMPARE(m_prompts.messages().value(1),
            u"The grab from Demo Directory had not ended. Continue grabbing from page 4?"_qs);
        QVERIFY(second->harvest().isGrabbing());
        QVERIFY(second->table().changed());
        QCOMPARE(allRows(second->table().fa()), clean.mid(0, 30));
        QTRY_VERIFY_WITH_TIMEOUT(!second->harvest().isGrabbing(), kGrabTimeout);
        QCOMPARE(allRows(second->table().fa()), clean);
        // The restored rows are at risk until saved: they are in the second window's journal now.
        QCOMPARE(HarvestJournal::read(second->recovery().journalPath()).rows.size(), size_t(250));
    }

    void savingOrReplacingTheTableEmptiesTheJournal_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("Save writes the rows to a file") << u"save"_qs;
        QTest::newRow("New after its question gives the rows up") << u"new"_qs;
        QTest::newRow("Open after its question gives the rows up") << u"open"_qs;
    }

    void savingOrReplacingTheTableEmptiesTheJournal()
    {
        QFETCH(QString, command);
        grab(listingPage(), 2);
        waitForEnd();
        const QString journal = m_w->recovery().journalPath();
        QCOMPARE(HarvestJournal::read(journal).rows.size(), size_t(20));
        FileCommands &files = m_w->fileCommands();
        if (command == u"save") {
            QVERIFY(files.save());
        } else if (command == u"new") {
            m_prompts.answers << Answer::No;
            QVERIFY(files.newTable());
        } else {
            GridModel other;
            other.setCols(2);
            other.setRows(2);
            QVERIFY(GridFile::save(other, m_home + u"other.tsy"_qs, FileKind::Native));
            m_prompts.answers << Answer::No;
            QVERIFY(files.openFile(m_home + u"other.tsy"_qs, FileKind::Native));
        }
        QVERIFY(HarvestJournal::read(journal).rows.empty());
    }

    void unsavedEditsAreCopiedAndComeBackAfterACrash()
    {
        m_w.reset();
        Settings::write(RecoveryKeeper::intervalSetting(), u"1"_qs);
        m_w = newWindow();
        const QString file = m_home + u"mine.tsy"_qs;
        GridModel mine;
        mine.setCols(3);
        mine.setRows(3);
        mine.setText(1, 0, u"Acme"_qs);
        QVERIFY(GridFile::save(mine, file, FileKind::Native));
        QVERIFY(m_w->fileCommands().openFile(file, FileKind::Native));
        m_w->table().fa().setText(2, 1, u"edited"_qs);
        const QString copy = m_w->recovery().copyPath();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(RecoveryCopy::infoPath(copy)), 20000);
        QVERIFY(!asKilledSession({ copy, RecoveryCopy::infoPath(copy) }).isEmpty());

        m_prompts.answers << Answer::Yes;
        std::unique_ptr<frmMain> second = newWindow();
        second->recovery().offerRecovery();
        QVERIFY(m_prompts.messages().value(0).startsWith(u"Dirquill found unsaved changes to mine.tsy from "_qs));
        RecordTable &t = second->table();
        QCOMPARE(t.fa().text(1, 0), u"Acme"_qs);
        QCOMPARE(t.fa().text(2, 1), u"edited"_qs);
        QCOMPARE(t.currentFile(), file);
        QVERIFY(t.changed());
        // Saved, the copy has nothing left to guard.
        QVERIFY(second->fileCommands().save());
        QVERIFY(!QFile::exists(second->recovery().copyPath()));
    }

    void openDuringTheFirstDownloadKeepsTheOpenedRowsAbove()
    {
        const QString file = m_home + u"opened.tsy"_qs;
        GridModel opened;
        opened.setCols(13);
        opened.setRows(3);
        opened.setText(1, 0, u"Opened One"_qs);
        opened.setText(2, 0, u"Opened Two"_qs);
        QVERIFY(GridFile::save(opened, file, FileKind::Native));
        QVERIFY(m_w->table().fresh());
        grab(listingPage(u"&delay=800"_qs), 1);
        // The run's titles are no unsaved data: Open asks nothing before the first rows.
        QVERIFY(!m_w->table().changed());
        QVERIFY(m_w->fileCommands().openFile(file, FileKind::Native));
        waitForEnd();
        const GridModel &fa = m_w->table().fa();
        QCOMPARE(fa.rows(), 3 + 10);
        QCOMPARE(fa.text(1, 0), u"Opened One"_qs);
        QCOMPARE(fa.text(2, 0), u"Opened Two"_qs);
        QVERIFY(!fa.text(3, 0).isEmpty());
    }

    void columnDefineOpenedBeforeAGrabWaitsForItsEnd()
    {
        m_w->findChild<QAction *>(u"mnuColumnDefine"_qs)->trigger();
        auto *define = m_w->findChild<frmColDef *>();
        QVERIFY(define);
        grab(listingPage(u"&delay=300"_qs), 2);
        define->definitions().setCursor(define->definitions().rows() - 1, 0);
        define->deleteColumn();
        m_prompts.answers << Answer::Ok;
        define->applyAndClose();
        QVERIFY(m_prompts.messages().value(0).startsWith(u"The columns cannot be redefined while a grab"_qs));
        QVERIFY(define->isVisible());
        waitForEnd();
        const GridModel &fa = m_w->table().fa();
        QCOMPARE(fa.cols(), 13);
        QCOMPARE(fa.rows(), 1 + 20);
        // Once the grab has ended, the same OK applies the edits (the dropped column is empty).
        define->applyAndClose();
        QCOMPARE(fa.cols(), 12);
        QCOMPARE(m_prompts.messages().size(), 1);
    }

    void theFormPanelAndCounterFollowEachPage()
    {
        QSignalSpy pages(&harvest().grabRun(), &GrabRun::rowsAdded);
        grab(listingPage(u"&delay=300"_qs), 3);
        QVERIFY(pages.wait(kGrabTimeout));
        const GridModel &fa = m_w->table().fa();
        const int last = fa.rows() - 1;
        QCOMPARE(m_w->panel(6)->text(), u"%1 / %1"_qs.arg(last));
        auto *form = m_w->findChild<GridModel *>(u"fbGrid"_qs);
        QVERIFY(form);
        QCOMPARE(form->text(1, 1), fa.text(last, 0));
        waitForEnd();
    }

    void startComesBackOnlyOnceAStoppedGrabHasEnded()
    {
        grab(listingPage(u"&delay=1000"_qs));
        QAction *deleteDuplicates = m_w->findChild<QAction *>(u"mnuDelDup"_qs);
        QVERIFY(!deleteDuplicates->isEnabled());
        harvest().StopGrab();
        // The stopped run still waits on its page: Start is no dead button meanwhile.
        QVERIFY(harvest().isGrabbing());
        QVERIFY(!startKey()->isEnabled());
        QVERIFY(!harvest().mnuFileB_Grab->isEnabled());
        waitForEnd();
        QVERIFY(startKey()->isEnabled());
        QVERIFY(deleteDuplicates->isEnabled());
        startKey()->trigger();
        QVERIFY(harvest().isGrabbing());
        harvest().StopGrab();
        waitForEnd();
    }
};

QTEST_MAIN(TestGrabRecovery)
#include "tst_grabrecovery.moc"
