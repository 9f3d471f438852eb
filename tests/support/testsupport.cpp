#include "support/testsupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace dq::test {

UserPrompts::Answer ScriptedPrompts::message(const QString &title, const QString &text, Icon icon, Buttons buttons)
{
    asked.append({ QStringLiteral("message"), title, text, icon, buttons, {} });
    if (answers.isEmpty()) {
        ++unexpected;
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
    return answers.takeFirst();
}

bool ScriptedPrompts::input(const QString &title, const QString &label, QString &value)
{
    asked.append({ QStringLiteral("input"), title, label, Icon::None, Buttons::OkCancel, {} });
    if (inputs.isEmpty()) {
        ++unexpected;
        return false;
    }
    const QString next = inputs.takeFirst();
    if (next == QStringLiteral("\x01"))
        return false;
    value = next;
    return true;
}

QString ScriptedPrompts::openFileName(const QString &title, const QString &folder, const QString &filters)
{
    asked.append({ QStringLiteral("open"), title, folder, Icon::None, Buttons::OkCancel, filters });
    if (fileNames.isEmpty()) {
        ++unexpected;
        return {};
    }
    return fileNames.takeFirst();
}

QString ScriptedPrompts::saveFileName(const QString &title, const QString &initialPath, const QString &filters)
{
    asked.append({ QStringLiteral("save"), title, initialPath, Icon::None, Buttons::OkCancel, filters });
    if (fileNames.isEmpty()) {
        ++unexpected;
        return {};
    }
    return fileNames.takeFirst();
}

QColor ScriptedPrompts::color(const QColor &initial)
{
    asked.append({ QStringLiteral("color"), {}, initial.name(), Icon::None, Buttons::OkCancel, {} });
    if (colors.isEmpty()) {
        ++unexpected;
        return {};
    }
    return colors.takeFirst();
}

QStringList ScriptedPrompts::messages() const
{
    QStringList out;
    for (const Asked &a : asked)
        if (a.kind == QStringLiteral("message"))
            out.append(a.text);
    return out;
}

QString tempDir()
{
    // Kept alive until the test process ends; each call gets its own folder.
    static std::vector<std::unique_ptr<QTemporaryDir>> dirs;
    dirs.push_back(std::make_unique<QTemporaryDir>());
    return dirs.back()->path();
}

QString useFreshProgramHome()
{
    const QString home = tempDir();
    qputenv("DIRQUILL_HOME", home.toLocal8Bit());
    qputenv("DIRQUILL_CONFIG_DIR", tempDir().toLocal8Bit());
    qputenv("XDG_DATA_HOME", tempDir().toLocal8Bit()); // no user copies of the data files
    QFile siteList(home + QStringLiteral("/stpl00.bin"));
    return siteList.open(QIODevice::WriteOnly) ? home : QString();
}

} // namespace dq::test
