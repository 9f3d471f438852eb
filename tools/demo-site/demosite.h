#pragma once

#include "democatalog.h"
#include "httpmessage.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>

namespace dq::demo {

// How a result page names the next one. Each style has its own path prefix. Script and Wall
// page like Page; Script writes its listings into the page by script from data in the page,
// Wall answers result pages with a consent page unless the cookie its search page sets comes
// along.
enum class PagingStyle { Page, PageMiddle, Item, ItemMiddle, Next, Script, Wall };

// The directory site: turns one request into one response, with no state between
// requests (but the rate-limit switch), so every page can be fetched again and comes back the same.
//
// Fault switches (query parameters on any page; with at=N only on result page N):
//   delay=MS            answer after MS milliseconds
//   status=CODE         answer with that error status (400-599) and a short error page
//   drop=1 | drop=mid   close the connection without answering / halfway through the body
//   drip=MS             send the body in 64-byte pieces MS milliseconds apart
//   huge=MB             pad the page with a comment to at least MB megabytes (at most 512)
//   charset=windows-1252 [declare=header|meta|none]
//                       encode the page in Windows-1252, declared in the Content-Type
//                       header and the meta tag (default) or only one of them, or neither
//   redirect=N          answer 302 to the same address with redirect=N-1, N times
//   ratelimit=N         answer 429 with "Retry-After: 1" to a request that comes when N
//                       requests with the same switch came within the last second
struct SiteOptions
{
    int listingsPerSearch = 250;
    int perPage = 10;
    quint64 seed = 1;
};

class DemoSite
{
public:
    explicit DemoSite(const SiteOptions &options)
        : m_catalog(options.listingsPerSearch, options.seed)
        , m_perPage(options.perPage)
    {
    }

    // host: the address the visitor used, for absolute links ("127.0.0.1:8765").
    HttpResponse respond(const HttpRequest &request, const QByteArray &fallbackHost) const;

    int perPage() const { return m_perPage; }

private:
    struct Route;

    Route route(const HttpRequest &request) const;
    QString homePage() const;
    QString formPage(PagingStyle style, const Search &search, const QString &note) const;
    QString resultPage(const Route &route, const HttpRequest &request, const QString &host) const;
    QString listingHtml(const Listing &listing) const;
    QString pageUrl(const Route &route, const HttpRequest &request, int page) const;
    QString scriptedListings(const Search &search, int start, int end, const QString &summary) const;
    bool overRate(int perSecond) const;

    DemoCatalog m_catalog;
    int m_perPage;
    // When the rate-limited requests came (ms since start), per limit: each limit is its own client.
    mutable QHash<int, QList<qint64>> m_recent;
    mutable QElapsedTimer m_clock;
};

// The page text in Windows-1252 (every letter and sign the site uses exists there).
QByteArray toWindows1252(const QString &text);

} // namespace dq::demo
