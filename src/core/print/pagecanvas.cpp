#include "core/print/pagecanvas.h"

#include <algorithm>

namespace dq {

QString oneLine(const QString &text)
{
    const auto isBreak
        = [](QChar ch) { return ch == u'\n' || ch == u'\r' || ch == u'\t' || ch == QChar::LineSeparator; };
    if (std::none_of(text.begin(), text.end(), isBreak))
        return text;
    QString out = text;
    std::replace_if(out.begin(), out.end(), isBreak, QChar(u' '));
    return out;
}

} // namespace dq
