#pragma once

#include "core/harvest/extractor.h"
#include "core/harvest/grabfetcher.h"
#include "core/harvest/keyrules.h"
#include "core/harvest/pagefetcher.h"

#include <QColor>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

class QNetworkAccessManager;

namespace dq {

class GridModel;

// One grab: fetches the listing pages one after another, cuts them with the key rules and
// appends the rows to the record table, until the results end, Stop, a failure or a page limit.
//
// Runs asynchronously on the caller's thread: start() returns at once and every step follows a
// network event. Rows land one page at a time (one model insert per page). Stop aborts the page
// being fetched at once and ends the run as cancelled; a page already in hand still gives its
// first listing. A failed fetch ends the run with its message; every row already added stays. Every end leaves the
// table changed: owners set their changed flag on finished().
class GrabRun : public QObject
{
    Q_OBJECT

public:
    enum class End { Done, Cancelled, Failed };
    Q_ENUM(End)

    explicit GrabRun(GridModel *table, QNetworkAccessManager *manager = nullptr, QObject *parent = nullptr);
    ~GrabRun() override;

    // The table holds only placeholder rows: the first accepted page replaces them.
    void setFresh(bool fresh) { m_fresh = fresh; }
    bool isFresh() const { return m_fresh; }
    // Where the table's owner keeps that state. It is asked when a page is accepted, not when
    // the run starts, so a table replaced during the run is never wiped by an old answer.
    void setFreshQuery(std::function<bool()> query) { m_freshQuery = std::move(query); }
    // The table was replaced (New, Open) while the run goes on: its rows start afresh.
    void tableReplaced();

    // Colours that tell successive runs apart (first entry black); with two or more, each run
    // that ends normally gets the next one. The index persists from run to run.
    void setBatchColors(const QList<QColor> &colors) { m_colors = colors; }
    int batchColorIndex() const { return m_colorIndex; }
    void setBatchColorIndex(int index) { m_colorIndex = index; }

    void setTimeout(int ms) { m_fetcher->setTimeout(ms); }
    void setMaxBytes(qint64 bytes) { m_fetcher->setMaxBytes(bytes); }
    // Tries again after busy answers and dropped connections (0: never), pauses between pages,
    // and the way pages are asked for (see GrabFetcher).
    void setRetries(int retries) { m_fetcher->setRetries(retries); }
    void setPauseMs(int ms) { m_fetcher->setPauseMs(ms); }
    void setSession(const BrowserSession &session) { m_fetcher->setSession(session); }
    void setRenderer(PageRenderer *renderer) { m_fetcher->setRenderer(renderer); }
    // Overrides the key file's browser fetch cell ("session", "render", "plain"); empty follows it.
    void setBrowserFetch(const QString &way) { m_wayOverride = way; }
    GrabFetcher &fetcher() { return *m_fetcher; }

    // Pages fetched in one run at most (the run ends normally there); at most 10000.
    void setMaxPages(int pages) { m_maxPages = qBound(1, pages, Extractor::kLastPage + 1); }

    bool isRunning() const { return m_running; }
    int grabbedCount() const { return m_grabbed; }
    int pageCount() const { return m_pages; }
    int startRow() const { return m_startRow; }
    int endRow() const { return m_endRow; }
    const QString &message() const { return m_message; }

    // Starts grabbing at address with the rules of keyTable. Returns false (and does nothing)
    // while a run is going.
    bool start(const GridModel &keyTable, const QString &address);
    bool start(const KeyRules &rules, const QString &address);
    // Goes on with a run that was cut off: state is where it stood after its last complete
    // page, pages and grabbed its counts so far.
    bool resume(const KeyRules &rules, const Extractor::RunState &state, int pages, int grabbed);
    const Extractor::RunState &state() const { return m_state; }
    // Ends the run: the fetch in flight is aborted; " Cancel" shows at once.
    void stop();

    static QString doneText() { return QStringLiteral(" Done"); }
    static QString cancelText() { return QStringLiteral(" Cancel"); }
    // The running status after one more tick of the grab animation: " Grabbing " gains a ">"
    // per tick and starts over once it would reach 19 characters.
    static QString animationStep(const QString &current);
    static constexpr int kAnimationMs = 200;

signals:
    void started();
    void pageStarted(int page, const QString &address);
    void pageReceived(qint64 bytes);
    void rowsAdded(int firstRow, int count);
    // A page was accepted and its rows are in the table; state is where the run goes on,
    // last is set when this page ends the run.
    void pageAccepted(const std::vector<QStringList> &rows, const dq::Extractor::RunState &state, bool last);
    void grabbedCountChanged(int count);
    void freshCleared();
    void statusText(const QString &text);
    // A retry's countdown ("Waiting 12 s: ..."), once a second; empty when the wait is over.
    void waiting(const QString &text);
    // Something the user should know that does not end the run; said once per run at most.
    void notice(const QString &text);
    // While a run goes: "" at its start, then the animation every kAnimationMs; " Cancel" at Stop;
    // the end's text (" Done" or " Cancel") at the end. A failure shows its message instead.
    // reason Done: " Done" in message; Cancelled: " Cancel"; Failed: the fetch failure message.
    void finished(dq::GrabRun::End reason, const QString &message);

private:
    bool begin(const KeyRules &rules);
    void fetchCurrent();
    void onFetched(const PageFetcher::Result &result);
    void finish(End reason, const QString &message);

    QPointer<GridModel> m_table;
    GrabFetcher *m_fetcher;
    QString m_wayOverride;
    KeyRules m_rules;
    Extractor::RunState m_state;
    std::function<bool()> m_freshQuery;
    QList<QColor> m_colors;
    QString m_message;
    QElapsedTimer m_clock;
    QTimer m_animation;
    QString m_status;
    int m_colorIndex = 0;
    int m_maxPages = Extractor::kLastPage + 1;
    int m_pages = 0;
    int m_grabbed = 0;
    int m_startRow = 0;
    int m_endRow = 0;
    bool m_fresh = false;
    bool m_stop = false;
    bool m_running = false;
    bool m_toldOversized = false;
};

} // namespace dq
