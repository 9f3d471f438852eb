#include "app/shell/frmmain.h"
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

    // The engine list and the hint panels ride on the search toolbar.
    void widgetsOnTheSearchToolbar_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text"); // "" for the engine list
        QTest::addColumn<QString>("tip");
        const char *grabTip = "Click the grab button on the left to start grabbing";
        QTest::newRow("engine list") << u"cboYP2"_s << QString() << u"Select Yellow Pages Searching Site"_s;
        QTest::newRow("hint 0") << u"pnlHintMsg_0"_s << u"Fine tune your searching category until        enabled"_s
                                << u"Go to the listing page and the grab button will become enabled"_s;
        QTest::newRow("hint 1") << u"pnlHintMsg_1"_s << u" Ready to grab when you see lists"_s
                                << QString::fromLatin1(grabTip);
        QTest::newRow("hint 2") << u"pnlHintMsg_2"_s << u"Grabbing"_s << QString::fromLatin1(grabTip);
    }
    void widgetsOnTheSearchToolbar()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        auto *w = named<QWidget>(*m_window, name);
        QVERIFY(named<QToolBar>(*m_window, "Toolbar_1")->isAncestorOf(w));
        if (auto *label = qobject_cast<QLabel *>(w))
            QCOMPARE(label->text(), text);
        QTEST(w->toolTip(), "tip");
    }

    void viewKeysSwitchTabs()
    {
        const QList<std::tuple<int, int, const char *, int>> moves { { 0, 0, "Web", 1 }, { 1, 1, "Result", 0 },
            { 2, 2, "Web", 1 } };
        for (const auto &[from, toolbar, key, to] : moves) {
            m_window->showTab(from);
            button(toolbar, key)->trigger();
            QCOMPARE(named<QTabWidget>(*m_window, "tabMain")->currentIndex(), to);
        }
    }

    void resultThenWebComesBackToTheSamePage()
    {
        m_window->showTab(frmMain::kTabSearch);
        named<QLineEdit>(*m_window, "txtDrop")->setText(QStringLiteral("http://127.0.0.1:1/list"));
        button(1, "Result")->trigger();
        button(0, "Web")->trigger();
        QCOMPARE(named<QLineEdit>(*m_window, "txtDrop")->text(), QStringLiteral("http://127.0.0.1:1/list"));
    }

    void newKeyClearsAnUnchangedTable()
    {
        fa().setText(3, 2, QStringLiteral("Acme Plumbing"));
        m_window->table().MakeModified(false);
        button(0, "New")->trigger();
        QCOMPARE(fa().text(3, 2), QString());
    }

    void anyOtherResultsKeyPutsThePaletteAway_data()
    {
        QTest::addColumn<QString>("key");
        for (const char *key : { "Bold", "Flood", "Web" })
            QTest::newRow(key) << QString::fromLatin1(key);
    }
    void anyOtherResultsKeyPutsThePaletteAway()
    {
        QFETCH(QString, key);
        m_prompts->colors = { QColor() }; // "Flood" asks for a colour: cancelled
        m_window->show();
        m_window->showTab(frmMain::kTabResults);
        auto *palette = named<QWidget>(*m_window, "PanColor");
        button(0, "Acolor")->trigger();
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
    }

    void subsystemsAskingForAKeyGetTheButtonInPlace()
    {
        const int before = named<QToolBar>(*m_window, "Toolbar_0")->actions().size();
        QCOMPARE(m_window->addToolbarButton(0, QStringLiteral("Save"), QStringLiteral("Save")), button(0, "Save"));
        QCOMPARE(named<QToolBar>(*m_window, "Toolbar_0")->actions().size(), before);
        // The same key on another toolbar is another button.
        QVERIFY(button(0, "Stop") != button(1, "Stop"));
    }
};

QTEST_MAIN(TestToolbars)
#include "tst_toolbars.moc"
