#include "app/shell/frmmain.h"
#include "core/grid/gridfile.h"
#include "core/shell/programfolder.h"
#include "core/shell/settings.h"
#include "core/shell/shellsettings.h"
#include "core/table/filecommands.h"
#include "core/table/recordtable.h"
#include "support/testsupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include <memory>

using namespace dq;
using dq::test::named;
using Answer = UserPrompts::Answer;

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
    static bool ticked(const frmMain &w, const char *name) { return named<QAction>(w, name)->isChecked(); }

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

    void startUpAppliesTheSettings_data()
    {
        QTest::addColumn<QStringList>("stored"); // name=value pairs
        QTest::addColumn<QList<int>>("geometry"); // left, top, width, height in twips
        QTest::addColumn<int>("vbarLeft");
        QTest::addColumn<bool>("alternate");
        QTest::addColumn<bool>("addressBox");
        QTest::addColumn<QString>("folder"); // empty: the program folder
        QTest::addColumn<int>("tab");
        QTest::addColumn<int>("tickedTab"); // the Default Tab entry ticked
        QTest::newRow("a first run uses every default")
            << QStringList {} << QList<int> { 0, 0, 12000, 10000 } << 3570 << true << false << QString() << 1 << 1;
        QTest::newRow("stored settings are applied") << QStringList { QStringLiteral("TOP=1440"),
            QStringLiteral("LEFT=2880"), QStringLiteral("WIDTH=14400"), QStringLiteral("HEIGHT=10080"),
            QStringLiteral("VBarLeft=4320"), QStringLiteral("AlternateColor=False"), QStringLiteral("AddressBox=1"),
            QStringLiteral("LastOpenPath=/srv/lists/"), QStringLiteral("DefaultTab=0") }
                                                     << QList<int> { 2880, 1440, 14400, 10080 } << 4320 << false << true
                                                     << QStringLiteral("/srv/lists/") << 0 << 0;
        QTest::newRow("a default tab out of range keeps the first tab")
            << QStringList { QStringLiteral("DefaultTab=7") } << QList<int> { 0, 0, 12000, 10000 } << 3570 << true
            << false << QString() << 0 << 1;
    }
    void startUpAppliesTheSettings()
    {
        QFETCH(QStringList, stored);
        QFETCH(QList<int>, geometry);
        QFETCH(bool, alternate);
        QFETCH(bool, addressBox);
        QFETCH(QString, folder);
        QFETCH(int, tab);
        QFETCH(int, tickedTab);
        for (const QString &pair : stored)
            Settings::write(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
        auto w = makeWindow();
        QVERIFY(m_prompts->asked.isEmpty());
        QCOMPARE(w->pos(), QPoint(w->twipsToPixelsX(geometry[0]), w->twipsToPixelsY(geometry[1])));
        QCOMPARE(w->size(), QSize(w->twipsToPixelsX(geometry[2]), w->twipsToPixelsY(geometry[3])));
        QTEST(w->vbarLeft(), "vbarLeft");
        QCOMPARE(ticked(*w, "mnuAlternateColor"), alternate);
        QCOMPARE(w->table().fa().alternateRowColor(),
            alternate ? QColor(0xC0, 0xFF, 0xC0) : QApplication::palette().color(QPalette::Base));
        QCOMPARE(ticked(*w, "mnuViewDropBox"), addressBox);
        QCOMPARE(ticked(*w, "mnuViewDropBoxG"), addressBox);
        QCOMPARE(w->table().lastOpenFolder(), folder.isEmpty() ? programFolder() : folder);
        QCOMPARE(this->tab(*w), tab);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(named<QAction>(*w, QStringLiteral("mnuTabs_%1").arg(i))->isChecked(), i == tickedTab);
        // Whatever the settings, the status row and title start the same.
        QCOMPARE(w->panel(8)->text(), QStringLiteral("3.8"));
        QCOMPARE(w->panel(4)->text(), QStringLiteral("US"));
        QCOMPARE(w->panel(3)->text(), QStringLiteral("ROW"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Dirquill -- Untitled.tsy"));
    }

    void aMissingSiteListEndsTheProgram()
    {
        QVERIFY(QFile::remove(m_home + QStringLiteral("/stpl00.bin")));
        m_prompts->answers = { Answer::Ok };
        auto w = makeWindow(false);
        QCOMPARE(m_prompts->asked.size(), 1);
        QCOMPARE(m_prompts->asked[0].text,
            QStringLiteral("Key file 'stpl00.bin' not found. Make sure the file is in the same directory or contact "
                           "your software vendor."));
        QCOMPARE(m_prompts->asked[0].icon, UserPrompts::Icon::Critical);
        // The steps after the check did not run.
        QVERIFY(w->panel(4)->text().isEmpty());
        QVERIFY(!w->isVisible());
    }

    // Exit from the menu, or the window's close box (shown window), with each answer to the save question.
    void exitAndClose_data()
    {
        QTest::addColumn<bool>("viaClose");
        QTest::addColumn<bool>("edited");
        QTest::addColumn<int>("answer"); // -1: no question
        QTest::addColumn<bool>("saveDialogChoosesFile");
        QTest::addColumn<bool>("ends");
        QTest::addColumn<int>("tabAfter");
        QTest::newRow("Exit on an unchanged table ends without a question")
            << false << false << -1 << false << true << 0;
        QTest::newRow("Cancel keeps the program running with the table as it was")
            << false << true << int(Answer::Cancel) << false << false << 0;
        QTest::newRow("No ends without saving") << false << true << int(Answer::No) << false << true << 0;
        QTest::newRow("Yes on the untitled table saves as native, then ends")
            << false << true << int(Answer::Yes) << true << true << 0;
        QTest::newRow("Yes whose save dialog is cancelled keeps the program running")
            << false << true << int(Answer::Yes) << false << false << 0;
        QTest::newRow("closing with an unchanged table stays on its tab") << true << false << -1 << false << true << 1;
        QTest::newRow("Cancel refuses the close and shows the results")
            << true << true << int(Answer::Cancel) << false << false << 0;
        QTest::newRow("No closes") << true << true << int(Answer::No) << false << true << 0;
    }
    void exitAndClose()
    {
        QFETCH(bool, viaClose);
        QFETCH(bool, edited);
        QFETCH(int, answer);
        QFETCH(bool, saveDialogChoosesFile);
        QFETCH(bool, ends);
        auto w = makeWindow();
        if (viaClose) {
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        }
        if (edited)
            w->table().fa().setText(1, 0, QStringLiteral("Acme"));
        if (answer >= 0)
            m_prompts->answers << Answer(answer);
        const QString target = test::tempDir() + QStringLiteral("/exit.tsy");
        if (answer == int(Answer::Yes))
            m_prompts->fileNames << (saveDialogChoosesFile ? target : QString());
        QSignalSpy ended(w.get(), &frmMain::ended);

        if (viaClose)
            QCOMPARE(w->close(), ends);
        else
            named<QAction>(*w, "mnuExit")->trigger();

        QTEST(tab(*w), "tabAfter");
        QCOMPARE(ended.size(), ends ? 1 : 0);
        QCOMPARE(m_prompts->asked.isEmpty(), !edited);
        if (edited)
            QCOMPARE(m_prompts->asked[0].title, QStringLiteral("Exit"));
        // Settings are written only when the program ends.
        QCOMPARE(!Settings::read(QStringLiteral("TOP")).isEmpty(), ends);
        QCOMPARE(QFile::exists(target), saveDialogChoosesFile);
        if (!ends) {
            QCOMPARE(w->table().fa().text(1, 0), QStringLiteral("Acme"));
            QVERIFY(w->table().changed());
        }
    }

    void theSearchTabsExitRunsTheSameCommand()
    {
        auto w = makeWindow();
        QSignalSpy ended(w.get(), &frmMain::ended);
        named<QAction>(*w, "mnuFileBexit")->trigger();
        QCOMPARE(ended.size(), 1);
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
            w->table().setLastOpenFolder(QStringLiteral("/srv/lists/"));
            w->setShowTips(false);
            w->setListIndex(4);
            w->exitCommand();
        }
        const ShellSettings s = ShellSettings::load(programFolder());
        QCOMPARE((QList<int> { s.left, s.top, s.width, s.height, s.vbarLeft, s.defaultTab, s.addressBox }),
            (QList<int> { 720, 360, 13500, 9600, 3570, 2, 1 }));
        QCOMPARE(s.alternateColor, false);
        QCOMPARE(s.lastOpenPath, QStringLiteral("/srv/lists/"));
        QCOMPARE(s.showTips, false);
        QCOMPARE(Settings::read(QStringLiteral("ListIndex")), QStringLiteral("4"));
    }

    void alternateRowColourMenuTogglesTheColour()
    {
        auto w = makeWindow();
        named<QAction>(*w, "mnuAlternateColor")->trigger();
        QCOMPARE(w->table().fa().alternateRowColor(), QColor(Qt::white));
        named<QAction>(*w, "mnuAlternateColor")->trigger();
        QCOMPARE(w->table().fa().alternateRowColor(), QColor(0xC0, 0xFF, 0xC0));
    }

    void appendedRowsAreCountedInTheStatus()
    {
        auto w = makeWindow();
        const QString path = test::tempDir() + QStringLiteral("/more.tsy");
        GridModel more;
        more.setCols(2);
        more.setRows(3);
        more.setFixedRows(1);
        more.setText(1, 0, QStringLiteral("Acme"));
        more.setText(2, 0, QStringLiteral("Bolt"));
        QVERIFY(GridFile::save(more, path, FileKind::Native));
        m_prompts->fileNames = { path };
        QVERIFY(w->fileCommands().append());
        QCOMPARE(w->panel(5)->text(), QStringLiteral("2 Sel"));
    }

    // A table named on the command line, as the desktop entry passes it with %f.
    void opensTheTableNamedOnTheCommandLine_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("relative");
        QTest::newRow("a native table by its full path") << QStringLiteral("list.tsy") << false;
        QTest::newRow("a comma table named from the working folder") << QStringLiteral("list.csv") << true;
    }
    void opensTheTableNamedOnTheCommandLine()
    {
        QFETCH(QString, name);
        QFETCH(bool, relative);
        const QString dir = test::tempDir();
        GridModel table;
        table.setRows(2);
        table.setCols(2);
        table.setText(1, 0, QStringLiteral("Acme Plumbing"));
        QVERIFY(GridFile::save(table, dir + u'/' + name, GridFile::kindForPath(name)));
        QVERIFY(QDir::setCurrent(dir));
        auto w = makeWindow();
        QVERIFY(w->openArguments({ relative ? name : dir + u'/' + name, QStringLiteral("ignored.tsy") }));
        QCOMPARE(w->table().currentFile(), QDir(dir).absoluteFilePath(name));
        QCOMPARE(w->table().fa().text(1, 0), QStringLiteral("Acme Plumbing"));
        QCOMPARE(tab(*w), int(frmMain::kTabResults));
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
