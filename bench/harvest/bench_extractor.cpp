// The extractor alone: how many megabytes of result-page text it cuts per second, with the
// shipped demo rules' shape (eight fields, two listing rules, four record rules) on pages of
// 10, 50 and 201 listings padded like real directory pages.
#include "core/harvest/extractor.h"
#include "core/harvest/keyrules.h"

#include <QElapsedTimer>
#include <QTextStream>

using namespace dq;

namespace {

KeyRules rules()
{
    KeyRules k;
    k.listStart = QStringLiteral("<div class=\"listing\"><h3 class=\"name\">");
    k.listEnd = QStringLiteral("<!-- end of listings -->");
    k.listingEnd = QStringLiteral("</div>");
    k.pageCheck = QStringLiteral("<div id=\"results\">");
    k.nextMethod = QStringLiteral("Page");
    k.k7 = QStringLiteral("&page=");
    k.k8 = QStringLiteral("&page=2");
    const char *markers[] = { "</h3><span class=\"street\">", "</span><span class=\"city\">", "</span>, ",
        "</span> <span class=\"zip\">", "</span><span class=\"phone\">", "</span><span class=\"web\">",
        "</span><span class=\"email\">", "</span>" };
    for (int f = 0; f < 8; ++f)
        k.fields.push_back({ f, QString::fromLatin1(markers[f]), -1, f == 2 ? 20 : 0 });
    k.cleanRules = { { QStringLiteral("Replace"), QStringLiteral("&amp;"), QStringLiteral("&") },
        { QStringLiteral("TrimMiddle"), QStringLiteral("<em class=\"badge\">"), QStringLiteral("</em>") } };
    k.recordRules = { { QStringLiteral("Replace"), 5, QStringLiteral("Phone: "), QString(), 5 },
        { QStringLiteral("ExtractTo"), 6, QStringLiteral("href=\""), QStringLiteral("\""), 6 },
        { QStringLiteral("ExtractTo"), 7, QStringLiteral("mailto:"), QStringLiteral("\""), 7 },
        { QStringLiteral("DeleteIfContain"), 1, QStringLiteral("not published"), QString(), -1 } };
    return k;
}

QString page(int listings)
{
    QString p = QStringLiteral("<!DOCTYPE html><html><head><title>Results</title><style>") + QString(6000, u'x')
        + QStringLiteral("</style></head><body><nav>") + QString(3000, u'n')
        + QStringLiteral("</nav><div id=\"results\">");
    for (int i = 0; i < listings; ++i) {
        const QString n = QString::number(i);
        p += QStringLiteral("<div class=\"listing\"><h3 class=\"name\">Smith &amp; Sons ") + n
            + QStringLiteral(" <em class=\"badge\">Top</em></h3><span class=\"street\">") + n
            + QStringLiteral(" Main St</span><span class=\"city\">Austin</span>, <span class=\"state\">TX</span> "
                             "<span class=\"zip\">78701</span><span class=\"phone\">Phone: (512) 555-")
            + n + QStringLiteral("</span><span class=\"web\"><a href=\"http://smith") + n
            + QStringLiteral(".example/\">web</a></span><span class=\"email\"><a href=\"mailto:info@smith") + n
            + QStringLiteral(".example\">mail</a></span><p class=\"blurb\">") + QString(400, u'b')
            + QStringLiteral("</p></div>\n");
    }
    return p + QStringLiteral("<!-- end of listings --></div><footer>") + QString(2000, u'f')
        + QStringLiteral("</footer></body></html>");
}

} // namespace

int main()
{
    QTextStream out(stdout);
    const KeyRules k = rules();
    out << "extractor: MB of page text per second (UTF-16 text counted as its character count)\n";
    for (int listings : { 10, 50, 201 }) {
        const QString text = page(listings);
        qint64 chars = 0;
        int rows = 0;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 1500) {
            Extractor::RunState s;
            s.address = QStringLiteral("www.yp.test/search?category=plumbers&city=austin&state=tx");
            const auto r = Extractor::extractPage(k, text, s);
            rows += int(r.rows.size());
            chars += text.size();
        }
        const double seconds = t.nsecsElapsed() / 1e9;
        out << "  " << listings << " listings a page (" << text.size() / 1024
            << " KB): " << QString::number(chars / 1e6 / seconds, 'f', 0) << " MB/s, "
            << QString::number(rows / seconds, 'f', 0) << " listings/s\n";
        out.flush();
    }
    return 0;
}
