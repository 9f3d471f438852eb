#include "core/table/tableundo.h"

#include "core/grid/backgroundrelease.h"
#include "core/grid/gridmodel.h"
#include "core/table/recordtable.h"

#include <memory>
#include <vector>

namespace dq {

namespace {

struct Payload
{
    QString text;
    GridChangeLog log;
};

} // namespace

// One step: the changes that take it back (or, once undone, that do it again). Each move
// records the changes it makes, which are then exactly the way back.
class LoggedStep : public QUndoCommand
{
public:
    LoggedStep(TableUndo &owner, std::shared_ptr<Payload> payload, bool applied)
        : QUndoCommand(payload->text)
        , m_owner(owner)
        , m_payload(std::move(payload))
        , m_skipRedo(applied)
    {
    }

    void undo() override { flip(); }
    void redo() override
    {
        if (m_skipRedo) {
            m_skipRedo = false; // the change was made before the step was pushed
            return;
        }
        flip();
    }
    const std::shared_ptr<Payload> &payload() const { return m_payload; }

private:
    void flip()
    {
        if (m_owner.m_silent)
            return;
        GridModel &fa = m_owner.m_table.fa();
        GridChangeLog taken;
        fa.setChangeLog(&taken);
        fa.revert(std::move(m_payload->log));
        fa.setChangeLog(&m_owner.m_log);
        m_payload->log = std::move(taken);
    }

    TableUndo &m_owner;
    std::shared_ptr<Payload> m_payload;
    bool m_skipRedo;
};

TableUndo::TableUndo(RecordTable &table, QObject *parent)
    : QObject(parent)
    , m_table(table)
    , m_fa(&table.fa())
{
    m_stack.setUndoLimit(kMaxSteps);
    m_log.limit = m_maxBytes;
    m_table.fa().setChangeLog(&m_log);
    connect(&m_table.fa(), &GridModel::contentsEdited, this, &TableUndo::onEdited);
    connect(&m_table, &RecordTable::changedFlagChanged, this, &TableUndo::onChangedFlag);
    connect(&m_table, &RecordTable::tableRebuilt, this, &TableUndo::reset);
}

TableUndo::~TableUndo()
{
    if (m_fa && m_fa->changeLog() == &m_log)
        m_fa->setChangeLog(nullptr);
}

qint64 TableUndo::bytes() const
{
    qint64 total = 0;
    for (int i = 0; i < m_stack.count(); ++i)
        total += static_cast<const LoggedStep *>(m_stack.command(i))->payload()->log.bytes;
    return total;
}

void TableUndo::begin(const QString &text)
{
    if (m_depth++ == 0) {
        m_depth = 0;
        flush(); // anything not yet a step becomes one before this step starts
        m_depth = 1;
        m_text = text;
    }
}

void TableUndo::end()
{
    if (m_depth == 0 || --m_depth > 0)
        return;
    if (m_log.unrecorded)
        reset();
    else if (!m_log.changes.empty())
        push(m_text);
}

void TableUndo::nameStep(const QString &text, bool replace)
{
    if (m_depth > 0 || (!replace && !m_pendingName.isEmpty()))
        return;
    m_pendingName = text;
    if (!m_flushQueued) {
        m_flushQueued = true;
        QMetaObject::invokeMethod(this, &TableUndo::flush, Qt::QueuedConnection);
    }
}

void TableUndo::flush()
{
    m_flushQueued = false;
    if (m_depth > 0)
        return;
    if (m_log.unrecorded)
        reset();
    else if (!m_log.changes.empty())
        push(m_pendingName.isEmpty() ? QStringLiteral("Typing") : m_pendingName);
    m_pendingName.clear();
}

void TableUndo::undo()
{
    flush();
    if (!m_stack.canUndo())
        return;
    m_moving = true;
    m_stack.undo();
    m_moving = false;
    afterMove();
}

void TableUndo::redo()
{
    flush();
    if (!m_stack.canRedo())
        return;
    m_moving = true;
    m_stack.redo();
    m_moving = false;
    afterMove();
}

void TableUndo::reset()
{
    m_pendingName.clear();
    // The steps of a big table hold millions of small blocks: they are freed on a pool thread,
    // so New or Open does not stop the window while they go.
    auto dropped = std::make_shared<std::vector<std::shared_ptr<Payload>>>();
    for (int i = 0; i < m_stack.count(); ++i)
        dropped->push_back(static_cast<const LoggedStep *>(m_stack.command(i))->payload());
    auto pending = std::make_shared<Payload>();
    pending->log = std::move(m_log);
    dropped->push_back(std::move(pending));
    m_log = GridChangeLog {};
    m_log.limit = m_maxBytes;
    m_stack.clear();
    releaseInBackground(std::move(dropped));
}

void TableUndo::push(const QString &text)
{
    auto payload = std::make_shared<Payload>();
    payload->text = text;
    payload->log = std::move(m_log);
    m_log = GridChangeLog {};
    m_log.limit = m_maxBytes;
    m_stack.push(new LoggedStep(*this, std::move(payload), true));
    enforceBytes();
}

void TableUndo::onEdited()
{
    if (m_moving || m_depth > 0)
        return;
    // Loads and rebuilds replace the table: no step can take them back.
    if (!m_table.tracking() || (m_log.unrecorded && !m_deferred)) {
        reset();
        return;
    }
    if (m_log.empty())
        return;
    if (!m_deferred) {
        push(QStringLiteral("Typing"));
    } else if (!m_flushQueued) {
        m_flushQueued = true;
        QMetaObject::invokeMethod(this, &TableUndo::flush, Qt::QueuedConnection);
    }
}

void TableUndo::onChangedFlag(bool changed)
{
    // Saved (or otherwise declared unchanged): this is the state undo comes back to.
    if (!changed && !m_moving) {
        flush();
        m_stack.setClean();
    }
}

void TableUndo::afterMove()
{
    if (m_stack.isClean())
        m_table.MakeModified(false);
    else
        m_table.markChangedByCommand();
}

void TableUndo::enforceBytes()
{
    qint64 total = bytes();
    if (total <= m_maxBytes)
        return;
    const int count = m_stack.count();
    const int index = m_stack.index();
    const int clean = m_stack.cleanIndex();
    std::vector<std::shared_ptr<Payload>> payloads;
    for (int i = 0; i < count; ++i)
        payloads.push_back(static_cast<const LoggedStep *>(m_stack.command(i))->payload());
    int drop = 0;
    while (total > m_maxBytes && drop < count)
        total -= payloads[size_t(drop++)]->log.bytes;
    // QUndoStack cannot drop its oldest steps by memory, so the kept ones go onto it again
    // without being applied.
    m_silent = true;
    m_stack.clear();
    for (int i = drop; i < count; ++i)
        m_stack.push(new LoggedStep(*this, payloads[size_t(i)], false));
    if (clean >= drop) {
        m_stack.setIndex(clean - drop);
        m_stack.setClean();
    } else {
        m_stack.resetClean();
    }
    m_stack.setIndex(qMax(0, index - drop));
    m_silent = false;
}

} // namespace dq
