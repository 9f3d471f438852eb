#include "democatalog.h"

#include <QStringList>

namespace dq::demo {

namespace {

// splitmix64: small, fast and good enough to scatter names and numbers.
class Random
{
public:
    explicit Random(std::uint64_t seed)
        : m_state(seed)
    {
    }
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return int(next() % std::uint64_t(n)); }
    template <size_t N> QString pick(const char16_t *const (&list)[N])
    {
        return QString::fromUtf16(list[below(int(N))]);
    }

private:
    std::uint64_t m_state;
};

// Non-ASCII letters are all in Windows-1252 so the same page can be served in it.
const char16_t *const kSurnames[] = { u"Smith", u"Johnson", u"García", u"Müller", u"O’Brien", u"Núñez", u"Sørensen",
    u"Björk", u"Lefèvre", u"Da Silva", u"Kowalski", u"Chen", u"Dubois", u"Andersson", u"Peña", u"François", u"Walker",
    u"Okafor", u"Haugen", u"Rossi" };
const char16_t *const kFirstParts[] = { u"Acme", u"Bluebonnet", u"Cedar", u"Summit", u"Lakeside", u"Old Town",
    u"Riverside", u"Northgate", u"Pioneer", u"Golden", u"Eagle", u"Maple", u"Liberty", u"Keystone", u"Harbor",
    u"Prairie", u"Crème de la Crème", u"Señor" };
const char16_t *const kStreets[] = { u"Oak", u"Main", u"Elm", u"Congress", u"Lamar", u"Guadalupe", u"Cedar", u"Pecan",
    u"Río Grande", u"Château", u"Washington", u"Lincoln", u"Highland", u"Mill", u"Park", u"Lake" };
const char16_t *const kSuffixes[] = { u"St", u"Ave", u"Blvd", u"Rd", u"Ln", u"Dr", u"Way", u"Pkwy" };

QString titleCase(const QString &text)
{
    QString out = text;
    bool start = true;
    for (QChar &c : out) {
        if (start && c.isLetter())
            c = c.toUpper();
        start = c.isSpace() || c == u'-';
    }
    return out;
}

QString slugOf(const QString &name)
{
    const QString folded = name.normalized(QString::NormalizationForm_D);
    QString slug;
    for (QChar c : folded) {
        if (c.unicode() < 128 && c.isLetterOrNumber())
            slug += c.toLower();
    }
    return slug;
}

} // namespace

std::uint64_t stableHash(const QString &text)
{
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (char byte : text.toUtf8()) {
        h ^= std::uint8_t(byte);
        h *= 0x100000001B3ull;
    }
    return h;
}

Search Search::from(const QString &category, const QString &city, const QString &state)
{
    return { category.simplified().toLower(), city.simplified().toLower(), state.simplified().toLower() };
}

QString Search::categoryTitle() const
{
    return titleCase(category);
}
QString Search::cityTitle() const
{
    return titleCase(city);
}
QString Search::stateTitle() const
{
    return state.toUpper();
}

Listing DemoCatalog::listing(const Search &search, int index) const
{
    const std::uint64_t place = stableHash(search.city + u'|' + search.state) ^ ((m_seed - 1) * 0xD1B54A32D192ED03ull);
    Random rnd(stableHash(search.category + u'|' + search.city + u'|' + search.state)
        ^ (std::uint64_t(index) * 0x2545F4914F6CDD1Dull) ^ ((m_seed - 1) * 0x9E3779B97F4A7C15ull));
    const QString category = search.categoryTitle();

    Listing l;
    const QString surname = rnd.pick(kSurnames);
    switch (rnd.below(6)) {
    case 0:
        l.name = surname + u" & Sons " + category;
        break;
    case 1:
        l.name = rnd.pick(kFirstParts) + u' ' + category;
        break;
    case 2:
        l.name = surname + u"’s " + category;
        break;
    case 3:
        l.name = rnd.pick(kFirstParts) + u' ' + category + u" & More";
        break;
    case 4:
        l.name = surname + u' ' + category + u" Co.";
        break;
    default:
        l.name = surname + u" & " + rnd.pick(kSurnames);
        break;
    }

    if (rnd.below(12) == 0) {
        l.street = QStringLiteral("Address not published");
    } else {
        l.street = QString::number(100 + rnd.below(9800)) + u' ' + rnd.pick(kStreets) + u' ' + rnd.pick(kSuffixes);
        if (rnd.below(5) == 0)
            l.street += u", Suite " + QString::number(100 + rnd.below(400));
    }
    l.city = search.cityTitle();
    l.state = search.stateTitle();
    l.zip = QString::number(10000 + int(place % 89000) + rnd.below(40));
    const int area = 201 + int((place >> 20) % 780);
    l.phone = u'(' + QString::number(area) + u") 555-"
        + QStringLiteral("%1").arg(rnd.below(10000), 4, 10, QLatin1Char('0'));

    const QString domain = slugOf(l.name) + QString::number(index + 1) + u".example";
    const int contact = rnd.below(6);
    if (contact < 4)
        l.web = u"http://www." + domain + u'/';
    if (contact == 0 || contact == 2)
        l.email = u"info@" + domain;
    else if (contact == 4)
        l.email = slugOf(l.name) + QString::number(index + 1) + u"@mail.example";
    l.featured = rnd.below(7) == 0;
    return l;
}

} // namespace dq::demo
