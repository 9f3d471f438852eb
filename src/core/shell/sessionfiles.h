#pragma once

#include <QDateTime>
#include <QString>

#include <memory>
#include <vector>

class QLockFile;

namespace dq {

// The files one window keeps in the per-user data folder while it runs (the harvest journal,
// the recovery copy of unsaved edits). They share a session id and one lock file, so a second
// window never takes another's files, and a later start can tell the files of a run that ended
// without cleaning up (crash, kill, power loss) from those of a window still open.
//
// The folder is "sessions" in the program's per-user data folder (userDataFolder()), so
// XDG_DATA_HOME moves it.
class SessionFiles
{
public:
    // A new session of this process. Its lock is taken when the first file is asked for.
    SessionFiles();
    ~SessionFiles();
    SessionFiles(const SessionFiles &) = delete;
    SessionFiles &operator=(const SessionFiles &) = delete;

    static QString folder();

    // The sessions whose owner is gone, oldest first, each locked by this process until
    // it is dropped; files the caller does not remove stay for a later start.
    static std::vector<std::unique_ptr<SessionFiles>> leftOver();

    QString id() const { return m_id; }
    // The path of this session's file with the given suffix (".journal", ".recovery.tsy").
    // Takes the session's lock first; empty when the folder cannot be made or locked.
    QString path(const QString &suffix);
    // Removes the session's file with this suffix.
    void remove(const QString &suffix);
    // Removes every file of the session (the lock last).
    void removeAll();

private:
    explicit SessionFiles(const QString &id);
    bool lock();

    QString m_id;
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace dq
