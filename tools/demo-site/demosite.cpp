#include "demosite.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringEncoder>
#include <QUrl>

namespace dq::demo {

namespace {

struct StyleInfo
{
    PagingStyle style;
    QLatin1StringView root; // path prefix
    QLatin1StringView title; // shown on its pages
};

constexpr StyleInfo kStyles[] = {
    { PagingStyle::Page, QLatin1StringView("page"), QLatin1StringView("page number at the end of the address") },
    { PagingStyle::PageMiddle, QLatin1StringView("pagemiddle"),
        QLatin1StringView("page number in the middle of the address") },
    { PagingStyle::Item, QLatin1StringView("item"),
        QLatin1StringView("first listing number at the end of the address") },
    { PagingStyle::ItemMiddle, QLatin1StringView("itemmiddle"),
        QLatin1StringView("first listing number in the middle of the address") },
    { PagingStyle::Next, QLatin1StringView("next"), QLatin1StringView("a Next link on every page") },
    { PagingStyle::Script, QLatin1StringView("script"),
        QLatin1StringView("page numbers, listings written into the page by a script") },
    { PagingStyle::Wall, QLatin1StringView("wall"),
        QLatin1StringView("page numbers, behind a cookie wall the search page lets you through") },
};

// The cookie the cookie wall's search page sets and its result pages want to see.
constexpr char kConsentCookie[] = "dq_consent=yes";

bool hasCookie(const QByteArray &header, const char *pair)
{
    for (const QByteArray &part : header.split(';')) {
        if (part.trimmed() == pair)
            return true;
    }
    return false;
}

// Builds the listing block in the browser from the page's data, with the same markup the other
// styles send; the page as sent holds none of it.
const char16_t kListingScript[] = uR"(<script>
function dqSpan(cls, text) {
  var s = document.createElement('span'); s.className = cls;
  if (text) s.textContent = text;
  return s;
}
function dqLink(href, text) {
  var a = document.createElement('a'); a.setAttribute('href', href); a.textContent = text; return a;
}
function dqBuild() {
  var data = JSON.parse(document.getElementById('listing-data').textContent);
  var box = document.createElement('div'); box.id = 'results';
  box.appendChild(document.createTextNode('\n'));
  var p = document.createElement('p'); p.className = 'summary'; p.textContent = data.summary;
  box.appendChild(p); box.appendChild(document.createTextNode('\n'));
  data.listings.forEach(function (l) {
    var d = document.createElement('div'); d.className = 'listing';
    var h = document.createElement('h3'); h.className = 'name'; h.textContent = l.name; d.appendChild(h);
    if (l.featured) { var e = document.createElement('em'); e.className = 'badge'; e.textContent = 'Featured'; d.appendChild(e); }
    d.appendChild(dqSpan('street', l.street)); d.appendChild(dqSpan('city', l.city));
    d.appendChild(document.createTextNode(', ')); d.appendChild(dqSpan('state', l.state));
    d.appendChild(document.createTextNode(' ')); d.appendChild(dqSpan('zip', l.zip));
    d.appendChild(dqSpan('phone', 'Phone: ' + l.phone));
    var w = dqSpan('web'); if (l.web) w.appendChild(dqLink(l.web, 'Web site')); d.appendChild(w);
    var m = dqSpan('email'); if (l.email) m.appendChild(dqLink('mailto:' + l.email, 'E-mail')); d.appendChild(m);
    box.appendChild(d); box.appendChild(document.createTextNode('\n'));
  });
  box.appendChild(document.createComment(' end of listings ')); box.appendChild(document.createTextNode('\n'));
  var mount = document.getElementById('mount');
  mount.parentNode.replaceChild(box, mount);
}
// A moment after loading, as sites that fetch their data do.
window.addEventListener('load', function () { setTimeout(dqBuild, 50); });
</script>
)";

const StyleInfo &info(PagingStyle style)
{
    for (const StyleInfo &s : kStyles) {
        if (s.style == style)
            return s;
    }
    return kStyles[0];
}

bool isItemStyle(PagingStyle style)
{
    return style == PagingStyle::Item || style == PagingStyle::ItemMiddle;
}

QString esc(const QString &text)
{
    return text.toHtmlEscaped();
}

QString enc(const QString &text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

// Parameters that name the search or its position; every other one (the fault
// switches) travels along to the next page.
bool isSearchKey(const QString &key)
{
    return key == u"category" || key == u"city" || key == u"state" || key == u"page" || key == u"first";
}

int toInt(const QString &text, int fallback)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    return ok ? v : fallback;
}

const char16_t kStyleSheet[]
    = u"body{font-family:sans-serif;margin:1em 2em;color:#222}"
      u".listing{border-bottom:1px solid #ccc;padding:.4em 0}"
      u".listing span{display:block}.listing .city,.listing .state,.listing .zip{display:inline}"
      u".badge{background:#fd0;font-size:80%;padding:0 .3em}"
      u"form.search label{margin-right:1em}table{border-collapse:collapse}"
      u"td,th{border:1px solid #ccc;padding:.2em .5em;text-align:left}";

QString pageHead(const QString &title)
{
    return u"<!DOCTYPE html>\n<html lang=\"en\"><head>@META@<title>" + esc(title)
        + u" – Demo Directory</title>\n<style>" + QString::fromUtf16(kStyleSheet) + u"</style></head>\n<body>\n"
        + u"<header class=\"top\"><a href=\"/\">Demo Directory</a></header>\n";
}

const char16_t kPageEnd[] = u"</body></html>\n";

QString searchForm(PagingStyle style, const Search &search, const HttpRequest *request)
{
    const QString root = QString(info(style).root);
    QString action = u'/' + root + u"/search";
    if (style == PagingStyle::PageMiddle)
        action = QStringLiteral("/pagemiddle/page-1/search");
    else if (style == PagingStyle::ItemMiddle)
        action = QStringLiteral("/itemmiddle/from-1/search");
    auto typed = [&](const char16_t *key, const QString &fallback) {
        return request && request->has(QString::fromUtf16(key)) ? request->value(QString::fromUtf16(key)) : fallback;
    };
    return u"<form class=\"search\" method=\"get\" action=\"" + action + u"\">\n"
        + u"<label>Category <input name=\"category\" value=\"" + esc(typed(u"category", search.categoryTitle()))
        + u"\"></label>\n<label>City <input name=\"city\" value=\"" + esc(typed(u"city", search.cityTitle()))
        + u"\"></label>\n<label>State <input name=\"state\" size=\"3\" value=\""
        + esc(typed(u"state", search.stateTitle())) + u"\"></label>\n<button type=\"submit\">Find</button>\n</form>\n";
}

const char16_t kFaultHelp[]
    = u"<h2>Fault switches</h2>\n<p>Add these to any address; with <code>at=N</code> they act on result page N "
      u"only.</p>\n"
      u"<table><tr><th>parameter</th><th>effect</th></tr>\n"
      u"<tr><td>delay=MS</td><td>answer after MS milliseconds</td></tr>\n"
      u"<tr><td>status=CODE</td><td>answer with that error status (400 to 599)</td></tr>\n"
      u"<tr><td>drop=1</td><td>close the connection without an answer</td></tr>\n"
      u"<tr><td>drop=mid</td><td>close the connection halfway through the page</td></tr>\n"
      u"<tr><td>drip=MS</td><td>send the page 64 bytes at a time, MS milliseconds apart</td></tr>\n"
      u"<tr><td>huge=MB</td><td>pad the page to at least MB megabytes (at most 512; 0.3 is about 300 KB)</td></tr>\n"
      u"<tr><td>charset=windows-1252</td><td>send the page in Windows-1252; declare=header, meta or none "
      u"says where it is declared (default both)</td></tr>\n"
      u"<tr><td>redirect=N</td><td>redirect N times before the page</td></tr>\n"
      u"<tr><td>ratelimit=N</td><td>answer 429 (Retry-After: 1) once more than N requests with this switch come "
      u"within a second</td></tr>\n</table>\n";

} // namespace

struct DemoSite::Route
{
    enum Kind { Home, Robots, Form, Results, NotFound } kind = NotFound;
    PagingStyle style = PagingStyle::Page;
    int start = 0; // index of the page's first listing
    int page = 1; // result page number, from 1
    Search search;
};

DemoSite::Route DemoSite::route(const HttpRequest &request) const
{
    Route r;
    const QStringList parts = request.path.split(u'/', Qt::SkipEmptyParts);
    if (parts.isEmpty() || (parts.size() == 1 && parts[0] == u"index.html")) {
        r.kind = Route::Home;
        return r;
    }
    if (parts.size() == 1 && parts[0] == u"robots.txt") {
        r.kind = Route::Robots;
        return r;
    }
    const StyleInfo *style = nullptr;
    for (const StyleInfo &s : kStyles) {
        if (parts[0] == s.root)
            style = &s;
    }
    if (!style)
        return r;
    r.style = style->style;
    r.search = Search::from(request.value(QStringLiteral("category")), request.value(QStringLiteral("city")),
        request.value(QStringLiteral("state")));
    if (parts.size() == 1) {
        r.kind = Route::Form;
        return r;
    }

    int number = 1; // page number or first listing number, by style
    if (style->style == PagingStyle::PageMiddle || style->style == PagingStyle::ItemMiddle) {
        const QString tag = style->style == PagingStyle::PageMiddle ? QStringLiteral("page-") : QStringLiteral("from-");
        if (parts.size() != 3 || parts[2] != u"search" || !parts[1].startsWith(tag))
            return r;
        number = toInt(parts[1].mid(tag.size()), -1);
    } else {
        if (parts.size() != 2 || parts[1] != u"search")
            return r;
        if (style->style == PagingStyle::Item)
            number = request.has(QStringLiteral("first")) ? toInt(request.value(QStringLiteral("first")), -1) : 1;
        else
            number = request.has(QStringLiteral("page")) ? toInt(request.value(QStringLiteral("page")), -1) : 1;
    }
    if (number < 1)
        return r;
    r.kind = Route::Results;
    if (isItemStyle(r.style)) {
        r.start = number - 1;
        r.page = r.start / m_perPage + 1;
    } else {
        r.page = number;
        r.start = int(qMin<qint64>(qint64(number - 1) * m_perPage, INT_MAX));
    }
    return r;
}

QString DemoSite::pageUrl(const Route &route, const HttpRequest &request, int start) const
{
    QString query = u"category=" + enc(request.value(QStringLiteral("category"))) + u"&city="
        + enc(request.value(QStringLiteral("city"))) + u"&state=" + enc(request.value(QStringLiteral("state")));
    for (const auto &pair : request.query) {
        if (!isSearchKey(pair.first))
            query += u'&' + enc(pair.first) + u'=' + enc(pair.second);
    }
    const int page = start / m_perPage + 1;
    switch (route.style) {
    case PagingStyle::Page:
        return u"/page/search?" + query + (start > 0 ? u"&page=" + QString::number(page) : QString());
    case PagingStyle::Next:
    case PagingStyle::Script:
    case PagingStyle::Wall:
        return u'/' + QString(info(route.style).root) + u"/search?" + query
            + (start > 0 ? u"&page=" + QString::number(page) : QString());
    case PagingStyle::Item:
        return u"/item/search?" + query + (start > 0 ? u"&first=" + QString::number(start + 1) : QString());
    case PagingStyle::PageMiddle:
        return u"/pagemiddle/page-" + QString::number(page) + u"/search?" + query;
    case PagingStyle::ItemMiddle:
        return u"/itemmiddle/from-" + QString::number(start + 1) + u"/search?" + query;
    }
    return {};
}

QString DemoSite::listingHtml(const Listing &l) const
{
    // One line per listing, every part always present (empty when unknown), so a key
    // file can walk the fields in order.
    QString html = u"<div class=\"listing\"><h3 class=\"name\">" + esc(l.name) + u"</h3>";
    if (l.featured)
        html += u"<em class=\"badge\">Featured</em>";
    html += u"<span class=\"street\">" + esc(l.street) + u"</span><span class=\"city\">" + esc(l.city)
        + u"</span>, <span class=\"state\">" + esc(l.state) + u"</span> <span class=\"zip\">" + esc(l.zip)
        + u"</span><span class=\"phone\">Phone: " + esc(l.phone) + u"</span><span class=\"web\">";
    if (!l.web.isEmpty())
        html += u"<a href=\"" + esc(l.web) + u"\">Web site</a>";
    html += u"</span><span class=\"email\">";
    if (!l.email.isEmpty())
        html += u"<a href=\"mailto:" + esc(l.email) + u"\">E-mail</a>";
    html += u"</span></div>\n";
    return html;
}

QString DemoSite::scriptedListings(const Search &search, int start, int end, const QString &summary) const
{
    QJsonArray listings;
    for (int i = start; i < end; ++i) {
        const Listing l = m_catalog.listing(search, i);
        listings.append(QJsonObject { { QStringLiteral("name"), l.name }, { QStringLiteral("street"), l.street },
            { QStringLiteral("city"), l.city }, { QStringLiteral("state"), l.state }, { QStringLiteral("zip"), l.zip },
            { QStringLiteral("phone"), l.phone }, { QStringLiteral("web"), l.web },
            { QStringLiteral("email"), l.email }, { QStringLiteral("featured"), l.featured } });
    }
    const QJsonObject data { { QStringLiteral("summary"), summary }, { QStringLiteral("listings"), listings } };
    // "<" never appears raw inside the script element, so no data can end it early.
    QString json = QString::fromUtf8(QJsonDocument(data).toJson(QJsonDocument::Compact));
    json.replace(u'<', QStringLiteral("\\u003c"));
    return u"<div id=\"mount\"><p class=\"loading\">Loading listings…</p></div>\n"
           u"<script type=\"application/json\" id=\"listing-data\">"
        + json + u"</script>\n" + QString::fromUtf16(kListingScript);
}

bool DemoSite::overRate(int perSecond) const
{
    if (!m_clock.isValid())
        m_clock.start();
    const qint64 now = m_clock.elapsed();
    QList<qint64> &recent = m_recent[perSecond];
    while (!recent.isEmpty() && recent.first() <= now - 1000)
        recent.removeFirst();
    if (recent.size() >= perSecond)
        return true;
    recent.append(now);
    return false;
}

QString DemoSite::homePage() const
{
    QString html = pageHead(QStringLiteral("Welcome")) + u"<h1>Demo Directory</h1>\n"
        + u"<p>A made-up business directory. Pick a search page; each one pages its results its own way.</p>\n<ul>\n";
    for (const StyleInfo &s : kStyles)
        html += u"<li><a href=\"/" + QString(s.root) + u"/\">Search</a> – " + QString(s.title) + u"</li>\n";
    html += u"</ul>\n<p>" + QString::number(m_catalog.count()) + u" listings for every search, "
        + QString::number(m_perPage) + u" to a page.</p>\n" + QString::fromUtf16(kFaultHelp)
        + QString::fromUtf16(kPageEnd);
    return html;
}

QString DemoSite::formPage(PagingStyle style, const Search &search, const QString &note) const
{
    const Search shown = search.isComplete()
        ? search
        : Search::from(QStringLiteral("Plumbers"), QStringLiteral("Austin"), QStringLiteral("TX"));
    QString html = pageHead(QStringLiteral("Search")) + u"<h1>Find a business</h1>\n<p>Results are paged with "
        + QString(info(style).title) + u".</p>\n";
    if (!note.isEmpty())
        html += u"<p class=\"note\">" + esc(note) + u"</p>\n";
    html += searchForm(style, shown, nullptr) + u"<p>Try:</p>\n<ul>\n";
    const char16_t *const examples[][3] = { { u"Plumbers", u"Austin", u"TX" }, { u"Pizza", u"San Antonio", u"TX" },
        { u"Florists", u"Portland", u"OR" }, { u"Auto Repair", u"Boston", u"MA" }, { u"Cafés", u"Montréal", u"QC" } };
    for (const auto &ex : examples) {
        HttpRequest q;
        q.query = { { QStringLiteral("category"), QString::fromUtf16(ex[0]) },
            { QStringLiteral("city"), QString::fromUtf16(ex[1]) },
            { QStringLiteral("state"), QString::fromUtf16(ex[2]) } };
        Route r;
        r.style = style;
        html += u"<li><a href=\"" + esc(pageUrl(r, q, 0)) + u"\">" + esc(QString::fromUtf16(ex[0])) + u" in "
            + esc(QString::fromUtf16(ex[1])) + u", " + QString::fromUtf16(ex[2]) + u"</a></li>\n";
    }
    return html + u"</ul>\n" + QString::fromUtf16(kPageEnd);
}

QString DemoSite::resultPage(const Route &r, const HttpRequest &request, const QString &host) const
{
    const Search &s = r.search;
    const QString where = s.cityTitle() + (s.state.isEmpty() ? QString() : u", " + s.stateTitle());
    QString html = pageHead(s.categoryTitle() + u" in " + where) + searchForm(r.style, s, &request);
    const int total = m_catalog.count();
    if (r.start >= total) {
        // Past the end: no result block, so a grabber's page check stops here.
        return html + u"<h1>" + esc(s.categoryTitle()) + u" in " + esc(where) + u"</h1>\n"
            + u"<p class=\"noresults\">No more listings.</p>\n<p><a href=\"" + esc(pageUrl(r, request, 0))
            + u"\">Back to the first page</a></p>\n" + QString::fromUtf16(kPageEnd);
    }
    const int end = qMin(total, r.start + m_perPage);
    const QString summary = u"Showing " + QString::number(r.start + 1) + u"–" + QString::number(end) + u" of "
        + QString::number(total) + u" listings";
    html += u"<h1>" + esc(s.categoryTitle()) + u" in " + esc(where) + u"</h1>\n";
    if (r.style == PagingStyle::Script) {
        html += scriptedListings(s, r.start, end, summary);
    } else {
        html += u"<div id=\"results\">\n<p class=\"summary\">" + summary + u"</p>\n";
        for (int i = r.start; i < end; ++i)
            html += listingHtml(m_catalog.listing(s, i));
        html += u"<!-- end of listings -->\n</div>\n";
    }
    html += u"<nav class=\"pager\">";
    if (r.start > 0)
        html += u"<a class=\"prev\" href=\"" + esc(pageUrl(r, request, qMax(0, r.start - m_perPage)))
            + u"\">Previous</a> ";
    const int pages = (total + m_perPage - 1) / m_perPage;
    html += u"<span class=\"at\">Page " + QString::number(r.page) + u" of " + QString::number(pages) + u"</span>";
    if (end < total) {
        const QString next = pageUrl(r, request, end);
        if (r.style == PagingStyle::Next)
            html += u" <a class=\"next\" href=\"//" + esc(host) + esc(next) + u"\">Next page</a>";
        else
            html += u" <a class=\"pager-next\" href=\"" + esc(next) + u"\">Next page</a>";
    }
    return html + u"</nav>\n" + QString::fromUtf16(kPageEnd);
}

HttpResponse DemoSite::respond(const HttpRequest &request, const QByteArray &fallbackHost) const
{
    HttpResponse response;
    const QByteArray host = request.host.isEmpty() ? fallbackHost : request.host;
    if (request.method != "GET" && request.method != "HEAD") {
        response.status = 405;
        response.headers.append(qMakePair(QByteArray("Allow"), QByteArray("GET, HEAD")));
        response.contentType = "text/plain; charset=utf-8";
        response.body = "Only GET and HEAD are served here.\n";
        return response;
    }

    const Route r = route(request);
    const bool faults = !request.has(QStringLiteral("at"))
        || (r.kind == Route::Results && toInt(request.value(QStringLiteral("at")), 0) == r.page);
    if (faults) {
        response.delayMs = qBound(0, toInt(request.value(QStringLiteral("delay")), 0), 600000);
        response.dripMs = qBound(0, toInt(request.value(QStringLiteral("drip")), 0), 60000);
        const QString drop = request.value(QStringLiteral("drop"));
        if (drop == u"mid")
            response.drop = HttpResponse::Drop::MidBody;
        else if (!drop.isEmpty() && drop != u"0")
            response.drop = HttpResponse::Drop::BeforeResponse;

        const int hops = toInt(request.value(QStringLiteral("redirect")), 0);
        if (hops > 0) {
            QString query;
            for (const auto &pair : request.query) {
                const QString value = pair.first == u"redirect" ? QString::number(hops - 1) : pair.second;
                query += (query.isEmpty() ? u"?" : u"&") + enc(pair.first) + u'=' + enc(value);
            }
            const QByteArray target = request.target.left(
                request.target.indexOf('?') < 0 ? request.target.size() : request.target.indexOf('?'));
            response.status = 302;
            response.headers.append(
                qMakePair(QByteArray("Location"), QByteArray("http://" + host + target + query.toLatin1())));
            response.body = "<!DOCTYPE html>\n<html><body><p>Moved.</p></body></html>\n";
            return response;
        }
        const int perSecond = toInt(request.value(QStringLiteral("ratelimit")), 0);
        if (perSecond > 0 && overRate(perSecond)) {
            response.status = 429;
            response.headers.append(qMakePair(QByteArray("Retry-After"), QByteArray("1")));
            response.body = "<!DOCTYPE html>\n<html><head><title>Slow down</title></head><body><h1>429 Too Many "
                            "Requests</h1><p>Ask again in a second.</p></body></html>\n";
            return response;
        }
        const int status = toInt(request.value(QStringLiteral("status")), 0);
        if (status >= 400 && status <= 599) {
            response.status = status;
            response.body = "<!DOCTYPE html>\n<html><head><title>Error</title></head><body><h1>"
                + QByteArray::number(status) + ' ' + HttpResponse::reasonPhrase(status) + "</h1></body></html>\n";
            return response;
        }
    }

    QString html;
    switch (r.kind) {
    case Route::Home:
        html = homePage();
        break;
    case Route::Robots:
        response.contentType = "text/plain; charset=utf-8";
        response.body = "User-agent: *\nAllow: /\n";
        return response;
    case Route::Form:
        html = formPage(r.style, r.search, QString());
        if (r.style == PagingStyle::Wall)
            response.headers.append(
                qMakePair(QByteArray("Set-Cookie"), QByteArray(kConsentCookie) + "; Path=/wall; SameSite=Lax"));
        break;
    case Route::Results:
        if (r.style == PagingStyle::Wall && !hasCookie(request.cookie, kConsentCookie)) {
            html = pageHead(QStringLiteral("Before you continue"))
                + u"<h1>Before you continue</h1>\n<p>This directory shows its listings to visitors who come "
                  u"through its <a href=\"/wall/\">search page</a>, which sets a cookie.</p>\n"
                + QString::fromUtf16(kPageEnd);
            break;
        }
        html = r.search.isComplete() ? resultPage(r, request, QString::fromLatin1(host))
                                     : formPage(r.style, r.search, QStringLiteral("Enter a category and a city."));
        break;
    case Route::NotFound:
        response.status = 404;
        response.body = "<!DOCTYPE html>\n<html><head><title>Not found</title></head><body><h1>404 Not Found</h1>"
                        "<p><a href=\"/\">Demo Directory</a></p></body></html>\n";
        return response;
    }

    QByteArray charset = "utf-8";
    QString declare = QStringLiteral("both");
    if (faults && request.value(QStringLiteral("charset")).toLower() == u"windows-1252") {
        charset = "windows-1252";
        if (request.has(QStringLiteral("declare")))
            declare = request.value(QStringLiteral("declare")).toLower();
    }
    const bool inHeader = declare == u"both" || declare == u"header";
    const bool inMeta = declare == u"both" || declare == u"meta";
    html.replace(
        QStringLiteral("@META@"), inMeta ? u"<meta charset=\"" + QString::fromLatin1(charset) + u"\">" : QString());
    response.contentType = inHeader ? "text/html; charset=" + charset : QByteArray("text/html");
    response.body = charset == "utf-8" ? html.toUtf8() : toWindows1252(html);

    // Fractions too: huge=0.3 makes a result page of a common real size, about 300 KB.
    const double megabytes = faults ? qBound(0.0, request.value(QStringLiteral("huge")).toDouble(), 512.0) : 0;
    if (megabytes > 0) {
        const qint64 want = qint64(megabytes * 1024 * 1024);
        const QByteArray line(63, 'x');
        QByteArray filler;
        filler.reserve(want + 64);
        filler += "<!--\n";
        while (response.body.size() + filler.size() < want) {
            filler += line;
            filler += '\n';
        }
        filler += "-->\n";
        response.body.insert(response.body.lastIndexOf("</body>"), filler);
    }
    return response;
}

QByteArray toWindows1252(const QString &text)
{
    QStringEncoder encoder("windows-1252", QStringEncoder::Flag::Default);
    if (!encoder.isValid())
        return text.toLatin1(); // a Qt built without ICU: close enough for a demo
    return encoder.encode(text);
}

} // namespace dq::demo
