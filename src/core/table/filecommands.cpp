#include "core/table/filecommands.h"

#include "core/grid/gridmodel.h"
#include "core/grid/gridstore.h"
#include "core/shell/userprompts.h"
#include "core/table/longjobs.h"
#include "core/table/recordtable.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <memory>
#include <numeric>
#include <optional>
#include <utility>
#include <vector>

namespace dq {

namespace {

const QString kSaveChangesText = QStringLiteral("Changes have been made. Do you want to save the changes?");

// What the Open dialog returns when the user confirmed the pattern instead of a file.
bool isPatternOnly(const QString &chosen)
{
    static const QStringList patterns { QStringLiteral("*.*"), QStringLiteral("*.tsy"), QStringLiteral("*.csv"),
        QStringLiteral("*.txt"), QStringLiteral("*.xlsx") };
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
    case FileKind::Excel:
        return QStringLiteral("Excel Workbooks (*.xlsx);;All Files (*.*)");
    case FileKind::CommaForExcel:
        return QStringLiteral("Comma Delimited for Excel (*.csv);;All Files (*.*)");
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
    case FileKind::Excel:
        return QStringLiteral("Excel Workbook (*.xlsx)");
    case FileKind::CommaForExcel:
        return QStringLiteral("Comma Delimited for Excel (*.csv)");
    case FileKind::Native:
        break;
    }
    return QStringLiteral("Tessary Files (*.tsy)");
}

QString FileCommands::appendFilter()
{
    return QStringLiteral("Grid Files (*.tsy);;Excel Workbooks (*.xlsx)");
}

bool FileCommands::saveChangesFirst(const QString &title, const std::function<bool()> &next)
{
    if (!m_table.changed())
        return next();
    switch (
        m_prompts.message(title, kSaveChangesText, UserPrompts::Icon::Question, UserPrompts::Buttons::YesNoCancel)) {
    case UserPrompts::Answer::Yes: {
        // The command goes on once the file is safely written, which on a big table happens
        // later, in the save's own long job; a failed or cancelled save stops it there.
        auto going = std::make_shared<std::optional<bool>>();
        m_afterSave = [next, going] { *going = next(); };
        const bool saving = m_table.isUntitled() ? saveAs(FileKind::Native) : save();
        m_afterSave = {};
        return saving && going->value_or(true);
    }
    case UserPrompts::Answer::No:
        return next();
    default:
        return false;
    }
}

bool FileCommands::newTable()
{
    return saveChangesFirst(QStringLiteral("New"), [this] {
        m_table.buildNewTable();
        return true;
    });
}

bool FileCommands::open(FileKind kind)
{
    return saveChangesFirst(QStringLiteral("Open File"), [this, kind] {
        const QString chosen
            = m_prompts.openFileName(QStringLiteral("Open"), m_table.lastOpenFolder(), openFilter(kind));
        return !isPatternOnly(chosen) && load(chosen, kindByExtension(chosen, kind));
    });
}

bool FileCommands::openFile(const QString &path, FileKind kind)
{
    return saveChangesFirst(QStringLiteral("Open File"), [this, path, kind] { return load(path, kind); });
}

namespace {

// What a file read off to the side needs of the table it will replace.
std::shared_ptr<GridStore> shapeOf(const GridStore &current)
{
    auto shape = std::make_shared<GridStore>();
    shape->columns = current.columns;
    shape->fixedRows = current.fixedRows;
    shape->fixedCols = current.fixedCols;
    shape->settings = current.settings;
    return shape;
}

qint64 fileRows(const QString &path)
{
    // About a hundred bytes a listing row; only the choice of running in the background
    // depends on it.
    return QFileInfo(path).size() / 128;
}

QString seconds(qint64 ms)
{
    return QString::number(double(ms) / 1000.0, 'f', 1);
}

} // namespace

bool FileCommands::load(const QString &chosen, FileKind kind)
{
    // A workbook is a zip archive, never text or a native grid, whichever kind was asked for.
    if (GridFile::kindForPath(chosen) == FileKind::Excel)
        kind = FileKind::Excel;
    auto shape = shapeOf(m_table.fa().store());
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    auto ok = std::make_shared<bool>(false);
    const bool started = m_table.jobs().start(QStringLiteral("Opening"), fileRows(chosen),
        [this, shape, chosen, kind, clock, ok](JobControl &control) -> LongJobs::Apply {
            auto store = std::make_shared<GridStore>();
            FileResult result = GridFile::loadStore(*shape, chosen, kind, *store, &control);
            shape->columns.clear();
            if (control.cancelled())
                return {};
            return [this, store, result, chosen, kind, clock, ok] {
                *ok = applyLoaded(std::move(*store), result, chosen, kind, clock->elapsed());
            };
        });
    // A job in the background reports through its own messages when it ends.
    return started && (*ok || m_table.jobs().busy());
}

bool FileCommands::applyLoaded(
    GridStore &&store, const FileResult &result, const QString &chosen, FileKind kind, qint64 ms)
{
    if (!result) {
        showFailure(QStringLiteral("Open File"), result);
        return false;
    }
    GridModel &fa = m_table.fa();
    {
        Untracked quiet(m_table);
        fa.replaceContents(std::move(store));
        // A text file's first line is the title row.
        if (kind != FileKind::Native && fa.fixedRows() == 0 && fa.rows() > 0)
            fa.setFixedRows(1);
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
    m_table.jobs().report(
        QStringLiteral("%1 rows opened in %2 s").arg(LongJobs::count(fa.rows() - fa.fixedRows()), seconds(ms)));
    return true;
}

bool FileCommands::writeTable(const QString &title, const QString &path, FileKind kind, std::function<void()> saved)
{
    auto ok = std::make_shared<bool>(false);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    const GridStore *store = &m_table.fa().store();
    // A command that asked for this save goes on after it (see saveChangesFirst).
    std::function<void()> then = std::exchange(m_afterSave, {});
    const bool started = m_table.jobs().start(
        QStringLiteral("Saving"), m_table.fa().rows(), [=, this](JobControl &control) -> LongJobs::Apply {
            const FileResult result = GridFile::saveStore(*store, path, kind, &control);
            if (control.cancelled())
                return {};
            return [=, this] {
                if (!result) {
                    showFailure(title, result);
                    return;
                }
                *ok = true;
                saved();
                m_table.jobs().report(
                    QStringLiteral("%1 rows saved in %2 s")
                        .arg(LongJobs::count(store->rowCount() - m_table.fa().fixedRows()), seconds(clock->elapsed())));
                if (then)
                    then();
            };
        });
    return started && (*ok || m_table.jobs().busy());
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
    return writeTable(QStringLiteral("Save"), path, kind, [this, kind] {
        if (kind != FileKind::Native) {
            m_prompts.message(QStringLiteral("Save"),
                QStringLiteral("Use 'Save As...' Tessary(*.tsy) from the 'File' menu if you want to save "
                               "data as a RichText Tessary file format."),
                UserPrompts::Icon::Information, UserPrompts::Buttons::Ok);
        }
        m_table.MakeModified(false);
    });
}

bool FileCommands::saveAs(FileKind kind)
{
    const QString chosen
        = m_prompts.saveFileName(QStringLiteral("Save As"), m_table.lastOpenFolder(), saveAsFilter(kind));
    if (chosen.isEmpty())
        return false;
    return writeTable(QStringLiteral("Save As"), chosen, kind, [this, chosen, kind] {
        m_table.setCaptionFor(chosen);
        m_table.setLastOpenFolder(RecordTable::FolderOf(chosen));
        // A text copy is an export: Save keeps writing the file the table belongs to.
        if (kind == FileKind::Native) {
            m_table.setCurrentFile(chosen);
            m_table.setCurrentKind(FileKind::Native);
        }
        m_table.MakeModified(false);
    });
}

bool FileCommands::append()
{
    const QString chosen = m_prompts.openFileName(QStringLiteral("Append"), m_table.lastOpenFolder(), appendFilter());
    if (chosen.isEmpty())
        return false;
    const QString ending = chosen.right(3).toUpper();
    const bool workbook = GridFile::kindForPath(chosen) == FileKind::Excel;
    if (ending != QStringLiteral("TSY") && ending != QStringLiteral("QMF") && !workbook) {
        m_prompts.message(QStringLiteral("Open"),
            QStringLiteral("You can only select the reconizable file types. Plaese select the correct "
                           "file type from the 'File of Types' list box in the Open Dialog and reopen "
                           "again."),
            UserPrompts::Icon::Warning, UserPrompts::Buttons::Ok);
        return false;
    }

    auto shape = shapeOf(m_table.fa().store());
    auto ok = std::make_shared<bool>(false);
    const FileKind kind = workbook ? FileKind::Excel : FileKind::Native;
    const bool started = m_table.jobs().start(QStringLiteral("Appending"), fileRows(chosen),
        [this, shape, chosen, kind, ok](JobControl &control) -> LongJobs::Apply {
            auto store = std::make_shared<GridStore>();
            FileResult result = GridFile::loadStore(*shape, chosen, kind, *store, &control);
            if (control.cancelled())
                return {};
            return [this, store, result, ok] {
                if (!result) {
                    showFailure(QStringLiteral("Append"), result);
                    return;
                }
                applyAppended(std::move(*store));
                *ok = true;
            };
        });
    return started && (*ok || m_table.jobs().busy());
}

void FileCommands::applyAppended(GridStore &&scratch)
{
    GridModel &fa = m_table.fa();
    if (scratch.colCount() > fa.cols())
        fa.setCols(scratch.colCount());
    if (scratch.rowCount() > 0) {
        for (int c = 0; c < scratch.colCount(); ++c) {
            const QByteArrayView title = scratch.rows[0].cells.utf8(c);
            if (fa.text(0, c).isEmpty() && !title.isEmpty())
                fa.setText(0, c, QString::fromUtf8(title));
        }
    }

    const int first = fa.rows();
    fa.appendTextRows(std::move(scratch), 1);
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
    m_table.jobs().report(QStringLiteral("%1 rows appended").arg(LongJobs::count(qMax(0, last - first + 1))));
}

void FileCommands::showFailure(const QString &title, const FileResult &result)
{
    m_prompts.message(title, result.errorString, UserPrompts::Icon::Warning, UserPrompts::Buttons::Ok);
}

} // namespace dq
