#include "app/grid/gridview.h"
#include "core/grid/gridfile.h"
#include "core/grid/gridstore.h"
#include "core/table/longjobs.h"
#include "support/gui/tablewindowfixture.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>

using namespace dq;

// The record table's long commands, run in the background even on small tables (the size
// below which they run at once is set to nothing).
class TestLongCommands : public QObject, public test::TableWindowFixture
{
    Q_OBJECT

    LongJobs &jobs() { return m_window->table().jobs(); }

    // Every text, format and height of the table, and its changed flag.
    QString snapshot()
    {
        QString out = m_window->table().changed() ? QStringLiteral("changed\n") : QStringLiteral("unchanged\n");
        for (int r = 0; r < fa().rows(); ++r) {
            out += fa().rowTexts(r).join(QLatin1Char('|'));
            for (int c = 0; c < fa().cols(); ++c)
                if (!fa().cellFormat(r, c).isDefault())
                    out += QStringLiteral(" fmt%1").arg(c);
            out += QStringLiteral(" h%1\n").arg(fa().rowHeight(r));
        }
        return out;
    }

    // Ten data rows with three duplicates, a bold cell and a changed flag.
    void prepareTable()
    {
        fillTable(10);
        for (int r : { 3, 6, 9 })
            for (int c = 0; c < fa().cols(); ++c)
                fa().setText(r, c, fa().text(r - 1, c));
        fa().setText(4, 2, QStringLiteral("Aardvark"));
        CellFormat bold;
        bold.bold = true;
        fa().setCellFormat(4, 1, bold);
        useNamedFile();
        m_window->table().MakeModified(true);
        QVERIFY(GridFile::save(fa(), m_home + QStringLiteral("/other.tsy"), FileKind::Native));
    }

    // Starts the command named; false when it did not get as far as its job.
    bool startCommand(const QString &command)
    {
        if (command == QLatin1String("open")) {
            m_prompts->answers << UserPrompts::Answer::No; // keep the changes? no
            m_prompts->fileNames << m_home + QStringLiteral("/other.tsy");
            action(QStringLiteral("mnuOpen"))->trigger();
        } else if (command == QLatin1String("append")) {
            m_prompts->fileNames << m_home + QStringLiteral("/other.tsy");
            action(QStringLiteral("mnuAppend"))->trigger();
        } else if (command == QLatin1String("save as comma")) {
            m_prompts->fileNames << m_home + QStringLiteral("/copy.csv");
            action(QStringLiteral("mnuSaveAsCsv"))->trigger();
        } else if (command == QLatin1String("save")) {
            action(QStringLiteral("mnuSave"))->trigger();
        } else if (command == QLatin1String("sort")) {
            emit m_window->recordView().horizontalHeader()->sectionClicked(2);
        } else if (command == QLatin1String("parse phone")) {
            m_prompts->answers << UserPrompts::Answer::Yes;
            action(QStringLiteral("mnuParsePhoneCol"))->trigger();
        } else if (command == QLatin1String("delete duplicates")) {
            m_prompts->answers << UserPrompts::Answer::Yes;
            action(QStringLiteral("mnuDelDup"))->trigger();
        }
        return jobs().busy();
    }

private slots:
    void init()
    {
        QVERIFY(openWindow());
        jobs().setInlineBelow(0);
        prepareTable();
    }
    void cleanup() { QCOMPARE(closeWindow(), 0); }

    void longCommands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("report"); // what the status row says when it is done
        QTest::addColumn<int>("rows"); // after the command
        QTest::newRow("Open reads the file in the background") << "open"
                                                               << "10 rows opened in" << 11;
        QTest::newRow("Append reads the file in the background") << "append"
                                                                 << "10 rows appended" << 21;
        QTest::newRow("Save As writes in the background") << "save as comma"
                                                          << "10 rows saved in" << 11;
        QTest::newRow("Save writes in the background") << "save"
                                                       << "10 rows saved in" << 11;
        QTest::newRow("a title click sorts in the background") << "sort"
                                                               << "10 rows sorted in" << 11;
        QTest::newRow("Parse Phone Column parses in the background") << "parse phone"
                                                                     << "10 phone numbers parsed" << 11;
        QTest::newRow("Delete Duplicates searches in the background") << "delete duplicates"
                                                                      << "3 duplicate rows deleted" << 8;
    }

    void longCommands()
    {
        QFETCH(QString, command);
        QSignalSpy progress(&jobs(), &LongJobs::progress);
        QVERIFY(startCommand(command));
        QTRY_VERIFY(!jobs().busy());
        QVERIFY(!progress.isEmpty());
        QCOMPARE(progress.constLast().at(0).toInt(), 100);
        QFETCH(QString, report);
        QVERIFY2(m_window->panel(2)->text().startsWith(report), qPrintable(m_window->panel(2)->text()));
        QTEST(fa().rows(), "rows");
    }

    void cancelLeavesTheTableAsItWas_data() { longCommands_data(); }

    void cancelLeavesTheTableAsItWas()
    {
        QFETCH(QString, command);
        const QString before = snapshot();
        const QString caption = m_window->table().caption();
        QSignalSpy finished(&jobs(), &LongJobs::finished);
        QVERIFY(startCommand(command));
        m_window->findChild<QPushButton *>(QStringLiteral("cmdCancelWork"))->click();
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished.at(0).at(0).toBool(), false);
        QCOMPARE(snapshot(), before);
        QCOMPARE(m_window->table().caption(), caption);
        QVERIFY(m_window->panel(2)->text().endsWith(QLatin1String("cancelled")));
    }

    void commandsWhileOneRunsDoNoHarm()
    {
        QVERIFY(startCommand(QStringLiteral("delete duplicates")));
        // Started again: no question, no second job.
        action(QStringLiteral("mnuDelDup"))->trigger();
        emit m_window->recordView().horizontalHeader()->sectionClicked(0);
        // Typed into the table: the keys never reach it.
        fa().setCursor(1, 0);
        QTest::keyClicks(&m_window->recordView(), QStringLiteral("typed"));
        QTest::keyClick(&m_window->recordView(), Qt::Key_Delete);
        QTRY_VERIFY(!jobs().busy());
        QCOMPARE(fa().rows(), 8);
        QCOMPARE(m_window->panel(2)->text(), QStringLiteral("3 duplicate rows deleted"));
        QVERIFY(!m_window->recordView().isEditing());
        for (int r = 1; r < fa().rows(); ++r)
            QVERIFY(fa().text(r, 0).startsWith(QLatin1Char('r')));
    }
};

QTEST_MAIN(TestLongCommands)
#include "tst_longcommands.moc"
