#include "core/shell/shellsettings.h"

#include "core/shell/settings.h"

namespace dq {

ShellSettings ShellSettings::load(const QString &programFolder)
{
    ShellSettings s;
    const auto intOr = [](const QString &name, int fallback) {
        const QString text = Settings::read(name);
        return text.trimmed().isEmpty() ? fallback : Settings::toInt(text);
    };
    s.top = Settings::toInt(Settings::read(QStringLiteral("TOP")));
    s.left = Settings::toInt(Settings::read(QStringLiteral("LEFT")));
    s.width = intOr(QStringLiteral("WIDTH"), kDefaultWidth);
    s.height = intOr(QStringLiteral("HEIGHT"), kDefaultHeight);
    if (s.top < 0 || s.left < 0 || s.height <= 800) {
        s.top = 0;
        s.left = 0;
        s.width = kDefaultWidth;
        s.height = kDefaultHeight;
    }
    const int vbar = Settings::toInt(Settings::read(QStringLiteral("VBarLeft")));
    s.vbarLeft = vbar > 0 ? vbar : kDefaultVBarLeft;
    s.alternateColor = Settings::toFlag(Settings::read(QStringLiteral("AlternateColor")), true);
    s.addressBox = Settings::toInt(Settings::read(QStringLiteral("AddressBox")));
    s.lastOpenPath = Settings::read(QStringLiteral("LastOpenPath"));
    if (s.lastOpenPath.isEmpty())
        s.lastOpenPath = programFolder;
    s.showTips = readShowTips();
    s.defaultTab = intOr(QStringLiteral("DefaultTab"), kDefaultTab);
    s.listIndex = Settings::toInt(Settings::read(QStringLiteral("ListIndex")));
    return s;
}

bool ShellSettings::readShowTips()
{
    return Settings::toFlag(Settings::read(QStringLiteral("ShowTips")), true);
}

QList<QPair<QString, QString>> ShellSettings::exitValues() const
{
    const auto num = [](int v) { return QString::number(v); };
    return {
        { QStringLiteral("TOP"), num(top) },
        { QStringLiteral("LEFT"), num(left) },
        { QStringLiteral("WIDTH"), num(width) },
        { QStringLiteral("HEIGHT"), num(height) },
        { QStringLiteral("VBarLeft"), num(vbarLeft) },
        { QStringLiteral("AlternateColor"), Settings::fromFlag(alternateColor) },
        { QStringLiteral("LastOpenPath"), lastOpenPath },
        { QStringLiteral("ShowTips"), Settings::fromFlag(showTips) },
        { QStringLiteral("DefaultTab"), num(defaultTab) },
        { QStringLiteral("AddressBox"), num(addressBox) },
        { QStringLiteral("ListIndex"), num(listIndex) },
    };
}

bool ShellSettings::save() const
{
    bool ok = true;
    for (const auto &[name, value] : exitValues())
        ok = Settings::write(name, value) && ok;
    return ok;
}

} // namespace dq
