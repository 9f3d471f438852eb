#include "app/harvest/frmsites.h"
#include "app/harvest/frmt.h"
#include "app/harvest/harvestcommands.h"
#include "app/shell/frmmain.h"
#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/shell/programfolder.h"
#include "support/testsupport.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

using namespace dq;
using dq::test::named;
using Answer = UserPrompts::Answer;

namespace {

// Engines of a site list written by the tests; nothing listens at their addresses.
const QStringList kNames { QStringLiteral("Alpha Pages"), QStringLiteral("Beta Finder"), QStringLiteral("Gamma List") };

bool writeGrid(const QString &path, const QList<QStringList> &rows, int cols)
{
    GridModel g;
    g.setCols(cols);
    g.setRows(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c)
            g.setText(r, c, rows[r][c]);
    return bool(GridFile::save(g, path, FileKind::Native));
}

// A key file of 30 rows whose rows read "row N", with its address marker.
bool writeKeyFile(const QString &path, const QString &marker)
{
    QList<QStringList> rows { { QStringLiteral("key file") }, { {}, {}, {}, {}, marker } };
    for (int r = 2; r < 30; ++r)
        rows << QStringList { QStringLiteral("row %1").arg(r) };
    return writeGrid(path, rows, 10);
}

QStringList column0(const GridModel &g)
{
    QStringList out;
    for (int r = 1; r < g.rows(); ++r)
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

// The search tab's commands on a main window whose site list names three engines: alpha with a
// marker, beta without, gamma whose key file is missing.
class TestHarvestCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::ScriptedPrompts> m_prompts;
    std::unique_ptr<frmMain> m_w;
    QString m_home;
    QString m_user; // the per-user data folder, where edits land

    HarvestCommands &harvest() { return m_w->harvest(); }
    QAction *key(int bar, const char *name) { return m_w->toolbarButton(bar, QLatin1String(name)); }
    QLineEdit *address() { return named<QLineEdit>(*m_w, "txtDrop"); }
    QComboBox *engines() { return named<QComboBox>(*m_w, "cboYP2"); }
    void choose(int engine)
    {
        engines()->setCurrentIndex(engine);
        emit engines()->activated(engine);
    }
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
    void startWindow()
    {
        m_w = std::make_unique<frmMain>(*m_prompts);
        QVERIFY(m_w->load());
    }

private slots:
    void init()
    {
        m_home = test::useFreshProgramHome() + QLatin1Char('/');
        m_user = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/dirquill/");
        // The comment row has no key file name: it is no engine, but it must survive a reorder.
        QList<QStringList> sites { { QStringLiteral("Searching Site") } };
        for (const char *row : { "Alpha Pages|alpha.key|note a|http://127.0.0.1:9/alpha/",
                 "Beta Finder|beta.key|note b|http://127.0.0.1:9/beta/", "Comment row",
                 "Gamma List|gamma.key|note c|http://127.0.0.1:9/gamma/" })
            sites << QString::fromLatin1(row).split(u'|');
        QVERIFY(writeGrid(m_home + QStringLiteral("stpl00.bin"), sites, 4));
        QVERIFY(writeKeyFile(m_home + QStringLiteral("alpha.key"), QStringLiteral("/alpha/search?")));
        QVERIFY(writeKeyFile(m_home + QStringLiteral("beta.key"), QString()));
        m_prompts = std::make_unique<test::ScriptedPrompts>();
        startWindow();
    }

    void cleanup()
    {
        m_w.reset();
        QCOMPARE(m_prompts->unexpected, 0);
        m_prompts.reset();
    }

    void startUpListsTheEnginesAndLoadsTheFirst()
    {
        QCOMPARE(listItems(engines()), kNames);
        QCOMPARE(harvest().txtYP2->text(), kNames[0]);
        QCOMPARE(harvest().keyTable().text(1, 4), QStringLiteral("/alpha/search?"));
        QCOMPARE(grabCommands(), (QList<bool> { false, false, false, false, false }));
        QCOMPARE(shownHint(), 0);
        QVERIFY(harvest().keyTool().isHidden());
        QVERIFY(m_prompts->asked.isEmpty());
    }

    void aDamagedSiteListIsReportedAndNothingCanBeGrabbed()
    {
        m_w.reset();
        QFile bad(m_home + QStringLiteral("stpl00.bin"));
        QVERIFY(bad.open(QIODevice::WriteOnly | QIODevice::Truncate) && bad.write("not a grid\n") > 0);
        bad.close();
        m_prompts->answers << Answer::Ok;
        startWindow();
        QCOMPARE(m_prompts->asked.size(), 1);
        QVERIFY2(m_prompts->asked[0].text.contains(QStringLiteral("stpl00.bin")), qPrintable(m_prompts->asked[0].text));
        QCOMPARE(engines()->count(), 0);
        address()->setText(QStringLiteral("http://127.0.0.1:9/alpha/search?what=x"));
        QVERIFY(!key(1, "StartGrab")->isEnabled());
    }

    void addressBoxesSelectTheirWholeTextOnFocus()
    {
        named<QAction>(*m_w, "mnuViewDropBox")->trigger();
        m_w->show();
        QVERIFY(QTest::qWaitForWindowActive(m_w.get()));
        address()->setText(QStringLiteral("http://127.0.0.1:9/alpha/search?what=x"));
        address()->deselect();
        QTest::mouseClick(address(), Qt::LeftButton);
        QTRY_COMPARE(address()->selectedText(), address()->text());
    }

    void addressCheck_data()
    {
        QTest::addColumn<int>("engine");
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("an address holding the marker enables grabbing")
            << 0 << "http://127.0.0.1:9/alpha/search?what=x" << true;
        QTest::newRow("an address without the marker disables grabbing")
            << 0 << "http://127.0.0.1:9/alpha/about" << false;
        QTest::newRow("an engine whose key file is missing never enables grabbing")
            << 2 << "http://127.0.0.1:9/alpha/search?what=x" << false;
    }
    void addressCheck()
    {
        QFETCH(int, engine);
        QFETCH(QString, address);
        QFETCH(bool, enabled);
        // Start from a state where grabbing was possible, so a stale enable would show.
        this->address()->setText(QStringLiteral("http://127.0.0.1:9/alpha/search?first"));
        QVERIFY(key(1, "StartGrab")->isEnabled());
        if (engine == 2)
            m_prompts->answers << Answer::Ok; // the missing key file is reported
        choose(engine);
        // The chosen engine's start page opens, whatever its key file.
        QCOMPARE(this->address()->text(),
            QStringLiteral("http://127.0.0.1:9/%1/").arg(QLatin1String(engine ? "gamma" : "alpha")));
        for (int i : { 2, 20, 21, 24 })
            m_w->panel(i)->setText(QStringLiteral("old"));

        this->address()->setText(address);

        QCOMPARE(grabCommands(), (QList<bool> { false, false, enabled, enabled, false }));
        QCOMPARE(shownHint(), enabled ? 1 : 0);
        QVERIFY(m_w->panel(2)->text().isEmpty());
        QVERIFY(m_w->panel(20)->text().isEmpty());
        // Only a disabled check clears the whole grab status.
        QCOMPARE(m_w->panel(21)->text().isEmpty(), !enabled);
        QCOMPARE(m_w->panel(24)->text().isEmpty(), !enabled);
    }

    void reselectingAnEngineReloadsItsKeyFile()
    {
        address()->setText(QStringLiteral("http://127.0.0.1:9/alpha/list/"));
        QVERIFY(!key(1, "StartGrab")->isEnabled());
        QVERIFY(writeKeyFile(m_home + QStringLiteral("alpha.key"), QStringLiteral("/list/")));
        choose(0);
        address()->setText(QStringLiteral("http://127.0.0.1:9/alpha/list/"));
        QVERIFY(key(1, "StartGrab")->isEnabled());
    }

    void theGrabStatusAnimates()
    {
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
        address()->setText(QStringLiteral("http://127.0.0.1:9/alpha/search?what=x"));
        // Nothing listens at the address: the grab waits for its page while we stop it.
        harvest().mnuFileB_Grab->trigger();
        QVERIFY(harvest().isGrabbing());
        QVERIFY(harvest().Timer1->isActive());
        QVERIFY(!key(1, "Back")->isEnabled());
        // A browser moving on during a grab keeps Stop available.
        address()->setText(QStringLiteral("http://127.0.0.1:9/elsewhere"));
        QCOMPARE(grabCommands(), (QList<bool> { true, true, false, false, true }));
        QCOMPARE(shownHint(), 2);

        key(1, "Stop")->trigger();
        QCOMPARE(m_w->panel(2)->text(), QStringLiteral(" Cancel"));
        QCOMPARE(m_w->panel(20)->text(), QStringLiteral(" Cancel"));
        QCOMPARE(shownHint(), 1);
        QVERIFY(!harvest().Timer1->isActive());
        QVERIFY(key(1, "Forward")->isEnabled());
        // Start waits for the stopped run to end, which abandons the page in flight without a message.
        QCOMPARE(grabCommands(), (QList<bool> { false, false, false, false, false }));
        QTRY_VERIFY_WITH_TIMEOUT(!harvest().isGrabbing(), 20000);
        QCOMPARE(grabCommands(), (QList<bool> { false, false, true, true, false }));
        QVERIFY(m_prompts->asked.isEmpty());
    }

    void browserKeysBringTheirTabForward_data()
    {
        QTest::addColumn<int>("bar");
        QTest::addColumn<QString>("key");
        for (int bar : { 1, 2 })
            for (const char *key : { "Back", "Forward", "Reload" })
                QTest::addRow("%s %s", bar == 1 ? "search" : "guide", key) << bar << QString::fromUtf8(key);
    }
    void browserKeysBringTheirTabForward()
    {
        QFETCH(int, bar);
        QFETCH(QString, key);
        m_w->showTab(frmMain::kTabResults);
        m_w->panel(2)->setText(QStringLiteral(" Done"));
        m_w->panel(20)->setText(QStringLiteral(" Done"));
        m_w->toolbarButton(bar, key)->trigger();
        QCOMPARE(named<QTabWidget>(*m_w, "tabMain")->currentIndex(), bar);
        // Only the search browser's refresh empties the grab status.
        const bool emptied = bar == 1 && key == QStringLiteral("Reload");
        QCOMPARE(m_w->panel(2)->text().isEmpty(), emptied);
        QCOMPARE(m_w->panel(20)->text().isEmpty(), emptied);
    }

    void siteEditor_data()
    {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("moving the last engine to the top and saving makes it the default")
            << true << QStringList { kNames[2], kNames[0], kNames[1] };
        QTest::newRow("cancel leaves list and files as they were") << false << kNames;
    }
    void siteEditor()
    {
        QFETCH(bool, save);
        QFETCH(QStringList, order);
        const QString shipped = m_home + QStringLiteral("stpl00.bin");
        const QByteArray oldBytes = fileBytes(shipped);

        harvest().cmdUpDown->click();
        auto *editor = m_w->findChild<frmSites *>();
        QVERIFY(editor);
        QVERIFY(editor->windowModality() != Qt::NonModal);
        QCOMPARE(editor->names(), kNames);
        editor->sites().select(2, 0, 2, 0);
        for (int up = 0; up < 2; ++up)
            editor->cmd[0]->click();
        (save ? editor->cmdSave : editor->cmdCancel)->click();
        QTRY_VERIFY(!m_w->findChild<frmSites *>());

        QCOMPARE(listItems(engines()), order);
        // The engine in use stays selected.
        QCOMPARE(engines()->currentText(), kNames[0]);
        // The edit lands in the user's folder; the shipped list is never written.
        QCOMPARE(fileBytes(shipped), oldBytes);
        QCOMPARE(QFile::exists(m_user + QStringLiteral("stpl00.bin")), save);
        GridModel file;
        QVERIFY(GridFile::load(file, dataFile(QStringLiteral("stpl00.bin")), FileKind::Native));
        QCOMPARE(column0(file), QStringList({ order[0], order[1], QStringLiteral("Comment row"), order[2] }));
        // Everything of the engine's row travels with it.
        QCOMPARE(
            file.text(1, 3), QStringLiteral("http://127.0.0.1:9/%1/").arg(QLatin1String(save ? "gamma" : "alpha")));
        // The next start reads the user's list (gamma first has no key file: one warning).
        if (save)
            m_prompts->answers << Answer::Ok;
        startWindow();
        QCOMPARE(listItems(engines()), order);
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

        // Up, down and Del act on the selected rows.
        k.select(3, 0, 4, 0);
        t.cmdButton[5]->click();
        QCOMPARE(column0(k).mid(1, 3),
            QStringList({ QStringLiteral("row 3"), QStringLiteral("row 4"), QStringLiteral("row 2") }));
        k.select(2, 0, 2, 0);
        t.cmdButton[6]->click();
        QCOMPARE(k.text(3, 0), QStringLiteral("row 3"));
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
    }

    void keyToolSitesMap()
    {
        frmT &t = harvest().keyTool();
        const QString siteList = m_user + QStringLiteral("stpl00.bin");
        // The key table is no site list: saving it as one asks, and No keeps the file.
        m_prompts->answers << Answer::No;
        t.cmdButton[1]->click();
        QCOMPARE(m_prompts->asked.size(), 1);
        QCOMPARE(m_prompts->asked[0].buttons, UserPrompts::Buttons::YesNoCancel);
        QVERIFY(!QFile::exists(siteList));

        // The double click shows the site list; edited, it saves without a question and is used at once.
        QTest::mouseDClick(&t, Qt::LeftButton);
        QVERIFY(t.showingSites());
        QCOMPARE(t.keyTable().text(4, 0), kNames[2]);
        t.keyTable().setText(4, 0, QStringLiteral("Gamma Renamed"));
        t.cmdButton[1]->click();
        QCOMPARE(m_prompts->asked.size(), 1);
        QCOMPARE(engines()->itemText(2), QStringLiteral("Gamma Renamed"));
        QCOMPARE(engines()->currentText(), kNames[0]);

        // Saving the site list over the key file asks too.
        m_prompts->answers << Answer::Cancel;
        t.cmdButton[2]->click();
        QCOMPARE(m_prompts->asked.size(), 2);
        QVERIFY(!QFile::exists(m_user + QStringLiteral("alpha.key")));

        // A later save from the site editor keeps the renamed map.
        harvest().cmdUpDown->click();
        QVERIFY(m_w->findChild<frmSites *>());
        m_w->findChild<frmSites *>()->cmdSave->click();
        GridModel file;
        QVERIFY(GridFile::load(file, siteList, FileKind::Native));
        QCOMPARE(file.text(4, 0), QStringLiteral("Gamma Renamed"));
        QCOMPARE(file.text(4, 3), QStringLiteral("http://127.0.0.1:9/gamma/"));
    }

    void aGrabTakesTheEnginesRulesNotTheShownSiteList()
    {
        frmT &t = harvest().keyTool();
        QTest::mouseDClick(&t, Qt::LeftButton);
        QVERIFY(t.showingSites());
        m_prompts->answers = { Answer::Ok, Answer::Ok };
        harvest().Grab();
        QVERIFY(!t.showingSites());
        QCOMPARE(t.keyTable().text(1, 4), QStringLiteral("/alpha/search?"));
        QTRY_VERIFY(!harvest().isGrabbing());
    }
};

QTEST_MAIN(TestHarvestCommands)
#include "tst_harvestcommands.moc"
