#pragma once

#include "core/harvest/pagerenderer.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

class QWebEnginePage;
class QWebEngineProfile;

namespace dq {

// Renders result pages in a hidden page of a browser profile: the profile's cookies, storage
// and scripts apply, as in the user's own browser. After loading has finished, the page's HTML
// is read every kPollMs until the marker shows or the time is up. Only http and https addresses
// are ever loaded, links and redirects included.
class WebPageRenderer : public PageRenderer
{
    Q_OBJECT

public:
    static constexpr int kPollMs = 50;

    // Lets the scripts of pages no one sees run at full pace (the engine would otherwise slow their
    // timers to once a second). Call before the browser engine's first use.
    static void prepareEngine();

    // profile is not owned and must outlive this renderer.
    explicit WebPageRenderer(QWebEngineProfile *profile, QObject *parent = nullptr);
    ~WebPageRenderer() override;

    void render(const QUrl &url, const QString &marker, int timeoutMs) override;
    void abort() override;

private:
    void onLoadFinished(bool ok);
    void poll();
    void timeUp();
    void deliver(PageFetcher::Result result);

    QWebEngineProfile *m_profile;
    QWebEnginePage *m_page = nullptr;
    QTimer m_poll;
    QTimer m_deadline;
    QUrl m_url;
    QString m_marker;
    QString m_loadError;
    int m_status = 0;
    int m_generation = 0;
    int m_timeoutMs = 0;
    bool m_busy = false;
    bool m_loaded = false;
    bool m_dropped = false;
};

} // namespace dq
