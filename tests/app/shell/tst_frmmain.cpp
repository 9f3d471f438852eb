#include "app/shell/frmmain.h"
#include "core/grid/gridfile.h"
#include "core/shell/programfolder.h"
#include "core/shell/settings.h"
#include "core/shell/shellsettings.h"
#include "core/table/filecommands.h"
#include "core/table/recordtable.h"
#include "support/casetable.h"
#include "support/gridtext.h"
#include "support/testsupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include <array>
#include <memory>

using namespace dq;
using dq::test::named;
using namespace Qt::StringLiterals;
using Answer = UserPrompts::Answer;

namespace {
const QStringList kTabs { u"results"_s, u"search"_s, u"guide"_s };
} // namespace

// Start-up, exit and the settings between them, on the main window.
class TestFrmMain : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::ScriptedPrompts> m_prompts;
    QString m_home;

    std::unique_ptr<frmMain> makeWindow(bool expectLoaded = true)
    {
        auto w = std::make_unique<frmMain>(*m_prompts);
        const bool loaded = w->load();
        // Records a failure without ending the helper, so the caller still gets its window.
        QTest::qCompare(loaded, expectLoaded, "loaded", "expectLoaded", __FILE__, __LINE__);
        return w;
    }

    static int tab(const frmMain &w) { return named<QTabWidget>(w, "tabMain")->currentIndex(); }
    static bool ticked(const frmMain &w, const QString &name) { return named<QAction>(w, name)->isChecked(); }

private slots:
    void init()
    {
        m_home = test::useFreshProgramHome();
        QVERIFY(!m_home.isEmpty());
        m_prompts = std::make_unique<test::ScriptedPrompts>();
    }

    void cleanup()
    {
        QCOMPARE(m_prompts->unexpected, 0);
        m_prompts.reset();
    }

    // The fallbacks of each stored value are in tst_shellsettings; here they reach the window.
    void startUpAppliesTheSettings_data() { test::addCaseRows(u"shell/startup.tsv"_s); }
    void startUpAppliesTheSettings()
    {
        QFETCH(QString, stored);
        QFETCH(QString, window);
        QFETCH(QString, alternate);
        QFETCH(QString, folder);
        QFETCH(QString, tickedTab);
        for (const QString &pair : stored.split(u' ', Qt::SkipEmptyParts))
            Settings::write(pair.section(u'=', 0, 0), pair.section(u'=', 1));
        auto w = makeWindow();
        QList<int> twips;
        for (const QString &n : window.split(u' '))
            twips << n.toInt();
        QCOMPARE(w->pos(), QPoint(w->twipsToPixelsX(twips[0]), w->twipsToPixelsY(twips[1])));
        QCOMPARE(w->size(), QSize(w->twipsToPixelsX(twips[2]), w->twipsToPixelsY(twips[3])));
        QTEST(QString::number(w->vbarLeft()), "splitter");
        const bool alternating = test::choice(alternate, { "off", "on" });
        QCOMPARE(ticked(*w, u"mnuAlternateColor"_s), alternating);
        QCOMPARE(w->table().fa().alternateRowColor(),
            alternating ? QColor(0xC0, 0xFF, 0xC0) : QApplication::palette().color(QPalette::Base));
        QTEST(ticked(*w, u"mnuViewDropBox"_s) ? u"on"_s : u"off"_s, "addressBox");
        QCOMPARE(w->table().lastOpenFolder(), folder.isEmpty() ? programFolder() : folder);
        QTEST(kTabs[tab(*w)], "tab");
        for (int i = 0; i < 3; ++i)
            QCOMPARE(ticked(*w, u"mnuTabs_%1"_s.arg(i)), kTabs[i] == tickedTab);
        // Whatever the settings, the version and title start the same.
        QCOMPARE(w->panel(8)->text(), u"3.8"_s);
        QCOMPARE(w->windowTitle(), u"Dirquill -- Untitled.tsy"_s);
    }

    void aMissingSiteListEndsTheProgram()
    {
        QVERIFY(QFile::remove(m_home + u"/stpl00.bin"_s));
        m_prompts->answers = { Answer::Ok };
        auto w = makeWindow(false);
        QCOMPARE(m_prompts->messages(),
            QStringList { u"Key file 'stpl00.bin' not found. Make sure the file is in the same directory or contact "
                          u"your software vendor."_s });
        // The steps after the check did not run.
        QVERIFY(w->panel(4)->text().isEmpty());
        QVERIFY(!w->isVisible());
    }

    // Exit from either tab's menu, or the window's close box (shown window), with each answer to
    // the save question.
    void exitAndClose_data() { test::addCaseRows(u"shell/exit.tsv"_s); }
    void exitAndClose()
    {
        QFETCH(QString, how);
        QFETCH(QString, saveDialog);
        QFETCH(QString, edited);
        QFETCH(QString, answer);
        QFETCH(QString, ends);
        const bool edit = test::choice(edited, { "no", "yes" });
        const bool ending = test::choice(ends, { "runs on", "ends" });
        const bool fileChosen = test::choice(saveDialog, { "", "cancelled", "chooses a file" }) == 2;
        auto w = makeWindow();
        if (how == u"close") {
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        }
        if (edit)
            w->table().fa().setText(1, 0, u"Acme"_s);
        if (const int a = test::choice(answer, { "none", "Yes", "No", "Cancel" }))
            m_prompts->answers << std::array { Answer::Yes, Answer::No, Answer::Cancel }[size_t(a - 1)];
        const QString target = test::tempDir() + u"/exit.tsy"_s;
        if (!saveDialog.isEmpty())
            m_prompts->fileNames << (fileChosen ? target : QString());
        QSignalSpy ended(w.get(), &frmMain::ended);

        if (how == u"close")
            QCOMPARE(w->close(), ending);
        else
            named<QAction>(*w, how)->trigger();

        QTEST(kTabs[tab(*w)], "tabAfter");
        QCOMPARE(ended.size(), ending ? 1 : 0);
        QCOMPARE(m_prompts->asked.isEmpty(), !edit);
        if (edit)
            QCOMPARE(m_prompts->asked[0].title, u"Exit"_s);
        // Settings are written only when the program ends.
        QCOMPARE(!Settings::read(u"TOP"_s).isEmpty(), ending);
        QCOMPARE(QFile::exists(target), fileChosen);
        if (!ending) {
            QCOMPARE(w->table().fa().text(1, 0), u"Acme"_s);
            QVERIFY(w->table().changed());
        }
    }

    void exitStoresTheWindowsState()
    {
        {
            auto w = makeWindow();
            named<QAction>(*w, "mnuTabs_2")->trigger();
            named<QAction>(*w, "mnuAlternateColor")->trigger();
            named<QAction>(*w, "mnuViewDropBoxG")->trigger();
            w->move(w->twipsToPixelsX(720), w->twipsToPixelsY(360));
            w->resize(w->twipsToPixelsX(13500), w->twipsToPixelsY(9600));
            w->table().setLastOpenFolder(u"/srv/lists/"_s);
            w->setShowTips(false);
            w->setListIndex(4);
            w->exitCommand();
        }
        QStringList stored;
        for (const auto &[name, text] : ShellSettings::load(programFolder()).exitValues())
            stored << text;
        QCOMPARE(stored.join(u'|'), u"360|720|13500|9600|3570|False|/srv/lists/|False|2|1|4"_s);
    }

    void alternateRowColourFollowsItsEntryAndKey()
    {
        auto w = makeWindow();
        named<QAction>(*w, "mnuAlternateColor")->trigger();
        QCOMPARE(w->table().fa().alternateRowColor(), QColor(Qt::white));
        w->toolbarButton(0, u"AlternateColor"_s)->trigger();
        QVERIFY(ticked(*w, u"mnuAlternateColor"_s));
        QCOMPARE(w->table().fa().alternateRowColor(), QColor(0xC0, 0xFF, 0xC0));
    }

    void appendedRowsAreCountedInTheStatus()
    {
        auto w = makeWindow();
        GridModel more;
        test::fillRows(more, { u"Name"_s, u"Acme"_s, u"Bolt"_s }, 2);
        more.setFixedRows(1);
        m_prompts->fileNames = { test::tempDir() + u"/more.tsy"_s };
        QVERIFY(GridFile::save(more, m_prompts->fileNames[0], FileKind::Native));
        QVERIFY(w->fileCommands().append());
        QCOMPARE(w->panel(5)->text(), u"2 Sel"_s);
    }

    // A table named on the command line, as the desktop entry passes it with %f: a native table by
    // its full path, a comma table named from the working folder.
    void opensTheTableNamedOnTheCommandLine()
    {
        const QString dir = test::tempDir();
        QVERIFY(QDir::setCurrent(dir));
        for (const QString &name : QStringList { dir + u"/list.tsy"_s, u"list.csv"_s }) {
            GridModel table;
            test::fillRows(table, { u"Name|Street"_s, u"Acme Plumbing|"_s });
            QVERIFY(GridFile::save(table, QDir(dir).absoluteFilePath(name), GridFile::kindForPath(name)));
            auto w = makeWindow();
            QVERIFY(w->openArguments({ name, u"ignored.tsy"_s }));
            QCOMPARE(w->table().currentFile(), QDir(dir).absoluteFilePath(name));
            QCOMPARE(w->table().fa().text(1, 0), u"Acme Plumbing"_s);
            QCOMPARE(tab(*w), int(frmMain::kTabResults));
        }
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
