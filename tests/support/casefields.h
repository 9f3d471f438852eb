#pragma once

#include <QTest>

namespace dq::test {

// A field of the current case of a table read by addCaseRows(), by its column's name, as text
// or as a whole number: drivers read the columns they need without a QFETCH each.
inline QString field(const QByteArray &column)
{
    return *static_cast<QString *>(QTest::qData(column.constData(), QMetaType::QString));
}
inline int number(const QByteArray &column)
{
    return field(column).toInt();
}

} // namespace dq::test
