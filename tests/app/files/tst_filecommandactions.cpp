#include "app/grid/gridview.h"
#include "app/table/frmsearch.h"
#include "core/grid/gridfile.h"
#include "core/shell/settings.h"
#include "core/table/longjobs.h"
#include "support/casetable.h"
#include "support/gui/tablewindowfixture.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

using namespace dq;
using namespace Qt::StringLiterals;
using Answer = UserPrompts::Answer;

// The File entries and keys reach their commands; the record table's long commands, and the saves
// New, Open and Exit ask for, run in the background even on small tables (the size below which they
// run at once is set to nothing).
class TestFileCommandActions : public QObject, public test::TableWindowFixture
{
    Q_OBJECT

    LongJobs &jobs() { return m_window->table().jobs(); }
    QString listFile() const { return m_home + u"/list.tsy"_s; }
    QString otherFile() const { return m_home + u"/other.tsy"_s; }
    void clickTitle(int col) { emit m_window->recordView().horizontalHeader()->sectionClicked(col); }

    // Every text, format and height of the table, its changed flag and its title arrows.
    QString snapshot()
    {
        QString out = m_window->table().changed() ? u"changed\n"_s : u"unchanged\n"_s;
        for (int c = 0; c < fa().cols(); ++c)
            out += u"arrow%1 "_s.arg(m_window->recordView().titlePicture(c).cacheKey());
        for (int r = 0; r < fa().rows(); ++r) {
            out += u'\n' + fa().rowTexts(r).join(u'|');
            for (int c = 0; c < fa().cols(); ++c)
                if (!fa().cellFormat(r, c).isDefault())
                    out += u" fmt%1"_s.arg(c);
            out += u" h%1"_s.arg(fa().rowHeight(r));
        }
        return out;
    }

    // Starts a command (an action, "sort", "find <text>" or "paste") with the answer to its question
    // and the file it asks for, if any; false when it did not get as far as its job.
    bool startCommand(const QString &command, const QString &answer = {}, const QString &file = {})
    {
        if (!answer.isEmpty())
            m_prompts->answers << (answer == u"yes" ? Answer::Yes : Answer::No);
        if (!file.isEmpty())
            m_prompts->fileNames << m_home + u'/' + file;
        if (command == u"sort") {
            clickTitle(2);
        } else if (command.startsWith(u"find "_s)) {
            m_prompts->answers << Answer::Ok; // the end of the pass
            action(u"mnuEditFind"_s)->trigger();
            auto *find = m_window->findChild<frmSearch *>();
            find->txtSearched->setText(command.section(u' ', 1));
            find->cmdNext->click();
        } else if (command == u"paste") {
            QGuiApplication::clipboard()->setText(u"x\ty\rp\tq\r"_s);
            m_window->enterBlockMode();
            m_window->setFocusOwner(FocusOwner::RecordTable);
            fa().select(2, 1, 5, 2);
            action(u"mnuEditPaste"_s)->trigger();
        } else {
            action(command)->trigger();
        }
        return jobs().busy();
    }

    // Ten data rows, rows 3, 6 and 9 copies of the row above, a bold cell, a changed named file.
    void prepareTable()
    {
        fillTable(10);
        for (int r : { 3, 6, 9 })
            for (int c = 0; c < fa().cols(); ++c)
                fa().setText(r, c, fa().text(r - 1, c));
        fa().setText(4, 2, u"Aardvark"_s);
        CellFormat bold;
        bold.bold = true;
        fa().setCellFormat(4, 1, bold);
        QVERIFY(GridFile::save(fa(), otherFile(), FileKind::Native));
        useNamedFile();
        m_window->table().MakeModified(true);
    }
private slots:
    void init()
    {
        QVERIFY(openWindow());
        jobs().setInlineBelow(0);
    }
    void cleanup() { QCOMPARE(closeWindow(), 0); }

    // answer: to the command's question ("yes" before New, Open or Exit saves first); file: the one
    // it asks for; report: what the status row says when it is done; cell: row 2, column 1 afterwards; saved:
    // the table's own file was written; ends: the program ends.
    void longCommands_data() { test::addCaseRows(u"app/files/longcommands.tsv"_s); }

    void longCommands()
    {
        prepareTable();
        QFETCH(QString, command);
        QFETCH(QString, answer);
        QFETCH(QString, file);
        QSignalSpy progress(&jobs(), &LongJobs::progress);
        QSignalSpy ended(m_window.get(), &frmMain::ended);
        QVERIFY(startCommand(command, answer, file));
        QTRY_VERIFY(!jobs().busy());
        QCOMPARE(progress.constLast().at(0).toInt(), 100);
        QFETCH(QString, report);
        QCOMPARE(m_window->panel(2)->text().left(report.size()), report);
        QTEST(QString::number(fa().rows()), "rows");
        QTEST(fa().text(2, 1), "cell");
        QTEST(QString::number(QFile::exists(listFile())), "saved");
        QTEST(QString::number(ended.size()), "ends");
        // A table saved, then replaced, leaves nothing to undo.
        if (answer == u"yes" && (command == u"mnuNew" || command == u"mnuOpen"))
            QVERIFY(!action(u"mnuEditUndo"_s)->isEnabled());
    }

    void cancelLeavesTheTableAsItWas_data() { longCommands_data(); }

    void cancelLeavesTheTableAsItWas()
    {
        prepareTable();
        QFETCH(QString, command);
        QFETCH(QString, answer);
        QFETCH(QString, file);
        const QString before = snapshot();
        const QString caption = m_window->table().caption();
        QSignalSpy finished(&jobs(), &LongJobs::finished);
        QSignalSpy ended(m_window.get(), &frmMain::ended);
        // Cancel is pressed as the job starts, before its work can end on the worker thread.
        QPushButton *cancel = m_window->findChild<QPushButton *>(u"cmdCancelWork"_s);
        connect(&jobs(), &LongJobs::started, cancel, [cancel] { cancel->click(); });
        QVERIFY(startCommand(command, answer, file));
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished.at(0).at(0).toBool(), false);
        QCOMPARE(snapshot(), before);
        QCOMPARE(m_window->table().caption(), caption);
        // A command stopped with its save: nothing written, the program runs on.
        QVERIFY(!QFile::exists(listFile()));
        QVERIFY(ended.isEmpty());
        QVERIFY(m_window->panel(2)->text().endsWith(u"cancelled"_s));
    }

    void cancelledSortKeepsTheArrowAndTheNextOrder()
    {
        prepareTable();
        clickTitle(2);
        QTRY_VERIFY(!jobs().busy());
        const QString before = snapshot();
        clickTitle(2);
        jobs().cancel();
        QTRY_VERIFY(!jobs().busy());
        QCOMPARE(snapshot(), before);
        // The next click still sorts descending, as the first one would have.
        clickTitle(2);
        QTRY_VERIFY(!jobs().busy());
        QCOMPARE(fa().text(1, 2), u"r8c2"_s);
    }

    void commandsWhileOneRunsDoNoHarm()
    {
        prepareTable();
        QVERIFY(startCommand(u"mnuDelDup"_s, u"yes"_s));
        // Started again: no question, no second job.
        action(u"mnuDelDup"_s)->trigger();
        clickTitle(0);
        // Typed into the table: the keys never reach it.
        fa().setCursor(1, 0);
        QTest::keyClicks(&m_window->recordView(), u"typed"_s);
        QTest::keyClick(&m_window->recordView(), Qt::Key_Delete);
        QTRY_VERIFY(!jobs().busy());
        QCOMPARE(fa().rows(), 8);
        QCOMPARE(m_window->panel(2)->text(), u"3 duplicate rows deleted"_s);
        QVERIFY(!m_window->recordView().isEditing());
        for (int r = 1; r < fa().rows(); ++r)
            QVERIFY(fa().text(r, 0).startsWith(u'r'));
    }

    void commandsWhileASearchRunsDoNothing()
    {
        prepareTable();
        const QString before = snapshot();
        QVERIFY(startCommand(u"find nowhere"_s));
        // Find Next again, and a paste: refused while the search runs.
        m_window->findChild<frmSearch *>()->findNext();
        QGuiApplication::clipboard()->setText(u"pasted"_s);
        m_window->setFocusOwner(FocusOwner::RecordTable);
        action(u"mnuEditPaste"_s)->trigger();
        QTRY_VERIFY(!jobs().busy());
        QCOMPARE(m_prompts->messages(), QStringList { Finder::notFoundMessage() });
        QCOMPARE(snapshot(), before);
    }
    // The File entries and keys on a plain table.
    void saveEntryAndKeyFollowTheSaveState()
    {
        QAction *entry = action(u"mnuSave"_s);
        QAction *key = m_window->toolbarButton(0, u"Save"_s);
        QVERIFY(!entry->isEnabled() && !key->isEnabled());
        m_window->table().setChangedDirectly(); // a cell edit counts as a change but leaves Save as it was
        QVERIFY(!entry->isEnabled());
        m_window->table().MakeModified(true);
        QVERIFY(entry->isEnabled() && key->isEnabled());
    }

    // Each entry or key asks for its kind of file in the last folder (the dialog is cancelled).
    void entriesAndKeysReachTheirCommand_data() { test::addCaseRows(u"app/files/dialogs.tsv"_s); }

    void entriesAndKeysReachTheirCommand()
    {
        QFETCH(QString, trigger);
        m_window->table().setLastOpenFolder(m_home + u"/lists/"_s);
        m_prompts->fileNames = { QString() };
        (trigger.startsWith(u"key:"_s) ? m_window->toolbarButton(0, trigger.mid(4)) : action(trigger))->trigger();
        QCOMPARE(m_prompts->asked.size(), 1);
        QTEST(m_prompts->asked.at(0).kind, "dialog");
        QTEST(m_prompts->asked.at(0).filters.section(u";;"_s, 0, 0), "filters");
        QVERIFY(m_prompts->asked.at(0).text.startsWith(m_home + u"/lists/"_s));
    }

    void exitWithSettingsThatCannotBeWrittenSaysSoAndEnds()
    {
        const QString file = test::tempDir() + u"/plain"_s;
        QFile plain(file);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        qputenv("DIRQUILL_CONFIG_DIR", (file + u"/config"_s).toLocal8Bit());
        QSignalSpy ended(m_window.get(), &frmMain::ended);
        m_prompts->answers = { UserPrompts::Answer::Ok };
        action(u"mnuExit"_s)->trigger();
        QCOMPARE(m_prompts->messages(), QStringList { Settings::writeFailedText() });
        QCOMPARE(m_prompts->asked.at(0).icon, UserPrompts::Icon::Warning);
        QCOMPARE(ended.count(), 1);
    }
};

QTEST_MAIN(TestFileCommandActions)
#include "tst_filecommandactions.moc"
