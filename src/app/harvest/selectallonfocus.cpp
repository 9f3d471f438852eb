#include "app/harvest/selectallonfocus.h"

#include <QEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

namespace dq {

void SelectAllOnFocus::install(QLineEdit *box)
{
    box->installEventFilter(new SelectAllOnFocus(box));
}

bool SelectAllOnFocus::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        if (auto *box = qobject_cast<QLineEdit *>(watched)) {
            QPointer<QLineEdit> guard(box);
            QTimer::singleShot(0, box, [guard] {
                if (guard)
                    guard->selectAll();
            });
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace dq
