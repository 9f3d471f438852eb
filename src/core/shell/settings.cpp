#include "core/shell/settings.h"

#include <cmath>
#include <limits>

#include <QSettings>
#include <QDir>

namespace dq {

namespace {

// Values longer than this cannot be read back whole, as with the registry buffer.
constexpr int kMaxValueLength = 2047;

QSettings store()
{
    const QByteArray dir = qgetenv("DIRQUILL_CONFIG_DIR");
    if (!dir.isEmpty()) {
        QDir().mkpath(QString::fromLocal8Bit(dir));
        return QSettings(QString::fromLocal8Bit(dir) + QStringLiteral("/Dirquill.conf"), QSettings::IniFormat);
    }
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Orlenco"), QStringLiteral("Dirquill"));
}

} // namespace

QString Settings::read(const QString &name)
{
    const QVariant v = store().value(name);
    if (!v.isValid() || !v.canConvert<QString>())
        return {};
    return v.toString().left(kMaxValueLength);
}

bool Settings::write(const QString &name, const QString &value)
{
    QSettings s = store();
    s.setValue(name, value);
    s.sync();
    return s.status() == QSettings::NoError;
}

QString Settings::writeFailedText()
{
    return QStringLiteral("The settings could not be saved to %1. They will be as before the next time.")
        .arg(QDir::toNativeSeparators(store().fileName()));
}

int Settings::toInt(const QString &text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (ok)
        return v;
    const double d = text.trimmed().toDouble(&ok);
    // A value past the range of int is clamped: converting it as it is would be undefined.
    if (!ok || std::isnan(d))
        return 0;
    if (d >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (d <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(d);
}

bool Settings::toFlag(const QString &text, bool whenEmpty)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return whenEmpty;
    return t.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0 || t == QStringLiteral("-1")
        || t == QStringLiteral("1");
}

} // namespace dq
