#pragma once

#include <QString>

namespace dq {

// The dialer's four preferences, kept in the settings store as text: the port ("COMMPORT"),
// the long-distance prefix ("LONGDIS"), whether to dial that prefix ("DIALONE", "0"/"1") and
// whether the dialog's settings panel is open ("LONGFORM", "True"/"False").
struct DialSettings
{
    QString port = QStringLiteral("2");
    QString longDistance = QStringLiteral("1");
    bool dialOne = false;
    bool expanded = false;

    // Empty or missing values give the defaults above.
    static DialSettings load();
    bool save() const; // false when the store could not be written

    // The number to dial for a Phone cell: the cell text unchanged, preceded by the
    // trimmed prefix when dialOne is set.
    QString numberFor(const QString &phone) const;
};

} // namespace dq
