#include "core/contact/contactlinks.h"

#include "core/grid/gridmodel.h"

#include <QRegularExpression>
#include <QStringList>

namespace dq {

const QString ContactLinks::kDefaultMapAddress = QStringLiteral("https://www.openstreetmap.org/search?query=%1");
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

QString ContactLinks::mapSearchLink(const GridModel &table, int row, const QString &service)
{
    const QString stateZip = QStringList { cell(table, row, kStateCol).trimmed(), cell(table, row, kZipCol).trimmed() }
                                 .filter(QRegularExpression(QStringLiteral("\\S")))
                                 .join(QLatin1Char(' '));
    QStringList parts { cell(table, row, kStreetCol).trimmed(), cell(table, row, kCityCol).trimmed(), stateZip };
    parts.removeAll(QString());
    const QString address = encoded(parts.join(QStringLiteral(", ")));
    const QString pattern = service.trimmed().isEmpty() ? kDefaultMapAddress : service.trimmed();
    if (!pattern.contains(QLatin1String("%1")))
        return pattern + address;
    QString link = pattern;
    return link.replace(QLatin1String("%1"), address);
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
