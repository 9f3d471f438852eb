#include "app/files/recoverykeeper.h"

#include "app/harvest/harvestcommands.h"
#include "app/shell/frmmain.h"
#include "core/grid/gridmodel.h"
#include "core/harvest/grabrun.h"
#include "core/shell/settings.h"
#include "core/shell/userprompts.h"
#include "core/table/recordtable.h"
#include "core/table/recoverycopy.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTimer>

#include <optional>

namespace dq {

namespace {

const QString kJournal = QStringLiteral(".journal");
const QString kCopy = QStringLiteral(".recovery.tsy");
const QString kTitle = QStringLiteral("Recover");

QString shownDate(const QDateTime &when)
{
    return QLocale().toString(when.toLocalTime(), QLocale::ShortFormat);
}

UserPrompts::Answer ask(UserPrompts &prompts, const QString &text)
{
    return prompts.message(kTitle, text, UserPrompts::Icon::Question, UserPrompts::Buttons::YesNo);
}

} // namespace

RecoveryKeeper::RecoveryKeeper(frmMain &window)
    : QObject(&window)
    , m_window(window)
    , m_copy(new RecoveryCopy(this))
    , m_timer(new QTimer(this))
{
    GrabRun &run = window.harvest().grabRun();
    connect(&run, &GrabRun::started, this, &RecoveryKeeper::onRunStarted);
    connect(&run, &GrabRun::pageAccepted, this, &RecoveryKeeper::onPage);
    connect(&run, &GrabRun::finished, this, [this](GrabRun::End reason) { onRunEnded(int(reason)); });

    RecordTable &table = window.table();
    // The changed flag goes off only when the table was saved or replaced (New, Open): its
    // rows are then either in a file or given up on purpose.
    connect(&table, &RecordTable::changedFlagChanged, this, [this](bool changed) {
        if (!changed)
            onTableSettled();
    });
    connect(&table.fa(), &GridModel::contentsEdited, this, [this] { m_editedSinceCopy = true; });

    const int seconds = Settings::toInt(Settings::read(intervalSetting()));
    m_timer->setInterval((seconds > 0 ? seconds : kDefaultSeconds) * 1000);
    connect(m_timer, &QTimer::timeout, this, &RecoveryKeeper::writeCopy);
    connect(m_copy, &RecoveryCopy::written, this, [this](bool ok) {
        // Saved while the copy was written: the copy is already out of date.
        if (!ok || !m_window.table().changed()) {
            m_session.remove(kCopy);
            m_session.remove(RecoveryCopy::infoPath(kCopy));
        }
    });
    m_timer->start();
}

RecoveryKeeper::~RecoveryKeeper()
{
    // The window ends normally: the user has answered the save question.
    m_copy->waitForDone();
    m_journal.remove();
    m_session.removeAll();
}

QString RecoveryKeeper::journalPath()
{
    return m_session.path(kJournal);
}

QString RecoveryKeeper::copyPath()
{
    return m_session.path(kCopy);
}

void RecoveryKeeper::onRunStarted()
{
    m_journalWarned = false;
    m_journal.setPath(journalPath());
    const GrabRun &run = m_window.harvest().grabRun();
    if (!m_journal.beginRun(m_window.harvest().runInfo(), run.state(), run.pageCount(), run.grabbedCount()))
        journalFailed();
}

void RecoveryKeeper::onPage(const std::vector<QStringList> &rows, const Extractor::RunState &state, bool last)
{
    const GrabRun &run = m_window.harvest().grabRun();
    if (!m_journal.appendPage(rows, state, run.pageCount(), run.grabbedCount(), last))
        journalFailed();
}

void RecoveryKeeper::onRunEnded(int reason)
{
    static const char *const kEnds[] = { "Done", "Cancelled", "Failed" };
    if (!m_journal.endRun(QLatin1String(kEnds[qBound(0, reason, 2)])))
        journalFailed();
}

void RecoveryKeeper::journalFailed()
{
    // Said once per run: the grab goes on, its rows are only in memory until saved.
    if (m_journalWarned)
        return;
    m_journalWarned = true;
    m_window.prompts().message(kTitle,
        QStringLiteral("The harvest journal cannot be written (%1). The grabbed rows are safe only once "
                       "the table is saved.")
            .arg(m_journal.errorString()),
        UserPrompts::Icon::Warning, UserPrompts::Buttons::Ok);
}

void RecoveryKeeper::onTableSettled()
{
    m_journal.clear();
    if (!m_copy->isWriting()) {
        m_session.remove(kCopy);
        m_session.remove(RecoveryCopy::infoPath(kCopy));
    }
    m_editedSinceCopy = false;
}

void RecoveryKeeper::writeCopy()
{
    RecordTable &table = m_window.table();
    if (!table.changed() || !m_editedSinceCopy || m_copy->isWriting())
        return;
    const QString path = copyPath();
    if (path.isEmpty())
        return;
    const RecoveryCopy::Info info { table.currentFile(), table.currentKind(), QDateTime::currentDateTimeUtc(),
        m_journal.rowCount() };
    if (m_copy->write(table.fa(), path, info))
        m_editedSinceCopy = false;
}

bool RecoveryKeeper::confirmDelete(const QString &what)
{
    return ask(m_window.prompts(), what + QStringLiteral(" will be deleted and cannot be restored later. Delete them?"))
        == UserPrompts::Answer::Yes;
}

bool RecoveryKeeper::restoreCopy(const QString &path)
{
    RecordTable &table = m_window.table();
    RecoveryCopy::Info info;
    RecoveryCopy::readInfo(path, info);
    table.setTracking(false);
    const FileResult loaded = GridFile::load(table.fa(), path, FileKind::Native);
    table.setTracking(true);
    if (!loaded) {
        m_window.prompts().message(kTitle, loaded.errorString, UserPrompts::Icon::Warning, UserPrompts::Buttons::Ok);
        return false;
    }
    table.setCurrentFile(info.tableFile.isEmpty() ? RecordTable::untitledPath() : info.tableFile);
    table.setCurrentKind(info.kind);
    table.setFresh(false);
    table.setCaptionFor(table.isUntitled() ? RecordTable::FileNameOf(table.currentFile()) : table.currentFile());
    emit table.tableRebuilt();
    table.MakeModified(true);
    return true;
}

void RecoveryKeeper::restoreRows(const HarvestJournal::Contents &journal, qint64 skip)
{
    RecordTable &table = m_window.table();
    table.dropFreshRows();
    HarvestJournal::Contents rest = journal;
    rest.rows.erase(rest.rows.begin(), rest.rows.begin() + qsizetype(skip));
    table.fa().appendRows(rest.rows);
    table.fa().setCursor(table.fa().rows() - 1, 0);
    table.setChangedDirectly();
    // The rows are at risk again until saved: they go on in this window's journal.
    m_journal.setPath(journalPath());
    if (!m_journal.appendRecovered(rest))
        journalFailed();
    m_window.fa_Click();
}

void RecoveryKeeper::offerRecovery()
{
    UserPrompts &prompts = m_window.prompts();
    bool restoredCopy = false;
    std::optional<HarvestJournal::Contents> toContinue;
    for (const std::unique_ptr<SessionFiles> &old : SessionFiles::leftOver()) {
        const QString copy = old->path(kCopy);
        const QString journalFile = old->path(kJournal);
        bool keepCopy = false;
        bool keepJournal = false;
        qint64 skip = 0;

        RecoveryCopy::Info info;
        if (RecoveryCopy::readInfo(copy, info)) {
            // One copy becomes the table; another one waits for a later start.
            if (restoredCopy || !m_window.table().fresh()) {
                keepCopy = true;
            } else if (ask(prompts,
                           QStringLiteral("Dirquill found unsaved changes to %1 from %2. Restore them?")
                               .arg(QFileInfo(info.tableFile).fileName(), shownDate(info.saved)))
                == UserPrompts::Answer::Yes) {
                if (restoreCopy(copy)) {
                    restoredCopy = true;
                    skip = info.journalRows;
                    // Kept as this window's copy until its own is written.
                    const QString mine = copyPath();
                    QFile::remove(mine);
                    QFile::rename(copy, mine);
                    info.journalRows = 0;
                    RecoveryCopy::writeInfo(mine, info);
                } else {
                    keepCopy = true;
                }
            } else {
                keepCopy = !confirmDelete(QStringLiteral("The unsaved changes"));
            }
        }

        const HarvestJournal::Contents journal = HarvestJournal::read(journalFile);
        const qint64 count = qint64(journal.rows.size()) - skip;
        if (!keepCopy && count > 0) {
            const QString site
                = journal.run.site.isEmpty() ? QFileInfo(journal.run.keyFile).fileName() : journal.run.site;
            const QString question
                = QStringLiteral("Dirquill found %1 rows grabbed from %2 on %3 that were never saved. Restore them?")
                      .arg(count)
                      .arg(site, shownDate(journal.run.started));
            if (ask(prompts, question) == UserPrompts::Answer::Yes) {
                restoreRows(journal, skip);
                if (!journal.ended && !toContinue)
                    toContinue = journal;
            } else {
                keepJournal = !confirmDelete(QStringLiteral("The %1 rows").arg(count));
            }
        } else if (keepCopy && count > 0) {
            keepJournal = true;
        }

        if (!keepCopy && !keepJournal)
            old->removeAll();
    }

    if (toContinue) {
        const QString site
            = toContinue->run.site.isEmpty() ? QFileInfo(toContinue->run.keyFile).fileName() : toContinue->run.site;
        if (ask(prompts,
                QStringLiteral("The grab from %1 had not ended. Continue grabbing from page %2?")
                    .arg(site)
                    .arg(toContinue->state.page + 1))
            == UserPrompts::Answer::Yes)
            m_window.harvest().continueGrab(*toContinue);
    }
}

} // namespace dq
