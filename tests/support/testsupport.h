#pragma once

#include "core/shell/userprompts.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

namespace dq::test {

// Answers the program's questions from a script and records every question asked,
// so a test can check both what the user saw and what happened next. An unexpected
// question (the script ran dry) is recorded and answered with Cancel.
class ScriptedPrompts : public UserPrompts
{
public:
    struct Asked
    {
        QString kind; // "message", "input", "open", "save", "color"
        QString title;
        QString text; // message text, input label, dialog folder or initial path
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
        QString filters;
    };

    QList<Answer> answers; // for message()
    QStringList inputs; // for input(); an entry of "\x01" means "cancel"
    QStringList fileNames; // for openFileName() and saveFileName(); empty = cancel
    QList<QColor> colors; // for color(); invalid = cancel
    QList<Asked> asked;
    int unexpected = 0;

    Answer message(const QString &title, const QString &text, Icon icon, Buttons buttons) override;
    bool input(const QString &title, const QString &label, QString &value) override;
    QString openFileName(const QString &title, const QString &folder, const QString &filters) override;
    QString saveFileName(const QString &title, const QString &initialPath, const QString &filters) override;
    QColor color(const QColor &initial) override;

    QStringList messages() const; // texts of every message() asked, in order
};

// A fresh temporary folder for one test, removed afterwards.
QString tempDir();

// Points the program folder (DIRQUILL_HOME), the settings store (DIRQUILL_CONFIG_DIR) and the
// per-user data folder (XDG_DATA_HOME) at fresh temporary folders and puts an empty site list in the program folder, so
// a main window loads without engines. Returns the program folder; empty when the site list could not be written.
QString useFreshProgramHome();

// The control of a window by its objectName; a missing one ends the test run with its name,
// so a renamed control shows as such rather than as a crash.
template <class T> T *named(const QObject &window, const QString &name)
{
    T *child = window.findChild<T *>(name);
    if (!child)
        qFatal("no %s named %s", T::staticMetaObject.className(), qPrintable(name));
    return child;
}
template <class T> T *named(const QObject &window, const char *name)
{
    return named<T>(window, QString::fromLatin1(name));
}

} // namespace dq::test
