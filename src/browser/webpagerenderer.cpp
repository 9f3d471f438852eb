#include "browser/webpagerenderer.h"

#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>

namespace dq {

namespace {

bool isWebScheme(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == u"http" || scheme == u"https";
}

// A page that goes nowhere but the web and keeps the site's console chatter to itself.
class HarvestPage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool) override { return isWebScheme(url); }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int, const QString &) override { }
};

QString hostPort(const QUrl &url)
{
    return url.host() + QLatin1Char(':') + QString::number(url.port(url.scheme() == u"https" ? 443 : 80));
}

} // namespace

void WebPageRenderer::prepareEngine()
{
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    for (const QByteArray &flag : { QByteArrayLiteral("--disable-background-timer-throttling"),
             QByteArrayLiteral("--disable-renderer-backgrounding") }) {
        if (!flags.contains(flag))
            flags += (flags.isEmpty() ? "" : " ") + flag;
    }
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
}

WebPageRenderer::WebPageRenderer(QWebEngineProfile *profile, QObject *parent)
    : PageRenderer(parent)
    , m_profile(profile)
{
    m_poll.setSingleShot(true);
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &WebPageRenderer::poll);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &WebPageRenderer::timeUp);
}

WebPageRenderer::~WebPageRenderer()
{
    // The page must go before the profile it was made from.
    delete m_page;
}

void WebPageRenderer::render(const QUrl &url, const QString &marker, int timeoutMs)
{
    if (m_busy)
        abort();
    if (!m_page) {
        m_page = new HarvestPage(m_profile, this);
        connect(m_page, &QWebEnginePage::loadFinished, this, &WebPageRenderer::onLoadFinished);
        connect(m_page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo &info) {
            if (!m_busy || info.status() != QWebEngineLoadingInfo::LoadFailedStatus)
                return;
            m_loadError = info.errorString();
            if (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain)
                m_status = info.errorCode();
            // Chromium's codes for a connection closed or reset, or an empty answer.
            m_dropped = info.errorDomain() == QWebEngineLoadingInfo::ConnectionErrorDomain
                && (info.errorCode() == -100 || info.errorCode() == -101 || info.errorCode() == -324);
        });
    }
    ++m_generation;
    m_url = url;
    m_marker = marker;
    m_timeoutMs = timeoutMs;
    m_loadError.clear();
    m_status = 0;
    m_dropped = false;
    m_loaded = false;
    m_busy = true;
    if (!isWebScheme(url)) {
        PageFetcher::Result r;
        r.errorString
            = QStringLiteral("failed 12005: '") + url.toDisplayString() + QStringLiteral("' is not a web address");
        QMetaObject::invokeMethod(
            this, [this, r] { deliver(r); }, Qt::QueuedConnection);
        return;
    }
    if (timeoutMs > 0)
        m_deadline.start(timeoutMs);
    m_page->load(url);
}

void WebPageRenderer::abort()
{
    if (!m_busy)
        return;
    ++m_generation;
    m_page->triggerAction(QWebEnginePage::Stop);
    PageFetcher::Result r;
    r.errorString = QStringLiteral("The fetch of ") + m_url.toDisplayString() + QStringLiteral(" was cancelled");
    deliver(r);
}

void WebPageRenderer::onLoadFinished(bool ok)
{
    if (!m_busy || m_loaded)
        return;
    if (!ok) {
        PageFetcher::Result r;
        r.status = m_status;
        r.dropped = m_dropped;
        r.errorString = m_status >= 400
            ? QStringLiteral("The server answered ") + QString::number(m_status) + QStringLiteral(" for ")
                + m_url.toDisplayString()
            : QStringLiteral("HttpSendRequest failed 12152: ") + m_url.toDisplayString() + QStringLiteral(": ")
                + (m_loadError.isEmpty() ? QStringLiteral("the page did not load") : m_loadError);
        deliver(r);
        return;
    }
    m_loaded = true;
    poll();
}

void WebPageRenderer::poll()
{
    const int generation = m_generation;
    m_page->toHtml([this, generation](const QString &html) {
        if (generation != m_generation || !m_busy)
            return;
        if (m_marker.isEmpty() || html.contains(m_marker)) {
            PageFetcher::Result r;
            r.ok = true;
            r.status = 200;
            r.text = html;
            r.bytes = html.size();
            deliver(r);
        } else {
            m_poll.start();
        }
    });
}

void WebPageRenderer::timeUp()
{
    if (!m_busy)
        return;
    if (m_loaded) {
        // The page never showed the marker: hand over what it holds, the grab decides.
        const int generation = ++m_generation;
        m_poll.stop();
        m_page->toHtml([this, generation](const QString &html) {
            if (generation != m_generation || !m_busy)
                return;
            PageFetcher::Result r;
            r.ok = true;
            r.status = 200;
            r.text = html;
            r.bytes = html.size();
            deliver(r);
        });
        return;
    }
    m_page->triggerAction(QWebEnginePage::Stop);
    ++m_generation;
    PageFetcher::Result r;
    r.errorString = QStringLiteral("HttpSendRequest failed 12002: no complete answer from ") + hostPort(m_url)
        + QStringLiteral(" within ") + QString::number(m_timeoutMs / 1000.0, 'g', 4) + QStringLiteral(" seconds");
    deliver(r);
}

void WebPageRenderer::deliver(PageFetcher::Result result)
{
    if (!m_busy)
        return;
    m_busy = false;
    m_poll.stop();
    m_deadline.stop();
    result.scheme = m_url.scheme();
    emit finished(result);
}

} // namespace dq
