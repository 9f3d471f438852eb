#include "core/harvest/keyrules.h"

#include "core/grid/gridmodel.h"
#include "core/harvest/textcutters.h"

#include <limits>

namespace dq {

namespace {

// Field rows reach at most this far down; a larger F in a damaged file is cut here.
constexpr int kLastFieldRowLimit = 200;

} // namespace

int KeyRules::toNumber(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    qint64 value = 0;
    bool any = false;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
        value = qMin<qint64>(value * 10 + (text[i].unicode() - u'0'), 1 << 20);
        any = true;
        ++i;
    }
    if (!any)
        return 0;
    if (negative)
        value = -value;
    return int(qBound(qint64(std::numeric_limits<qint16>::min()), value, qint64(std::numeric_limits<qint16>::max())));
}

KeyRules KeyRules::fromGrid(const GridModel &t)
{
    auto num = [&t](int r, int c) { return toNumber(t.text(r, c)); };
    KeyRules k;
    k.listingPageMarker = t.text(1, 4);
    k.listStart = t.text(2, 2);
    k.listEnd = t.text(3, 2);
    k.listingEnd = t.text(5, 2);
    k.pageCheck = t.text(2, 7);
    k.fetchMode = t.text(3, 7);
    k.browserFetch = t.text(kBrowserFetchRow, kBrowserFetchColumn).trimmed().toLower();
    k.nextMethod = t.text(7, 6);
    k.k7 = t.text(7, 7);
    k.k8 = t.text(7, 8);
    k.k9 = num(7, 9);
    k.nextLinkBegin = t.text(15, 2);
    k.nextLinkEnd = t.text(16, 2);
    k.nextLinkPrefix = t.text(15, 4);

    const int lastFieldRow = qMin(6 + num(1, 6), kLastFieldRowLimit);
    for (int r = 6; r <= lastFieldRow; ++r)
        k.fields.push_back({ num(r, 1), t.text(r, 2), num(r, 3), num(r, 4) });

    for (int r = 6; r <= 14; ++r) {
        if (!t.text(r, 1).isEmpty())
            k.titles.emplace_back(num(r, 1), t.text(r, 0));
    }
    for (int r = 14; r < 14 + kMaxCleanRules && !t.text(r, 5).isEmpty(); ++r)
        k.cleanRules.push_back({ t.text(r, 5), t.text(r, 6), t.text(r, 7) });
    for (int r = 18; r < 18 + kMaxRecordRules && !t.text(r, 0).isEmpty(); ++r)
        k.recordRules.push_back({ t.text(r, 0), num(r, 1), t.text(r, 2), t.text(r, 3), num(r, 4) });
    return k;
}

bool KeyRules::addressEnablesGrab(const GridModel &keyTable, const QString &address, bool grabDisabled)
{
    if (grabDisabled)
        return false;
    const QString marker = keyTable.text(1, 4);
    return marker.isEmpty() || contains(address, marker);
}

} // namespace dq
