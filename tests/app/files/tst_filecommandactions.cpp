#include "app/shell/frmmain.h"
#include "core/table/recordtable.h"
#include "support/testsupport.h"

#include <QAction>
#include <QTest>

#include <memory>

using namespace dq;
using dq::test::named;

class TestFileCommandActions : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::ScriptedPrompts> m_prompts;
    std::unique_ptr<frmMain> m_window;

    QAction *action(const QString &name) const { return m_window->findChild<QAction *>(name); }

private slots:
    void init()
    {
        QVERIFY(!test::useFreshProgramHome().isEmpty());
        m_prompts = std::make_unique<test::ScriptedPrompts>();
        m_window = std::make_unique<frmMain>(*m_prompts);
        QVERIFY(m_window->load());
    }

    void cleanup()
    {
        m_window.reset();
        m_prompts.reset();
    }

    void saveEntryAndKeyFollowTheSaveState()
    {
        QAction *entry = action(QStringLiteral("mnuSave"));
        QAction *key = m_window->toolbarButton(0, QStringLiteral("Save"));
        QVERIFY(key);
        QVERIFY(!entry->isEnabled());
        QVERIFY(!key->isEnabled());
        // A cell edit counts as a change but leaves Save as it was.
        m_window->table().fa().setText(1, 0, QStringLiteral("Acme"));
        m_window->table().setChangedDirectly();
        QVERIFY(!entry->isEnabled());
        m_window->table().MakeModified(true);
        QVERIFY(entry->isEnabled());
        QVERIFY(key->isEnabled());
        m_window->table().MakeModified(false);
        QVERIFY(!entry->isEnabled());
        QVERIFY(!key->isEnabled());
    }

    void entriesAndKeysReachTheirCommand_data()
    {
        QTest::addColumn<QString>("trigger"); // an action name, or "key:<toolbar key>"
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("filters");
        const QString native = QStringLiteral("Tessary Files (*.tsy);;All Files (*.*)");
        QTest::newRow("the Open entry opens native files") << "mnuOpen"
                                                           << "open" << native;
        QTest::newRow("the Open key opens native files") << "key:Open"
                                                         << "open" << native;
        QTest::newRow("the key's comma entry opens comma files") << "Toolbar_0_OPEN_CSV"
                                                                 << "open"
                                                                 << "Comma Delimited Files (*.csv);;All Files (*.*)";
        QTest::newRow("the key's tab entry opens tab files") << "Toolbar_0_OPEN_TXT"
                                                             << "open"
                                                             << "Tab Delimited Files (*.txt);;All Files (*.*)";
        QTest::newRow("the key's Excel entry opens workbooks") << "Toolbar_0_OPEN_XLSX"
                                                               << "open"
                                                               << "Excel Workbooks (*.xlsx);;All Files (*.*)";
        QTest::newRow("Save As Excel workbook") << "mnuSaveAsXlsx"
                                                << "save"
                                                << "Excel Workbook (*.xlsx)";
        QTest::newRow("Save As comma for Excel") << "mnuSaveAsCsvExcel"
                                                 << "save"
                                                 << "Comma Delimited for Excel (*.csv)";
        QTest::newRow("the key's native entry opens native files") << "Toolbar_0_OPEN_TSY"
                                                                   << "open" << native;
        QTest::newRow("Append asks for a grid file") << "mnuAppend"
                                                     << "open"
                                                     << "Grid Files (*.tsy);;Excel Workbooks (*.xlsx)";
        QTest::newRow("Save As comma") << "mnuSaveAsCsv"
                                       << "save"
                                       << "Comma Delimited Text Files (*.csv)";
        QTest::newRow("Save As tab") << "mnuSaveAsTxt"
                                     << "save"
                                     << "Tab Delimited Text Files (*.txt)";
        QTest::newRow("Save As native") << "mnuSaveAsTsy"
                                        << "save"
                                        << "Tessary Files (*.tsy)";
    }

    void entriesAndKeysReachTheirCommand()
    {
        QFETCH(QString, trigger);
        QAction *a
            = trigger.startsWith(QStringLiteral("key:")) ? m_window->toolbarButton(0, trigger.mid(4)) : action(trigger);
        QVERIFY2(a, qPrintable(trigger));
        m_prompts->fileNames = { QString() };
        a->trigger();
        QCOMPARE(m_prompts->asked.size(), 1);
        QTEST(m_prompts->asked.at(0).kind, "dialog");
        QTEST(m_prompts->asked.at(0).filters, "filters");
    }

    void newEntryAndKeyBuildANewTable()
    {
        for (QAction *a : { action(QStringLiteral("mnuNew")), m_window->toolbarButton(0, QStringLiteral("New")) }) {
            m_window->table().fa().setRows(3);
            m_window->table().MakeModified(false);
            a->trigger();
            QCOMPARE(m_window->table().fa().rows(), 21);
        }
    }
};

QTEST_MAIN(TestFileCommandActions)
#include "tst_filecommandactions.moc"
