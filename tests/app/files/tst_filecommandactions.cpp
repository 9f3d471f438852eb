#include "core/shell/settings.h"
#include "support/casetable.h"
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
        find(trigger)->trigger();
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
