#include "app/shell/frmmain.h"
#include "app/shell/toolbardispatcher.h"
#include "core/shell/shellsettings.h"
#include "core/table/recordtable.h"
#include "core/grid/gridmodel.h"
#include "support/gui/tablewindowfixture.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>

#include <memory>

using namespace dq;
using dq::test::named;
using namespace Qt::StringLiterals;

class TestToolbars : public QObject, public test::TableWindowFixture
{
    Q_OBJECT

    QAction *button(int toolbar, const char *key) const { return m_window->toolbarButton(toolbar, QLatin1String(key)); }

private slots:
    void init() { QVERIFY(openWindow()); }

    void cleanup() { QCOMPARE(closeWindow(), 0); }

    void everyKeyStandsInItsPlaceWithItsTooltip_data()
    {
        QTest::addColumn<int>("toolbar");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QStringList>("tips");
        QTest::addColumn<QStringList>("pressable"); // keys that stay down
        QTest::newRow("results toolbar")
            << 0
            << QStringList { u"Web"_s, u"New"_s, u"Open"_s, u"Save"_s, u"Undo"_s, u"Redo"_s, u"Cut"_s, u"Copy"_s,
                   u"Paste"_s, u"Find"_s, u"Bold"_s, u"Italic"_s, u"Underline"_s, u"A"_s, u"Acolor"_s, u"Flood"_s,
                   u"RowMode"_s, u"BlockMode"_s, u"DragMode"_s, u"AlternateColor"_s, u"map"_s, u"phone"_s, u"mail"_s,
                   u"inet"_s, u"Stop"_s }
            << QStringList { u"Go to Web Browser tab"_s, u"New / Clear"_s, u"Open Data File"_s, u"Save"_s, u"Undo"_s,
                   u"Redo"_s, u"Cut"_s, u"Copy"_s, u"Paste"_s, u"Find Text"_s, u"Bold"_s, u"Italic"_s, u"Underline"_s,
                   u"Current Font Color"_s, u"Set Font Color"_s, u"Set Background Color"_s, u"Row and Find Mode"_s,
                   u"Block and Edit Mode"_s, u"Toggle Drag Mode"_s, u"Toggle Alternate Color"_s, u"Internet Map"_s,
                   u"Dial Phone"_s, u"Send Email"_s, u"Web Site Link"_s, u"Stop Grabbing"_s }
            << QStringList { u"Bold"_s, u"Italic"_s, u"Underline"_s, u"RowMode"_s, u"BlockMode"_s, u"DragMode"_s };
        QTest::newRow("search toolbar") << 1
                                        << QStringList { u"Result"_s, u"Back"_s, u"Forward"_s, u"Reload"_s, u"Stop"_s,
                                               u"StartGrab"_s }
                                        << QStringList { u"Go to Results / Data tab"_s, u"Go Back to Previous Page"_s,
                                               u"Go Forward"_s, u"Refresh Current Page"_s, u"Stop Grabbing"_s,
                                               u"Start Grabbing"_s }
                                        << QStringList {};
        QTest::newRow("guide toolbar") << 2 << QStringList { u"Web"_s, u"Back"_s, u"Forward"_s, u"Reload"_s }
                                       << QStringList { u"Go to Searching Site"_s, u"Go Back"_s, u"Go Forward"_s,
                                              u"Refresh Current Page"_s }
                                       << QStringList {};
    }
    void everyKeyStandsInItsPlaceWithItsTooltip()
    {
        QFETCH(int, toolbar);
        QFETCH(QStringList, keys);
        QFETCH(QStringList, tips);
        QStringList shownKeys;
        QStringList shownTips;
        QStringList shownPressable;
        const QList<QAction *> actions
            = named<QToolBar>(*m_window, QStringLiteral("Toolbar_%1").arg(toolbar))->actions();
        for (QAction *a : actions) {
            // Widgets riding on a toolbar (the engine list, hint panels) carry no key.
            if (a->data().toString().isEmpty())
                continue;
            shownKeys << a->data().toString();
            shownTips << a->toolTip();
            if (a->isCheckable())
                shownPressable << a->data().toString();
        }
        QCOMPARE(shownKeys, keys);
        QCOMPARE(shownTips, tips);
        QTEST(shownPressable, "pressable");
        // A button without a picture would show as a blank gap.
        for (const QString &key : keys)
            QVERIFY2(!m_window->toolbarButton(toolbar, key)->icon().isNull(), qPrintable(key));
    }

    void viewKeysSwitchTabs_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("toolbar");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("to");
        QTest::newRow("results Web goes to the search view") << 0 << 0 << u"Web"_s << 1;
        QTest::newRow("search Result goes to the results view") << 1 << 1 << u"Result"_s << 0;
        QTest::newRow("guide Web goes to the search view") << 2 << 2 << u"Web"_s << 1;
    }
    void viewKeysSwitchTabs()
    {
        QFETCH(int, from);
        QFETCH(int, toolbar);
        QFETCH(QString, key);
        QFETCH(int, to);
        m_window->showTab(from);
        QAction *a = m_window->toolbarButton(toolbar, key);
        QVERIFY(a);
        a->trigger();
        QCOMPARE(named<QTabWidget>(*m_window, "tabMain")->currentIndex(), to);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(
                named<QToolBar>(*m_window, QStringLiteral("Toolbar_%1").arg(i))->isVisibleTo(m_window.get()), i == to);
        QCOMPARE(named<QWidget>(*m_window, "SSPanMain")->isVisibleTo(m_window.get()), to == 0);
        QCOMPARE(named<QWidget>(*m_window, "SSPanWeb")->isVisibleTo(m_window.get()), to == 1);
    }

    void keysAreComparedExactly_data()
    {
        QTest::addColumn<int>("toolbar");
        QTest::addColumn<QString>("key");
        QTest::newRow("lower-case web is not Web") << 0 << u"web"_s;
        QTest::newRow("upper-case RESULT is not Result") << 1 << u"RESULT"_s;
        QTest::newRow("a key of another toolbar") << 0 << u"Result"_s;
        QTest::newRow("a key with a trailing blank") << 2 << u"Web "_s;
        QTest::newRow("an empty key") << 1 << u""_s;
        QTest::newRow("a toolbar that does not exist") << 3 << u"Web"_s;
    }
    void keysAreComparedExactly()
    {
        QFETCH(int, toolbar);
        QFETCH(QString, key);
        for (int tab : { 0, 1, 2 }) {
            m_window->showTab(tab);
            m_window->toolbars().dispatch(toolbar, key);
            QCOMPARE(named<QTabWidget>(*m_window, "tabMain")->currentIndex(), tab);
        }
    }

    void resultThenWebComesBackToTheSamePage()
    {
        m_window->showTab(frmMain::kTabSearch);
        named<QLineEdit>(*m_window, "txtDrop")->setText(QStringLiteral("http://127.0.0.1:1/list"));
        button(1, "Result")->trigger();
        button(0, "Web")->trigger();
        QCOMPARE(named<QTabWidget>(*m_window, "tabMain")->currentIndex(), int(frmMain::kTabSearch));
        QCOMPARE(named<QLineEdit>(*m_window, "txtDrop")->text(), QStringLiteral("http://127.0.0.1:1/list"));
    }

    void newKeyClearsAnUnchangedTable()
    {
        GridModel &fa = m_window->table().fa();
        fa.setText(3, 2, QStringLiteral("Acme Plumbing"));
        m_window->table().MakeModified(false);
        button(0, "New")->trigger();
        QCOMPARE(fa.text(3, 2), QString());
    }

    void anyOtherResultsKeyPutsThePaletteAway_data()
    {
        QTest::addColumn<QString>("key");
        for (const char *key : { "Bold", "A", "Flood", "RowMode", "Web", "AlternateColor", "Copy" })
            QTest::newRow(key) << QString::fromLatin1(key);
    }
    void anyOtherResultsKeyPutsThePaletteAway()
    {
        QFETCH(QString, key);
        m_prompts->colors = { QColor() }; // "Flood" asks for a colour: cancelled
        m_window->show();
        m_window->showTab(frmMain::kTabResults);
        auto *palette = m_window->findChild<QWidget *>(u"PanColor"_s);
        QVERIFY(palette);
        button(0, "Acolor")->trigger();
        QVERIFY(palette->isVisible());
        button(0, "Acolor")->trigger();
        QVERIFY(palette->isVisible());
        m_window->toolbarButton(0, key)->trigger();
        QVERIFY(!palette->isVisible());
    }

    void alternateColorKeyWorksLikeItsMenuEntry()
    {
        QAction *menu = named<QAction>(*m_window, "mnuAlternateColor");
        QVERIFY(menu->isChecked());
        button(0, "AlternateColor")->trigger();
        QVERIFY(!menu->isChecked());
        QCOMPARE(m_window->currentSettings().alternateColor, false);
        button(0, "AlternateColor")->trigger();
        QVERIFY(menu->isChecked());
        QCOMPARE(m_window->table().fa().alternateRowColor(), QColor(0xC0, 0xFF, 0xC0));
    }

    void subsystemsAskingForAKeyGetTheButtonInPlace()
    {
        const int before = named<QToolBar>(*m_window, QStringLiteral("Toolbar_%1").arg(0))->actions().size();
        QAction *again = m_window->addToolbarButton(0, QStringLiteral("Save"), QStringLiteral("Save"));
        QCOMPARE(again, button(0, "Save"));
        QCOMPARE(named<QToolBar>(*m_window, QStringLiteral("Toolbar_%1").arg(0))->actions().size(), before);
        // The same key on another toolbar is another button.
        QVERIFY(button(0, "Stop") != button(1, "Stop"));
    }
};

QTEST_MAIN(TestToolbars)
#include "tst_toolbars.moc"
