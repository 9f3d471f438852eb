#pragma once

#include <QIODevice>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>

class QThread;
class QTimer;

namespace dq {

// What a long job's work sees while it runs on its worker thread: whether Cancel was
// pressed, and where to report how far it got. Safe to use from both threads.
class JobControl
{
public:
    bool cancelled() const { return m_state.load() == Cancelled; }
    // Ignored once the work has passed the step it cannot take back (see commit()).
    void cancel()
    {
        int running = Running;
        m_state.compare_exchange_strong(running, Cancelled);
    }
    // The work calls this right before a step that cannot be taken back, such as replacing a
    // file: from then on Cancel is ignored and the result lands, so a late Cancel never reports
    // a file as not saved when it was. False when Cancel came first.
    bool commit()
    {
        int state = Running;
        return m_state.compare_exchange_strong(state, Committed) || state == Committed;
    }
    void setProgress(qint64 done, qint64 total);
    int percent() const { return m_percent.load(std::memory_order_relaxed); }

private:
    enum State { Running, Cancelled, Committed };
    std::atomic<int> m_state { Running };
    std::atomic<int> m_percent { 0 };
};

// A device that passes reads and writes through to another one and reports its position
// against total to a job's control. Once Cancel is pressed every read and write fails, so a
// reader or writer stops at its next buffer and reports a failure the caller then ignores.
class WatchedDevice : public QIODevice
{
public:
    WatchedDevice(QIODevice &inner, JobControl &control, qint64 total);
    qint64 size() const override { return m_inner.size(); }
    bool seek(qint64 pos) override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    QIODevice &m_inner;
    JobControl &m_control;
    qint64 m_total;
};

// Runs the record table's long commands one at a time. The work runs on a worker thread
// and must not change anything the user sees; it returns the step that applies its result,
// which runs on the caller's thread in one go, so a cancelled job leaves nothing behind.
// While a job runs the table must hold still: the window keeps the user's hands off it.
//
// Work smaller than inlineBelow() (in rows, or file bytes / 128) runs at once inside start(),
// through the same steps and signals, so small tables behave as they always did.
class LongJobs : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)

public:
    using Apply = std::function<void()>;
    using Work = std::function<Apply(JobControl &)>;

    static constexpr qint64 kDefaultInlineBelow = 20'000;

    explicit LongJobs(QObject *parent = nullptr);
    ~LongJobs() override;

    // Starts work; false (and nothing happens) while another job runs. size says how big the
    // work is, in rows; a negative size runs it at once. title names the command for the progress display.
    bool start(const QString &title, qint64 size, Work work);
    bool busy() const { return m_busy; }
    QString title() const { return m_title; }
    int percent() const;
    // Cancel: the work stops at its next check and its result is dropped.
    void cancel();

    qint64 inlineBelow() const { return m_inlineBelow; }
    void setInlineBelow(qint64 size) { m_inlineBelow = size; }
    // When it answers true, every job runs at once (something else is changing the table).
    void setInlineWhen(std::function<bool()> test) { m_inlineWhen = std::move(test); }

    // What a finished command reports in the status row ("1,000,000 rows opened in 1.1 s").
    void report(const QString &message);
    // A count with thousands separators, as reports show it.
    static QString count(qint64 n);

signals:
    void busyChanged(bool busy);
    void started(const QString &title);
    void progress(int percent);
    // Right before the result lands on the caller's thread.
    void applying();
    // applied is false when the job was cancelled (or its work gave nothing to apply).
    void finished(bool applied);
    void reported(const QString &message);

private:
    void finish(Apply apply);
    static void giveBackFreedMemory();

    bool m_busy = false;
    QString m_title;
    qint64 m_inlineBelow = kDefaultInlineBelow;
    std::function<bool()> m_inlineWhen;
    JobControl *m_control = nullptr;
    QThread *m_thread = nullptr;
    int m_lastPercent = -1;
    QTimer *m_poll = nullptr;
};

} // namespace dq
