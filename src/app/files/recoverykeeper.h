#pragma once

#include "core/harvest/harvestjournal.h"
#include "core/shell/sessionfiles.h"

#include <QObject>

class QTimer;

namespace dq {

class RecoveryCopy;
class frmMain;

// Keeps what the window has not saved safe from a crash: the harvest journal (every grabbed
// page on disk as it arrives) and a recovery copy of the table's unsaved changes, written in
// the background at a set interval. Both are dropped when the table is saved or replaced and
// when the window ends normally; at the next start after a crash, offerRecovery() brings
// them back.
class RecoveryKeeper : public QObject
{
    Q_OBJECT

public:
    // The recovery copy's interval in seconds is the setting of this name (120 when unset).
    static QString intervalSetting() { return QStringLiteral("RecoverySeconds"); }
    static constexpr int kDefaultSeconds = 120;

    explicit RecoveryKeeper(frmMain &window);
    ~RecoveryKeeper() override;

    // Asks about every journal and recovery copy that a run which ended without cleaning up
    // left behind, and restores what the user wants back. Run once at start-up.
    void offerRecovery();

    QString journalPath();
    QString copyPath();

private:
    void onRunStarted();
    void onPage(const std::vector<QStringList> &rows, const Extractor::RunState &state, bool last);
    void onRunEnded(int reason);
    void onTableSettled();
    void writeCopy();
    void journalFailed();
    bool confirmDelete(const QString &what);
    bool restoreCopy(const QString &path);
    void restoreRows(const HarvestJournal::Contents &journal, qint64 skip);

    frmMain &m_window;
    SessionFiles m_session;
    HarvestJournal m_journal;
    RecoveryCopy *m_copy;
    QTimer *m_timer;
    bool m_editedSinceCopy = false;
    bool m_journalWarned = false;
};

} // namespace dq
