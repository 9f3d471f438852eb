#pragma once

#include <QObject>

class QLineEdit;

namespace dq {

// Makes a text box select its whole text when it gains the keyboard focus, so a pasted or
// typed address replaces the old one. The selection is made after the click that gave the
// focus has placed the caret.
class SelectAllOnFocus : public QObject
{
    Q_OBJECT

public:
    static void install(QLineEdit *box);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using QObject::QObject;
};

} // namespace dq
