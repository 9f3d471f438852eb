#pragma once

#include "core/harvest/keyrules.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

namespace dq {

// Cuts the listings out of one result page and works out the next page's address. A pure
// function of the key rules, the page text and the run state: no network, no table, no clock.
class Extractor
{
public:
    static constexpr int kMaxListingsPerPage = 201;
    static constexpr int kLastPage = 9999; // page counter limit of one run
    static constexpr int kMinNextAddress = 35; // a shorter next address ends the run
    // A listing or field that a rule would grow past this many characters is skipped: a key file
    // cannot make one listing take the memory of the whole program.
    static constexpr qsizetype kMaxListingSize = 1024 * 1024;

    // What a run carries from page to page.
    struct RunState
    {
        QString address; // the current page's address as the fetch left it
        int page = 0; // n, counting from 0
        QString next; // last computed next address
        QString prefix; // "...Middle" methods: kept from the first page on
        QString suffix;
        QString scheme = QStringLiteral("http"); // how the current page was fetched
        int columns = 13; // record table width
    };

    enum class End {
        None, // go on with state.address, the next page
        NoPage, // empty page or no page check marker: a normal end
        NoNextAddress, // next address too short: a normal end
        PageLimit, // page counter passed its limit: a normal end
    };

    struct PageResult
    {
        bool accepted = false; // the page carried the page check marker
        std::vector<QStringList> rows; // one per listing, `columns` cells each
        QString nextAddress;
        End end = End::None;
        int oversized = 0; // listings skipped because a rule grew them past kMaxListingSize
    };

    // Extracts one page and advances state to the next page when there is one.
    static PageResult extractPage(const KeyRules &rules, QStringView page, RunState &state);

    // The next page's address by the rules' method (step 4 of a page), "&amp;" already undone.
    static QString nextAddress(const KeyRules &rules, QStringView page, RunState &state);

    // The listings of one page, at most kMaxListingsPerPage, each cut, cleaned and filled; the
    // ones a rule grew too long are left out and counted in oversized.
    static std::vector<QStringList> listings(
        const KeyRules &rules, QStringView page, int columns, int *oversized = nullptr);

    // One listing's row: the fields cut by the field rows, then the record rules. Empty when a
    // record rule would grow a field past kMaxListingSize.
    static QStringList fillRow(const KeyRules &rules, QStringView listing, int columns);
    // False (the row half done) when a rule would grow a field past kMaxListingSize.
    static bool applyRecordRules(const std::vector<KeyRules::RecordRule> &rules, QStringList &row);
};

} // namespace dq
