#include "core/grid/gridfile.h"
#include "core/shell/programfolder.h"
#include "core/table/filecommands.h"
#include "core/table/recordtable.h"
#include "support/testsupport.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace dq;
using Answer = UserPrompts::Answer;
using Icon = UserPrompts::Icon;

namespace {

const QString kSaveChanges = QStringLiteral("Changes have been made. Do you want to save the changes?");

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    f.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A native file with a title row and the given data rows.
QString writeNative(const QString &path, const QStringList &titles, const QList<QStringList> &rows)
{
    GridModel g;
    g.setCols(int(titles.size()));
    g.setRows(int(rows.size()) + 1);
    g.setFixedRows(1);
    for (int c = 0; c < titles.size(); ++c)
        g.setText(0, c, titles.at(c));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows.at(r).size(); ++c)
            g.setText(r + 1, c, rows.at(r).at(c));
    const FileResult written = GridFile::save(g, path, FileKind::Native);
    QTest::qVerify(bool(written), "written", qPrintable(written.errorString), __FILE__, __LINE__);
    return path;
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
    // A table that belongs to a named native file and has unsaved edits.
    void makeNamedChangedTable(const QString &path)
    {
        writeNative(path, { QStringLiteral("Name") }, { { QStringLiteral("Old") } });
        m_prompts->fileNames = { path };
        QVERIFY(m_files->open(FileKind::Native));
        m_prompts->asked.clear();
        fa().setText(1, 0, QStringLiteral("Edited"));
        m_table->setChangedDirectly();
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
    void newOnAnUnchangedTableAsksNothing()
    {
        fa().setRows(5);
        m_table->MakeModified(false);
        QVERIFY(m_files->newTable());
        QVERIFY(m_prompts->asked.isEmpty());
        QCOMPARE(fa().rows(), 21);
    }
    void newWithUnsavedEditsAsksFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("goesOn");
        QTest::newRow("Cancel keeps everything") << int(Answer::Cancel) << false;
        QTest::newRow("No drops the edits") << int(Answer::No) << true;
        QTest::newRow("Yes with the save dialog cancelled stops and keeps the table") << int(Answer::Yes) << false;
    }
    void newWithUnsavedEditsAsksFirst()
    {
        QFETCH(int, answer);
        QFETCH(bool, goesOn);
        fa().setText(1, 0, QStringLiteral("Acme"));
        m_prompts->answers = { Answer(answer) };
        m_prompts->fileNames = { QString() };
        QCOMPARE(m_files->newTable(), goesOn);
        QCOMPARE(m_prompts->asked.at(0).title, QStringLiteral("New"));
        QCOMPARE(m_prompts->asked.at(0).text, kSaveChanges);
        QCOMPARE(m_prompts->asked.at(0).icon, Icon::Question);
        QCOMPARE(m_prompts->asked.at(0).buttons, UserPrompts::Buttons::YesNoCancel);
        QCOMPARE(fa().text(1, 0), goesOn ? QString() : QStringLiteral("Acme"));
        QCOMPARE(m_table->changed(), !goesOn);
    }
    void newAnsweredYesOnTheUntitledTableSavesAsNative()
    {
        fa().setText(1, 0, QStringLiteral("Acme"));
        const QString target = file(QStringLiteral("kept.tsy"));
        m_prompts->answers = { Answer::Yes };
        m_prompts->fileNames = { target };
        QVERIFY(m_files->newTable());
        QCOMPARE(m_prompts->asked.at(1).kind, QStringLiteral("save"));
        QCOMPARE(m_prompts->asked.at(1).filters, QStringLiteral("Tessary Files (*.tsy)"));
        QCOMPARE(m_prompts->asked.at(1).text, m_table->lastOpenFolder());
        GridModel back;
        QVERIFY(GridFile::load(back, target, FileKind::Native));
        QCOMPARE(back.text(1, 0), QStringLiteral("Acme"));
        QVERIFY(m_table->isUntitled());
        QVERIFY(fa().text(1, 0).isEmpty());
    }
    void newAnsweredYesOnANamedFileSavesItSilently()
    {
        const QString path = file(QStringLiteral("named.tsy"));
        makeNamedChangedTable(path);
        m_prompts->answers = { Answer::Yes };
        QVERIFY(m_files->newTable());
        QCOMPARE(m_prompts->asked.size(), 1);
        GridModel back;
        QVERIFY(GridFile::load(back, path, FileKind::Native));
        QCOMPARE(back.text(1, 0), QStringLiteral("Edited"));
    }
    void newWhoseSaveFailsStopsWithAMessage()
    {
        const QString folder = file(QStringLiteral("gone"));
        QDir().mkpath(folder);
        const QString path = folder + QStringLiteral("/named.tsy");
        makeNamedChangedTable(path);
        QVERIFY(QDir(folder).removeRecursively());
        m_prompts->answers = { Answer::Yes, Answer::Ok };
        QVERIFY(!m_files->newTable());
        QCOMPARE(m_prompts->asked.size(), 2);
        QVERIFY2(
            m_prompts->asked.at(1).text.contains(QStringLiteral("named.tsy")), qPrintable(m_prompts->asked.at(1).text));
        QCOMPARE(fa().text(1, 0), QStringLiteral("Edited"));
        QVERIFY(m_table->changed());
        QCOMPARE(m_table->currentFile(), path);
    }
    // --- Open ------------------------------------------------------------------------------
    void openDialogPerKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("filters");
        QTest::newRow("native") << int(FileKind::Native) << "Tessary Files (*.tsy);;All Files (*.*)";
        QTest::newRow("comma text") << int(FileKind::Comma) << "Comma Delimited Files (*.csv);;All Files (*.*)";
        QTest::newRow("tab text") << int(FileKind::Tab) << "Tab Delimited Files (*.txt);;All Files (*.*)";
    }
    void openDialogPerKind()
    {
        QFETCH(int, kind);
        m_table->setLastOpenFolder(QStringLiteral("/srv/lists/"));
        m_prompts->fileNames = { QString() };
        QVERIFY(!m_files->open(FileKind(kind)));
        QCOMPARE(m_prompts->asked.size(), 1);
        QCOMPARE(m_prompts->asked.at(0).kind, QStringLiteral("open"));
        QCOMPARE(m_prompts->asked.at(0).text, QStringLiteral("/srv/lists/"));
        QTEST(m_prompts->asked.at(0).filters, "filters");
    }
    void openOfAPatternChangesNothing_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::newRow("the dialog was cancelled") << QString();
        QTest::newRow("the native pattern") << QStringLiteral("*.tsy");
        QTest::newRow("the all-files pattern in a folder") << QStringLiteral("/srv/lists/*.*");
        QTest::newRow("the comma pattern") << QStringLiteral("*.csv");
        QTest::newRow("the tab pattern") << QStringLiteral("*.txt");
    }
    void openOfAPatternChangesNothing()
    {
        QFETCH(QString, chosen);
        fa().setText(2, 2, QStringLiteral("kept"));
        m_table->MakeModified(false);
        m_prompts->fileNames = { chosen };
        QVERIFY(!m_files->open(FileKind::Native));
        QCOMPARE(fa().text(2, 2), QStringLiteral("kept"));
        QVERIFY(m_table->isUntitled());
        QVERIFY(m_table->fresh());
    }
    void openAnsweredNoGoesOnToTheDialog()
    {
        fa().setText(1, 0, QStringLiteral("Acme"));
        m_prompts->answers = { Answer::No };
        m_prompts->fileNames = { QString() };
        QVERIFY(!m_files->open(FileKind::Native));
        QCOMPARE(m_prompts->asked.at(0).title, QStringLiteral("Open File"));
        QCOMPARE(m_prompts->asked.at(1).kind, QStringLiteral("open"));
    }
    void openAnsweredCancelCancelsOpen()
    {
        fa().setText(1, 0, QStringLiteral("Acme"));
        m_prompts->answers = { Answer::Cancel };
        QVERIFY(!m_files->open(FileKind::Native));
        QCOMPARE(m_prompts->asked.size(), 1);
        QCOMPARE(fa().text(1, 0), QStringLiteral("Acme"));
        QVERIFY(m_table->changed());
    }
    void openOfACommaFileMakesItsFirstLineTheTitles()
    {
        const QString sub = file(QStringLiteral("in"));
        QDir().mkpath(sub);
        const QString path = sub + QStringLiteral("/dentists.csv");
        writeFile(path, "Name,Phone\r\n\"Smith, Jones & Co\",555-0100\r\nAcme,555-0199\r\n");
        m_prompts->fileNames = { path };
        QSignalSpy opened(m_files.get(), &FileCommands::opened);
        QVERIFY(m_files->open(FileKind::Comma));
        QCOMPARE(fa().rows(), 3);
        QCOMPARE(fa().cols(), 2);
        QCOMPARE(fa().fixedRows(), 1);
        QCOMPARE(fa().text(0, 0), QStringLiteral("Name"));
        QCOMPARE(fa().text(1, 0), QStringLiteral("Smith, Jones & Co"));
        QCOMPARE(m_table->currentFile(), path);
        QCOMPARE(m_table->currentKind(), FileKind::Comma);
        QCOMPARE(m_table->lastOpenFolder(), sub + QLatin1Char('/'));
        QCOMPARE(m_table->caption(), QStringLiteral("Dirquill -- ") + path);
        QVERIFY(!m_table->fresh());
        QVERIFY(!m_table->changed());
        QVERIFY(!m_table->saveEnabled());
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
            writeFile(path, content);
        fa().setText(1, 0, QStringLiteral("Acme"));
        m_prompts->answers = { Answer::No, Answer::Ok };
        m_prompts->fileNames = { path };
        QVERIFY(!m_files->open(FileKind::Native));
        QCOMPARE(m_prompts->asked.size(), 3);
        QCOMPARE(m_prompts->asked.at(2).kind, QStringLiteral("message"));
        QVERIFY2(m_prompts->asked.at(2).text.contains(QStringLiteral("broken.tsy")),
            qPrintable(m_prompts->asked.at(2).text));
        QCOMPARE(fa().text(1, 0), QStringLiteral("Acme"));
        QCOMPARE(fa().rows(), 21);
        QVERIFY(m_table->changed());
        QVERIFY(m_table->isUntitled());
        QVERIFY(m_table->fresh());
        QCOMPARE(m_table->caption(), QStringLiteral("Dirquill -- Untitled.tsy"));
    }
    void openFileByNameAsksOnlyAboutUnsavedChanges_data()
    {
        QTest::addColumn<bool>("edited");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<bool>("opens");
        QTest::newRow("an unchanged table is replaced without a question") << false << QList<int> {} << true;
        QTest::newRow("edits answered No are dropped and the file opens")
            << true << QList<int> { int(Answer::No) } << true;
        QTest::newRow("edits answered Cancel keep the table") << true << QList<int> { int(Answer::Cancel) } << false;
    }
    void openFileByNameAsksOnlyAboutUnsavedChanges()
    {
        QFETCH(bool, edited);
        QFETCH(QList<int>, answers);
        QFETCH(bool, opens);
        const QString path = writeNative(file(QStringLiteral("plumbers.tsy")), { QStringLiteral("Name") },
            { { QStringLiteral("Harbor Plumbing") } });
        if (edited) {
            fa().setText(1, 0, QStringLiteral("Acme"));
            m_table->setChangedDirectly();
        }
        for (int a : answers)
            m_prompts->answers << Answer(a);
        QCOMPARE(m_files->openFile(path, FileKind::Native), opens);
        for (const auto &asked : std::as_const(m_prompts->asked))
            QCOMPARE(asked.kind, QStringLiteral("message")); // never the Open dialog
        QCOMPARE(m_prompts->asked.size(), answers.size());
        QCOMPARE(fa().text(1, 0), opens ? QStringLiteral("Harbor Plumbing") : QStringLiteral("Acme"));
        if (opens)
            QCOMPARE(m_table->currentFile(), path);
        QCOMPARE(m_table->isUntitled(), !opens);
    }
    // --- Save ------------------------------------------------------------------------------
    void saveOfATabFileWritesTabTextAndShowsTheHint()
    {
        const QString path = file(QStringLiteral("list.txt"));
        writeFile(path, "Name\tCity\nAcme\tAlbany\n");
        m_prompts->fileNames = { path };
        QVERIFY(m_files->open(FileKind::Tab));
        fa().setText(1, 1, QStringLiteral("Troy"));
        m_table->markChangedByCommand();
        QVERIFY(m_table->saveEnabled());
        m_prompts->answers = { Answer::Ok };
        QVERIFY(m_files->save());
        const QString hint
            = QStringLiteral("Use 'Save As...' Tessary(*.tsy) from the 'File' menu if you want to save data "
                             "as a RichText Tessary file format.");
        QCOMPARE(m_prompts->messages(), QStringList { hint });
        QCOMPARE(m_prompts->asked.last().title, QStringLiteral("Save"));
        QCOMPARE(m_prompts->asked.last().icon, Icon::Information);
        QCOMPARE(readFile(path).replace("\r\n", "\n"), QByteArray("Name\tCity\nAcme\tTroy\n"));
        QVERIFY(!m_table->changed());
        QVERIFY(!m_table->saveEnabled());
        QCOMPARE(m_table->currentKind(), FileKind::Tab);
    }
    void firstSaveOfTheUntitledTableWritesUntitledIntoTheProgramFolder()
    {
        fa().setText(1, 0, QStringLiteral("Acme"));
        QVERIFY(m_files->save());
        QVERIFY(m_prompts->asked.isEmpty());
        GridModel back;
        QVERIFY(GridFile::load(back, programFolder() + QStringLiteral("Untitled.tsy"), FileKind::Native));
        QCOMPARE(back.text(1, 0), QStringLiteral("Acme"));
        QVERIFY(!m_table->changed());
    }
    void saveOverAnExistingUntitledFileAsksFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("overwritten");
        QTest::newRow("Yes overwrites it") << int(Answer::Yes) << true;
        QTest::newRow("No leads to Save As native") << int(Answer::No) << false;
    }
    void saveOverAnExistingUntitledFileAsksFirst()
    {
        QFETCH(int, answer);
        QFETCH(bool, overwritten);
        const QString untitled = programFolder() + QStringLiteral("Untitled.tsy");
        writeNative(untitled, { QStringLiteral("Name") }, { { QStringLiteral("Before") } });
        fa().setText(1, 0, QStringLiteral("After"));
        const QString other = file(QStringLiteral("other.tsy"));
        m_prompts->answers = { Answer(answer) };
        if (!overwritten)
            m_prompts->fileNames = { other };
        QVERIFY(m_files->save());
        QCOMPARE(m_prompts->asked.at(0).title, QStringLiteral("Save"));
        QCOMPARE(
            m_prompts->asked.at(0).text, QStringLiteral("Do you want to overwrite ") + untitled + QStringLiteral("?"));
        QCOMPARE(m_prompts->asked.at(0).buttons, UserPrompts::Buttons::YesNo);
        GridModel back;
        QVERIFY(GridFile::load(back, untitled, FileKind::Native));
        QCOMPARE(back.text(1, 0), overwritten ? QStringLiteral("After") : QStringLiteral("Before"));
        QCOMPARE(m_table->currentFile(), overwritten ? untitled : other);
    }
    void aFailedSaveKeepsTheChangedFlagAndNamesTheFile()
    {
        const QString folder = file(QStringLiteral("vanishing"));
        QDir().mkpath(folder);
        const QString path = folder + QStringLiteral("/named.tsy");
        makeNamedChangedTable(path);
        m_table->MakeModified(true);
        QVERIFY(QDir(folder).removeRecursively());
        m_prompts->answers = { Answer::Ok };
        QVERIFY(!m_files->save());
        QCOMPARE(m_prompts->asked.size(), 1);
        QCOMPARE(m_prompts->asked.at(0).icon, Icon::Warning);
        QVERIFY(m_prompts->asked.at(0).text.contains(QStringLiteral("named.tsy")));
        QVERIFY(m_table->changed());
        QVERIFY(m_table->saveEnabled());
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
    }
    void saveAsPerKind()
    {
        QFETCH(int, kind);
        QFETCH(QString, name);
        QFETCH(bool, becomesCurrent);
        const QString original = file(QStringLiteral("original.tsy"));
        makeNamedChangedTable(original);
        m_table->MakeModified(true);
        const QString target = file(name);
        m_prompts->fileNames = { target };
        QVERIFY(m_files->saveAs(FileKind(kind)));
        QCOMPARE(m_prompts->asked.at(0).kind, QStringLiteral("save"));
        QCOMPARE(m_prompts->asked.at(0).text, m_table->lastOpenFolder());
        QTEST(m_prompts->asked.at(0).filters, "filters");
        QCOMPARE(m_table->caption(), QStringLiteral("Dirquill -- ") + target);
        QCOMPARE(m_table->currentFile(), becomesCurrent ? target : original);
        QCOMPARE(m_table->currentKind(), FileKind::Native);
        QVERIFY(!m_table->changed());
        QVERIFY(!m_table->saveEnabled());
        GridModel back;
        QVERIFY(GridFile::load(back, target, FileKind(kind)));
        QCOMPARE(back.text(1, 0), QStringLiteral("Edited"));
    }
    void saveAsCancelledChangesNothing()
    {
        fa().setText(1, 0, QStringLiteral("Acme"));
        m_table->MakeModified(true);
        m_prompts->fileNames = { QString() };
        QVERIFY(!m_files->saveAs(FileKind::Comma));
        QVERIFY(m_table->changed());
        QCOMPARE(m_table->caption(), QStringLiteral("Dirquill -- Untitled.tsy"));
    }
    // --- Append ----------------------------------------------------------------------------
    void appendRefusesOtherFileTypes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("a comma file is refused") << "list.csv" << false;
        QTest::newRow("a name without extension is refused") << "list" << false;
        QTest::newRow("an upper-case native name is accepted") << "LIST.TSY" << true;
        QTest::newRow("an old grid file is accepted") << "list.qmf" << true;
    }
    void appendRefusesOtherFileTypes()
    {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        const QString path = writeNative(file(name), { QStringLiteral("Name") }, { { QStringLiteral("Acme") } });
        m_prompts->fileNames = { path };
        if (!accepted)
            m_prompts->answers = { Answer::Ok };
        QCOMPARE(m_files->append(), accepted);
        if (accepted) {
            QCOMPARE(fa().rows(), 22);
            QCOMPARE(fa().text(21, 0), QStringLiteral("Acme"));
            return;
        }
        QCOMPARE(m_prompts->asked.at(1).title, QStringLiteral("Open"));
        QCOMPARE(m_prompts->asked.at(1).icon, Icon::Warning);
        QCOMPARE(m_prompts->asked.at(1).text,
            QStringLiteral("You can only select the reconizable file types. Plaese select the correct file type from "
                           "the 'File of Types' list box in the Open Dialog and reopen again."));
        QCOMPARE(fa().rows(), 21);
    }
    void appendOfAWiderFileWidensAndFillsOnlyEmptyTitles()
    {
        QStringList titles;
        for (int c = 0; c < 15; ++c)
            titles << QStringLiteral("T%1").arg(c + 1);
        QStringList row;
        for (int c = 0; c < 15; ++c)
            row << QStringLiteral("v%1").arg(c + 1);
        const QString path
            = writeNative(file(QStringLiteral("wide.tsy")), titles, { row, { QStringLiteral("second") } });
        m_prompts->fileNames = { path };
        QSignalSpy appended(m_files.get(), &FileCommands::appended);
        QVERIFY(m_files->append());
        QCOMPARE(m_prompts->asked.at(0).filters, QStringLiteral("Grid Files (*.tsy);;Excel Workbooks (*.xlsx)"));
        QCOMPARE(fa().cols(), 15);
        QCOMPARE(fa().text(0, 0), QStringLiteral("Name"));
        QCOMPARE(fa().text(0, 5), QStringLiteral("Phone"));
        QCOMPARE(fa().text(0, 6), QStringLiteral("T7"));
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
        m_prompts->fileNames = { writeNative(file(QStringLiteral("more.tsy")), { QStringLiteral("Name") },
            { { QStringLiteral("A") }, { QStringLiteral("B") }, { QStringLiteral("C") } }) };
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
        m_prompts->fileNames = { writeNative(
            file(QStringLiteral("more.tsy")), { QStringLiteral("Name") }, { { QStringLiteral("Acme") } }) };
        QVERIFY(m_files->append());
        QVERIFY(m_table->changed());
        QTEST(m_table->saveEnabled(), "saveEnabled");
    }
    void appendLeavesTheClipboardAlone()
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("the user's own text"));
        m_prompts->fileNames = { writeNative(
            file(QStringLiteral("more.tsy")), { QStringLiteral("Name") }, { { QStringLiteral("Acme") } }) };
        QVERIFY(m_files->append());
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("the user's own text"));
    }
    void appendOfAFileWithOnlyTitlesAddsNoRows()
    {
        m_prompts->fileNames = { writeNative(file(QStringLiteral("empty.tsy")), { QStringLiteral("Name") }, {}) };
        QVERIFY(m_files->append());
        QCOMPARE(fa().rows(), 21);
    }
    void appendOfAnUnreadableFileSaysWhyAndChangesNothing()
    {
        const QString path = file(QStringLiteral("junk.tsy"));
        writeFile(path, "\x01\x02 not a grid");
        m_prompts->fileNames = { path };
        m_prompts->answers = { Answer::Ok };
        QVERIFY(!m_files->append());
        QVERIFY(m_prompts->asked.at(1).text.contains(QStringLiteral("junk.tsy")));
        QCOMPARE(fa().rows(), 21);
        QVERIFY(!m_table->changed());
    }
};

QTEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
