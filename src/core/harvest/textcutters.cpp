#include "core/harvest/textcutters.h"

#include <cstring>
#include <limits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace dq {

namespace {

// Substring search tuned for page text. Markers are short and HTML repeats their first
// character everywhere, so candidates are filtered on the marker's first and last characters
// eight positions at a time, and only positions matching both are compared in full.
qsizetype findIn(QStringView text, QStringView marker, qsizetype from)
{
    const qsizetype n = marker.size();
    const qsizetype size = text.size();
    if (n == 0)
        return from <= size ? from : -1;
    if (n == 1)
        return text.indexOf(marker.front(), from);
    const char16_t *s = text.utf16();
    const char16_t *m = marker.utf16();
    const qsizetype last = size - n; // last possible start
    qsizetype i = from;
#ifdef __SSE2__
    const __m128i first = _mm_set1_epi16(short(m[0]));
    const __m128i lastChar = _mm_set1_epi16(short(m[n - 1]));
    for (; i + 7 <= last; i += 8) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + i + n - 1));
        unsigned bits
            = unsigned(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi16(a, first), _mm_cmpeq_epi16(b, lastChar))));
        while (bits) {
            const int k = __builtin_ctz(bits) / 2;
            if (std::memcmp(s + i + k + 1, m + 1, size_t(n - 2) * 2) == 0)
                return i + k;
            bits &= ~(3u << (2 * k));
        }
    }
#endif
    for (; i <= last; ++i) {
        if (s[i] == m[0] && s[i + n - 1] == m[n - 1] && std::memcmp(s + i + 1, m + 1, size_t(n - 2) * 2) == 0)
            return i;
    }
    return -1;
}

} // namespace

int instr(QStringView text, QStringView marker, int from)
{
    if (from < 1 || text.isEmpty() || from > text.size())
        return 0;
    if (marker.isEmpty())
        return from;
    const qsizetype p = findIn(text, marker, from - 1);
    return p < 0 ? 0 : int(p) + 1;
}

QStringView CutBetween(QStringView text, QStringView begin, QStringView end)
{
    QStringView rest = text;
    if (!begin.isEmpty()) {
        const int p = instr(text, begin);
        if (p == 0)
            return {};
        rest = text.mid(p - 1 + begin.size());
    }
    if (end.isEmpty())
        return rest;
    const int q = instr(rest, end);
    return q == 0 ? QStringView() : rest.left(q - 1);
}

QString CutBetween(const QString &text, const QString &begin, const QString &end)
{
    return CutBetween(QStringView(text), QStringView(begin), QStringView(end)).toString();
}

QStringView CutBetweenLoose(QStringView text, QStringView begin, QStringView end)
{
    int start = 1;
    if (!begin.isEmpty()) {
        const int p = instr(text, begin);
        if (p == 0)
            return {};
        start = p + int(begin.size());
    }
    if (start > text.size())
        return {};
    if (end.isEmpty())
        return text.mid(start - 1);
    const int q = instr(text, end, start);
    if (q <= start)
        return {};
    return text.mid(start - 1, q - start);
}

QString CutBetweenLoose(const QString &text, const QString &begin, const QString &end)
{
    return CutBetweenLoose(QStringView(text), QStringView(begin), QStringView(end)).toString();
}

QString CutOutMiddle(QStringView text, QStringView begin, QStringView end)
{
    int p = 1;
    if (!begin.isEmpty()) {
        p = instr(text, begin);
        if (p == 0)
            return text.toString();
    }
    const QStringView before = text.left(p - 1);
    if (end.isEmpty())
        return before.toString();
    const int q = instr(text, end, p + int(begin.size()) + 1);
    if (q == 0)
        return text.toString();
    return before.toString() + text.mid(q - 1 + end.size());
}

QString replaceAll(QStringView text, QStringView from, QStringView to)
{
    return replaceAll(text, from, to, std::numeric_limits<qsizetype>::max()).value_or(QString());
}

std::optional<QString> replaceAll(QStringView text, QStringView from, QStringView to, qsizetype maxSize)
{
    qsizetype hit = from.isEmpty() ? -1 : findIn(text, from, 0);
    if (hit < 0)
        return text.size() <= maxSize ? std::optional<QString>(text.toString()) : std::nullopt;
    QString out;
    out.reserve(qMin(maxSize, text.size() + (to.size() > from.size() ? 8 * (to.size() - from.size()) : 0)));
    qsizetype done = 0;
    while (hit >= 0) {
        out.append(text.mid(done, hit - done));
        out.append(to);
        // The text only grows from here: stop as soon as it is past the limit.
        if (out.size() > maxSize)
            return std::nullopt;
        done = hit + from.size();
        hit = findIn(text, from, done);
    }
    out.append(text.mid(done));
    return out.size() <= maxSize ? std::optional<QString>(std::move(out)) : std::nullopt;
}

} // namespace dq
