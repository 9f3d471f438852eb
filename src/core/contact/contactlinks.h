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

    static const QString kMapServiceHost;
    static const QString kHomePage;
    static const QString kExampleSite;

    // The street map query of an address. Blanks in the street become "+"; every character
    // of any field that is not a letter, digit or one of "-._~" is percent-encoded (UTF-8),
    // so an "&" or "#" in a field cannot cut the query short.
    static QString mapLink(const QString &street, const QString &city, const QString &state, const QString &zip);
    static QString mapLink(const GridModel &table, int row);

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
