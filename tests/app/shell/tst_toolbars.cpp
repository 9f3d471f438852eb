#include "app/shell/frmmain.h"
#include "app/shell/toolbardispatcher.h"
#include "core/table/recordtable.h"
#include "core/grid/gridmodel.h"
#include "support/testsupport.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>

#include <memory>

using namespace dq;

class TestToolbars : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::ScriptedPrompts> m_prompts;
    std::unique_ptr<frmMain> m_w;

    QAction *button(int toolbar, const char *key) const
    {
        return m_w->toolbarButton(toolbar, QLatin1String(key));
    }

private slots:
    void init()
    {
        const QString home = test::tempDir();
        qputenv("DIRQUILL_HOME", home.toLocal8Bit());
        qputenv("DIRQUILL_CONFIG_DIR", test::tempDir().toLocal8Bit());
        QFile siteList(home + QStringLiteral("/stpl00.bin"));
        QVERIFY(siteList.open(QIODevice::WriteOnly));
        m_prompts = std::make_unique<test::ScriptedPrompts>();
        m_w = std::make_unique<frmMain>(*m_prompts, false);
        QVERIFY(m_w->load());
    }

    void cleanup()
    {
        m_w.reset();
        QCOMPARE(m_prompts->unexpected, 0);
        m_prompts.reset();
    }

    void everyKeyStandsInItsPlaceWithItsTooltip_data()
    {
        QTest::addColumn<int>("toolbar");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QStringList>("tips");
        QTest::newRow("results toolbar") << 0
            << QStringList { "Web", "New", "Open", "Save", "Cut", "Copy", "Paste", "Find", "Bold", "Italic",
                   "Underline", "A", "Acolor", "Flood", "RowMode", "BlockMode", "DragMode", "AlternateColor", "map",
                   "phone", "mail", "inet", "Stop" }
            << QStringList { "Go to Web Browser tab", "New / Clear", "Open Data File", "Save", "Cut", "Copy",
                   "Paste", "Find Text", "Bold", "Italic", "Underline", "Current Font Color", "Set Font Color",
                   "Set Background Color", "Row and Find Mode", "Block and Edit Mode", "Toggle Drag Mode",
                   "Toggle Alternate Color", "Internet Map", "Dial Phone", "Send Email", "Web Site Link",
                   "Stop Grabbing" };
        QTest::newRow("search toolbar") << 1
            << QStringList { "Result", "Back", "Forward", "Reload", "Stop", "StartGrab" }
            << QStringList { "Go to Results / Data tab", "Go Back to Previous Page", "Go Forward",
                   "Refresh Current Page", "Stop Grabbing", "Start Grabbing" };
        QTest::newRow("guide toolbar") << 2 << QStringList { "Web", "Back", "Forward", "Reload" }
                                       << QStringList { "Go to Searching Site", "Go Back", "Go Forward",
                                              "Refresh Current Page" };
    }
    void everyKeyStandsInItsPlaceWithItsTooltip()
    {
        QFETCH(int, toolbar);
        QFETCH(QStringList, keys);
        QFETCH(QStringList, tips);
        QStringList shownKeys;
        QStringList shownTips;
        const QList<QAction *> actions = m_w->Toolbar[size_t(toolbar)]->actions();
        for (QAction *a : actions) {
            // Widgets riding on a toolbar (the engine list, hint panels) carry no key.
            if (a->data().toString().isEmpty())
                continue;
            shownKeys << a->data().toString();
            shownTips << a->toolTip();
        }
        QCOMPARE(shownKeys, keys);
        QCOMPARE(shownTips, tips);
    }

    void viewKeysSwitchTabs_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("toolbar");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("to");
        QTest::newRow("results Web goes to the search view") << 0 << 0 << "Web" << 1;
        QTest::newRow("search Result goes to the results view") << 1 << 1 << "Result" << 0;
        QTest::newRow("guide Web goes to the search view") << 2 << 2 << "Web" << 1;
    }
    void viewKeysSwitchTabs()
    {
        QFETCH(int, from);
        QFETCH(int, toolbar);
        QFETCH(QString, key);
        QFETCH(int, to);
        m_w->showTab(from);
        QAction *a = m_w->toolbarButton(toolbar, key);
        QVERIFY(a);
        a->trigger();
        QCOMPARE(m_w->tabMain->currentIndex(), to);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(m_w->Toolbar[size_t(i)]->isVisibleTo(m_w.get()), i == to);
        QCOMPARE(m_w->SSPanMain->isVisibleTo(m_w.get()), to == 0);
        QCOMPARE(m_w->SSPanWeb->isVisibleTo(m_w.get()), to == 1);
    }

    void keysAreComparedExactly_data()
    {
        QTest::addColumn<int>("toolbar");
        QTest::addColumn<QString>("key");
        QTest::newRow("lower-case web is not Web") << 0 << "web";
        QTest::newRow("upper-case RESULT is not Result") << 1 << "RESULT";
        QTest::newRow("a key of another toolbar") << 0 << "Result";
        QTest::newRow("a key with a trailing blank") << 2 << "Web ";
        QTest::newRow("an empty key") << 1 << "";
        QTest::newRow("a toolbar that does not exist") << 3 << "Web";
    }
    void keysAreComparedExactly()
    {
        QFETCH(int, toolbar);
        QFETCH(QString, key);
        for (int tab : { 0, 1, 2 }) {
            m_w->showTab(tab);
            m_w->toolbars().dispatch(toolbar, key);
            QCOMPARE(m_w->tabMain->currentIndex(), tab);
        }
    }

    void resultThenWebComesBackToTheSamePage()
    {
        m_w->showTab(frmMain::kTabSearch);
        m_w->txtDrop->setText(QStringLiteral("http://127.0.0.1:1/list"));
        button(1, "Result")->trigger();
        button(0, "Web")->trigger();
        QCOMPARE(m_w->tabMain->currentIndex(), int(frmMain::kTabSearch));
        QCOMPARE(m_w->txtDrop->text(), QStringLiteral("http://127.0.0.1:1/list"));
    }

    void newKeyClearsAnUnchangedTable()
    {
        GridModel &fa = m_w->table().fa();
        fa.setText(3, 2, QStringLiteral("Acme Plumbing"));
        m_w->table().MakeModified(false);
        button(0, "New")->trigger();
        QCOMPARE(fa.text(3, 2), QString());
    }

    void subsystemsAskingForAKeyGetTheButtonInPlace()
    {
        const int before = m_w->Toolbar[0]->actions().size();
        QAction *again = m_w->addToolbarButton(0, QStringLiteral("Save"), QStringLiteral("Save"));
        QCOMPARE(again, button(0, "Save"));
        QCOMPARE(m_w->Toolbar[0]->actions().size(), before);
        // The same key on another toolbar is another button.
        QVERIFY(button(0, "Stop") != button(1, "Stop"));
    }
};

QTEST_MAIN(TestToolbars)
#include "tst_toolbars.moc"
