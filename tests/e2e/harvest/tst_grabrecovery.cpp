#include "app/files/recoverykeeper.h"
#include "app/table/frmcoldef.h"
#include "core/harvest/grabrun.h"
#include "core/shell/sessionfiles.h"
#include "core/shell/settings.h"
#include "core/table/filecommands.h"
#include "core/table/recoverycopy.h"

#include "demowindow.h"
#include "support/gridtext.h"

#include <QLocale>
#include <QSignalSpy>

using namespace dq;
using Answer = UserPrompts::Answer;

namespace {

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

    test::DemoWindow m_win;

    HarvestCommands &harvest() { return m_win.harvest(); }
    QString listingPage(const QString &faults = {}) const { return m_win.listingPage(faults); }
    std::unique_ptr<frmMain> newWindow()
    {
        auto w = m_win.another();
        return w->load() ? std::move(w) : nullptr;
    }

    // Starts a grab the way Start Grabbing does, from address.
    void grab(const QString &address, int maxPages = 10000)
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
        const QString failure = m_win.site.start();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }
    void init() { QVERIFY(m_win.open({ test::kDemoPage })); }
    void cleanup()
    {
        QCOMPARE(m_win.close(), 0);
        // A window that ends normally leaves nothing to recover.
        QCOMPARE(QDir(SessionFiles::folder()).entryList(QDir::Files), QStringList());
    }

    void aKilledGrabComesBackAndGoesOnWhereItStopped()
    {
        grab(listingPage());
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
        grab(listingPage(u"&delay=800"_qs), 1);
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
        grab(listingPage(u"&delay=300"_qs), 2);
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
        grab(listingPage(u"&delay=1000"_qs));
        QAction *deleteDuplicates = m_win.w->findChild<QAction *>(u"mnuDelDup"_qs);
        QVERIFY(!deleteDuplicates->isEnabled());
        QVERIFY(pages.wait(60000));
        const int last = m_win.table().rows() - 1;
        QCOMPARE(m_win.panel(6), u"%1 / %1"_qs.arg(last));
        QCOMPARE(test::named<GridModel>(*m_win.w, "fbGrid")->text(1, 1), m_win.table().text(last, 0));
        harvest().StopGrab();
        QVERIFY(m_win.grabEnds());
        QVERIFY(deleteDuplicates->isEnabled());
    }
};

QTEST_MAIN(TestGrabRecovery)
#include "tst_grabrecovery.moc"
