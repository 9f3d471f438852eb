#include "app/harvest/searchcolormenu.h"

#include <QAction>
#include <QMenu>

#include <array>

namespace dq {

void addSearchColorMenu(QMenu *tools)
{
    QMenu *menu = tools->addMenu(QStringLiteral("Alternate Search Font Color"));
    menu->setObjectName(QStringLiteral("mnuAltColor"));

    QAction *normal = menu->addAction(QStringLiteral("Normal"));
    normal->setObjectName(QStringLiteral("mnuAltColorBlack"));
    menu->addSeparator();

    const std::array<QString, 3> captions { QStringLiteral("Add Blue"), QStringLiteral("Add Red"),
        QStringLiteral("Add Green") };
    std::array<QAction *, 3> toggles {};
    for (int i = 0; i < 3; ++i) {
        QAction *a = menu->addAction(captions[size_t(i)]);
        a->setObjectName(QStringLiteral("mnuAltColor_%1").arg(i + 1));
        a->setCheckable(true);
        toggles[size_t(i)] = a;
    }
    QObject::connect(normal, &QAction::triggered, menu, [toggles] {
        for (QAction *a : toggles)
            a->setChecked(false);
    });
}

} // namespace dq
