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

void DialSettings::save() const
{
    Settings::write(kPort, port);
    Settings::write(kLongDistance, longDistance);
    Settings::write(kDialOne, dialOne ? QStringLiteral("1") : QStringLiteral("0"));
    Settings::write(kExpanded, Settings::fromFlag(expanded));
}

QString DialSettings::numberFor(const QString &phone) const
{
    return dialOne ? longDistance.trimmed() + phone : phone;
}

} // namespace dq
