#include "core/grid/gridfile.h"
#include "core/shell/programfolder.h"
#include "core/table/filecommands.h"
#include "core/table/recordtable.h"
#include "support/gridtext.h"
#include "support/testsupport.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace dq;
using Answer = UserPrompts::Answer;
using Icon = UserPrompts::Icon;

namespace {

// A native file with a title row over the given rows (cells split at "|").
QString writeNative(const QString &path, const QStringList &rows)
{
    GridModel g;
    test::fillRows(g, rows);
    const FileResult written = GridFile::save(g, path, FileKind::Native);
    QTest::qVerify(bool(written), "written", qPrintable(written.errorString), __FILE__, __LINE__);
    return path;
}

QString firstCellOf(const QString &path, FileKind kind = FileKind::Native)
{
    GridModel back;
    return GridFile::load(back, path, kind) ? back.text(1, 0) : QStringLiteral("(unreadable)");
}

} // namespace

class TestFileCommands : public QObject
{
    Q_OBJECT

    QString m_dir;
    std::unique_ptr<RecordTable> m_table;
    std::unique_ptr<test::ScriptedPrompts> m_prompts;
    std::unique_ptr<FileCommands> m_files;

    GridModel &fa() { return m_table->fa(); }
    QString file(const QString &name) const { return m_dir + QLatin1Char('/') + name; }
    const test::ScriptedPrompts::Asked &asked(int i) const { return m_prompts->asked.at(i); }
    // The untitled table with an unsaved edit.
    void edit()
    {
        fa().setText(1, 0, QStringLiteral("Acme"));
        m_table->setChangedDirectly();
    }
    // A table that belongs to a named native file and has unsaved edits.
    void makeNamedChangedTable(const QString &path)
    {
        writeNative(path, { QStringLiteral("Name"), QStringLiteral("Old") });
        m_prompts->fileNames = { path };
        QVERIFY(m_files->open(FileKind::Native));
        m_prompts->asked.clear();
        fa().setText(1, 0, QStringLiteral("Edited"));
        m_table->setChangedDirectly();
    }
    // As above, in a folder that is then removed, so that saving it fails.
    QString makeNamedTableThatCannotBeSaved()
    {
        const QString folder = file(QStringLiteral("gone"));
        QDir().mkpath(folder);
        const QString path = folder + QStringLiteral("/named.tsy");
        makeNamedChangedTable(path);
        QDir(folder).removeRecursively();
        return path;
    }

private slots:
    void init()
    {
        m_dir = test::tempDir();
        qputenv("DIRQUILL_HOME", m_dir.toLocal8Bit());
        m_table = std::make_unique<RecordTable>();
        m_prompts = std::make_unique<test::ScriptedPrompts>();
        m_files = std::make_unique<FileCommands>(*m_table, *m_prompts);
        m_table->setLastOpenFolder(programFolder());
        m_table->buildNewTable();
    }
    void cleanup()
    {
        QCOMPARE(m_prompts->unexpected, 0);
        m_files.reset();
        m_prompts.reset();
        m_table.reset();
    }
    // --- New -------------------------------------------------------------------------------
    void newAsksAboutUnsavedEditsOnly_data()
    {
        QTest::addColumn<bool>("edited");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("goesOn");
        QTest::newRow("an unchanged table is replaced without a question") << false << int(Answer::No) << true;
        QTest::newRow("Cancel keeps everything") << true << int(Answer::Cancel) << false;
        QTest::newRow("No drops the edits") << true << int(Answer::No) << true;
        QTest::newRow("Yes with the save dialog cancelled stops and keeps the table")
            << true << int(Answer::Yes) << false;
    }
    void newAsksAboutUnsavedEditsOnly()
    {
        QFETCH(bool, edited);
        QFETCH(int, answer);
        QFETCH(bool, goesOn);
        fa().setRows(5);
        m_table->MakeModified(false);
        if (edited) {
            edit();
            m_prompts->answers = { Answer(answer) };
            if (Answer(answer) == Answer::Yes)
                m_prompts->fileNames = { QString() };
        }
        QCOMPARE(m_files->newTable(), goesOn);
        QCOMPARE(m_prompts->asked.size(), edited ? 1 + (Answer(answer) == Answer::Yes) : 0);
        if (edited) {
            QCOMPARE(asked(0).title, QStringLiteral("New"));
            QCOMPARE(asked(0).text, QStringLiteral("Changes have been made. Do you want to save the changes?"));
            QCOMPARE(asked(0).buttons, UserPrompts::Buttons::YesNoCancel);
        }
        QCOMPARE(fa().rows(), goesOn ? 21 : 5);
        QCOMPARE(m_table->changed(), !goesOn);
    }
    void newAnsweredYesSavesFirst()
    {
        // The untitled table goes through the native Save As dialog...
        edit();
        const QString target = file(QStringLiteral("kept.tsy"));
        m_prompts->answers = { Answer::Yes };
        m_prompts->fileNames = { target };
        QVERIFY(m_files->newTable());
        QCOMPARE(asked(1).kind, QStringLiteral("save"));
        QCOMPARE(asked(1).filters, QStringLiteral("Tessary Files (*.tsy)"));
        QCOMPARE(asked(1).text, m_table->lastOpenFolder());
        QCOMPARE(firstCellOf(target), QStringLiteral("Acme"));
        QVERIFY(m_table->isUntitled() && fa().text(1, 0).isEmpty());

        // ...a named file is saved without one.
        const QString path = file(QStringLiteral("named.tsy"));
        makeNamedChangedTable(path);
        m_prompts->answers = { Answer::Yes };
        QVERIFY(m_files->newTable());
        QCOMPARE(m_prompts->asked.size(), 1);
        QCOMPARE(firstCellOf(path), QStringLiteral("Edited"));
    }
    void newWhoseSaveFailsStopsWithAMessage()
    {
        const QString path = makeNamedTableThatCannotBeSaved();
        m_prompts->answers = { Answer::Yes, Answer::Ok };
        QVERIFY(!m_files->newTable());
        QCOMPARE(m_prompts->asked.size(), 2);
        QVERIFY2(asked(1).text.contains(QStringLiteral("named.tsy")), qPrintable(asked(1).text));
        QCOMPARE(fa().text(1, 0), QStringLiteral("Edited"));
        QVERIFY(m_table->changed());
        QCOMPARE(m_table->currentFile(), path);
    }
    // --- Open ------------------------------------------------------------------------------
    void openDialogOfAPatternOrCancelledChangesNothing_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("filters");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("native, cancelled")
            << int(FileKind::Native) << "Tessary Files (*.tsy);;All Files (*.*)" << QString();
        QTest::newRow("comma text, the comma pattern")
            << int(FileKind::Comma) << "Comma Delimited Files (*.csv);;All Files (*.*)" << QStringLiteral("*.csv");
        QTest::newRow("tab text, the all-files pattern in a folder")
            << int(FileKind::Tab) << "Tab Delimited Files (*.txt);;All Files (*.*)" << QStringLiteral("/srv/*.*");
        QTest::newRow("native, the native pattern")
            << int(FileKind::Native) << "Tessary Files (*.tsy);;All Files (*.*)" << QStringLiteral("*.tsy");
    }
    void openDialogOfAPatternOrCancelledChangesNothing()
    {
        QFETCH(int, kind);
        QFETCH(QString, chosen);
        fa().setText(2, 2, QStringLiteral("kept"));
        m_table->MakeModified(false);
        m_table->setLastOpenFolder(QStringLiteral("/srv/lists/"));
        m_prompts->fileNames = { chosen };
        QVERIFY(!m_files->open(FileKind(kind)));
        QCOMPARE(m_prompts->asked.size(), 1);
        QCOMPARE(asked(0).kind, QStringLiteral("open"));
        QCOMPARE(asked(0).text, QStringLiteral("/srv/lists/"));
        QTEST(asked(0).filters, "filters");
        QCOMPARE(fa().text(2, 2), QStringLiteral("kept"));
        QVERIFY(m_table->isUntitled() && m_table->fresh());
    }
    void openAsksAboutUnsavedEditsFirst()
    {
        edit();
        m_prompts->answers = { Answer::No };
        m_prompts->fileNames = { QString() };
        QVERIFY(!m_files->open(FileKind::Native));
        QCOMPARE(asked(0).title, QStringLiteral("Open File"));
        QCOMPARE(asked(1).kind, QStringLiteral("open"));

        m_prompts->asked.clear();
        m_prompts->answers = { Answer::Cancel }; // cancels Open itself: no dialog
        QVERIFY(!m_files->open(FileKind::Native));
        QCOMPARE(m_prompts->asked.size(), 1);
        QCOMPARE(fa().text(1, 0), QStringLiteral("Acme"));
        QVERIFY(m_table->changed());
    }
    void openOfACommaFileMakesItsFirstLineTheTitles()
    {
        const QString sub = file(QStringLiteral("in"));
        QDir().mkpath(sub);
        const QString path = test::writeBytes(
            sub + QStringLiteral("/dentists.csv"), "Name,Phone\r\n\"Smith, Jones & Co\",555-0100\r\nAcme,555-0199\r\n");
        m_prompts->fileNames = { path };
        QSignalSpy opened(m_files.get(), &FileCommands::opened);
        QVERIFY(m_files->open(FileKind::Comma));
        QCOMPARE(test::rowsOf(fa()), test::texts({ "Name|Phone", "Smith, Jones & Co|555-0100", "Acme|555-0199" }));
        QCOMPARE(fa().fixedRows(), 1);
        QCOMPARE(m_table->currentFile(), path);
        QCOMPARE(m_table->currentKind(), FileKind::Comma);
        QCOMPARE(m_table->lastOpenFolder(), sub + QLatin1Char('/'));
        QCOMPARE(m_table->caption(), QStringLiteral("Dirquill -- ") + path);
        QVERIFY(!m_table->fresh() && !m_table->changed() && !m_table->saveEnabled());
        QCOMPARE(opened.size(), 1);
    }
    void openOfAMissingOrBrokenFileLeavesTheTable_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty = no file at all
        QTest::newRow("a file that is not there") << QByteArray();
        QTest::newRow("a native file that is not a grid") << QByteArray("this is not a grid file\n");
    }
    void openOfAMissingOrBrokenFileLeavesTheTable()
    {
        QFETCH(QByteArray, content);
        const QString path = file(QStringLiteral("broken.tsy"));
        if (!content.isEmpty())
            test::writeBytes(path, content);
        edit();
        m_prompts->answers = { Answer::No, Answer::Ok };
        m_prompts->fileNames = { path };
        QVERIFY(!m_files->open(FileKind::Native));
        QCOMPARE(m_prompts->asked.size(), 3);
        QVERIFY2(asked(2).text.contains(QStringLiteral("broken.tsy")), qPrintable(asked(2).text));
        QCOMPARE(fa().text(1, 0), QStringLiteral("Acme"));
        QCOMPARE(fa().rows(), 21);
        QVERIFY(m_table->changed() && m_table->fresh());
        QCOMPARE(m_table->caption(), QStringLiteral("Dirquill -- Untitled.tsy"));
    }
    void openFileByNameAsksOnlyAboutUnsavedChanges_data()
    {
        QTest::addColumn<bool>("edited");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("opens");
        QTest::newRow("an unchanged table is replaced without a question") << false << 0 << true;
        QTest::newRow("edits answered No are dropped and the file opens") << true << int(Answer::No) << true;
        QTest::newRow("edits answered Cancel keep the table") << true << int(Answer::Cancel) << false;
    }
    void openFileByNameAsksOnlyAboutUnsavedChanges()
    {
        QFETCH(bool, edited);
        QFETCH(int, answer);
        QFETCH(bool, opens);
        const QString path = writeNative(file(QStringLiteral("plumbers.tsy")), test::texts({ "Name", "Harbor" }));
        if (edited) {
            edit();
            m_prompts->answers = { Answer(answer) };
        }
        QCOMPARE(m_files->openFile(path, FileKind::Native), opens);
        QCOMPARE(m_prompts->asked.size(), edited ? 1 : 0); // never the Open dialog
        QCOMPARE(fa().text(1, 0), opens ? QStringLiteral("Harbor") : QStringLiteral("Acme"));
        QCOMPARE(m_table->isUntitled(), !opens);
    }
    // --- Save ------------------------------------------------------------------------------
    void saveOfATabFileWritesTabTextAndShowsTheHint()
    {
        const QString path = test::writeBytes(file(QStringLiteral("list.txt")), "Name\tCity\nAcme\tAlbany\n");
        m_prompts->fileNames = { path };
        QVERIFY(m_files->open(FileKind::Tab));
        fa().setText(1, 1, QStringLiteral("Troy"));
        m_table->markChangedByCommand();
        m_prompts->answers = { Answer::Ok };
        QVERIFY(m_files->save());
        QCOMPARE(m_prompts->messages(),
            QStringList { QStringLiteral("Use 'Save As...' Tessary(*.tsy) from the 'File' menu if you want to save "
                                         "data as a RichText Tessary file format.") });
        QCOMPARE(m_prompts->asked.last().title, QStringLiteral("Save"));
        QCOMPARE(m_prompts->asked.last().icon, Icon::Information);
        QCOMPARE(test::readBytes(path), QByteArray("Name\tCity\r\nAcme\tTroy\r\n"));
        QVERIFY(!m_table->changed() && !m_table->saveEnabled());
        QCOMPARE(m_table->currentKind(), FileKind::Tab);
    }
    void saveOfTheUntitledTable_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("untitledHolds");
        QTest::newRow("the first save writes Untitled into the program folder without a question")
            << false << 0 << "After";
        QTest::newRow("over an existing Untitled file, Yes overwrites it") << true << int(Answer::Yes) << "After";
        QTest::newRow("over an existing Untitled file, No leads to Save As native")
            << true << int(Answer::No) << "Before";
    }
    void saveOfTheUntitledTable()
    {
        QFETCH(bool, exists);
        QFETCH(int, answer);
        const QString untitled = programFolder() + QStringLiteral("Untitled.tsy");
        const QString other = file(QStringLiteral("other.tsy"));
        if (exists) {
            writeNative(untitled, test::texts({ "Name", "Before" }));
            m_prompts->answers = { Answer(answer) };
            if (Answer(answer) == Answer::No)
                m_prompts->fileNames = { other };
        }
        fa().setText(1, 0, QStringLiteral("After"));
        QVERIFY(m_files->save());
        if (exists) {
            QCOMPARE(asked(0).title, QStringLiteral("Save"));
            QCOMPARE(asked(0).text, QStringLiteral("Do you want to overwrite ") + untitled + QStringLiteral("?"));
            QCOMPARE(asked(0).buttons, UserPrompts::Buttons::YesNo);
        } else {
            QVERIFY(m_prompts->asked.isEmpty());
        }
        QTEST(firstCellOf(untitled), "untitledHolds");
        QCOMPARE(m_table->currentFile(), Answer(answer) == Answer::No ? other : untitled);
        QVERIFY(!m_table->changed());
    }
    void aFailedSaveKeepsTheChangedFlagAndNamesTheFile()
    {
        makeNamedTableThatCannotBeSaved();
        m_table->MakeModified(true);
        m_prompts->answers = { Answer::Ok };
        QVERIFY(!m_files->save());
        QCOMPARE(m_prompts->asked.size(), 1);
        QCOMPARE(asked(0).icon, Icon::Warning);
        QVERIFY(asked(0).text.contains(QStringLiteral("named.tsy")));
        QVERIFY(m_table->changed() && m_table->saveEnabled());
    }
    // --- Save As ---------------------------------------------------------------------------
    void saveAsPerKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("filters");
        QTest::addColumn<bool>("becomesCurrent");
        QTest::newRow("native becomes the current file") << int(FileKind::Native) << "copy.tsy"
                                                         << "Tessary Files (*.tsy)" << true;
        QTest::newRow("comma text is a copy; the current file stays") << int(FileKind::Comma) << "copy.csv"
                                                                      << "Comma Delimited Text Files (*.csv)" << false;
        QTest::newRow("tab text is a copy; the current file stays") << int(FileKind::Tab) << "copy.txt"
                                                                    << "Tab Delimited Text Files (*.txt)" << false;
        QTest::newRow("cancelled changes nothing") << int(FileKind::Comma) << ""
                                                   << "Comma Delimited Text Files (*.csv)" << false;
    }
    void saveAsPerKind()
    {
        QFETCH(int, kind);
        QFETCH(QString, name);
        QFETCH(bool, becomesCurrent);
        const QString original = file(QStringLiteral("original.tsy"));
        makeNamedChangedTable(original);
        m_table->MakeModified(true);
        const QString target = name.isEmpty() ? QString() : file(name);
        m_prompts->fileNames = { target };
        QCOMPARE(m_files->saveAs(FileKind(kind)), !name.isEmpty());
        QCOMPARE(asked(0).kind, QStringLiteral("save"));
        QCOMPARE(asked(0).text, m_table->lastOpenFolder());
        QTEST(asked(0).filters, "filters");
        QCOMPARE(m_table->caption(), QStringLiteral("Dirquill -- ") + (target.isEmpty() ? original : target));
        QCOMPARE(m_table->currentFile(), becomesCurrent ? target : original);
        QCOMPARE(m_table->currentKind(), FileKind::Native);
        QCOMPARE(m_table->changed(), name.isEmpty());
        QCOMPARE(m_table->saveEnabled(), name.isEmpty());
        if (!name.isEmpty())
            QCOMPARE(firstCellOf(target, FileKind(kind)), QStringLiteral("Edited"));
    }
    // --- Append ----------------------------------------------------------------------------
    void appendTakesOnlyGridFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("a comma file is refused") << "list.csv" << false;
        QTest::newRow("a name without extension is refused") << "list" << false;
        QTest::newRow("an upper-case native name is accepted") << "LIST.TSY" << true;
        QTest::newRow("an old grid file is accepted") << "list.qmf" << true;
    }
    void appendTakesOnlyGridFiles()
    {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        QGuiApplication::clipboard()->setText(QStringLiteral("the user's own text"));
        m_prompts->fileNames = { writeNative(file(name), test::texts({ "Name", "Acme" })) };
        if (!accepted)
            m_prompts->answers = { Answer::Ok };
        QCOMPARE(m_files->append(), accepted);
        QCOMPARE(fa().rows(), accepted ? 22 : 21);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("the user's own text"));
        if (accepted) {
            QCOMPARE(fa().text(21, 0), QStringLiteral("Acme"));
            return;
        }
        QCOMPARE(asked(1).title, QStringLiteral("Open"));
        QCOMPARE(asked(1).icon, Icon::Warning);
        QCOMPARE(asked(1).text,
            QStringLiteral("You can only select the reconizable file types. Plaese select the correct file type from "
                           "the 'File of Types' list box in the Open Dialog and reopen again."));
    }
    void appendOfAWiderFileWidensAndFillsOnlyEmptyTitles()
    {
        QStringList titles, row;
        for (int c = 1; c <= 15; ++c) {
            titles << QStringLiteral("T%1").arg(c);
            row << QStringLiteral("v%1").arg(c);
        }
        m_prompts->fileNames = { writeNative(
            file(QStringLiteral("wide.tsy")), { titles.join(u'|'), row.join(u'|'), QStringLiteral("second") }) };
        QSignalSpy appended(m_files.get(), &FileCommands::appended);
        QVERIFY(m_files->append());
        QCOMPARE(asked(0).filters, QStringLiteral("Grid Files (*.tsy);;Excel Workbooks (*.xlsx)"));
        QCOMPARE(fa().cols(), 15);
        QCOMPARE(fa().rowTexts(0).mid(4, 3), test::texts({ "Zip Code", "Phone", "T7" }));
        QCOMPARE(fa().text(0, 14), QStringLiteral("T15"));
        QCOMPARE(fa().rows(), 23);
        QCOMPARE(fa().rowTexts(21), row);
        QCOMPARE(fa().text(22, 0), QStringLiteral("second"));
        QCOMPARE(fa().selection(), (GridRange { 21, 0, 22, 14 }));
        QCOMPARE(appended.size(), 1);
        QCOMPARE(appended.at(0), (QVariantList { 21, 22 }));
    }
    void appendInRowModeMarksTheNewRows()
    {
        fa().setSelectionMode(GridModel::SelectionMode::ListBox);
        fa().setRowSelected(3, true);
        m_prompts->fileNames
            = { writeNative(file(QStringLiteral("more.tsy")), test::texts({ "Name", "A", "B", "C" })) };
        QVERIFY(m_files->append());
        QCOMPARE(fa().selectedRows(), (std::vector<int> { 21, 22, 23 }));
    }
    void appendMarksChangedByTheRule_data()
    {
        QTest::addColumn<bool>("named");
        QTest::addColumn<bool>("saveEnabled");
        QTest::newRow("into a named file Save becomes available") << true << true;
        QTest::newRow("into the untitled table Save stays off but the table counts as changed") << false << false;
    }
    void appendMarksChangedByTheRule()
    {
        QFETCH(bool, named);
        if (named) {
            makeNamedChangedTable(file(QStringLiteral("base.tsy")));
            m_table->MakeModified(false);
        }
        m_prompts->fileNames = { writeNative(file(QStringLiteral("more.tsy")), test::texts({ "Name", "Acme" })) };
        QVERIFY(m_files->append());
        QVERIFY(m_table->changed());
        QTEST(m_table->saveEnabled(), "saveEnabled");
    }
    void appendOfAnUnreadableOrEmptyFileChangesNothing()
    {
        m_prompts->fileNames = { test::writeBytes(file(QStringLiteral("junk.tsy")), "\x01\x02 not a grid") };
        m_prompts->answers = { Answer::Ok };
        QVERIFY(!m_files->append());
        QVERIFY(asked(1).text.contains(QStringLiteral("junk.tsy")));
        QVERIFY(!m_table->changed());

        m_prompts->fileNames = { writeNative(file(QStringLiteral("empty.tsy")), { QStringLiteral("Name") }) };
        QVERIFY(m_files->append());
        QCOMPARE(fa().rows(), 21);
    }
};

QTEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
