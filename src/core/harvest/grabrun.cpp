#include "core/harvest/grabrun.h"

#include "core/grid/gridmodel.h"

namespace dq {

GrabRun::GrabRun(GridModel *table, QNetworkAccessManager *manager, QObject *parent)
    : QObject(parent)
    , m_table(table)
    , m_fetcher(new GrabFetcher(manager, this))
{
    connect(m_fetcher, &GrabFetcher::finished, this, &GrabRun::onFetched);
    connect(m_fetcher, &GrabFetcher::received, this, &GrabRun::pageReceived);
    connect(m_fetcher, &GrabFetcher::waiting, this, [this](const QString &text) {
        emit waiting(text);
        if (m_stop)
            return;
        // The countdown stands in for the animation while it lasts.
        if (text.isEmpty()) {
            m_animation.start();
        } else {
            m_animation.stop();
            emit statusText(text);
        }
    });
    m_animation.setInterval(kAnimationMs);
    connect(&m_animation, &QTimer::timeout, this, [this] {
        m_status = animationStep(m_status);
        emit statusText(m_status);
    });
}

QString GrabRun::animationStep(const QString &current)
{
    QString next = current.isEmpty() ? QStringLiteral(" Grabbing ") : current;
    next += QLatin1Char('>');
    return next.size() >= 19 ? QString() : next;
}

GrabRun::~GrabRun() = default;

bool GrabRun::start(const GridModel &keyTable, const QString &address)
{
    return start(KeyRules::fromGrid(keyTable), address);
}

bool GrabRun::start(const KeyRules &rules, const QString &address)
{
    if (m_running || !m_table)
        return false;
    m_state = Extractor::RunState();
    m_state.address = address;
    m_pages = 0;
    m_grabbed = 0;
    return begin(rules);
}

bool GrabRun::resume(const KeyRules &rules, const Extractor::RunState &state, int pages, int grabbed)
{
    if (m_running || !m_table)
        return false;
    m_state = state;
    m_pages = pages;
    m_grabbed = grabbed;
    return begin(rules);
}

bool GrabRun::begin(const KeyRules &rules)
{
    m_rules = rules;
    m_state.columns = m_table->cols();
    m_message.clear();
    // A Stop left over from an earlier run must not cut this one short.
    m_stop = false;
    m_toldOversized = false;
    m_running = true;
    m_clock.start();

    for (const auto &[column, title] : m_rules.titles)
        m_table->setText(0, column, title);
    m_startRow = m_table->rows();
    m_endRow = m_startRow - 1;

    emit started();
    m_status.clear();
    emit statusText(m_status);
    m_animation.start();
    const QString way = m_wayOverride.isEmpty() ? m_rules.browserFetch : m_wayOverride;
    const QString unusable = m_fetcher->beginRun(GrabFetcher::wayFor(way), m_rules.pageCheck);
    if (!unusable.isEmpty()) {
        QMetaObject::invokeMethod(
            this, [this, unusable] { finish(End::Failed, unusable); }, Qt::QueuedConnection);
        return true;
    }
    fetchCurrent();
    return true;
}

void GrabRun::tableReplaced()
{
    if (!m_running || !m_table)
        return;
    for (const auto &[column, title] : m_rules.titles)
        m_table->setText(0, column, title);
    m_startRow = m_table->rows();
}

void GrabRun::stop()
{
    if (!m_running)
        return;
    m_stop = true;
    m_animation.stop();
    m_status = cancelText();
    emit statusText(m_status);
    // A slow page or a wait for the site is not waited for: the fetch in flight ends at once
    // (after this call returns, so callers never see finished() from inside stop()).
    QMetaObject::invokeMethod(m_fetcher, &GrabFetcher::abort, Qt::QueuedConnection);
}

void GrabRun::fetchCurrent()
{
    emit pageStarted(m_state.page, m_state.address);
    if (m_rules.fetchMode.isEmpty())
        m_fetcher->HttpGetPage(m_state.address);
    else
        m_fetcher->fetch(m_state.address, PageFetcher::Mode::UrlOpen);
}

void GrabRun::onFetched(const PageFetcher::Result &result)
{
    if (!m_running)
        return;
    if (!m_table) {
        finish(End::Failed, QStringLiteral("The record table was closed during the grab"));
        return;
    }
    if (!result.ok) {
        if (m_stop)
            finish(End::Cancelled, cancelText());
        else
            finish(End::Failed, result.errorString);
        return;
    }
    ++m_pages;
    m_state.address = result.address;
    m_state.scheme = result.scheme;
    m_state.columns = m_table->cols();

    Extractor::PageResult page = Extractor::extractPage(m_rules, result.text, m_state);
    if (page.oversized > 0 && !m_toldOversized) {
        m_toldOversized = true;
        emit notice(QStringLiteral("Listings that the key file's rules grow past %1 characters are skipped")
                        .arg(Extractor::kMaxListingSize));
    }
    if (!page.accepted) {
        finish(End::Done, doneText());
        return;
    }
    if (m_freshQuery ? m_freshQuery() : m_fresh) {
        m_table->setRows(1);
        m_startRow = 1;
        m_fresh = false;
        emit freshCleared();
    }
    // Stop is honoured after the listing in hand: a page with listings gives exactly one more.
    const bool stopping = m_stop && !page.rows.empty();
    if (stopping)
        page.rows.resize(1);
    if (!page.rows.empty()) {
        const int first = m_table->rows();
        m_table->appendRows(page.rows);
        m_grabbed += int(page.rows.size());
        emit rowsAdded(first, int(page.rows.size()));
        emit grabbedCountChanged(m_grabbed);
    }
    m_table->setCursor(m_table->rows() - 1, m_table->col());
    const bool last = stopping || page.end != Extractor::End::None || m_pages >= m_maxPages;
    emit pageAccepted(page.rows, m_state, last);
    if (stopping) {
        finish(End::Cancelled, cancelText());
        return;
    }
    if (last) {
        finish(End::Done, doneText());
        return;
    }
    fetchCurrent();
}

void GrabRun::finish(End reason, const QString &message)
{
    m_running = false;
    m_stop = false;
    m_animation.stop();
    m_message = message;
    if (m_table) {
        m_endRow = m_table->rows() - 1;
        if (reason != End::Cancelled && m_colors.size() >= 2) {
            m_colorIndex = (m_colorIndex + 1) % int(m_colors.size());
            const QRgb rgb = m_colors.at(m_colorIndex).rgb();
            // updateFormats ignores an empty range: a run without rows colours nothing.
            m_table->updateFormats(GridRange { m_startRow, 0, m_endRow, m_table->cols() - 1 }, [rgb](CellFormat &f) {
                f.hasFore = true;
                f.fore = rgb;
            });
        }
    }
    if (reason != End::Failed)
        emit statusText(message);
    emit finished(reason, message);
}

} // namespace dq
