#pragma once

#include "core/grid/gridchangelog.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUndoStack>

namespace dq {

class GridModel;
class RecordTable;

// Undo and redo of every change to the record table. The table's grid records each change
// it makes (see GridChangeLog); a command's changes become one step on the stack, named by
// the command ("Delete Duplicates"), and a change made outside any command (typing into a
// cell) is a step of its own. A step holds only what takes it back: the old texts of the cells
// it touched, the rows it removed, the permutation of its sort.
//
// The stack keeps at most kMaxSteps steps and kMaxBytes of recorded changes, dropping the
// oldest first; a single step larger than that cannot be undone and empties the stack. Undoing or redoing back to the
// saved state clears the table's changed flag; a new or opened table starts an empty stack.
class TableUndo : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMaxSteps = 100;
    static constexpr qint64 kMaxBytes = qint64(256) << 20;

    explicit TableUndo(RecordTable &table, QObject *parent = nullptr);
    ~TableUndo() override;

    QUndoStack &stack() { return m_stack; }
    // Memory the steps on the stack hold, as estimated by their logs.
    qint64 bytes() const;
    // Applies to the next steps; for tests of the bound.
    void setMaxBytes(qint64 bytes)
    {
        m_maxBytes = bytes;
        m_log.limit = bytes;
    }

    // Everything the table changes between begin and end is one step named text. Steps nest;
    // the outermost names the step. A step that changed nothing is not kept.
    void begin(const QString &text);
    void end();

    // One step for the lifetime of the object.
    class Step
    {
    public:
        Step(TableUndo *undo, const QString &text)
            : m_undo(undo)
        {
            if (m_undo)
                m_undo->begin(text);
        }
        ~Step()
        {
            if (m_undo)
                m_undo->end();
        }
        Step(const Step &) = delete;
        Step &operator=(const Step &) = delete;

    private:
        TableUndo *m_undo;
    };

    // In deferred mode (the window's), the changes made until control returns to the event
    // loop are one step, so a menu command is one step whatever it calls; nameStep names it.
    void setDeferred(bool on) { m_deferred = on; }
    // A later name replaces an earlier one unless replace is false.
    void nameStep(const QString &text, bool replace = true);
    // Makes the changes gathered so far a step now.
    void flush();

    void undo();
    void redo();
    // Drops every step (New, Open).
    void reset();

private:
    friend class LoggedStep;
    void push(const QString &text);
    void onEdited();
    void onChangedFlag(bool changed);
    void enforceBytes();
    void afterMove();

    RecordTable &m_table;
    QPointer<GridModel> m_fa; // the table may go first when both belong to a window
    QUndoStack m_stack;
    GridChangeLog m_log;
    QString m_text;
    int m_depth = 0;
    bool m_moving = false; // undo or redo in progress
    bool m_silent = false; // rebuilding the stack: steps neither apply nor report
    bool m_deferred = false;
    bool m_flushQueued = false;
    QString m_pendingName;
    qint64 m_maxBytes = kMaxBytes;
};

} // namespace dq
