#include "core/shell/sessionfiles.h"

#include "core/shell/programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QSet>

#include <atomic>

namespace dq {

namespace {

const QString kLockSuffix = QStringLiteral(".lock");

QString newId()
{
    // Sortable by start time; the pid and a counter keep two windows of one process apart.
    static std::atomic<int> counter { 0 };
    return QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-hhmmsszzz")) + u'-'
        + QString::number(QCoreApplication::applicationPid()) + u'-' + QString::number(++counter);
}

} // namespace

SessionFiles::SessionFiles()
    : m_id(newId())
{
}

SessionFiles::SessionFiles(const QString &id)
    : m_id(id)
{
}

SessionFiles::~SessionFiles() = default;

QString SessionFiles::folder()
{
    return userDataFolder() + QStringLiteral("sessions/");
}

bool SessionFiles::lock()
{
    if (m_lock)
        return true;
    if (!QDir().mkpath(folder()))
        return false;
    auto lock = std::make_unique<QLockFile>(folder() + m_id + kLockSuffix);
    // Only a dead owner makes a lock stale: a long grab must never look abandoned.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return false;
    m_lock = std::move(lock);
    return true;
}

QString SessionFiles::path(const QString &suffix)
{
    return lock() ? folder() + m_id + suffix : QString();
}

void SessionFiles::remove(const QString &suffix)
{
    QFile::remove(folder() + m_id + suffix);
}

void SessionFiles::removeAll()
{
    const QDir dir(folder());
    for (const QString &name : dir.entryList({ m_id + QStringLiteral(".*") }, QDir::Files))
        if (!name.endsWith(kLockSuffix))
            QFile::remove(dir.filePath(name));
    m_lock.reset();
}

std::vector<std::unique_ptr<SessionFiles>> SessionFiles::leftOver()
{
    std::vector<std::unique_ptr<SessionFiles>> found;
    const QDir dir(folder());
    QSet<QString> seen;
    QStringList ids;
    for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
        if (name.endsWith(kLockSuffix))
            continue;
        const QString id = name.left(name.indexOf(u'.'));
        if (!id.isEmpty() && !seen.contains(id)) {
            seen.insert(id);
            ids.append(id);
        }
    }
    for (const QString &id : ids) {
        auto session = std::unique_ptr<SessionFiles>(new SessionFiles(id));
        if (session->lock())
            found.push_back(std::move(session));
    }
    return found;
}

} // namespace dq
