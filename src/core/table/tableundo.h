#pragma once

#include "core/grid/gridchangelog.h"

#include <QObject>
#include <QString>
#include <QUndoStack>

namespace dq {

class RecordTable;

// Undo and redo of every change to the record table. The table's grid records each change
// it makes (see GridChangeLog); a command's changes become one step on the stack, named by
// the command ("Delete Duplicates"), and a change made outside any command (typing into a
// cell) is a step of its own. A step holds only what takes it back: the old texts of the cells
// it touched, the rows it removed, the permutation of its sort.
//
// The stack keeps at most kMaxSteps steps and kMaxBytes of recorded changes, dropping the
// oldest first. Undoing or redoing back to the saved state clears the table's changed flag;
// a new or opened table starts an empty stack.
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
    void setMaxBytes(qint64 bytes) { m_maxBytes = bytes; }

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
    QUndoStack m_stack;
    GridChangeLog m_log;
    QString m_text;
    int m_depth = 0;
    bool m_moving = false; // undo or redo in progress
    bool m_silent = false; // rebuilding the stack: steps neither apply nor report
    qint64 m_maxBytes = kMaxBytes;
};

} // namespace dq
