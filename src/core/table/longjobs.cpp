#include "core/table/longjobs.h"

#include "core/grid/backgroundrelease.h"

#include <QLocale>
#include <QThread>
#include <QTimer>

#include <memory>

namespace dq {

void JobControl::setProgress(qint64 done, qint64 total)
{
    const int p = total > 0 ? int(qBound(qint64(0), done * 100 / total, qint64(100))) : 0;
    m_percent.store(p, std::memory_order_relaxed);
}

WatchedDevice::WatchedDevice(QIODevice &inner, JobControl &control, qint64 total)
    : m_inner(inner)
    , m_control(control)
    , m_total(total)
{
    // Unbuffered: the inner device buffers already, and positions stay the inner ones.
    setOpenMode(inner.openMode() | QIODevice::Unbuffered);
}

bool WatchedDevice::seek(qint64 pos)
{
    return m_inner.seek(pos) && QIODevice::seek(pos);
}

qint64 WatchedDevice::readData(char *data, qint64 maxSize)
{
    if (m_control.cancelled()) {
        setErrorString(QStringLiteral("cancelled"));
        return -1;
    }
    const qint64 n = m_inner.read(data, maxSize);
    if (n < 0)
        setErrorString(m_inner.errorString());
    else
        m_control.setProgress(m_inner.pos(), m_total);
    return n;
}

qint64 WatchedDevice::writeData(const char *data, qint64 maxSize)
{
    if (m_control.cancelled()) {
        setErrorString(QStringLiteral("cancelled"));
        return -1;
    }
    const qint64 n = m_inner.write(data, maxSize);
    if (n < 0)
        setErrorString(m_inner.errorString());
    else
        m_control.setProgress(m_inner.pos(), m_total);
    return n;
}

LongJobs::LongJobs(QObject *parent)
    : QObject(parent)
    , m_poll(new QTimer(this))
{
    setObjectName(QStringLiteral("longWork"));
    m_poll->setInterval(50);
    connect(m_poll, &QTimer::timeout, this, [this] {
        const int p = percent();
        if (p != m_lastPercent) {
            m_lastPercent = p;
            emit progress(p);
        }
    });
}

LongJobs::~LongJobs()
{
    if (m_thread) {
        // The window is going away: stop the work and wait for it, dropping its result.
        m_control->cancel();
        m_thread->wait();
        delete m_thread;
        delete m_control;
    }
}

int LongJobs::percent() const
{
    return m_control ? m_control->percent() : 0;
}

bool LongJobs::start(const QString &title, qint64 size, Work work)
{
    if (m_busy)
        return false;
    m_busy = true;
    m_title = title;
    m_lastPercent = -1;
    m_control = new JobControl;
    emit busyChanged(true);
    emit started(title);
    if (size < 0 || size < m_inlineBelow || (m_inlineWhen && m_inlineWhen())) {
        finish(work(*m_control));
        return true;
    }
    auto result = std::make_shared<Apply>();
    m_thread = QThread::create([work = std::move(work), control = m_control, result] { *result = work(*control); });
    connect(m_thread, &QThread::finished, this, [this, result] { finish(std::move(*result)); });
    m_poll->start();
    m_thread->start();
    return true;
}

void LongJobs::cancel()
{
    if (m_control)
        m_control->cancel();
}

void LongJobs::finish(Apply apply)
{
    m_poll->stop();
    if (m_thread) {
        m_thread->wait();
        m_thread->deleteLater();
        m_thread = nullptr;
    }
    const bool applied = apply && !m_control->cancelled();
    if (applied) {
        m_lastPercent = 100;
        emit progress(100);
    }
    delete m_control;
    m_control = nullptr;
    // Busy ends before the result lands, so the window hands the table back to the user
    // first and the result's own signals set the commands' states.
    m_busy = false;
    emit busyChanged(false);
    if (applied) {
        emit applying();
        apply();
    }
    emit finished(applied);
    // A result Cancel dropped can be a whole table: it is freed off this thread.
    if (apply && !applied)
        releaseInBackground(std::move(apply));
    giveBackFreedMemory();
}

void LongJobs::giveBackFreedMemory()
{
    // A long job frees big buffers (sort keys, a replaced table, a cancelled result) in the
    // middle of the heap, where the allocator keeps them.
    returnFreedMemory();
}

void LongJobs::report(const QString &message)
{
    emit reported(message);
}

QString LongJobs::count(qint64 n)
{
    return QLocale(QLocale::English).toString(n);
}

} // namespace dq
