#include "app/shell/menuentry.h"

#include <QAction>
#include <QMenu>

namespace dq {

QAction *addMenuEntry(QMenu *into, const char *name, const QString &caption, const QKeySequence &keys)
{
    QAction *a = into->addAction(caption);
    a->setObjectName(QLatin1String(name));
    if (!keys.isEmpty())
        a->setShortcut(keys);
    return a;
}

QMenu *addSubmenu(QMenu *into, const char *name, const QString &caption)
{
    QMenu *m = into->addMenu(caption);
    m->setObjectName(QLatin1String(name));
    m->menuAction()->setObjectName(QLatin1String(name) + QStringLiteral("Action"));
    return m;
}

void addMenuSeparator(QMenu *into, const char *name)
{
    into->addSeparator()->setObjectName(QLatin1String(name));
}

} // namespace dq
