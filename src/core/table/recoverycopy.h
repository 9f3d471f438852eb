#pragma once

#include "core/grid/gridfile.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QThreadPool>

namespace dq {

class GridModel;

// A recovery copy of a table with unsaved changes, the way an office program keeps one: the
// table is copied on the caller's thread (a snapshot, so later edits cannot tear it), then
// written in native format by a worker thread, atomically, beside a small description of
// what it is a copy of. A write still going when the next is asked for is not doubled.
class RecoveryCopy : public QObject
{
    Q_OBJECT

public:
    // What the copy stands for.
    struct Info
    {
        QString tableFile; // the file the table belongs to (the untitled path when new)
        FileKind kind = FileKind::Native;
        QDateTime saved; // when the copy was taken
        qint64 journalRows = 0; // harvest-journal rows already inside the copy
    };

    explicit RecoveryCopy(QObject *parent = nullptr);
    // Waits for a write in progress.
    ~RecoveryCopy() override;

    // Starts writing a copy of grid to path (and its description beside it, path + ".json").
    // Returns false when the last write has not finished yet.
    bool write(const GridModel &grid, const QString &path, const Info &info);
    bool isWriting() const { return m_writing; }
    void waitForDone() { m_pool.waitForDone(); }

    static QString infoPath(const QString &path) { return path + QStringLiteral(".json"); }
    // Reads a copy's description; false when there is no whole copy at path.
    static bool readInfo(const QString &path, Info &info);
    static FileResult writeInfo(const QString &path, const Info &info);

signals:
    void written(bool ok, const QString &errorString);

private:
    QThreadPool m_pool;
    bool m_writing = false;
};

} // namespace dq
