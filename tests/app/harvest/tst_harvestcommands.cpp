#include "app/harvest/frmsites.h"
#include "app/harvest/frmt.h"
#include "app/harvest/harvestcommands.h"
#include "app/shell/frmmain.h"
#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/shell/programfolder.h"
#include "support/gridtext.h"
#include "support/testsupport.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

using namespace dq;
using dq::test::named;
using namespace Qt::StringLiterals;
using Answer = UserPrompts::Answer;

namespace {

// Engines of a site list written by the tests; nothing listens at their addresses.
const QStringList kNames { u"Alpha Pages"_s, u"Beta Finder"_s, u"Gamma List"_s };
const QString kListing = u"http://127.0.0.1:9/alpha/search?what=x"_s;
// The site list's rows under its title; the comment row names no key file: it is no engine, but
// it must survive a reorder.
const QStringList kSiteRows { u"Alpha Pages|alpha.key|note a|http://127.0.0.1:9/alpha/"_s,
    u"Beta Finder|beta.key|note b|http://127.0.0.1:9/beta/"_s, u"Comment row|||"_s,
    u"Gamma List|gamma.key|note c|http://127.0.0.1:9/gamma/"_s };

bool writeGrid(const QString &path, const QStringList &rows, int cols)
{
    GridModel g;
    test::fillRows(g, rows, cols);
    return bool(GridFile::save(g, path, FileKind::Native));
}

// A key file with its address marker, whose rows from 2 on read "row N".
bool writeKeyFile(const QString &path, const QString &marker)
{
    QStringList rows { u"key file"_s, u"||||"_s + marker };
    for (int r = 2; r < 30; ++r)
        rows << u"row %1"_s.arg(r);
    return writeGrid(path, rows, 10);
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
        m_home = test::useFreshProgramHome() + u'/';
        m_user = qEnvironmentVariable("XDG_DATA_HOME") + u"/dirquill/"_s;
        QVERIFY(writeGrid(m_home + u"stpl00.bin"_s, QStringList { u"Searching Site"_s } + kSiteRows, 4));
        QVERIFY(writeKeyFile(m_home + u"alpha.key"_s, u"/alpha/search?"_s));
        QVERIFY(writeKeyFile(m_home + u"beta.key"_s, QString()));
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
        QCOMPARE(harvest().keyTable().text(1, 4), u"/alpha/search?"_s);
        QCOMPARE(grabCommands(), (QList<bool> { false, false, false, false, false }));
        QCOMPARE(shownHint(), 0);
    }

    void aDamagedSiteListIsReportedAndNothingCanBeGrabbed()
    {
        m_w.reset();
        test::writeBytes(m_home + u"stpl00.bin"_s, "not a grid\n");
        m_prompts->answers << Answer::Ok;
        startWindow();
        QCOMPARE(m_prompts->asked.size(), 1);
        QVERIFY2(m_prompts->asked[0].text.contains(u"stpl00.bin"_s), qPrintable(m_prompts->asked[0].text));
        QCOMPARE(engines()->count(), 0);
        address()->setText(kListing);
        QVERIFY(!key(1, "StartGrab")->isEnabled());
    }

    void addressBoxesSelectTheirWholeTextOnFocus()
    {
        named<QAction>(*m_w, "mnuViewDropBox")->trigger();
        m_w->show();
        QVERIFY(QTest::qWaitForWindowActive(m_w.get()));
        address()->setText(kListing);
        address()->deselect();
        QTest::mouseClick(address(), Qt::LeftButton);
        QTRY_COMPARE(address()->selectedText(), kListing);
    }

    void addressCheck_data()
    {
        QTest::addColumn<int>("engine");
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("an address holding the marker enables grabbing") << 0 << kListing << true;
        QTest::newRow("an address without the marker disables grabbing")
            << 0 << u"http://127.0.0.1:9/alpha/about"_s << false;
        QTest::newRow("an engine whose key file is missing never enables grabbing") << 2 << kListing << false;
    }
    void addressCheck()
    {
        QFETCH(int, engine);
        QFETCH(QString, address);
        QFETCH(bool, enabled);
        // Start from a state where grabbing was possible, so a stale enable would show.
        this->address()->setText(u"http://127.0.0.1:9/alpha/search?first"_s);
        QVERIFY(key(1, "StartGrab")->isEnabled());
        if (engine == 2)
            m_prompts->answers << Answer::Ok; // the missing key file is reported
        choose(engine);
        // The chosen engine's start page opens, whatever its key file.
        QCOMPARE(this->address()->text(), u"http://127.0.0.1:9/%1/"_s.arg(engine ? u"gamma"_s : u"alpha"_s));
        for (int i : { 2, 20, 21, 24 })
            m_w->panel(i)->setText(u"old"_s);

        this->address()->setText(address);

        QCOMPARE(grabCommands(), (QList<bool> { false, false, enabled, enabled, false }));
        QCOMPARE(shownHint(), enabled ? 1 : 0);
        // Only a disabled check clears the whole grab status.
        for (int i : { 2, 20, 21, 24 })
            QCOMPARE(m_w->panel(i)->text().isEmpty(), i < 21 || !enabled);
    }

    void reselectingAnEngineReloadsItsKeyFile()
    {
        address()->setText(u"http://127.0.0.1:9/alpha/list/"_s);
        QVERIFY(!key(1, "StartGrab")->isEnabled());
        QVERIFY(writeKeyFile(m_home + u"alpha.key"_s, u"/list/"_s));
        choose(0);
        address()->setText(u"http://127.0.0.1:9/alpha/list/"_s);
        QVERIFY(key(1, "StartGrab")->isEnabled());
    }

    void theGrabStatusAnimates()
    {
        QStringList seen;
        for (int tick = 0; tick < 11; ++tick) {
            harvest().animateStatus();
            seen << m_w->panel(2)->text();
        }
        QCOMPARE(seen.join(u'|'),
            u" Grabbing >| Grabbing >>| Grabbing >>>| Grabbing >>>>| Grabbing >>>>>| Grabbing >>>>>>| Grabbing >>>>>>>|"
            u" Grabbing >>>>>>>>|| Grabbing >| Grabbing >>"_s);
        QCOMPARE(m_w->panel(20)->text(), seen.last());
        QCOMPARE(harvest().pnlHintMsg[2]->text(), seen.last());
    }

    void stopGrabRestoresTheCommandsAndShowsCancel()
    {
        address()->setText(kListing);
        // Nothing listens at the address: the grab waits for its page while we stop it.
        harvest().mnuFileB_Grab->trigger();
        QVERIFY(harvest().isGrabbing());
        QVERIFY(!key(1, "Back")->isEnabled());
        // A browser moving on during a grab keeps Stop available.
        address()->setText(u"http://127.0.0.1:9/elsewhere"_s);
        QCOMPARE(grabCommands(), (QList<bool> { true, true, false, false, true }));
        QCOMPARE(shownHint(), 2);

        key(1, "Stop")->trigger();
        QCOMPARE(m_w->panel(2)->text(), u" Cancel"_s);
        QCOMPARE(shownHint(), 1);
        QVERIFY(!harvest().Timer1->isActive());
        QVERIFY(key(1, "Forward")->isEnabled());
        // Start waits for the stopped run to end, which abandons the page in flight without a message.
        QCOMPARE(grabCommands(), (QList<bool> { false, false, false, false, false }));
        QTRY_VERIFY_WITH_TIMEOUT(!harvest().isGrabbing(), 20000);
        QCOMPARE(grabCommands(), (QList<bool> { false, false, true, true, false }));
    }

    // Which tab each browser key brings forward is in tst_menusandtoolbars.
    void onlyTheSearchRefreshEmptiesTheGrabStatus()
    {
        const QList<std::pair<int, QString>> keys { { 1, u"Back"_s }, { 2, u"Reload"_s }, { 1, u"Reload"_s } };
        for (const auto &[bar, name] : keys) {
            m_w->panel(2)->setText(u" Done"_s);
            m_w->toolbarButton(bar, name)->trigger();
            QCOMPARE(m_w->panel(2)->text().isEmpty(), bar == 1 && name == u"Reload");
        }
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
        const QString shipped = m_home + u"stpl00.bin"_s;
        const QByteArray oldBytes = test::readBytes(shipped);

        harvest().cmdUpDown->click();
        auto *editor = m_w->findChild<frmSites *>();
        QVERIFY(editor->windowModality() != Qt::NonModal);
        editor->sites().select(2, 0, 2, 0);
        for (int up = 0; up < 2; ++up)
            editor->cmd[0]->click();
        (save ? editor->cmdSave : editor->cmdCancel)->click();
        QTRY_VERIFY(!m_w->findChild<frmSites *>());

        QCOMPARE(listItems(engines()), order);
        // The engine in use stays selected.
        QCOMPARE(engines()->currentText(), kNames[0]);
        // The edit lands in the user's folder; the shipped list is never written.
        QCOMPARE(test::readBytes(shipped), oldBytes);
        QCOMPARE(QFile::exists(m_user + u"stpl00.bin"_s), save);
        GridModel file;
        QVERIFY(GridFile::load(file, dataFile(u"stpl00.bin"_s), FileKind::Native));
        // Everything of an engine's row travels with it.
        const QStringList saved { kSiteRows[3], kSiteRows[0], kSiteRows[2], kSiteRows[1] };
        QCOMPARE(test::rowsOf(file, 1), save ? saved : kSiteRows);
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
        k.setCurrentText(u"a"_s);
        for (int b : { 0, 3, 4 })
            t.cmdButton[size_t(b)]->click();
        QCOMPARE(k.text(3, 2), u"a\r\n\t\n"_s);

        // Save writes the user's copy of the key file the engine was loaded from.
        const QByteArray shipped = test::readBytes(m_home + u"alpha.key"_s);
        t.cmdButton[2]->click();
        GridModel saved;
        QVERIFY(GridFile::load(saved, m_user + u"alpha.key"_s, FileKind::Native));
        QCOMPARE(saved.text(3, 2), u"a\r\n\t\n"_s);
        QCOMPARE(test::readBytes(m_home + u"alpha.key"_s), shipped);

        // Up, down and Del act on the selected rows.
        k.select(3, 0, 4, 0);
        t.cmdButton[5]->click();
        QCOMPARE((QStringList { k.text(2, 0), k.text(3, 0), k.text(4, 0) }),
            (QStringList { u"row 3"_s, u"row 4"_s, u"row 2"_s }));
        k.select(2, 0, 2, 0);
        t.cmdButton[6]->click();
        QCOMPARE(k.text(3, 0), u"row 3"_s);
        k.select(5, 0, 6, 0);
        t.cmdButton[7]->click();
        QCOMPARE(k.rows(), 28);
        QCOMPARE(k.text(5, 0), u"row 7"_s);
    }

    void keyToolSitesMapAndAGrabAfterIt()
    {
        frmT &t = harvest().keyTool();
        const QString siteList = m_user + u"stpl00.bin"_s;
        // The key table is no site list: saving it as one asks, and No keeps the file.
        m_prompts->answers << Answer::No;
        t.cmdButton[1]->click();
        QCOMPARE(m_prompts->asked.size(), 1);
        QVERIFY(!QFile::exists(siteList));

        // The double click shows the site list; edited, it saves without a question and is used at once.
        QTest::mouseDClick(&t, Qt::LeftButton);
        QCOMPARE(t.keyTable().text(4, 0), kNames[2]);
        t.keyTable().setText(4, 0, u"Gamma Renamed"_s);
        t.cmdButton[1]->click();
        QCOMPARE(m_prompts->asked.size(), 1);
        QCOMPARE(engines()->itemText(2), u"Gamma Renamed"_s);
        QCOMPARE(engines()->currentText(), kNames[0]);

        // Saving the site list over the key file asks too.
        m_prompts->answers << Answer::Cancel;
        t.cmdButton[2]->click();
        QCOMPARE(m_prompts->asked.size(), 2);
        QVERIFY(!QFile::exists(m_user + u"alpha.key"_s));

        // A later save from the site editor keeps the renamed map.
        harvest().cmdUpDown->click();
        m_w->findChild<frmSites *>()->cmdSave->click();
        GridModel file;
        QVERIFY(GridFile::load(file, siteList, FileKind::Native));
        QCOMPARE(test::rowsOf(file, 4).first(), u"Gamma Renamed|gamma.key|note c|http://127.0.0.1:9/gamma/"_s);

        // A grab takes the engine's rules, not the site list on show.
        QVERIFY(t.showingSites());
        m_prompts->answers = { Answer::Ok, Answer::Ok };
        harvest().Grab();
        QVERIFY(!t.showingSites());
        QCOMPARE(t.keyTable().text(1, 4), u"/alpha/search?"_s);
        QTRY_VERIFY(!harvest().isGrabbing());
    }
};

QTEST_MAIN(TestHarvestCommands)
#include "tst_harvestcommands.moc"
