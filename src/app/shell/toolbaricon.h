#pragma once

#include <QColor>
#include <QIcon>

namespace dq {

// Toolbar pictures that show at a glance whether their command is available. Pale grey
// one-colour pictures (the icon theme's symbolic ones) are inked in the text colour; every
// picture gets a faded disabled form, so an enabled key never looks like a disabled one.
class ToolbarIcon
{
public:
    static QIcon withDisabledLook(const QIcon &icon, const QColor &ink);
};

} // namespace dq
