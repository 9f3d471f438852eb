#pragma once

#include <QString>

namespace dq {

// The settings store: named string values at one fixed per-user location
// (organisation "Orlenco", application "Dirquill"). A missing or unreadable value
// reads as empty text and callers use their default. DIRQUILL_CONFIG_DIR, when set,
// moves the store into that folder so tests never touch the user's settings.
class Settings
{
public:
    static QString read(const QString &name);
    // False when the store could not be written (a full disk, an unwritable folder).
    static bool write(const QString &name, const QString &value);
    // What the user is told when a write failed: where the store is.
    static QString writeFailedText();

    // Conversions the callers share: empty or non-numeric text is 0; "True" is on.
    static int toInt(const QString &text);
    static bool toFlag(const QString &text, bool whenEmpty);
    static QString fromFlag(bool on) { return on ? QStringLiteral("True") : QStringLiteral("False"); }
};

} // namespace dq
