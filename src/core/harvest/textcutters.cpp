#include "core/harvest/textcutters.h"

namespace dq {

int instr(QStringView text, QStringView marker, int from)
{
    if (from < 1 || text.isEmpty() || from > text.size())
        return 0;
    if (marker.isEmpty())
        return from;
    const qsizetype p = text.indexOf(marker, from - 1);
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
    QString out = text.toString();
    if (!from.isEmpty())
        out.replace(from.toString(), to.toString());
    return out;
}

} // namespace dq
