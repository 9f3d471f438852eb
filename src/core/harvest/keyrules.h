#pragma once

#include <QString>
#include <QStringView>

#include <utility>
#include <vector>

namespace dq {

class GridModel;

// The extraction rules of one directory site, read once from its key table at the start of
// a grab. Cells the table lacks read as empty text or 0, so a short or damaged key table gives
// rules that grab nothing rather than a failure.
struct KeyRules
{
    struct Field
    {
        int column = 0; // target column of the record table
        QString marker; // end marker M
        int endOffset = 0; // value = first (position of M + endOffset) characters
        int skipOffset = 0; // rest continues at position of M + length of M + skipOffset
    };
    struct CleanRule
    {
        QString keyword; // "Replace" or "TrimMiddle"; other words do nothing
        QString a;
        QString b;
    };
    struct RecordRule
    {
        QString keyword; // "DeleteIfContain", "ExtractTo", "Replace", "TrimMiddle"
        int c1 = 0;
        QString a;
        QString b;
        int c4 = 0;
    };

    static constexpr int kMaxCleanRules = 8;
    static constexpr int kMaxRecordRules = 12;

    QString listingPageMarker; // the browser address must contain it to enable grabbing
    QString listStart; // S, also the start of every listing
    QString listEnd; // E
    QString listingEnd; // I
    QString pageCheck; // P, every page must contain it
    QString fetchMode; // non-empty: open the address as given instead of the HTTP GET form
    // How pages are asked for beyond the HTTP client of old: "session" sends the search
    // browser's cookies and identity, "render" loads each page in a hidden browser page.
    // Empty (or any other word) keeps the plain client.
    QString browserFetch;
    QString nextMethod; // "Page", "PageMiddle", "Item", "ItemMiddle", "Next"
    QString k7;
    QString k8;
    int k9 = 0;
    QString nextLinkBegin;
    QString nextLinkEnd;
    QString nextLinkPrefix;

    std::vector<Field> fields; // rows 6 to 6 + F
    std::vector<std::pair<int, QString>> titles; // (record column, title) from rows 6 to 14
    std::vector<CleanRule> cleanRules;
    std::vector<RecordRule> recordRules;

    static constexpr int kBrowserFetchRow = 4;
    static constexpr int kBrowserFetchColumn = 7;

    static KeyRules fromGrid(const GridModel &keyTable);

    // A key cell read as a whole number: leading blanks skipped, an optional sign and the
    // digits that follow; anything else (empty, words) is 0. Values are held to 16 bits.
    static int toNumber(QStringView text);

    // Whether a browser address shows a listing page this key table can grab. A missing key file
    // (grabDisabled) never enables grabbing; an empty marker enables it on every address.
    static bool addressEnablesGrab(const GridModel &keyTable, const QString &address, bool grabDisabled);
};

} // namespace dq
