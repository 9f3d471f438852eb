#include "core/shell/settings.h"
#include "support/gui/tablewindowfixture.h"

#include <QFile>
#include <QSignalSpy>

using namespace dq;
using namespace Qt::StringLiterals;

class TestFileCommandActions : public QObject, test::TableWindowFixture
{
    Q_OBJECT

    QAction *find(const QString &trigger) const
    {
        return trigger.startsWith(u"key:"_s) ? m_window->toolbarButton(0, trigger.mid(4)) : action(trigger);
    }

private slots:
    void init() { QVERIFY(openWindow()); }
    void cleanup() { QCOMPARE(closeWindow(), 0); }

    void saveEntryAndKeyFollowTheSaveState()
    {
        QAction *entry = action(u"mnuSave"_s);
        QAction *key = find(u"key:Save"_s);
        QVERIFY(!entry->isEnabled() && !key->isEnabled());
        // A cell edit counts as a change but leaves Save as it was.
        fa().setText(1, 0, u"Acme"_s);
        m_window->table().setChangedDirectly();
        QVERIFY(!entry->isEnabled());
        m_window->table().MakeModified(true);
        QVERIFY(entry->isEnabled() && key->isEnabled());
        m_window->table().MakeModified(false);
        QVERIFY(!entry->isEnabled() && !key->isEnabled());
    }

    void entriesAndKeysReachTheirCommand_data()
    {
        QTest::addColumn<QString>("trigger"); // an action name, or "key:<toolbar key>"
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("filters"); // the first filter names the file kind
        QTest::newRow("the Open entry opens native files") << "mnuOpen"
                                                           << "open"
                                                           << "Tessary Files (*.tsy)";
        QTest::newRow("the Open key opens native files") << "key:Open"
                                                         << "open"
                                                         << "Tessary Files (*.tsy)";
        QTest::newRow("the key's native entry") << "Toolbar_0_OPEN_TSY"
                                                << "open"
                                                << "Tessary Files (*.tsy)";
        QTest::newRow("the key's comma entry") << "Toolbar_0_OPEN_CSV"
                                               << "open"
                                               << "Comma Delimited Files (*.csv)";
        QTest::newRow("the key's tab entry") << "Toolbar_0_OPEN_TXT"
                                             << "open"
                                             << "Tab Delimited Files (*.txt)";
        QTest::newRow("the key's Excel entry") << "Toolbar_0_OPEN_XLSX"
                                               << "open"
                                               << "Excel Workbooks (*.xlsx)";
        QTest::newRow("Append asks for a grid file") << "mnuAppend"
                                                     << "open"
                                                     << "Grid Files (*.tsy)";
        QTest::newRow("Save As native") << "mnuSaveAsTsy"
                                        << "save"
                                        << "Tessary Files (*.tsy)";
        QTest::newRow("Save As comma") << "mnuSaveAsCsv"
                                       << "save"
                                       << "Comma Delimited Text Files (*.csv)";
        QTest::newRow("Save As tab") << "mnuSaveAsTxt"
                                     << "save"
                                     << "Tab Delimited Text Files (*.txt)";
        QTest::newRow("Save As Excel") << "mnuSaveAsXlsx"
                                       << "save"
                                       << "Excel Workbook (*.xlsx)";
        QTest::newRow("Save As comma for Excel") << "mnuSaveAsCsvExcel"
                                                 << "save"
                                                 << "Comma Delimited for Excel (*.csv)";
    }

    void entriesAndKeysReachTheirCommand()
    {
        QFETCH(QString, trigger);
        m_window->table().setLastOpenFolder(m_home + u"/lists/"_s);
        m_prompts->fileNames = { QString() };
        find(trigger)->trigger();
        QCOMPARE(m_prompts->asked.size(), 1);
        QTEST(m_prompts->asked.at(0).kind, "dialog");
        QTEST(m_prompts->asked.at(0).filters.section(u";;"_s, 0, 0), "filters");
        QVERIFY(m_prompts->asked.at(0).text.startsWith(m_home + u"/lists/"_s)); // the last folder
    }

    void newEntryAndKeyBuildANewTable()
    {
        for (const QString &trigger : { u"mnuNew"_s, u"key:New"_s }) {
            fa().setRows(3);
            m_window->table().MakeModified(false);
            find(trigger)->trigger();
            QCOMPARE(fa().rows(), 21);
        }
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
