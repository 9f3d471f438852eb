#pragma once

#include "core/harvest/browsersession.h"
#include "core/harvest/pagefetcher.h"
#include "core/harvest/pagerenderer.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QNetworkAccessManager;

namespace dq {

// How a grab asks for its pages: the way the key file chooses (the plain HTTP client, the
// client dressed as the user's browser session, or a hidden browser page), a polite pause
// between pages, and retries of busy answers with the waits RetryPolicy decides.
//
// Callers see one fetch and one finished() per page, whatever happened in between; waits are
// announced by waiting() once a second. abort() ends a fetch or a wait at once.
class GrabFetcher : public QObject
{
    Q_OBJECT

public:
    enum class Way { Plain, Session, Render };

    explicit GrabFetcher(QNetworkAccessManager *manager = nullptr, QObject *parent = nullptr);
    ~GrabFetcher() override;

    // "session" and "render" (any letter case); anything else is the plain client.
    static Way wayFor(const QString &name);

    void setTimeout(int ms);
    void setMaxBytes(qint64 bytes);
    int timeout() const { return m_plain->timeout(); }
    void setRetries(int retries);
    int retries() const { return m_retries; }
    // The pause before every page but the first of a run; each pause varies by ±20 %.
    void setPauseMs(int ms) { m_pauseMs = qMax(0, ms); }
    int pauseMs() const { return m_pauseMs; }
    void setSession(const BrowserSession &session) { m_session = session; }
    // A renderer for the Render way; not owned.
    void setRenderer(PageRenderer *renderer);
    bool hasRenderer() const { return m_renderer != nullptr; }

    // Starts a run in way: the session's cookies are taken afresh and kept for the run, the first
    // page goes out without a pause. pageCheck is the text a rendered page must show. Returns an
    // error message when the way cannot be used here.
    QString beginRun(Way way, const QString &pageCheck);
    Way way() const { return m_way; }

    // Same contracts as PageFetcher's: the address is rewritten at once, the page follows.
    void HttpGetPage(QString &address);
    void fetch(const QString &address, PageFetcher::Mode mode);
    void abort();
    bool isBusy() const;
    bool isWaiting() const { return m_wait.isActive(); }
    // Requests made for the last page, retries included.
    int tries() const { return m_tries; }

    static QString waitingText(qint64 seconds, bool siteAsked);

signals:
    void received(qint64 bytes);
    // While a retry waits: the countdown text, once a second; an empty text when it ends.
    void waiting(const QString &text);
    void finished(const dq::PageFetcher::Result &result);

private:
    void send();
    void onResult(PageFetcher::Result result);
    void startWait(qint64 ms, bool announce, bool siteAsked);
    void tick();
    void deliver(const PageFetcher::Result &result);

    PageFetcher *m_plain;
    PageFetcher *m_sessionFetcher = nullptr;
    QNetworkAccessManager *m_sessionManager = nullptr;
    QPointer<PageRenderer> m_renderer;
    BrowserSession m_session;
    Way m_way = Way::Plain;
    QString m_pageCheck;
    QString m_address; // as the caller gave it
    QString m_kept; // as the caller keeps it
    QUrl m_url;
    PageFetcher::Mode m_mode = PageFetcher::Mode::HttpGet;
    QTimer m_wait;
    QTimer m_countdown;
    QElapsedTimer m_waitClock;
    qint64 m_waitMs = 0;
    bool m_announce = false;
    bool m_siteAsked = false;
    int m_retries = 3;
    int m_pauseMs = 0;
    int m_tries = 0;
    int m_pages = 0;
    bool m_rendering = false;
};

} // namespace dq
