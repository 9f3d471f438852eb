#pragma once

#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"

#include <QObject>
#include <QString>

namespace dq {

class LongJobs;

// The listings table of the main window and its bookkeeping: which file it belongs to
// and in what kind, whether it has unsaved changes, whether it still holds only the
// blank rows of a new table, and the folder the Open dialog starts in.
//
// Two flags are kept apart on purpose. changed() is true whenever the table differs
// from its file: any change to cells, shape or formats of `fa` sets it, whatever the
// file, so New, Open and Exit never drop unsaved work. saveEnabled() is what the Save
// command and its toolbar key show; only makeModified() moves it.
class RecordTable : public QObject
{
    Q_OBJECT

public:
    static constexpr int kDefaultColumns = 13;
    static constexpr int kDefaultRows = 21; // the title row and 20 blank rows

    explicit RecordTable(QObject *parent = nullptr);
    ~RecordTable() override;

    GridModel &fa() { return *m_fa; }
    const GridModel &fa() const { return *m_fa; }
    // Runs the long commands on this table, one at a time.
    LongJobs &jobs() { return *m_jobs; }

    // Resets the grid's shape and behaviour: empty, one title row, 50 rows, 9 columns,
    // every column with general alignment.
    void SetDefaults();
    // Builds the default empty table (13 columns, titles, widths, 20 blank rows) and
    // makes it the untitled, fresh, unchanged native table. Asks nothing.
    void buildNewTable();

    // Sets the changed flag and with it the Save command's enabled state.
    void MakeModified(bool flag);
    // A command that changed the table is done: the first such change to a named file
    // makes Save available. The untitled table keeps Save as it is.
    void markChangedByCommand();
    // Cell edits and harvested rows mark the table changed without touching Save.
    void setChangedDirectly();

    bool changed() const { return m_changed; }
    bool saveEnabled() const { return m_saveEnabled; }
    bool fresh() const { return m_fresh; }
    void setFresh(bool fresh) { m_fresh = fresh; }
    // The first harvest into a fresh table drops its placeholder rows.
    void dropFreshRows();

    QString currentFile() const { return m_currentFile; }
    void setCurrentFile(const QString &path) { m_currentFile = path; }
    FileKind currentKind() const { return m_currentKind; }
    void setCurrentKind(FileKind kind) { m_currentKind = kind; }
    bool isUntitled() const;

    QString lastOpenFolder() const { return m_lastOpenFolder; }
    void setLastOpenFolder(const QString &folder) { m_lastOpenFolder = folder; }

    QString caption() const { return m_caption; }
    // "Dirquill -- " followed by the given path or name.
    void setCaptionFor(const QString &pathOrName);

    // While true, changes to the grid do not count as edits (loading, rebuilding).
    void setTracking(bool on) { m_tracking = on; }
    bool tracking() const { return m_tracking; }

    static QString untitledPath();
    // Split at the last "/" or "\"; both give empty text when the path holds neither.
    static QString FileNameOf(const QString &path);
    static QString FolderOf(const QString &path);

signals:
    void saveEnabledChanged(bool enabled);
    void changedFlagChanged(bool changed);
    void captionChanged(const QString &caption);
    // The table's shape was rebuilt (New, Open): panels showing the current row refresh.
    void tableRebuilt();

private:
    void setChangedFlag(bool flag);

    GridModel *m_fa;
    LongJobs *m_jobs;
    QString m_currentFile;
    FileKind m_currentKind = FileKind::Native;
    QString m_lastOpenFolder;
    QString m_caption;
    bool m_changed = false;
    bool m_declared = false; // set by MakeModified and direct marks, not by every grid edit
    bool m_saveEnabled = false;
    bool m_fresh = false;
    bool m_tracking = true;
};

} // namespace dq
