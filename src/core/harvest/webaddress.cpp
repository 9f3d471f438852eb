#include "core/harvest/webaddress.h"

namespace dq {

QString addressScheme(QStringView address)
{
    const QStringView text = address.trimmed();
    const qsizetype colon = text.indexOf(u"://");
    if (colon <= 0)
        return {};
    const QStringView scheme = text.left(colon);
    auto isAlpha = [](QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
    if (!isAlpha(scheme.front()))
        return {};
    for (const QChar c : scheme) {
        if (!isAlpha(c) && !(c >= u'0' && c <= u'9') && c != u'+' && c != u'-' && c != u'.')
            return {};
    }
    return scheme.toString().toLower();
}

} // namespace dq
