#pragma once

#include "core/harvest/objyp.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace dq {

// The ordered collection of searching engines. Positions count from 1. Item() and Add() return
// pointers that stay valid until the collection next changes; an absent position or key gives
// nullptr rather than an error.
class colYPs
{
public:
    objYP *Add(const QString &listName, const QString &fileName, const QString &url, int index,
        const QString &key = QString());
    objYP *Item(int position);
    const objYP *Item(int position) const;
    objYP *Item(const QString &key);
    int Count() const { return int(m_items.size()); }
    bool Remove(int position);
    bool Remove(const QString &key);
    void clear();

    // Exchanges every property of two engines (positions from 1); keys stay with their positions.
    void swap(int a, int b);

    // Enumeration in order.
    QList<objYP>::iterator begin() { return m_items.begin(); }
    QList<objYP>::iterator end() { return m_items.end(); }
    QList<objYP>::const_iterator begin() const { return m_items.cbegin(); }
    QList<objYP>::const_iterator end() const { return m_items.cend(); }

private:
    QList<objYP> m_items;
    QStringList m_keys; // parallel to m_items; empty = no key
};

} // namespace dq
