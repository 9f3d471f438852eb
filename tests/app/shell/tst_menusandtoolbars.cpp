#include "app/contact/contactcommandactions.h"
#include "app/shell/frmmain.h"
#include "core/contact/linkopener.h"
#include "core/shell/shellsettings.h"
#include "core/table/recordtable.h"
#include "core/print/addressrecords.h"
#include "support/casetable.h"
#include "support/gui/tablewindowfixture.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>

using namespace dq;
using dq::test::named;
using namespace Qt::StringLiterals;

namespace {

const QStringList kTabs { u"results"_s, u"search"_s, u"guide"_s };

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
        ++(static_cast<QShortcutEvent *>(event)->isAmbiguous() ? ambiguous : caught);
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

// Every menu entry and toolbar key as tests/data/shell lists them, and the few commands of
// the window's own.
class TestMenusAndToolbars : public QObject, public test::TableWindowFixture
{
    Q_OBJECT

    int currentTab() const { return named<QTabWidget>(*m_window, "tabMain")->currentIndex(); }

private slots:
    void init()
    {
        QVERIFY(openWindow());
        QVERIFY(showWindow());
    }

    void cleanup() { QCOMPARE(closeWindow(), 0); }

    void everyEntrySitsInItsMenuAndItsKeyReachesIt_data() { test::addCaseRows(u"shell/menus.tsv"_s); }
    void everyEntrySitsInItsMenuAndItsKeyReachesIt()
    {
        const QString name = QString::fromUtf8(QTest::currentDataTag());
        QFETCH(QString, menu);
        QFETCH(QString, caption);
        QFETCH(QString, shortcut);
        auto *submenu = m_window->findChild<QMenu *>(name);
        QAction *a = submenu ? submenu->menuAction() : named<QAction>(*m_window, name);
        auto *holder = named<QMenu>(*m_window, menu.section(u',', 0, 0));
        QVERIFY(holder->actions().contains(a));
        if (menu.endsWith(u", last"))
            QCOMPARE(holder->actions().constLast(), a);
        if (!caption.isEmpty())
            QCOMPARE(a->text(), caption);
        QCOMPARE(a->shortcut(), QKeySequence(shortcut));
        if (shortcut.isEmpty())
            return;

        // Save answers only a changed table; Start Grabbing only a listing page.
        m_window->table().MakeModified(true);
        a->setEnabled(true);
        // The search tab's menus end in B, the guide tab's in G.
        m_window->showTab(menu.endsWith(u'B') ? 1 : menu.endsWith(u'G') ? 2 : 0);
        ShortcutCatcher catcher;
        a->installEventFilter(&catcher);
        const QKeyCombination key = QKeySequence(shortcut)[0];
        QTest::keyClick(m_window.get(), key.key(), key.keyboardModifiers());
        a->removeEventFilter(&catcher);
        QCOMPARE(catcher.ambiguous, 0);
        QCOMPARE(catcher.caught, 1);
        m_window->table().MakeModified(false);
    }

    void everyToolbarKeyStandsInItsPlace()
    {
        QList<QStringList> listed(3);
        for (const QStringList &fields : test::caseLines(u"shell/toolbars.tsv"_s))
            if (fields[1] != u"widget")
                listed[kTabs.indexOf(fields[0].section(u' ', 0, 0))] << fields[0].section(u' ', 1);
        for (int bar = 0; bar < 3; ++bar) {
            QStringList shown;
            for (QAction *a : named<QToolBar>(*m_window, u"Toolbar_%1"_s.arg(bar))->actions())
                if (!a->data().toString().isEmpty()) // widgets riding on a toolbar carry no key
                    shown << a->data().toString();
            QCOMPARE(shown, listed[bar]);
        }
    }

    void everyToolbarKeyAndWidget_data() { test::addCaseRows(u"shell/toolbars.tsv"_s); }
    void everyToolbarKeyAndWidget()
    {
        const QString name = QString::fromUtf8(QTest::currentDataTag());
        QFETCH(QString, kind);
        QFETCH(QString, showsTab);
        const int bar = kTabs.indexOf(name.section(u' ', 0, 0));
        if (kind == u"widget") {
            auto *w = named<QWidget>(*m_window, name.section(u' ', 1));
            QVERIFY(named<QToolBar>(*m_window, u"Toolbar_%1"_s.arg(bar))->isAncestorOf(w));
            QTEST(w->toolTip(), "tooltip");
            if (auto *label = qobject_cast<QLabel *>(w))
                QTEST(label->text(), "text");
            return;
        }
        QAction *a = m_window->toolbarButton(bar, name.section(u' ', 1));
        QTEST(a->toolTip(), "tooltip");
        QCOMPARE(a->isCheckable(), kind == u"pressable key");
        // A button without a picture would show as a blank gap.
        QVERIFY(!a->icon().isNull());
        if (showsTab.isEmpty())
            return;
        // From the key's own tab, or another one when the key shows its own; the page stays.
        m_window->showTab(kTabs[bar] == showsTab ? (bar + 1) % 3 : bar);
        auto *address = named<QLineEdit>(*m_window, "txtDrop");
        address->setText(u"http://127.0.0.1:1/list"_s);
        a->trigger();
        QCOMPARE(currentTab(), kTabs.indexOf(showsTab));
        QCOMPARE(address->text(), u"http://127.0.0.1:1/list"_s);
    }

    void defaultTabEntriesTickOnlyTheChosenOne()
    {
        named<QAction>(*m_window, "mnuTabs_0")->trigger();
        named<QAction>(*m_window, "mnuTabs_2")->trigger();
        for (int i = 0; i < 3; ++i)
            QCOMPARE(named<QAction>(*m_window, u"mnuTabs_%1"_s.arg(i))->isChecked(), i == 2);
        QCOMPARE(m_window->currentSettings().defaultTab, 2);
        // Choosing a default does not switch the tab now; the guide entry does.
        QCOMPARE(currentTab(), 1);
        named<QAction>(*m_window, "mnuGudie")->trigger();
        QCOMPARE(currentTab(), int(frmMain::kTabGuide));
    }

    void normalSearchColourClearsEveryAddedColour()
    {
        const auto added = [this](int i) { return named<QAction>(*m_window, u"mnuAltColor_%1"_s.arg(i)); };
        for (int i = 1; i <= 3; ++i)
            added(i)->trigger();
        for (int i = 1; i <= 3; ++i)
            QVERIFY(added(i)->isChecked());
        named<QAction>(*m_window, "mnuAltColorBlack")->trigger();
        for (int i = 1; i <= 3; ++i)
            QVERIFY(!added(i)->isChecked());
    }

    // The Tools entries and keys reach the contact commands with the record table's current row
    // and selection; the link rules are in tst_contactactions.
    void contactEntriesAndKeysOpenTheCurrentRecordsLinks()
    {
        RecordingOpener opener;
        m_window->contactCommands().setLinkOpener(&opener);
        test::fillRecordTable(fa(),
            { QString(), u"Acme & Sons|12 Main St|Springfield|IL|62701|217-555-0100|WWW.ACME.COM|info@acme.com"_s });
        fa().setCursor(2, 0);
        fa().setRowSelected(2, true); // as a click on the row does in Row mode

        action(u"mnuTools_InternetMap"_s)->trigger();
        m_window->contactCommands().runToolbarKey(u"inet"_s);
        action(u"mnuTools_SendMail"_s)->trigger();
        // Entries that change nothing here, and keys that are no key, open nothing.
        action(u"mnuTools_MapCanada"_s)->trigger();
        action(u"mnuTools_SendBulkMail"_s)->trigger();
        m_window->contactCommands().runToolbarKey(u"MAP"_s);
        m_window->contactCommands().runToolbarKey(u"nothing"_s);
        QCOMPARE(opener.opened.size(), 3);
        QVERIFY(opener.opened[0].toString().contains(u"Springfield"_s));
        QCOMPARE(opener.opened[1], QUrl(u"http://WWW.ACME.COM"_s));
        QCOMPARE(opener.opened[2].toString(), u"mailto:info@acme.com"_s);
        m_window->contactCommands().setLinkOpener(nullptr);
    }

    void printSheetInBlockModeOnlyExplains()
    {
        fa().setSelectionMode(GridModel::SelectionMode::Free);
        m_prompts->answers = { UserPrompts::Answer::Ok };
        action(u"mnuPrintSheet0"_s)->trigger();
        QCOMPARE(m_prompts->messages(), QStringList { u"Select Row Mode (not Block Mode) selection and try again."_s });
    }
};

QTEST_MAIN(TestMenusAndToolbars)
#include "tst_menusandtoolbars.moc"
