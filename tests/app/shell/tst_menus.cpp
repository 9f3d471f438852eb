#include "app/contact/contactcommandactions.h"
#include "app/shell/frmmain.h"
#include "core/contact/linkopener.h"
#include "core/shell/shellsettings.h"
#include "core/table/recordtable.h"
#include "support/gui/tablewindowfixture.h"

#include <QAction>
#include <QMenu>
#include <QTabWidget>
#include <QTest>

#include <memory>

using namespace dq;
using dq::test::named;

namespace {

// Swallows an action's shortcut events and counts them, so a key can be checked to reach
// its entry without running the command behind it.
class ShortcutCatcher : public QObject
{
public:
    int caught = 0;
    int ambiguous = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::Shortcut)
            return false;
        if (static_cast<QShortcutEvent *>(event)->isAmbiguous())
            ++ambiguous;
        else
            ++caught;
        return true;
    }
};

// Records the links the contact entries open instead of handing them to the desktop.
class RecordingOpener : public LinkOpener
{
public:
    QList<QUrl> opened;
    bool open(const QUrl &url) override
    {
        opened.append(url);
        return true;
    }
};

} // namespace

class TestMenus : public QObject, public test::TableWindowFixture
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(openWindow());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }

    void cleanup() { QCOMPARE(closeWindow(), 0); }

    // name, caption ("" where the caption is free), shortcut, the tab whose menus hold it.
    void everyEntryIsThereAndItsKeyReachesIt_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("shortcut");
        QTest::addColumn<int>("tab");
        const auto row = [](const char *name, const char *caption, const char *keys, int tab) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(caption)
                                << QString::fromLatin1(keys) << tab;
        };
        // Results file menu.
        row("mnuNew", "&New", "Ctrl+N", 0);
        row("mnuOpen", "&Open", "Ctrl+O", 0);
        row("mnuAppend", "&Append", "Shift+F2", 0);
        row("mnuSave", "&Save", "Ctrl+S", 0);
        row("mnuSaveAsTsy", "Tessary (*.tsy)", "", 0);
        row("mnuSaveAsCsv", "Comma Delimited (*.csv)", "", 0);
        row("mnuSaveAsTxt", "Tab Delimited (*.txt)", "", 0);
        row("mnuPrint", "", "Ctrl+M", 0);
        row("mnuPrintSheet0", "", "Ctrl+P", 0);
        row("mnuExit", "E&xit", "", 0);
        // Results tools and view.
        row("mnuTools_DialPhone", "", "Ctrl+F7", 0);
        row("mnuTools_InternetMap", "", "Ctrl+F6", 0);
        row("mnuTools_SendMail", "", "Ctrl+F8", 0);
        row("mnuTools_WebLink", "", "Ctrl+F9", 0);
        row("mnuAlternateColor", "&Alternate Row Color", "", 0);
        row("mnuViewFb", "&Form Panel", "F2", 0);
        row("mnuMouseMode_0", "&Row Mode", "F6", 0);
        row("mnuMouseMode_1", "&Block && Edit Mode", "F7", 0);
        row("mnuDragDrop", "&Drag Mode", "F8", 0);
        // Results edit menu.
        row("mnuEditUndo", "&Undo", "Ctrl+Z", 0);
        row("mnuEditRedo", "&Redo", "Ctrl+Y", 0);
        row("mnuEditCut", "C&ut", "Ctrl+X", 0);
        row("mnuEditCopy", "&Copy", "Ctrl+C", 0);
        row("mnuEditPaste", "&Paste", "Ctrl+V", 0);
        row("mnuSelectAll", "Select &All", "Ctrl+A", 0);
        row("mnuEditFind", "&Find...", "Ctrl+F", 0);
        row("mnuEditAddRow", "&Add Row", "Ctrl+Ins", 0);
        row("mnuInsertRow", "&Insert Row", "Shift+Ins", 0);
        row("mnuInsertCol", "&Col", "", 0);
        row("mnuDeleteRow", "&Delete Row(s)", "Shift+Del", 0);
        row("mnuDeleteCol", "&Col", "", 0);
        row("mnuRowHeightReset", "&Reset All", "", 0);
        row("mnuRowHeightInc", "&Increase", "F11", 0);
        row("mnuRowHeightDec", "&Decrease", "F12", 0);
        row("mnuAlignLeft", "&Left", "", 0);
        row("mnuAlignCenter", "&Center", "", 0);
        row("mnuAlignRight", "&Right", "", 0);
        row("mnuBkColor", "&Backgorund Color...", "", 0);
        row("mnuGrid", "&Grid Lines", "", 0);
        // Results tools.
        row("mnuColumnDefine", "&Column Define...", "F9", 0);
        row("mnuFonts", "Fonts", "", 0);
        row("mnuDateTimeNow", "DateTime Stamp Now", "F3", 0);
        row("mnuDelDup", "Delete Duplicates", "Ctrl+D", 0);
        row("mnuParsePhoneCol", "Parse Phone Column", "", 0);
        row("mnuEditColAttr", "Column &Attributes...", "", 0);
        row("mnuEditColTitle", "Column &Title...", "", 0);
        row("mnuTabs_0", "&Results", "", 0);
        row("mnuTabs_1", "&Search", "", 0);
        row("mnuTabs_2", "&Guide Online", "", 0);
        // Browser menus.
        row("mnuFileB_back", "", "", 1);
        row("mnuFileB_forward", "", "", 1);
        row("mnuFileB_Grab", "", "F5", 1);
        row("mnuFileB_StopGrab", "", "Ctrl+F5", 1);
        row("mnuFileBexit", "E&xit", "", 1);
        row("mnuViewDropBox", "&URL Address Box", "", 1);
        row("mnuAltColorBlack", "Normal", "", 1);
        row("mnuAltColor_1", "Add Blue", "", 1);
        row("mnuAltColor_2", "Add Red", "", 1);
        row("mnuAltColor_3", "Add Green", "", 1);
        row("mnuFileG_back", "", "", 2);
        row("mnuFileG_forward", "", "", 2);
        row("mnuViewDropBoxG", "&URL Address Box", "", 2);
        // Help.
        row("mnuGudie", "&Guide Online / Version Update", "", 0);
        row("mnuTip", "&Tip of The Day", "F1", 0);
    }
    void everyEntryIsThereAndItsKeyReachesIt()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, shortcut);
        QFETCH(int, tab);
        QAction *a = action(name);
        QVERIFY2(a, qPrintable(name));
        if (!caption.isEmpty())
            QCOMPARE(a->text(), caption);
        QCOMPARE(a->shortcut(), QKeySequence(shortcut));
        if (shortcut.isEmpty())
            return;

        // Save answers only a changed table; Start Grabbing only a listing page.
        m_window->table().MakeModified(true);
        if (!a->isEnabled())
            a->setEnabled(true);
        m_window->showTab(tab);
        ShortcutCatcher catcher;
        a->installEventFilter(&catcher);
        const QKeyCombination key = QKeySequence(shortcut)[0];
        QTest::keyClick(m_window.get(), key.key(), key.keyboardModifiers());
        a->removeEventFilter(&catcher);
        QCOMPARE(catcher.ambiguous, 0);
        QCOMPARE(catcher.caught, 1);
        m_window->table().MakeModified(false);
    }

    // menu, its caption ("" where free), entries it holds (submenus by their name).
    void entriesSitInTheirMenus_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("entries");
        const auto row = [](const char *menu, const char *caption, const char *entries) {
            QTest::newRow(menu) << QString::fromLatin1(menu) << QString::fromLatin1(caption)
                                << QString::fromLatin1(entries).split(u' ');
        };
        row("mnuEdit", "",
            "mnuEditCut mnuEditCopy mnuEditPaste mnuSelectAll mnuEditFind mnuInsert mnuDelete "
            "mnuRowHeight mnuEditColAttr mnuEditColTitle");
        row("mnuInsert", "&Insert", "mnuEditAddRow mnuInsertRow mnuInsertCol");
        row("mnuDelete", "&Delete", "mnuDeleteRow mnuDeleteCol");
        row("mnuRowHeight", "&Row Height", "mnuRowHeightReset mnuRowHeightInc mnuRowHeightDec");
        row("mnuView", "", "mnuMouseMode_0 mnuMouseMode_1 mnuDragDrop mnuViewFb");
        row("mnuTools", "", "mnuColumnDefine mnuDateTimeNow mnuDelDup mnuParsePhoneCol");
        row("mnuHelp", "", "mnuTip");
        row("mnuTab", "Set Default &Tab at Start Up", "mnuTabs_0 mnuTabs_1 mnuTabs_2");
    }
    void entriesSitInTheirMenus()
    {
        QFETCH(QString, menu);
        QFETCH(QString, caption);
        QFETCH(QStringList, entries);
        auto *m = named<QMenu>(*m_window, menu);
        if (!caption.isEmpty())
            QCOMPARE(m->title(), caption);
        QStringList held;
        for (QAction *a : m->actions()) {
            const QString name = a->menu() ? a->menu()->objectName() : a->objectName();
            if (entries.contains(name))
                held << name;
        }
        held.sort();
        entries.sort();
        QCOMPARE(held, entries);
    }

    void exitIsTheLastEntryOfTheFileMenu()
    {
        QCOMPARE(named<QMenu>(*m_window, "mnuFile")->actions().constLast(), named<QAction>(*m_window, "mnuExit"));
    }

    void defaultTabEntriesTickOnlyTheChosenOne()
    {
        for (int chosen : { 0, 2, 1 }) {
            named<QAction>(*m_window, QStringLiteral("mnuTabs_%1").arg(chosen))->trigger();
            for (int i = 0; i < 3; ++i)
                QCOMPARE(named<QAction>(*m_window, QStringLiteral("mnuTabs_%1").arg(i))->isChecked(), i == chosen);
            QCOMPARE(m_window->currentSettings().defaultTab, chosen);
        }
        // Choosing a default does not switch the tab now.
        QCOMPARE(named<QTabWidget>(*m_window, "tabMain")->currentIndex(), 1);
    }

    void guideEntryShowsTheGuideTab()
    {
        m_window->showTab(frmMain::kTabResults);
        named<QAction>(*m_window, "mnuGudie")->trigger();
        QCOMPARE(named<QTabWidget>(*m_window, "tabMain")->currentIndex(), int(frmMain::kTabGuide));
    }

    void addressBoxEntriesAreOneChoice()
    {
        named<QAction>(*m_window, "mnuViewDropBoxG")->trigger();
        QVERIFY(named<QAction>(*m_window, "mnuViewDropBox")->isChecked());
        QCOMPARE(m_window->currentSettings().addressBox, 1);
        named<QAction>(*m_window, "mnuViewDropBox")->trigger();
        QVERIFY(!named<QAction>(*m_window, "mnuViewDropBoxG")->isChecked());
        QCOMPARE(m_window->currentSettings().addressBox, 0);
    }

    void normalSearchColourClearsEveryAddedColour()
    {
        QList<QAction *> added;
        for (int i = 1; i <= 3; ++i) {
            added << named<QAction>(*m_window, QStringLiteral("mnuAltColor_%1").arg(i));
            added.last()->trigger();
            QVERIFY(added.last()->isChecked());
        }
        added[1]->trigger();
        QVERIFY(!added[1]->isChecked());
        named<QAction>(*m_window, "mnuAltColorBlack")->trigger();
        for (QAction *a : added)
            QVERIFY(!a->isChecked());
    }

    // The Tools and File entries reach the contact and printing commands with the record table's
    // current row and selection; the link rules are in tst_contactactions.
    void contactEntriesAndKeysOpenTheCurrentRecordsLinks()
    {
        RecordingOpener opener;
        m_window->contactCommands().setLinkOpener(&opener);
        const QStringList record { QStringLiteral("Acme & Sons"), QStringLiteral("12 Main St"),
            QStringLiteral("Springfield"), QStringLiteral("IL"), QStringLiteral("62701"),
            QStringLiteral("217-555-0100"), QStringLiteral("WWW.ACME.COM"), QStringLiteral("info@acme.com") };
        for (int c = 0; c < record.size(); ++c)
            fa().setText(2, c, record[c]);
        fa().setCursor(2, 0);
        fa().setRowSelected(2, true); // as a click on the row does in Row mode

        action(QStringLiteral("mnuTools_InternetMap"))->trigger();
        m_window->contactCommands().runToolbarKey(QStringLiteral("inet"));
        action(QStringLiteral("mnuTools_SendMail"))->trigger();
        // Entries that change nothing here, and keys that are no key, open nothing.
        action(QStringLiteral("mnuTools_MapCanada"))->trigger();
        action(QStringLiteral("mnuTools_SendBulkMail"))->trigger();
        m_window->contactCommands().runToolbarKey(QStringLiteral("MAP"));
        m_window->contactCommands().runToolbarKey(QStringLiteral("nothing"));
        QCOMPARE(opener.opened.size(), 3);
        QVERIFY(opener.opened[0].toString().contains(QStringLiteral("Springfield")));
        QCOMPARE(opener.opened[1], QUrl(QStringLiteral("http://WWW.ACME.COM")));
        QCOMPARE(opener.opened[2].toString(), QStringLiteral("mailto:info@acme.com"));
        QVERIFY(m_prompts->asked.isEmpty());
        m_window->contactCommands().setLinkOpener(nullptr);
    }

    void printSheetInBlockModeOnlyExplains()
    {
        fa().setSelectionMode(GridModel::SelectionMode::Free);
        m_prompts->answers = { UserPrompts::Answer::Ok };
        action(QStringLiteral("mnuPrintSheet0"))->trigger();
        QCOMPARE(m_prompts->messages(),
            QStringList { QStringLiteral("Select Row Mode (not Block Mode) selection and try again.") });
    }
};

QTEST_MAIN(TestMenus)
#include "tst_menus.moc"
