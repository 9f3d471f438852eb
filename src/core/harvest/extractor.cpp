#include "core/harvest/extractor.h"

#include "core/harvest/textcutters.h"
#include "core/harvest/webaddress.h"

namespace dq {

namespace {

QString cell(const QStringList &row, int col)
{
    return col >= 0 && col < row.size() ? row.at(col) : QString();
}

void setCell(QStringList &row, int col, const QString &text)
{
    if (col >= 0 && col < row.size())
        row[col] = text;
}

QStringView trimBlanks(QStringView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && s[b] == u' ')
        ++b;
    while (e > b && s[e - 1] == u' ')
        --e;
    return s.mid(b, e - b);
}

} // namespace

QString Extractor::nextAddress(const KeyRules &k, QStringView page, RunState &s)
{
    const QString &u = s.address;
    const QString l = u.toLower();
    const int n = s.page;
    const QString &method = k.nextMethod;
    auto middleParts = [&]() {
        if (s.prefix.isEmpty())
            s.prefix = CutBetweenLoose(u, QString(), k.k7);
        if (s.suffix.isEmpty())
            s.suffix = CutBetweenLoose(u, k.k8, QString());
    };
    QString next = s.next;
    if (method == QLatin1String("Page")) {
        if (contains(l, k.k7))
            next = CutBetweenLoose(l, QString(), k.k7) + k.k7 + QString::number(n + 2);
        else
            next = u + k.k8;
    } else if (method == QLatin1String("PageMiddle")) {
        middleParts();
        next = s.prefix + k.k7 + QString::number(n + 2) + s.suffix;
    } else if (method == QLatin1String("Item")) {
        if (contains(l, k.k7))
            next = CutBetweenLoose(u, QString(), k.k7) + k.k7 + QString::number((n + 1) * k.k9 + 1);
        else
            next = u + k.k7 + QString::number(k.k9 + 1);
    } else if (method == QLatin1String("ItemMiddle")) {
        middleParts();
        next = s.prefix + k.k7 + QString::number((n + 1) * k.k9 + 1) + s.suffix;
    } else if (method == QLatin1String("Next")) {
        next = k.nextLinkPrefix + CutBetween(page, k.nextLinkBegin, k.nextLinkEnd);
    }
    next.replace(QLatin1String("&amp;"), QLatin1String("&"));
    s.next = next;
    return next;
}

QStringList Extractor::fillRow(const KeyRules &k, QStringView listing, int columns)
{
    QStringList row;
    row.reserve(columns);
    for (int c = 0; c < columns; ++c)
        row.append(QString());
    QStringView rest = listing;
    for (const KeyRules::Field &f : k.fields) {
        const int p = instr(rest, f.marker);
        if (p == 0)
            continue;
        const int e = p + f.endOffset;
        if (e < 0)
            continue;
        setCell(row, f.column, trimBlanks(rest.left(e)).toString());
        const qsizetype from = qsizetype(p) - 1 + f.marker.size() + f.skipOffset;
        if (from >= 0)
            rest = rest.mid(qMin(from, rest.size()));
    }
    if (!applyRecordRules(k.recordRules, row))
        return {};
    return row;
}

bool Extractor::applyRecordRules(const std::vector<KeyRules::RecordRule> &rules, QStringList &row)
{
    for (const KeyRules::RecordRule &r : rules) {
        const QString x = cell(row, r.c1);
        if (r.keyword == QLatin1String("DeleteIfContain")) {
            const bool hit = !r.b.isEmpty() && r.c4 >= 0 ? contains(cell(row, r.c4), r.b) : contains(x, r.a);
            if (hit)
                setCell(row, r.c1, QString());
        } else if (r.keyword == QLatin1String("ExtractTo")) {
            if (!r.a.isEmpty()) {
                if (contains(x, r.a))
                    setCell(row, r.c4, CutBetweenLoose(x, r.a, r.b));
            } else if (contains(x, r.b)) {
                setCell(row, r.c4, CutBetweenLoose(x, QString(), r.b));
            }
        } else if (r.keyword == QLatin1String("Replace")) {
            if (contains(x, r.a)) {
                std::optional<QString> replaced = replaceAll(x, r.a, r.b, kMaxListingSize);
                if (!replaced)
                    return false;
                setCell(row, r.c1, *replaced);
            }
        } else if (r.keyword == QLatin1String("TrimMiddle")) {
            if (contains(x, r.a) || contains(x, r.b))
                setCell(row, r.c1, CutOutMiddle(x, r.a, r.b));
        }
    }
    return true;
}

std::vector<QStringList> Extractor::listings(const KeyRules &k, QStringView page, int columns, int *oversized)
{
    std::vector<QStringList> rows;
    const QString blockText = k.listStart + CutBetween(page, k.listStart, k.listEnd);
    QStringView block(blockText);
    for (int c = 0; c < kMaxListingsPerPage; ++c) {
        if (block.size() < 5 || !contains(block, k.listingEnd))
            break;
        QStringView listing = CutBetween(block, k.listStart, k.listingEnd);
        // The listing is copied only when a rule changes it.
        QString cleaned;
        bool tooLong = false;
        for (const KeyRules::CleanRule &r : k.cleanRules) {
            if (r.keyword == QLatin1String("Replace")) {
                if (!r.a.isEmpty() && contains(listing, r.a)) {
                    std::optional<QString> replaced = replaceAll(listing, r.a, r.b, kMaxListingSize);
                    if (!replaced) {
                        tooLong = true;
                        break;
                    }
                    cleaned = std::move(*replaced);
                    listing = cleaned;
                }
            } else if (r.keyword == QLatin1String("TrimMiddle")) {
                if (r.a.isEmpty() || contains(listing, r.a)) {
                    cleaned = CutOutMiddle(listing, r.a, r.b);
                    listing = cleaned;
                }
            }
        }
        block = CutBetween(block, k.listingEnd, QStringView());
        QStringList row = tooLong ? QStringList() : fillRow(k, listing, columns);
        if (tooLong || (row.isEmpty() && columns > 0)) {
            if (oversized)
                ++*oversized;
            continue;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

Extractor::PageResult Extractor::extractPage(const KeyRules &k, QStringView page, RunState &s)
{
    PageResult result;
    if (page.isEmpty() || !contains(page, k.pageCheck)) {
        result.end = End::NoPage;
        return result;
    }
    result.accepted = true;
    result.nextAddress = nextAddress(k, page, s);
    result.rows = listings(k, page, s.columns, &result.oversized);

    if (result.nextAddress.size() < kMinNextAddress) {
        result.end = End::NoNextAddress;
    } else if (s.page >= kLastPage) {
        result.end = End::PageLimit;
    } else {
        // A next address without a scheme keeps the scheme the run is using, so a secure site
        // is not left for plain HTTP between pages.
        s.address = result.nextAddress;
        if (addressScheme(s.address).isEmpty())
            s.address = s.scheme + QLatin1String("://") + s.address;
        s.page += 1;
    }
    return result;
}

} // namespace dq
