#include "core/table/filecommands.h"

#include "core/grid/gridmodel.h"
#include "core/shell/userprompts.h"
#include "core/table/recordtable.h"

#include <QFile>

#include <numeric>
#include <vector>

namespace dq {

namespace {

const QString kSaveChangesText = QStringLiteral("Changes have been made. Do you want to save the changes?");

// What the Open dialog returns when the user confirmed the pattern instead of a file.
bool isPatternOnly(const QString &chosen)
{
    static const QStringList patterns { QStringLiteral("*.*"), QStringLiteral("*.tsy"), QStringLiteral("*.csv"),
        QStringLiteral("*.txt") };
    if (chosen.isEmpty())
        return true;
    const QString name = RecordTable::FileNameOf(chosen).isEmpty() ? chosen : RecordTable::FileNameOf(chosen);
    return patterns.contains(name, Qt::CaseInsensitive);
}

// A file picked through "All Files" is read as the kind its name says; a name without a
// known ending is read as the kind of the Open entry used.
FileKind kindByExtension(const QString &path, FileKind fallback)
{
    const QString name = path.toLower();
    if (name.endsWith(QLatin1String(".tsy")))
        return FileKind::Native;
    if (name.endsWith(QLatin1String(".csv")))
        return FileKind::Comma;
    if (name.endsWith(QLatin1String(".txt")))
        return FileKind::Tab;
    return fallback;
}

// RAII guard: grid changes made while loading are not user edits.
class Untracked
{
public:
    explicit Untracked(RecordTable &t)
        : m_t(t)
    {
        m_t.setTracking(false);
    }
    ~Untracked() { m_t.setTracking(true); }
    Untracked(const Untracked &) = delete;
    Untracked &operator=(const Untracked &) = delete;

private:
    RecordTable &m_t;
};

} // namespace

FileCommands::FileCommands(RecordTable &table, UserPrompts &prompts, QObject *parent)
    : QObject(parent)
    , m_table(table)
    , m_prompts(prompts)
{
}

QString FileCommands::openFilter(FileKind kind)
{
    switch (kind) {
    case FileKind::Comma:
        return QStringLiteral("Comma Delimited Files (*.csv);;All Files (*.*)");
    case FileKind::Tab:
        return QStringLiteral("Tab Delimited Files (*.txt);;All Files (*.*)");
    case FileKind::Native:
        break;
    }
    return QStringLiteral("Tessary Files (*.tsy);;All Files (*.*)");
}

QString FileCommands::saveAsFilter(FileKind kind)
{
    switch (kind) {
    case FileKind::Comma:
        return QStringLiteral("Comma Delimited Text Files (*.csv)");
    case FileKind::Tab:
        return QStringLiteral("Tab Delimited Text Files (*.txt)");
    case FileKind::Native:
        break;
    }
    return QStringLiteral("Tessary Files (*.tsy)");
}

QString FileCommands::appendFilter()
{
    return QStringLiteral("Grid Files (*.tsy)");
}

bool FileCommands::saveChangesFirst(const QString &title)
{
    if (!m_table.changed())
        return true;
    switch (
        m_prompts.message(title, kSaveChangesText, UserPrompts::Icon::Question, UserPrompts::Buttons::YesNoCancel)) {
    case UserPrompts::Answer::Yes:
        return m_table.isUntitled() ? saveAs(FileKind::Native) : save();
    case UserPrompts::Answer::No:
        return true;
    default:
        return false;
    }
}

bool FileCommands::newTable()
{
    if (!saveChangesFirst(QStringLiteral("New")))
        return false;
    m_table.buildNewTable();
    return true;
}

bool FileCommands::open(FileKind kind)
{
    if (!saveChangesFirst(QStringLiteral("Open File")))
        return false;
    const QString chosen = m_prompts.openFileName(QStringLiteral("Open"), m_table.lastOpenFolder(), openFilter(kind));
    if (isPatternOnly(chosen))
        return false;
    return load(chosen, kindByExtension(chosen, kind));
}

bool FileCommands::openFile(const QString &path, FileKind kind)
{
    if (!saveChangesFirst(QStringLiteral("Open File")))
        return false;
    return load(path, kind);
}

bool FileCommands::load(const QString &chosen, FileKind kind)
{
    GridModel &fa = m_table.fa();
    FileResult result;
    {
        Untracked quiet(m_table);
        result = GridFile::load(fa, chosen, kind);
        // A text file's first line is the title row.
        if (result && kind != FileKind::Native && fa.fixedRows() == 0 && fa.rows() > 0)
            fa.setFixedRows(1);
    }
    if (!result) {
        showFailure(QStringLiteral("Open File"), result);
        return false;
    }
    m_table.setLastOpenFolder(RecordTable::FolderOf(chosen));
    m_table.setCurrentFile(chosen);
    m_table.setFresh(false);
    m_table.setCurrentKind(kind);
    fa.setCursor(qMin(fa.fixedRows(), qMax(0, fa.rows() - 1)), 0);
    emit m_table.tableRebuilt();
    m_table.setCaptionFor(chosen);
    emit opened();
    m_table.MakeModified(false);
    return true;
}

bool FileCommands::save()
{
    const QString path = m_table.currentFile();
    const FileKind kind = m_table.currentKind();
    if (kind == FileKind::Native && m_table.isUntitled() && QFile::exists(path)) {
        const auto answer = m_prompts.message(QStringLiteral("Save"),
            QStringLiteral("Do you want to overwrite ") + path + QStringLiteral("?"), UserPrompts::Icon::Question,
            UserPrompts::Buttons::YesNo);
        if (answer != UserPrompts::Answer::Yes)
            return saveAs(FileKind::Native);
    }
    const FileResult result = GridFile::save(m_table.fa(), path, kind);
    if (!result) {
        showFailure(QStringLiteral("Save"), result);
        return false;
    }
    if (kind != FileKind::Native) {
        m_prompts.message(QStringLiteral("Save"),
            QStringLiteral("Use 'Save As...' Tessary(*.tsy) from the 'File' menu if you want to save "
                           "data as a RichText Tessary file format."),
            UserPrompts::Icon::Information, UserPrompts::Buttons::Ok);
    }
    m_table.MakeModified(false);
    return true;
}

bool FileCommands::saveAs(FileKind kind)
{
    const QString chosen
        = m_prompts.saveFileName(QStringLiteral("Save As"), m_table.lastOpenFolder(), saveAsFilter(kind));
    if (chosen.isEmpty())
        return false;
    const FileResult result = GridFile::save(m_table.fa(), chosen, kind);
    if (!result) {
        showFailure(QStringLiteral("Save As"), result);
        return false;
    }
    m_table.setCaptionFor(chosen);
    m_table.setLastOpenFolder(RecordTable::FolderOf(chosen));
    // A text copy is an export: Save keeps writing the file the table belongs to.
    if (kind == FileKind::Native) {
        m_table.setCurrentFile(chosen);
        m_table.setCurrentKind(FileKind::Native);
    }
    m_table.MakeModified(false);
    return true;
}

bool FileCommands::append()
{
    const QString chosen = m_prompts.openFileName(QStringLiteral("Append"), m_table.lastOpenFolder(), appendFilter());
    if (chosen.isEmpty())
        return false;
    const QString ending = chosen.right(3).toUpper();
    if (ending != QStringLiteral("TSY") && ending != QStringLiteral("QMF")) {
        m_prompts.message(QStringLiteral("Open"),
            QStringLiteral("You can only select the reconizable file types. Plaese select the correct "
                           "file type from the 'File of Types' list box in the Open Dialog and reopen "
                           "again."),
            UserPrompts::Icon::Warning, UserPrompts::Buttons::Ok);
        return false;
    }

    GridModel scratch;
    const FileResult result = GridFile::load(scratch, chosen, FileKind::Native);
    if (!result) {
        showFailure(QStringLiteral("Append"), result);
        return false;
    }

    GridModel &fa = m_table.fa();
    if (scratch.cols() > fa.cols())
        fa.setCols(scratch.cols());
    if (scratch.rows() > 0) {
        for (int c = 0; c < scratch.cols(); ++c) {
            if (fa.text(0, c).isEmpty() && !scratch.text(0, c).isEmpty())
                fa.setText(0, c, scratch.text(0, c));
        }
    }

    const int first = fa.rows();
    std::vector<QStringList> rows;
    rows.reserve(size_t(qMax(0, scratch.rows() - 1)));
    for (int r = 1; r < scratch.rows(); ++r)
        rows.push_back(scratch.rowTexts(r));
    fa.appendRows(rows);
    const int last = fa.rows() - 1;
    if (last >= first) {
        fa.select(first, 0, last, fa.cols() - 1);
        if (fa.selectionMode() == GridModel::SelectionMode::ListBox) {
            // In Row mode the selection is the set of marked rows.
            std::vector<int> marked(size_t(last - first + 1));
            std::iota(marked.begin(), marked.end(), first);
            fa.setSelectedRows(marked);
        }
        emit appended(first, last);
    }
    m_table.markChangedByCommand();
    return true;
}

void FileCommands::showFailure(const QString &title, const FileResult &result)
{
    m_prompts.message(title, result.errorString, UserPrompts::Icon::Warning, UserPrompts::Buttons::Ok);
}

} // namespace dq
