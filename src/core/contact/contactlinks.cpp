#include "core/contact/contactlinks.h"

#include "core/grid/gridmodel.h"

#include <QStringList>

namespace dq {

const QString ContactLinks::kMapServiceHost = QStringLiteral("maps.yahoo.com");
const QString ContactLinks::kHomePage = QStringLiteral("https://www.dirquill.org/");
const QString ContactLinks::kExampleSite = QStringLiteral("www.example.com");

namespace {

QString encoded(const QString &field)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(field));
}

QString cell(const GridModel &table, int row, int col)
{
    return row >= table.fixedRows() ? table.text(row, col) : QString();
}

} // namespace

QString ContactLinks::mapLink(const QString &street, const QString &city, const QString &state, const QString &zip)
{
    QStringList words = street.split(QLatin1Char(' '));
    for (QString &w : words)
        w = encoded(w);
    return QStringLiteral("http://") + kMapServiceHost
        + QStringLiteral("/py/maps.py?BFCat=&Pyt=Tmap&newFL=Use+Address+Below&addr=") + words.join(QLatin1Char('+'))
        + QStringLiteral("&csz=") + encoded(city) + QStringLiteral("%2C+") + encoded(state) + QLatin1Char('+')
        + encoded(zip) + QStringLiteral("&Get%A0Map=Get+Map");
}

QString ContactLinks::mapLink(const GridModel &table, int row)
{
    return mapLink(cell(table, row, kStreetCol), cell(table, row, kCityCol), cell(table, row, kStateCol),
        cell(table, row, kZipCol));
}

bool ContactLinks::isMailAddress(const QString &cell)
{
    return cell.contains(QLatin1Char('@')) && cell.contains(QLatin1Char('.'));
}

QString ContactLinks::mailList(const GridModel &table)
{
    QStringList addresses;
    for (int row : table.selectedRows()) {
        const QString text = cell(table, row, kEmailCol);
        if (isMailAddress(text))
            addresses.append(text);
    }
    return addresses.join(QStringLiteral("; "));
}

QString ContactLinks::mailLink(const QString &list)
{
    // "%" would start an escape, "?" the header part and "#" a fragment: each would hand the
    // mail program a different recipient list than the table holds.
    QString to;
    to.reserve(list.size());
    for (QChar c : list) {
        if (c == QLatin1Char('%'))
            to += QStringLiteral("%25");
        else if (c == QLatin1Char('?'))
            to += QStringLiteral("%3F");
        else if (c == QLatin1Char('#'))
            to += QStringLiteral("%23");
        else
            to += c;
    }
    return QStringLiteral("mailto:") + to;
}

bool ContactLinks::lacksWebSite(const QString &cell)
{
    return !cell.contains(QLatin1Char('.'));
}

QString ContactLinks::webLink(const QString &cell)
{
    const QString site = cell.trimmed();
    if (site.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
        || site.startsWith(QLatin1String("https://"), Qt::CaseInsensitive))
        return site;
    return QStringLiteral("http://") + site;
}

QString ContactLinks::noWebSiteMessage()
{
    return QStringLiteral("There is no web site address information for this highlighted row. You may manually "
                          "enter a site address (e.g. '")
        + kExampleSite + QStringLiteral("') into the Web Site cell and click the web button again.");
}

QUrl ContactLinks::toUrl(const QString &link)
{
    return QUrl(link, QUrl::TolerantMode);
}

} // namespace dq
