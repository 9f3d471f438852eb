#include "core/contact/dialsettings.h"

#include "core/shell/settings.h"

namespace dq {

namespace {
const QString kPort = QStringLiteral("COMMPORT");
const QString kLongDistance = QStringLiteral("LONGDIS");
const QString kDialOne = QStringLiteral("DIALONE");
const QString kExpanded = QStringLiteral("LONGFORM");
} // namespace

DialSettings DialSettings::load()
{
    DialSettings s;
    const QString port = Settings::read(kPort);
    if (!port.isEmpty())
        s.port = port;
    const QString prefix = Settings::read(kLongDistance);
    if (!prefix.isEmpty())
        s.longDistance = prefix;
    s.dialOne = Settings::toInt(Settings::read(kDialOne)) != 0;
    s.expanded = Settings::toFlag(Settings::read(kExpanded), false);
    return s;
}

bool DialSettings::save() const
{
    bool ok = Settings::write(kPort, port);
    ok = Settings::write(kLongDistance, longDistance) && ok;
    ok = Settings::write(kDialOne, dialOne ? QStringLiteral("1") : QStringLiteral("0")) && ok;
    return Settings::write(kExpanded, Settings::fromFlag(expanded)) && ok;
}

QString DialSettings::numberFor(const QString &phone) const
{
    return dialOne ? longDistance.trimmed() + phone : phone;
}

} // namespace dq
