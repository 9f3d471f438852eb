#pragma once

#include "core/shell/userprompts.h"

class QWidget;

namespace dq {

// The desktop's answers to the program's questions: message boxes, input boxes and
// the file and colour dialogs, all modal to the given parent window.
class QtPrompts : public UserPrompts
{
public:
    explicit QtPrompts(QWidget *parent = nullptr)
        : m_parent(parent)
    {
    }
    // The window the dialogs are modal to.
    void setDialogParent(QWidget *parent) { m_parent = parent; }

    Answer message(const QString &title, const QString &text, Icon icon, Buttons buttons) override;
    bool input(const QString &title, const QString &label, QString &value) override;
    QString openFileName(const QString &title, const QString &folder, const QString &filters) override;
    QString saveFileName(const QString &title, const QString &initialPath, const QString &filters) override;
    QColor color(const QColor &initial) override;

private:
    QWidget *m_parent;
};

} // namespace dq
