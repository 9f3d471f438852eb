#pragma once

#include <QString>
#include <QStringList>
#include <QColor>

namespace dq {

// Every question the program asks the user goes through this interface: the desktop
// program answers with Qt dialogs, tests answer from a script, and no test ever waits
// on a modal dialog. Core code may ask questions; it never shows a window itself.
class UserPrompts
{
public:
    enum class Icon { None, Information, Question, Warning, Critical };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~UserPrompts() = default;

    // A message box. The default button is Cancel for YesNoCancel and OkCancel,
    // Yes for YesNo, Ok for Ok.
    virtual Answer message(const QString &title, const QString &text, Icon icon, Buttons buttons) = 0;

    // An input box; returns false when the user cancels (value is then untouched).
    virtual bool input(const QString &title, const QString &label, QString &value) = 0;

    // File dialogs. filters use Qt's "Description (*.ext)" form, separated by ";;".
    // An empty result means the dialog was cancelled.
    virtual QString openFileName(const QString &title, const QString &folder, const QString &filters) = 0;
    virtual QString saveFileName(const QString &title, const QString &initialPath, const QString &filters) = 0;

    // The colour dialog; returns an invalid colour when cancelled.
    virtual QColor color(const QColor &initial) = 0;
};

} // namespace dq
