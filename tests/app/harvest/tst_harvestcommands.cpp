#include "app/harvest/browsercommands.h"
#include "app/harvest/frmsites.h"
#include "app/harvest/frmt.h"
#include "app/harvest/harvestcommands.h"
#include "app/shell/frmmain.h"
#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/harvest/colyps.h"
#include "core/shell/programfolder.h"
#include "core/table/recordtable.h"
#include "support/testsupport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWebEngineView>

#include <memory>

using namespace dq;
using dq::test::named;
using Answer = UserPrompts::Answer;

namespace {

// Engines of a site list written by the tests; nothing listens at their addresses.
const QStringList kNames { QStringLiteral("Alpha Pages"), QStringLiteral("Beta Finder"), QStringLiteral("Gamma List") };

void writeSiteList(const QString &path)
{
    GridModel g;
    g.setCols(4);
    g.setRows(5);
    g.setText(0, 0, QStringLiteral("Searching Site"));
    // Row 3 has no key file name: it is no engine, but it must survive a reorder.
    const char *rows[4][4] = { { "Alpha Pages", "alpha.key", "note a", "http://127.0.0.1:9/alpha/" },
        { "Beta Finder", "beta.key", "note b", "http://127.0.0.1:9/beta/" }, { "Comment row", "", "", "" },
        { "Gamma List", "gamma.key", "note c", "http://127.0.0.1:9/gamma/" } };
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            g.setText(r + 1, c, QString::fromUtf8(rows[r][c]));
    QVERIFY(GridFile::save(g, path, FileKind::Native));
}

void writeKeyFile(const QString &path, const QString &marker)
{
    GridModel g;
    g.setCols(10);
    g.setRows(30);
    g.setText(0, 0, QStringLiteral("key file"));
    g.setText(1, 4, marker);
    for (int r = 2; r < 30; ++r)
        g.setText(r, 0, QStringLiteral("row %1").arg(r));
    QVERIFY(GridFile::save(g, path, FileKind::Native));
}

QStringList column0(const GridModel &g, int from = 0)
{
    QStringList out;
    for (int r = from; r < g.rows(); ++r)
        out << g.text(r, 0);
    return out;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

QStringList listItems(const QComboBox *box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

} // namespace

class TestHarvestCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::ScriptedPrompts> m_prompts;
    std::unique_ptr<frmMain> m_w;
    QString m_home;
    QString m_user; // the per-user data folder, where edits land

    HarvestCommands &harvest() { return m_w->harvest(); }
    QAction *key(int bar, const char *name) { return m_w->toolbarButton(bar, QLatin1String(name)); }
    // Enabled state of Stop on both toolbars, the grab key, and the grab and stop menu entries.
    QList<bool> grabCommands()
    {
        return { key(0, "Stop")->isEnabled(), key(1, "Stop")->isEnabled(), key(1, "StartGrab")->isEnabled(),
            harvest().mnuFileB_Grab->isEnabled(), harvest().mnuFileB_StopGrab->isEnabled() };
    }
    int shownHint()
    {
        int shown = -1;
        for (int i = 0; i < 3; ++i)
            if (!harvest().pnlHintMsg[size_t(i)]->isHidden())
                shown = shown == -1 ? i : 99;
        return shown;
    }

private slots:
    void init()
    {
        m_home = test::tempDir() + QLatin1Char('/');
        qputenv("DIRQUILL_HOME", m_home.toLocal8Bit());
        qputenv("DIRQUILL_CONFIG_DIR", test::tempDir().toLocal8Bit());
        const QString data = test::tempDir();
        qputenv("XDG_DATA_HOME", data.toLocal8Bit());
        m_user = data + QStringLiteral("/dirquill/");
        writeSiteList(m_home + QStringLiteral("stpl00.bin"));
        writeKeyFile(m_home + QStringLiteral("alpha.key"), QStringLiteral("/alpha/search?"));
        writeKeyFile(m_home + QStringLiteral("beta.key"), QString());
        // gamma.key is missing on purpose.
        m_prompts = std::make_unique<test::ScriptedPrompts>();
        m_w = std::make_unique<frmMain>(*m_prompts);
        QVERIFY(m_w->load());
    }

    void cleanup()
    {
        m_w.reset();
        QCOMPARE(m_prompts->unexpected, 0);
        m_prompts.reset();
    }

    void startUpListsTheEnginesAndSelectsTheFirst()
    {
        QCOMPARE(listItems(named<QComboBox>(*m_w, "cboYP2")), kNames);
        QCOMPARE(named<QComboBox>(*m_w, "cboYP2")->toolTip(), QStringLiteral("Select Yellow Pages Searching Site"));
        QCOMPARE(m_w->engines().Count(), 3);
        QCOMPARE(m_w->engines().Item(3)->Index, 4);
        QCOMPARE(harvest().keyTool().txtYP->text(), kNames[0]);
        QCOMPARE(harvest().txtYP2->text(), kNames[0]);
        QCOMPARE(harvest().keyTable().text(1, 4), QStringLiteral("/alpha/search?"));
        QCOMPARE(named<QTabWidget>(*m_w, "tabMain")->currentIndex(), int(frmMain::kTabSearch));
        QCOMPARE(named<QLineEdit>(*m_w, "txtDrop")->text(), QStringLiteral("http://127.0.0.1:9/alpha/"));
        QCOMPARE(harvest().browsers().WBrowser->url(), QUrl(QStringLiteral("http://127.0.0.1:9/alpha/")));
        // The start page is no listing page.
        QVERIFY(!key(1, "StartGrab")->isEnabled());
        QCOMPARE(shownHint(), 0);
        QVERIFY(harvest().keyTool().isHidden());
        QVERIFY(m_prompts->asked.isEmpty());
        QVERIFY(named<QLineEdit>(*m_w, "txtURL")->text().endsWith(QStringLiteral("QRBX/Guide/index.html")));
        QCOMPARE(harvest().browsers().WBrowserGuide->url(), QUrl::fromLocalFile(BrowserCommands::guidePagePath()));
    }

    void aDamagedSiteListIsReportedAndNothingCanBeGrabbed()
    {
        m_w.reset();
        QFile bad(m_home + QStringLiteral("stpl00.bin"));
        QVERIFY(bad.open(QIODevice::WriteOnly | QIODevice::Truncate) && bad.write("not a grid\n") > 0);
        bad.close();
        m_prompts->answers << Answer::Ok;
        m_w = std::make_unique<frmMain>(*m_prompts);
        QVERIFY(m_w->load());
        QCOMPARE(m_prompts->asked.size(), 1);
        QVERIFY2(m_prompts->asked.at(0).text.contains(QStringLiteral("stpl00.bin")),
            qPrintable(m_prompts->asked.at(0).text));
        QCOMPARE(named<QComboBox>(*m_w, "cboYP2")->count(), 0);
        // Without an engine there are no rules, so no address enables grabbing.
        named<QLineEdit>(*m_w, "txtDrop")->setText(QStringLiteral("http://127.0.0.1:9/alpha/search?what=x"));
        QVERIFY(!key(1, "StartGrab")->isEnabled());
        QVERIFY(!harvest().mnuFileB_Grab->isEnabled());
    }

    void addressBoxesSelectTheirWholeTextOnFocus()
    {
        named<QAction>(*m_w, "mnuViewDropBox")->trigger();
        m_w->show();
        QVERIFY(QTest::qWaitForWindowActive(m_w.get()));
        named<QLineEdit>(*m_w, "txtDrop")->setText(QStringLiteral("http://127.0.0.1:9/alpha/search?what=x"));
        named<QLineEdit>(*m_w, "txtDrop")->deselect();
        QTest::mouseClick(named<QLineEdit>(*m_w, "txtDrop"), Qt::LeftButton);
        QTRY_COMPARE(named<QLineEdit>(*m_w, "txtDrop")->selectedText(), named<QLineEdit>(*m_w, "txtDrop")->text());
    }

    void addressCheck_data()
    {
        QTest::addColumn<int>("engine");
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("enabled");

        QTest::newRow("an address holding the marker enables grabbing")
            << 0 << "http://127.0.0.1:9/alpha/search?what=x" << true;
        QTest::newRow("the marker is matched with its letter case")
            << 0 << "http://127.0.0.1:9/ALPHA/search?what=x" << false;
        QTest::newRow("an address without the marker disables grabbing")
            << 0 << "http://127.0.0.1:9/alpha/about" << false;
        QTest::newRow("an empty marker enables grabbing on any address") << 1 << "about:blank" << true;
        QTest::newRow("an engine without key file never enables grabbing")
            << 2 << "http://127.0.0.1:9/alpha/search?what=x" << false;
    }

    void addressCheck()
    {
        QFETCH(int, engine);
        QFETCH(QString, address);
        QFETCH(bool, enabled);
        if (engine == 2)
            m_prompts->answers << Answer::Ok;
        // Start from a state where grabbing was possible, so a stale enable would show.
        named<QLineEdit>(*m_w, "txtDrop")->setText(QStringLiteral("http://127.0.0.1:9/alpha/search?first"));
        QVERIFY(key(1, "StartGrab")->isEnabled());
        named<QComboBox>(*m_w, "cboYP2")->setCurrentIndex(engine);
        emit named<QComboBox>(*m_w, "cboYP2")->activated(engine);
        for (int i : { 2, 20, 21, 24 })
            m_w->panel(i)->setText(QStringLiteral("old"));

        named<QLineEdit>(*m_w, "txtDrop")->setText(address);

        QCOMPARE(grabCommands(), (QList<bool> { false, false, enabled, enabled, false }));
        QCOMPARE(shownHint(), enabled ? 1 : 0);
        QVERIFY(m_w->panel(2)->text().isEmpty());
        QVERIFY(m_w->panel(20)->text().isEmpty());
        // Only a disabled check clears the whole grab status.
        QCOMPARE(m_w->panel(24)->text().isEmpty(), !enabled);
        QCOMPARE(m_w->panel(21)->text().isEmpty(), !enabled);
    }

    void aMissingKeyFileIsReportedOnceAndTheStartPageStillOpens()
    {
        m_prompts->answers << Answer::Ok;
        named<QComboBox>(*m_w, "cboYP2")->setCurrentIndex(2);
        emit named<QComboBox>(*m_w, "cboYP2")->activated(2);
        QCOMPARE(
            m_prompts->messages(), QStringList { QStringLiteral("Key file not found. Contact software vender. ") });
        QCOMPARE(m_prompts->asked.at(0).title, QStringLiteral("Select Searching Engine"));
        QCOMPARE(m_prompts->asked.at(0).icon, UserPrompts::Icon::Warning);
        QVERIFY(harvest().grabDisabled());
        QCOMPARE(named<QLineEdit>(*m_w, "txtDrop")->text(), QStringLiteral("http://127.0.0.1:9/gamma/"));
        QCOMPARE(harvest().txtYP2->text(), kNames[2]);
    }

    void reselectingAnEngineReloadsItsKeyFile()
    {
        named<QLineEdit>(*m_w, "txtDrop")->setText(QStringLiteral("http://127.0.0.1:9/alpha/list/"));
        QVERIFY(!key(1, "StartGrab")->isEnabled());
        writeKeyFile(m_home + QStringLiteral("alpha.key"), QStringLiteral("/list/"));
        m_w->panel(24)->setText(QStringLiteral("17"));
        emit named<QComboBox>(*m_w, "cboYP2")->activated(0);
        QCOMPARE(harvest().keyTable().text(1, 4), QStringLiteral("/list/"));
        QVERIFY(m_w->panel(24)->text().isEmpty());
        named<QLineEdit>(*m_w, "txtDrop")->setText(QStringLiteral("http://127.0.0.1:9/alpha/list/"));
        QVERIFY(key(1, "StartGrab")->isEnabled());
    }

    void hintPanels()
    {
        const char *grabTip = "Click the grab button on the left to start grabbing";
        const char *hints[3][2] = { { "Fine tune your searching category until        enabled",
                                        "Go to the listing page and the grab button will become enabled" },
            { " Ready to grab when you see lists", grabTip }, { "Grabbing", grabTip } };
        for (int i = 0; i < 3; ++i) {
            QLabel *hint = m_w->findChild<QLabel *>(QStringLiteral("pnlHintMsg_%1").arg(i));
            QVERIFY(hint);
            QCOMPARE(hint->text(), QString::fromUtf8(hints[i][0]));
            QCOMPARE(hint->toolTip(), QString::fromUtf8(hints[i][1]));
        }
        for (int i : { 1, 0, 2 }) {
            harvest().ShowHint(i);
            QCOMPARE(shownHint(), i);
        }
        m_w->panel(2)->setText(QStringLiteral(" Grabbing >>"));
        harvest().ShowHint(2);
        QCOMPARE(harvest().pnlHintMsg[2]->text(), QStringLiteral(" Grabbing >>"));
    }

    void theGrabStatusAnimates()
    {
        QCOMPARE(harvest().Timer1->interval(), 200);
        QStringList seen;
        for (int tick = 0; tick < 11; ++tick) {
            harvest().animateStatus();
            seen << m_w->panel(2)->text();
            QCOMPARE(m_w->panel(20)->text(), seen.last());
            QCOMPARE(harvest().pnlHintMsg[2]->text(), seen.last());
        }
        QStringList expected;
        for (int n = 1; n <= 8; ++n)
            expected << QStringLiteral(" Grabbing ") + QString(n, QLatin1Char('>'));
        expected << QString() << QStringLiteral(" Grabbing >") << QStringLiteral(" Grabbing >>");
        QCOMPARE(seen, expected);
    }

    void stopGrabRestoresTheCommandsAndShowsCancel()
    {
        named<QLineEdit>(*m_w, "txtDrop")->setText(QStringLiteral("http://127.0.0.1:9/alpha/search?what=x"));
        // Nothing listens at the address: the grab waits for its page while we stop it.
        harvest().mnuFileB_Grab->trigger();
        QVERIFY(harvest().isGrabbing());
        QVERIFY(harvest().Timer1->isActive());
        QCOMPARE(grabCommands(), (QList<bool> { true, true, false, false, true }));
        QVERIFY(!key(1, "Back")->isEnabled());
        QCOMPARE(shownHint(), 2);
        // A browser moving on during a grab keeps Stop available.
        named<QLineEdit>(*m_w, "txtDrop")->setText(QStringLiteral("http://127.0.0.1:9/elsewhere"));
        QVERIFY(key(1, "Stop")->isEnabled());
        QVERIFY(harvest().mnuFileB_StopGrab->isEnabled());
        QCOMPARE(shownHint(), 2);

        key(1, "Stop")->trigger();
        QCOMPARE(m_w->panel(2)->text(), QStringLiteral(" Cancel"));
        QCOMPARE(m_w->panel(20)->text(), QStringLiteral(" Cancel"));
        QCOMPARE(shownHint(), 1);
        QVERIFY(!harvest().Timer1->isActive());
        // Start waits for the stopped run to end.
        QCOMPARE(grabCommands(), (QList<bool> { false, false, false, false, false }));
        QVERIFY(key(1, "Forward")->isEnabled());
        // The page in flight is abandoned: the run ends as stopped, without a failure message.
        QTRY_VERIFY_WITH_TIMEOUT(!harvest().isGrabbing(), 20000);
        QCOMPARE(grabCommands(), (QList<bool> { false, false, true, true, false }));
        QVERIFY(m_prompts->asked.isEmpty());
        QCOMPARE(m_w->table().fa().rows(), RecordTable::kDefaultRows);
    }

    void toolbarKeysBringTheirTabForward_data()
    {
        QTest::addColumn<int>("bar");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("tab");
        for (int bar : { 1, 2 })
            for (const char *key : { "Back", "Forward", "Reload" })
                QTest::addRow("%s %s", bar == 1 ? "search" : "guide", key) << bar << QString::fromUtf8(key) << bar;
    }

    void toolbarKeysBringTheirTabForward()
    {
        QFETCH(int, bar);
        QFETCH(QString, key);
        QFETCH(int, tab);
        m_w->showTab(frmMain::kTabResults);
        m_w->panel(2)->setText(QStringLiteral(" Done"));
        m_w->panel(20)->setText(QStringLiteral(" Done"));
        QAction *a = m_w->toolbarButton(bar, key);
        QVERIFY(a);
        a->trigger();
        QCOMPARE(named<QTabWidget>(*m_w, "tabMain")->currentIndex(), tab);
        // Only the search browser's refresh empties the grab status.
        const bool emptied = bar == 1 && key == QStringLiteral("Reload");
        QCOMPARE(m_w->panel(2)->text().isEmpty(), emptied);
        QCOMPARE(m_w->panel(20)->text().isEmpty(), emptied);
    }

    void theAddressBoxChoiceShowsTheTabsBox()
    {
        QVERIFY(!named<QAction>(*m_w, "mnuViewDropBox")->isChecked());
        m_w->showTab(frmMain::kTabSearch);
        QVERIFY(named<QLineEdit>(*m_w, "txtDrop")->isHidden());
        named<QAction>(*m_w, "mnuViewDropBox")->trigger();
        QVERIFY(named<QAction>(*m_w, "mnuViewDropBoxG")->isChecked());
        QVERIFY(!named<QLineEdit>(*m_w, "txtDrop")->isHidden());
        QVERIFY(named<QLineEdit>(*m_w, "txtURL")->isHidden());
        m_w->showTab(frmMain::kTabGuide);
        QVERIFY(named<QLineEdit>(*m_w, "txtDrop")->isHidden());
        QVERIFY(!named<QLineEdit>(*m_w, "txtURL")->isHidden());
        named<QAction>(*m_w, "mnuViewDropBoxG")->trigger();
        QVERIFY(!named<QAction>(*m_w, "mnuViewDropBox")->isChecked());
        QVERIFY(named<QLineEdit>(*m_w, "txtURL")->isHidden());
    }

    void siteEditor_data()
    {
        QTest::addColumn<QList<int>>("selection"); // first and last row of the block
        QTest::addColumn<QList<int>>("clicks"); // 0 up, 1 down
        QTest::addColumn<bool>("save");
        QTest::addColumn<QStringList>("order");

        QTest::newRow("moving the last engine to the top and saving makes it the default")
            << QList<int> { 2, 2 } << QList<int> { 0, 0, 0 } << true << QStringList { kNames[2], kNames[0], kNames[1] };
        QTest::newRow("a block of two moves down as one")
            << QList<int> { 0, 1 } << QList<int> { 1 } << true << QStringList { kNames[2], kNames[0], kNames[1] };
        QTest::newRow("moving down past the end changes nothing")
            << QList<int> { 2, 2 } << QList<int> { 1 } << true << kNames;
        QTest::newRow("cancel leaves list and file as they were")
            << QList<int> { 2, 2 } << QList<int> { 0 } << false << kNames;
    }

    void siteEditor()
    {
        QFETCH(QList<int>, selection);
        QFETCH(QList<int>, clicks);
        QFETCH(bool, save);
        QFETCH(QStringList, order);
        const QString shipped = m_home + QStringLiteral("stpl00.bin");
        const QByteArray oldBytes = fileBytes(shipped);

        harvest().cmdUpDown->click();
        auto *editor = m_w->findChild<frmSites *>();
        QVERIFY(editor);
        QVERIFY(editor->isModal() || editor->windowModality() != Qt::NonModal);
        QCOMPARE(editor->cmdSave->toolTip(), QStringLiteral("Save and Close"));
        QCOMPARE(editor->lblDefault->text(), QStringLiteral("--> Default Site"));
        QCOMPARE(editor->names(), kNames);
        editor->sites().select(selection[0], 0, selection[1], 0);
        for (int c : clicks)
            editor->cmd[c]->click();
        (save ? editor->cmdSave : editor->cmdCancel)->click();
        QTRY_VERIFY(!m_w->findChild<frmSites *>());

        QCOMPARE(listItems(named<QComboBox>(*m_w, "cboYP2")), order);
        // The engine in use stays selected.
        QCOMPARE(named<QComboBox>(*m_w, "cboYP2")->currentText(), kNames[0]);
        QCOMPARE(m_w->engines().Item(1)->ListName, order[0]);
        // The edit lands in the user's folder; the shipped list is never written.
        QCOMPARE(fileBytes(shipped), oldBytes);
        QCOMPARE(QFile::exists(m_user + QStringLiteral("stpl00.bin")), save);
        GridModel file;
        QVERIFY(GridFile::load(file, dataFile(QStringLiteral("stpl00.bin")), FileKind::Native));
        QCOMPARE(column0(file, 1), QStringList({ order[0], order[1], QStringLiteral("Comment row"), order[2] }));
        // The next start reads the user's list (gamma first has no key file: one warning).
        if (order.first() == kNames[2])
            m_prompts->answers << Answer::Ok;
        m_w = std::make_unique<frmMain>(*m_prompts);
        QVERIFY(m_w->load());
        QCOMPARE(listItems(named<QComboBox>(*m_w, "cboYP2")), order);
        if (save && order.first() == kNames[2]) {
            // Everything of the engine's row travels with it.
            QCOMPARE(file.text(1, 1), QStringLiteral("gamma.key"));
            QCOMPARE(file.text(1, 2), QStringLiteral("note c"));
            QCOMPARE(file.text(1, 3), QStringLiteral("http://127.0.0.1:9/gamma/"));
        }
    }

    void keyToolButtons()
    {
        harvest().Command1->click();
        frmT &t = harvest().keyTool();
        QVERIFY(!t.isHidden());
        GridModel &k = t.keyTable();
        k.setCursor(3, 2);
        k.setCurrentText(QStringLiteral("a"));
        for (int b : { 0, 3, 4 })
            t.cmdButton[size_t(b)]->click();
        QCOMPARE(k.text(3, 2), QStringLiteral("a\r\n\t\n"));

        // Save writes the user's copy of the key file the engine was loaded from.
        const QByteArray shipped = fileBytes(m_home + QStringLiteral("alpha.key"));
        t.cmdButton[2]->click();
        GridModel saved;
        QVERIFY(GridFile::load(saved, m_user + QStringLiteral("alpha.key"), FileKind::Native));
        QCOMPARE(saved.text(3, 2), QStringLiteral("a\r\n\t\n"));
        QCOMPARE(fileBytes(m_home + QStringLiteral("alpha.key")), shipped);

        // Moving: a block at row 1 cannot go up; at row 3 it can; the last row cannot go down.
        k.select(1, 0, 1, 0);
        t.cmdButton[5]->click();
        QCOMPARE(k.text(1, 4), QStringLiteral("/alpha/search?"));
        k.select(3, 0, 4, 0);
        t.cmdButton[5]->click();
        QCOMPARE(k.text(2, 0), QStringLiteral("row 3"));
        QCOMPARE(k.text(4, 0), QStringLiteral("row 2"));
        k.select(29, 0, 29, 0);
        t.cmdButton[6]->click();
        QCOMPARE(k.text(29, 0), QStringLiteral("row 29"));

        // Del removes the selected rows.
        k.select(5, 0, 6, 0);
        t.cmdButton[7]->click();
        QCOMPARE(k.rows(), 28);
        QCOMPARE(k.text(5, 0), QStringLiteral("row 7"));

        // The scratch box counts its characters; erase empties it.
        t.txtDrop->setText(QStringLiteral("<div class=\"x\">"));
        QCOMPARE(t.txtCount->text(), QStringLiteral("15"));
        t.cmdEraser->click();
        QVERIFY(t.txtDrop->text().isEmpty());
        QCOMPARE(t.txtCount->text(), QStringLiteral("0"));
        QCOMPARE(t.cmdEraser->toolTip(), QStringLiteral("Erase text in Drop Box"));
    }

    void keyToolSitesMap()
    {
        frmT &t = harvest().keyTool();
        const QString siteList = m_user + QStringLiteral("stpl00.bin");
        // The key table is no site list: saving it as one asks, and No keeps the file.
        m_prompts->answers << Answer::No;
        t.cmdButton[1]->click();
        QCOMPARE(m_prompts->asked.size(), 1);
        QCOMPARE(m_prompts->asked.at(0).buttons, UserPrompts::Buttons::YesNoCancel);
        QVERIFY(!QFile::exists(siteList));
        GridModel file;

        // The double click shows the site list; edited, it saves without a question.
        QTest::mouseDClick(&t, Qt::LeftButton);
        QVERIFY(t.showingSites());
        QCOMPARE(t.keyTable().rows(), 5);
        QCOMPARE(t.keyTable().text(4, 0), kNames[2]);
        t.keyTable().setText(4, 0, QStringLiteral("Gamma Renamed"));
        t.cmdButton[1]->click();
        QCOMPARE(m_prompts->asked.size(), 1);
        QVERIFY(GridFile::load(file, siteList, FileKind::Native));
        QCOMPARE(file.text(4, 0), QStringLiteral("Gamma Renamed"));
        QCOMPARE(file.text(4, 3), QStringLiteral("http://127.0.0.1:9/gamma/"));

        // Saving the site list over the key file asks too.
        m_prompts->answers << Answer::Cancel;
        t.cmdButton[2]->click();
        QCOMPARE(m_prompts->asked.size(), 2);
        QVERIFY(!QFile::exists(m_user + QStringLiteral("alpha.key")));
    }
};

QTEST_MAIN(TestHarvestCommands)
#include "tst_harvestcommands.moc"
