#include "core/harvest/colyps.h"

namespace dq {

objYP *colYPs::Add(const QString &listName, const QString &fileName, const QString &url, int index, const QString &key)
{
    // A key names one engine only: a second Add under the same key is refused.
    if (!key.isEmpty() && m_keys.contains(key))
        return nullptr;
    objYP yp;
    yp.ListName = listName;
    yp.FileName = fileName;
    yp.URL = url;
    yp.Index = index;
    m_items.append(yp);
    m_keys.append(key);
    return &m_items.last();
}

objYP *colYPs::Item(int position)
{
    return position >= 1 && position <= Count() ? &m_items[position - 1] : nullptr;
}

const objYP *colYPs::Item(int position) const
{
    return position >= 1 && position <= Count() ? &m_items.at(position - 1) : nullptr;
}

objYP *colYPs::Item(const QString &key)
{
    const qsizetype i = key.isEmpty() ? -1 : m_keys.indexOf(key);
    return i < 0 ? nullptr : &m_items[i];
}

bool colYPs::Remove(int position)
{
    if (position < 1 || position > Count())
        return false;
    m_items.removeAt(position - 1);
    m_keys.removeAt(position - 1);
    return true;
}

bool colYPs::Remove(const QString &key)
{
    const qsizetype i = key.isEmpty() ? -1 : m_keys.indexOf(key);
    return i >= 0 && Remove(int(i) + 1);
}

void colYPs::clear()
{
    m_items.clear();
    m_keys.clear();
}

void colYPs::swap(int a, int b)
{
    if (a >= 1 && b >= 1 && a <= Count() && b <= Count() && a != b)
        m_items.swapItemsAt(a - 1, b - 1);
}

} // namespace dq
