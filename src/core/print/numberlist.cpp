#include "core/print/numberlist.h"

#include <QStringList>

#include <algorithm>

namespace dq {

std::optional<std::vector<int>> parseNumberList(const QString &text, int min, int max, QString *error)
{
    auto fail = [&](const QString &why) -> std::optional<std::vector<int>> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    std::vector<int> out;
    const QStringList parts = text.split(u',');
    for (const QString &raw : parts) {
        const QString part = raw.trimmed();
        if (part.isEmpty())
            return fail(QStringLiteral("empty entry in \"%1\"").arg(text));
        const qsizetype dash = part.indexOf(u'-', 1);
        bool ok1 = false;
        bool ok2 = true;
        const int first = (dash < 0 ? part : part.left(dash)).trimmed().toInt(&ok1);
        const int last = dash < 0 ? first : part.mid(dash + 1).trimmed().toInt(&ok2);
        if (!ok1 || !ok2)
            return fail(QStringLiteral("\"%1\" is not a number or a range such as 3-7").arg(part));
        if (first > last)
            return fail(QStringLiteral("the range \"%1\" runs backwards").arg(part));
        if (first < min || last > max)
            return fail(QStringLiteral("\"%1\" is outside %2 to %3").arg(part).arg(min).arg(max));
        for (int n = first; n <= last; ++n)
            out.push_back(n);
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

} // namespace dq
