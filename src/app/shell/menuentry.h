#pragma once

#include <QKeySequence>
#include <QString>

class QAction;
class QMenu;

namespace dq {

// Menu entries carry their control names as objectNames, so the toolbar, the right-click
// menus and the tests find them by name. Shortcuts live on the entries.
QAction *addMenuEntry(QMenu *into, const char *name, const QString &caption, const QKeySequence &keys = {});
// A submenu named name; its menu action is named name + "Action".
QMenu *addSubmenu(QMenu *into, const char *name, const QString &caption);
void addMenuSeparator(QMenu *into, const char *name);

} // namespace dq
