#include "app/shell/frmmain.h"
#include "core/table/filecommands.h"
#include "core/grid/gridfile.h"
#include "core/shell/programfolder.h"
#include "core/shell/settings.h"
#include "core/shell/shellsettings.h"
#include "core/table/recordtable.h"
#include "support/testsupport.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include <memory>

using namespace dq;
using dq::test::named;
using namespace Qt::StringLiterals;
using Answer = UserPrompts::Answer;

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

    static QString text(const frmMain &w, int panel) { return w.panel(panel)->text(); }

    static void writeSettings(const QStringList &pairs)
    {
        for (const QString &pair : pairs)
            Settings::write(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    }

private slots:
    void init()
    {
        m_home = test::tempDir();
        qputenv("DIRQUILL_HOME", m_home.toLocal8Bit());
        qputenv("DIRQUILL_CONFIG_DIR", test::tempDir().toLocal8Bit());
        QFile siteList(m_home + QStringLiteral("/stpl00.bin"));
        QVERIFY(siteList.open(QIODevice::WriteOnly));
        m_prompts = std::make_unique<test::ScriptedPrompts>();
    }

    void cleanup()
    {
        QCOMPARE(m_prompts->unexpected, 0);
        m_prompts.reset();
    }

    void firstRunUsesEveryDefault()
    {
        auto w = makeWindow();
        QVERIFY(m_prompts->asked.isEmpty());
        QCOMPARE(w->pos(), QPoint(0, 0));
        QCOMPARE(w->size(), QSize(w->twipsToPixelsX(12000), w->twipsToPixelsY(10000)));
        QCOMPARE(w->vbarLeft(), 3570);
        QVERIFY(named<QAction>(*w, "mnuAlternateColor")->isChecked());
        QCOMPARE(w->table().fa().alternateRowColor(), QColor(0xC0, 0xFF, 0xC0));
        QVERIFY(!named<QAction>(*w, "mnuViewDropBox")->isChecked());
        QVERIFY(!named<QAction>(*w, "mnuViewDropBoxG")->isChecked());
        QCOMPARE(w->table().lastOpenFolder(), programFolder());
        QCOMPARE(named<QTabWidget>(*w, "tabMain")->currentIndex(), 1);
        QVERIFY(named<QAction>(*w, QStringLiteral("mnuTabs_%1").arg(1))->isChecked());
        QCOMPARE(text(*w, 8), QStringLiteral("3.8"));
        QCOMPARE(text(*w, 4), QStringLiteral("US"));
        QCOMPARE(text(*w, 3), QStringLiteral("ROW"));
        QCOMPARE(w->table().fa().rows(), 21);
        QCOMPARE(w->table().fa().cols(), 13);
        QVERIFY(w->table().fresh());
        QVERIFY(!w->table().changed());
        QCOMPARE(w->windowTitle(), QStringLiteral("Dirquill -- Untitled.tsy"));
        QVERIFY(w->showTips());
    }

    void storedSettingsAreApplied()
    {
        writeSettings({ QStringLiteral("TOP=1440"), QStringLiteral("LEFT=2880"), QStringLiteral("WIDTH=14400"),
            QStringLiteral("HEIGHT=10080"), QStringLiteral("VBarLeft=4320"), QStringLiteral("AlternateColor=False"),
            QStringLiteral("AddressBox=1"), QStringLiteral("LastOpenPath=/srv/lists/"),
            QStringLiteral("DefaultTab=0") });
        auto w = makeWindow();
        QCOMPARE(w->pos(), QPoint(w->twipsToPixelsX(2880), w->twipsToPixelsY(1440)));
        QCOMPARE(w->size(), QSize(w->twipsToPixelsX(14400), w->twipsToPixelsY(10080)));
        QCOMPARE(w->vbarLeft(), 4320);
        QVERIFY(!named<QAction>(*w, "mnuAlternateColor")->isChecked());
        QCOMPARE(w->table().fa().alternateRowColor(), QApplication::palette().color(QPalette::Base));
        QVERIFY(named<QAction>(*w, "mnuViewDropBox")->isChecked());
        QVERIFY(named<QAction>(*w, "mnuViewDropBoxG")->isChecked());
        QCOMPARE(w->table().lastOpenFolder(), QStringLiteral("/srv/lists/"));
        QCOMPARE(named<QTabWidget>(*w, "tabMain")->currentIndex(), 0);
        QVERIFY(named<QAction>(*w, QStringLiteral("mnuTabs_%1").arg(0))->isChecked());
        QVERIFY(!named<QAction>(*w, QStringLiteral("mnuTabs_%1").arg(1))->isChecked());
    }

    void aDefaultTabOutOfRangeKeepsTheFirstTab()
    {
        writeSettings({ QStringLiteral("DefaultTab=7") });
        auto w = makeWindow();
        QCOMPARE(named<QTabWidget>(*w, "tabMain")->currentIndex(), 0);
    }

    void aMissingSiteListEndsTheProgram()
    {
        QVERIFY(QFile::remove(m_home + QStringLiteral("/stpl00.bin")));
        m_prompts->answers = { Answer::Ok };
        auto w = makeWindow(false);
        QCOMPARE(m_prompts->asked.size(), 1);
        QCOMPARE(m_prompts->asked.at(0).text,
            QStringLiteral("Key file 'stpl00.bin' not found. Make sure the file is in the same directory or contact "
                           "your software vendor."));
        QCOMPARE(m_prompts->asked.at(0).icon, UserPrompts::Icon::Critical);
        QCOMPARE(m_prompts->asked.at(0).buttons, UserPrompts::Buttons::Ok);
        // The steps after the check did not run.
        QVERIFY(text(*w, 4).isEmpty());
        QVERIFY(!w->isVisible());
    }

    void exitCommand_data()
    {
        QTest::addColumn<bool>("edited");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<bool>("saveDialogChoosesFile");
        QTest::addColumn<bool>("ends");
        QTest::addColumn<bool>("saved");

        QTest::newRow("an unchanged table ends without a question") << false << QList<int> {} << false << true << false;
        QTest::newRow("Cancel keeps the program running with the table as it was")
            << true << QList<int> { int(Answer::Cancel) } << false << false << false;
        QTest::newRow("No ends without saving") << true << QList<int> { int(Answer::No) } << false << true << false;
        QTest::newRow("Yes on the untitled table saves as native, then ends")
            << true << QList<int> { int(Answer::Yes) } << true << true << true;
        QTest::newRow("Yes whose save dialog is cancelled keeps the program running")
            << true << QList<int> { int(Answer::Yes) } << false << false << false;
    }

    void exitCommand()
    {
        QFETCH(bool, edited);
        QFETCH(QList<int>, answers);
        QFETCH(bool, saveDialogChoosesFile);
        QFETCH(bool, ends);
        QFETCH(bool, saved);
        auto w = makeWindow();
        QCOMPARE(named<QTabWidget>(*w, "tabMain")->currentIndex(), 1);
        if (edited)
            w->table().fa().setText(1, 0, QStringLiteral("Acme"));
        for (int a : answers)
            m_prompts->answers << Answer(a);
        const QString target = test::tempDir() + QStringLiteral("/exit.tsy");
        if (edited && answers.value(0) == int(Answer::Yes))
            m_prompts->fileNames << (saveDialogChoosesFile ? target : QString());
        QSignalSpy ended(w.get(), &frmMain::ended);

        named<QAction>(*w, "mnuExit")->trigger();

        QCOMPARE(named<QTabWidget>(*w, "tabMain")->currentIndex(), 0);
        QCOMPARE(ended.size(), ends ? 1 : 0);
        QCOMPARE(m_prompts->asked.isEmpty(), !edited);
        if (edited)
            QCOMPARE(m_prompts->asked.at(0).title, QStringLiteral("Exit"));
        QCOMPARE(!Settings::read(QStringLiteral("TOP")).isEmpty(), ends);
        QCOMPARE(QFile::exists(target), saved);
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

    void closingTheWindow_data()
    {
        QTest::addColumn<bool>("edited");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<int>("tabAfter");
        QTest::newRow("an unchanged table closes and stays on its tab") << false << int(Answer::Ok) << true << 1;
        QTest::newRow("Cancel refuses the close and shows the results") << true << int(Answer::Cancel) << false << 0;
        QTest::newRow("No closes") << true << int(Answer::No) << true << 0;
    }

    void closingTheWindow()
    {
        QFETCH(bool, edited);
        QFETCH(int, answer);
        QFETCH(bool, closes);
        auto w = makeWindow();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        if (edited) {
            w->table().fa().setText(1, 0, QStringLiteral("Acme"));
            m_prompts->answers = { Answer(answer) };
        }
        QSignalSpy ended(w.get(), &frmMain::ended);
        QCOMPARE(w->close(), closes);
        QCOMPARE(w->isVisible(), !closes);
        QCOMPARE(ended.size(), closes ? 1 : 0);
        QTEST(named<QTabWidget>(*w, "tabMain")->currentIndex(), "tabAfter");
    }

    void settingsWrittenAtExitComeBackAtTheNextStart()
    {
        {
            auto w = makeWindow();
            named<QAction>(*w, QStringLiteral("mnuTabs_%1").arg(2))->trigger();
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
        QCOMPARE(s.defaultTab, 2);
        QCOMPARE(s.alternateColor, false);
        QCOMPARE(s.addressBox, 1);
        QCOMPARE(s.left, 720);
        QCOMPARE(s.top, 360);
        QCOMPARE(s.width, 13500);
        QCOMPARE(s.height, 9600);
        QCOMPARE(s.vbarLeft, 3570);
        QCOMPARE(s.lastOpenPath, QStringLiteral("/srv/lists/"));
        QCOMPARE(s.showTips, false);
        QCOMPARE(Settings::read(QStringLiteral("ListIndex")), QStringLiteral("4"));

        auto again = makeWindow();
        QCOMPARE(named<QTabWidget>(*again, "tabMain")->currentIndex(), 2);
        QVERIFY(!named<QAction>(*again, "mnuAlternateColor")->isChecked());
        QVERIFY(named<QAction>(*again, "mnuViewDropBox")->isChecked());
        QCOMPARE(again->pos(), QPoint(again->twipsToPixelsX(720), again->twipsToPixelsY(360)));
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
        QCOMPARE(text(*w, 5), QStringLiteral("2 Sel"));
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
