#pragma once

#include <QString>
#include <cstdint>

namespace dq::demo {

// What a visitor searched for. Every part is kept lower-case so that an address a
// grabber lower-cased finds the same listings as the one the browser sent.
struct Search
{
    QString category;
    QString city;
    QString state;

    static Search from(const QString &category, const QString &city, const QString &state);
    bool isComplete() const { return !category.isEmpty() && !city.isEmpty(); }

    QString categoryTitle() const; // "plumbers" -> "Plumbers"
    QString cityTitle() const; // "san antonio" -> "San Antonio"
    QString stateTitle() const; // "tx" -> "TX"
};

struct Listing
{
    QString name;
    QString street;
    QString city;
    QString state;
    QString zip;
    QString phone;
    QString web; // empty for a business without a web site
    QString email; // empty for a business without an address
    bool featured = false; // shown with a badge that a key file must clean away
};

// The directory's businesses. Listing i of a search is a pure function of the search
// i and the seed (never of the time, the process or Qt's seeded hashes), so two servers and two
// runs give byte-identical pages.
class DemoCatalog
{
public:
    // seed: another seed gives another directory; 1 is the one the guides quote.
    DemoCatalog(int listingsPerSearch, std::uint64_t seed)
        : m_count(listingsPerSearch)
        , m_seed(seed)
    {
    }

    int count() const { return m_count; }
    Listing listing(const Search &search, int index) const;

private:
    int m_count;
    std::uint64_t m_seed;
};

// FNV-1a over the UTF-8 bytes; stable across platforms and runs.
std::uint64_t stableHash(const QString &text);

} // namespace dq::demo
