#pragma once

#include <QString>
#include <QUrl>

namespace dq {

class GridModel;

// Builds the map, mail and web links from record-table cells. Pure functions: the same
// cells always give the same link text, which is exactly what the desktop receives.
class ContactLinks
{
public:
    static constexpr int kStreetCol = 1;
    static constexpr int kCityCol = 2;
    static constexpr int kStateCol = 3;
    static constexpr int kZipCol = 4;
    static constexpr int kPhoneCol = 5;
    static constexpr int kWebSiteCol = 6;
    static constexpr int kEmailCol = 7;

    static const QString kHomePage;
    static const QString kExampleSite;

    // The map search the Map command opens. service is a web address in which "%1" stands
    // for the record's address ("street, city, state zip", empty parts left out), percent-
    // encoded as UTF-8 (all but letters, digits and "-._~"), so an "&" or "#" in a field
    // cannot cut the query short. Without "%1" the address goes at the end; an empty
    // service is the default, an OpenStreetMap search.
    static const QString kDefaultMapAddress;
    static QString mapSearchLink(const GridModel &table, int row, const QString &service);

    // A cell counts as an address when it holds both an "@" and a ".".
    static bool isMailAddress(const QString &cell);
    // The addresses of the selected data rows (selection order), joined by "; ".
    static QString mailList(const GridModel &table);
    // "mailto:" + the list; characters that would end the address part are encoded.
    static QString mailLink(const QString &list);

    // True when the cell has no address to open (it holds no ".").
    static bool lacksWebSite(const QString &cell);
    // The cell as a link: blanks around it dropped and "http://" put in front unless it
    // already starts with "http://" or "https://" in any letter case.
    static QString webLink(const QString &cell);

    // The text of "Web Site Link"'s message when a row has no site.
    static QString noWebSiteMessage();

    // Link text to a QUrl without re-encoding or re-interpreting it.
    static QUrl toUrl(const QString &link);
};

} // namespace dq
