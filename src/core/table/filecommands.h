#pragma once

#include "core/grid/gridfile.h"

#include <QObject>
#include <QString>

#include <functional>

namespace dq {

class RecordTable;
class UserPrompts;
struct GridStore;

// The data-file commands of the record table: New, Open, Save, Save As and Append,
// with their questions, dialogs and messages. Nothing is ever lost silently: a save
// that fails or is cancelled while leaving a changed table stops the command that
// wanted to leave it; a file that cannot be read or written is named in a message
// with the reason, and the table (and its changed flag) stays as it was.
class FileCommands : public QObject
{
    Q_OBJECT

public:
    FileCommands(RecordTable &table, UserPrompts &prompts, QObject *parent = nullptr);

    // Each returns true when the command did its work (or started it in the table's long
    // jobs, which report their own outcome), false when it was cancelled or failed.
    bool newTable();
    bool open(FileKind kind);
    // Open without the dialog: asks to save a changed table, then reads path.
    bool openFile(const QString &path, FileKind kind);
    bool save();
    bool saveAs(FileKind kind);
    bool append();

    // Asks to save a changed table before it is replaced or the program ends, then runs next:
    // at once when the table is unchanged or the user said No, once the file is written when
    // Yes (a big table's save is a long job, so that can be later); never after Cancel or a
    // failed or cancelled save. title names the command ("New", "Open File", "Exit").
    // Returns next's answer when it ran, true while the save still runs, else false.
    bool saveChangesFirst(const QString &title, const std::function<bool()> &next);

    // The steps that put a finished Open or Append into the table, each in one go.
    bool applyLoaded(GridStore &&store, const FileResult &result, const QString &path, FileKind kind, qint64 ms);
    void applyAppended(GridStore &&scratch);

    static QString openFilter(FileKind kind);
    static QString saveAsFilter(FileKind kind);
    static QString appendFilter();

signals:
    // A file was opened into the table (the window returns to Row mode).
    void opened();
    // Rows first..last were appended and selected.
    void appended(int first, int last);

private:
    void showFailure(const QString &title, const FileResult &result);
    bool load(const QString &path, FileKind kind);
    // Writes the table as a long job; saved() runs once the file is safely written.
    bool writeTable(const QString &title, const QString &path, FileKind kind, std::function<void()> saved);

    RecordTable &m_table;
    UserPrompts &m_prompts;
    std::function<void()> m_afterSave; // what the next save goes on with once it succeeded
};

} // namespace dq
