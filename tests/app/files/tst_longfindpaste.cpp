#include "app/grid/gridview.h"
#include "app/table/frmsearch.h"
#include "core/grid/gridfile.h"
#include "core/table/longjobs.h"
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

// Find, Paste and the saves New, Open and Exit ask for, run in the background even on
// small tables (the size below which long work runs at once is set to nothing).
class TestLongFindPaste : public QObject, public test::TableWindowFixture
{
    Q_OBJECT

    LongJobs &jobs() { return m_window->table().jobs(); }
    QString listFile() const { return m_home + QStringLiteral("/list.tsy"); }

    // Every text and format of the table, its changed flag and its title arrows.
    QString snapshot()
    {
        QString out = m_window->table().changed() ? QStringLiteral("changed\n") : QStringLiteral("unchanged\n");
        for (int c = 0; c < fa().cols(); ++c)
            out += QStringLiteral("arrow%1 ").arg(m_window->recordView().titlePicture(c).cacheKey());
        for (int r = 0; r < fa().rows(); ++r) {
            out += QLatin1Char('\n') + fa().rowTexts(r).join(QLatin1Char('|'));
            for (int c = 0; c < fa().cols(); ++c)
                if (!fa().cellFormat(r, c).isDefault())
                    out += QStringLiteral(" fmt%1").arg(c);
        }
        return out;
    }

    // Starts the command named; false when it did not get as far as its job.
    bool startCommand(const QString &command)
    {
        using Answer = UserPrompts::Answer;
        if (command.startsWith(QLatin1String("find"))) {
            m_prompts->answers << Answer::Ok; // the end of the pass
            action(QStringLiteral("mnuEditFind"))->trigger();
            auto *find = m_window->findChild<frmSearch *>();
            find->txtSearched->setText(command.section(QLatin1Char(' '), 1));
            find->cmdNext->click();
        } else if (command == QLatin1String("paste")) {
            QGuiApplication::clipboard()->setText(QStringLiteral("x\ty\rp\tq\r"));
            m_window->enterBlockMode();
            m_window->setFocusOwner(FocusOwner::RecordTable);
            fa().select(2, 1, 5, 2);
            action(QStringLiteral("mnuEditPaste"))->trigger();
        } else {
            m_prompts->answers << Answer::Yes; // save the changes first
            m_prompts->fileNames << m_home + QStringLiteral("/other.tsy"); // Open's choice
            action(command)->trigger();
        }
        return jobs().busy();
    }

private slots:
    void init()
    {
        QVERIFY(openWindow());
        jobs().setInlineBelow(0);
        fillTable(10);
        CellFormat bold;
        bold.bold = true;
        fa().setCellFormat(4, 1, bold);
        QVERIFY(GridFile::save(fa(), m_home + QStringLiteral("/other.tsy"), FileKind::Native));
        useNamedFile();
        m_window->table().MakeModified(true);
        // An ascending sort of the third column leaves its arrow up.
        emit m_window->recordView().horizontalHeader()->sectionClicked(2);
        QTRY_VERIFY(!jobs().busy());
    }
    void cleanup() { QCOMPARE(closeWindow(), 0); }

    void longCommands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("report"); // what the status row says when it is done
        QTest::addColumn<QString>("cell"); // row 2, column 1 afterwards (the sort put r1 there)
        QTest::addColumn<bool>("ends"); // the program ends
        QTest::newRow("Find to the end names the rows searched") << "find nowhere"
                                                                 << "10 rows searched: not found"
                                                                 << "r1c1" << false;
        QTest::newRow("Find names the row of its hit") << "find r7c1"
                                                       << "Found in row 8 of 10"
                                                       << "r1c1" << false;
        QTest::newRow("Paste names the rows it filled") << "paste"
                                                        << "2 rows pasted"
                                                        << "x" << false;
        QTest::newRow("New goes on once the table is saved") << "mnuNew"
                                                             << "" // a new table starts a clean status row
                                                             << "" << false;
        QTest::newRow("Open goes on once the table is saved") << "mnuOpen"
                                                              << "10 rows opened in"
                                                              << "r2c1" << false;
        QTest::newRow("Exit goes on once the table is saved") << "mnuExit"
                                                              << "10 rows saved in"
                                                              << "r1c1" << true;
    }

    void longCommands()
    {
        QFETCH(QString, command);
        QSignalSpy progress(&jobs(), &LongJobs::progress);
        QSignalSpy ended(m_window.get(), &frmMain::ended);
        QVERIFY(startCommand(command));
        QTRY_VERIFY(!jobs().busy());
        QCOMPARE(progress.constLast().at(0).toInt(), 100);
        QFETCH(QString, report);
        QCOMPARE(m_window->panel(2)->text().left(report.size()), report);
        QTEST(fa().text(2, 1), "cell");
        QTEST(ended.size() == 1, "ends");
        // A new or opened table starts with nothing to undo, also when a save ran first.
        if (command == QLatin1String("mnuNew") || command == QLatin1String("mnuOpen"))
            QVERIFY(!action(QStringLiteral("mnuEditUndo"))->isEnabled());
        // Every command that saved left the table saved.
        QCOMPARE(
            QFile::exists(listFile()), !command.startsWith(QLatin1String("find")) && command != QLatin1String("paste"));
    }

    void cancelLeavesTheTableAsItWas_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("Find") << "find nowhere";
        QTest::newRow("Paste") << "paste";
        QTest::newRow("the save before New") << "mnuNew";
        QTest::newRow("the save before Open") << "mnuOpen";
        QTest::newRow("the save before Exit") << "mnuExit";
    }

    void cancelLeavesTheTableAsItWas()
    {
        QFETCH(QString, command);
        const QString before = snapshot();
        QSignalSpy finished(&jobs(), &LongJobs::finished);
        QSignalSpy ended(m_window.get(), &frmMain::ended);
        QVERIFY(startCommand(command));
        m_window->findChild<QPushButton *>(QStringLiteral("cmdCancelWork"))->click();
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished.at(0).at(0).toBool(), false);
        QCOMPARE(snapshot(), before);
        // The command stopped with its save: nothing written, nothing opened, the program runs on.
        QVERIFY(!QFile::exists(listFile()));
        QCOMPARE(m_prompts->fileNames.size(), command.startsWith(QLatin1String("mnu")) ? 1 : 0);
        QVERIFY(ended.isEmpty());
        QVERIFY(m_window->panel(2)->text().endsWith(QLatin1String("cancelled")));
    }

    void cancelledSortKeepsTheArrowAndTheNextOrder()
    {
        const QString before = snapshot();
        emit m_window->recordView().horizontalHeader()->sectionClicked(2);
        jobs().cancel();
        QTRY_VERIFY(!jobs().busy());
        QCOMPARE(snapshot(), before);
        // The next click still sorts descending, as the first one would have.
        emit m_window->recordView().horizontalHeader()->sectionClicked(2);
        QTRY_VERIFY(!jobs().busy());
        QCOMPARE(fa().text(1, 2), QStringLiteral("r9c2"));
    }

    void commandsWhileASearchRunsDoNothing()
    {
        const QString before = snapshot();
        QVERIFY(startCommand(QStringLiteral("find nowhere")));
        // Find Next again, and a paste: refused while the search runs.
        m_window->findChild<frmSearch *>()->findNext();
        QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
        m_window->setFocusOwner(FocusOwner::RecordTable);
        action(QStringLiteral("mnuEditPaste"))->trigger();
        QTRY_VERIFY(!jobs().busy());
        QCOMPARE(m_prompts->messages(), QStringList { Finder::notFoundMessage() });
        QCOMPARE(snapshot(), before);
    }
};

QTEST_MAIN(TestLongFindPaste)
#include "tst_longfindpaste.moc"
