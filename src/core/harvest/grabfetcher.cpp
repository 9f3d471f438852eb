#include "core/harvest/grabfetcher.h"

#include "core/harvest/pagerenderer.h"
#include "core/harvest/retrypolicy.h"

#include <QDateTime>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QRandomGenerator>
#include <QtMath>

namespace dq {

namespace {
double jitter()
{
    return QRandomGenerator::global()->generateDouble() * 2.0 - 1.0;
}
} // namespace

GrabFetcher::GrabFetcher(QNetworkAccessManager *manager, QObject *parent)
    : QObject(parent)
    , m_plain(new PageFetcher(manager, this))
{
    connect(m_plain, &PageFetcher::finished, this, &GrabFetcher::onResult);
    connect(m_plain, &PageFetcher::received, this, &GrabFetcher::received);
    // Waits are what a site asked for: a coarse timer could come back a little early.
    m_wait.setSingleShot(true);
    m_wait.setTimerType(Qt::PreciseTimer);
    connect(&m_wait, &QTimer::timeout, this, [this] {
        m_countdown.stop();
        if (m_announce)
            emit waiting(QString());
        send();
    });
    m_countdown.setInterval(1000);
    connect(&m_countdown, &QTimer::timeout, this, &GrabFetcher::tick);
}

GrabFetcher::~GrabFetcher() = default;

GrabFetcher::Way GrabFetcher::wayFor(const QString &name)
{
    const QString n = name.trimmed().toLower();
    if (n == u"session")
        return Way::Session;
    if (n == u"render")
        return Way::Render;
    return Way::Plain;
}

void GrabFetcher::setTimeout(int ms)
{
    m_plain->setTimeout(ms);
    if (m_sessionFetcher)
        m_sessionFetcher->setTimeout(ms);
}

void GrabFetcher::setMaxBytes(qint64 bytes)
{
    m_plain->setMaxBytes(bytes);
    if (m_sessionFetcher)
        m_sessionFetcher->setMaxBytes(bytes);
}

void GrabFetcher::setRetries(int retries)
{
    m_retries = qBound(0, retries, RetryPolicy::kMaxRetries);
}

void GrabFetcher::setRenderer(PageRenderer *renderer)
{
    if (m_renderer)
        m_renderer->disconnect(this);
    m_renderer = renderer;
    if (renderer) {
        connect(renderer, &PageRenderer::finished, this, [this](const PageFetcher::Result &r) {
            if (!m_rendering)
                return;
            m_rendering = false;
            onResult(r);
        });
    }
}

QString GrabFetcher::beginRun(Way way, const QString &pageCheck)
{
    abort();
    m_way = way;
    m_pageCheck = pageCheck;
    m_pages = 0;
    if (way == Way::Render && !m_renderer)
        return QStringLiteral("This key file loads its pages in a browser page, which is not available here");
    if (way == Way::Session) {
        // A fresh jar per run: the browser's cookies as they are now, plus what the site sets
        // while this run goes on.
        delete m_sessionFetcher;
        delete m_sessionManager;
        m_sessionManager = new QNetworkAccessManager(this);
        auto *jar = new QNetworkCookieJar(m_sessionManager);
        for (const QNetworkCookie &cookie : std::as_const(m_session.cookies))
            jar->insertCookie(cookie);
        m_sessionManager->setCookieJar(jar);
        auto *fetcher = new PageFetcher(m_sessionManager, this);
        fetcher->setTimeout(m_plain->timeout());
        fetcher->setMaxBytes(m_plain->maxBytes());
        fetcher->setUserAgent(m_session.userAgent.isEmpty() ? BrowserSession::defaultUserAgent() : m_session.userAgent);
        fetcher->setAcceptLanguage(
            m_session.acceptLanguage.isEmpty() ? BrowserSession::systemAcceptLanguage() : m_session.acceptLanguage);
        connect(fetcher, &PageFetcher::finished, this, &GrabFetcher::onResult);
        connect(fetcher, &PageFetcher::received, this, &GrabFetcher::received);
        m_sessionFetcher = fetcher;
    }
    return QString();
}

void GrabFetcher::HttpGetPage(QString &address)
{
    fetch(address, PageFetcher::Mode::HttpGet);
    address = m_kept;
}

void GrabFetcher::fetch(const QString &address, PageFetcher::Mode mode)
{
    m_address = address;
    m_mode = mode;
    m_url = PageFetcher::requestUrl(address, mode, &m_kept);
    m_tries = 0;
    const bool first = m_pages++ == 0;
    if (!first && m_pauseMs > 0)
        startWait(RetryPolicy::jittered(m_pauseMs, jitter()), false, false);
    else
        send();
}

void GrabFetcher::send()
{
    ++m_tries;
    if (m_way != Way::Render) {
        (m_way == Way::Session && m_sessionFetcher ? m_sessionFetcher : m_plain)->fetch(m_address, m_mode);
        return;
    }
    m_rendering = true;
    const QString scheme = m_url.scheme().toLower();
    if (!m_url.isValid() || (scheme != u"http" && scheme != u"https")) {
        m_rendering = false;
        PageFetcher::Result r;
        r.address = m_kept;
        r.errorString = QStringLiteral("failed 12005: '") + m_address + QStringLiteral("' is not a web address");
        QMetaObject::invokeMethod(
            this, [this, r] { deliver(r); }, Qt::QueuedConnection);
        return;
    }
    m_renderer->render(m_url, m_pageCheck, m_plain->timeout());
}

void GrabFetcher::abort()
{
    if (m_wait.isActive() || m_countdown.isActive()) {
        m_wait.stop();
        m_countdown.stop();
        if (m_announce)
            emit waiting(QString());
        PageFetcher::Result r;
        r.address = m_kept;
        r.scheme = m_url.scheme();
        r.errorString = QStringLiteral("The fetch of ") + m_url.toDisplayString() + QStringLiteral(" was cancelled");
        QMetaObject::invokeMethod(
            this, [this, r] { deliver(r); }, Qt::QueuedConnection);
        return;
    }
    m_plain->abort();
    if (m_sessionFetcher)
        m_sessionFetcher->abort();
    if (m_rendering && m_renderer)
        m_renderer->abort();
}

bool GrabFetcher::isBusy() const
{
    return m_wait.isActive() || m_plain->isBusy() || (m_sessionFetcher && m_sessionFetcher->isBusy()) || m_rendering;
}

QString GrabFetcher::waitingText(qint64 seconds, bool siteAsked)
{
    return QStringLiteral("Waiting ") + QString::number(seconds)
        + (siteAsked ? QStringLiteral(" s: the site asked to slow down") : QStringLiteral(" s: the site is busy"));
}

void GrabFetcher::onResult(PageFetcher::Result result)
{
    // The way a page was asked for never changes what the caller keeps as its address.
    result.address = m_kept;
    if (m_way == Way::Render && result.scheme.isEmpty())
        result.scheme = m_url.scheme();
    if (result.ok) {
        deliver(result);
        return;
    }
    const RetryPolicy::Decision d = RetryPolicy::decide(result.status, result.dropped, result.retryAfter, m_tries - 1,
        m_retries, QDateTime::currentDateTimeUtc(), jitter());
    switch (d.kind) {
    case RetryPolicy::Decision::Kind::Retry:
        startWait(d.waitMs, true, d.siteAsked);
        return;
    case RetryPolicy::Decision::Kind::TooLong:
        result.errorString += QStringLiteral(". The site asked to wait ") + RetryPolicy::durationText(d.askedSeconds)
            + QStringLiteral(" before the next try, longer than the ")
            + RetryPolicy::durationText(RetryPolicy::kMaxWaitSeconds) + QStringLiteral(" a grab waits");
        break;
    case RetryPolicy::Decision::Kind::GiveUp:
        if (m_tries > 1)
            result.errorString += QStringLiteral(" (") + QString::number(m_tries) + QStringLiteral(" tries)");
        break;
    }
    deliver(result);
}

void GrabFetcher::startWait(qint64 ms, bool announce, bool siteAsked)
{
    m_waitMs = ms;
    m_announce = announce && ms > 0;
    m_siteAsked = siteAsked;
    m_waitClock.start();
    m_wait.start(int(qMin<qint64>(ms, INT_MAX)));
    if (m_announce) {
        tick();
        m_countdown.start();
    }
}

void GrabFetcher::tick()
{
    const qint64 left = qMax<qint64>(0, m_waitMs - m_waitClock.elapsed());
    emit waiting(waitingText(qMax<qint64>(1, qCeil(left / 1000.0)), m_siteAsked));
}

void GrabFetcher::deliver(const PageFetcher::Result &result)
{
    emit finished(result);
}

} // namespace dq
