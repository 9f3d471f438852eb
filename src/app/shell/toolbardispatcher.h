#pragma once

#include <QObject>
#include <QString>

#include <span>

class QAction;

namespace dq {

class frmMain;

// The three toolbars' buttons and the one place their clicks arrive. The buttons are laid
// out here, in their fixed order, before any subsystem installs its commands; a subsystem
// that asks the window for a button by key gets the one already in place and connects its
// operation to it. The dispatcher itself runs the keys that belong to the window (switching
// views) and compares keys exactly: a key it does not know does nothing here.
class ToolbarDispatcher : public QObject
{
    Q_OBJECT

public:
    struct Key
    {
        int toolbar;
        const char *key;
        const char *toolTip;
    };
    // Every button of the three toolbars, in the order they are shown.
    static std::span<const Key> keys();

    explicit ToolbarDispatcher(frmMain &window);

    // Gives a picture to every button its subsystem left without one, and every picture a
    // disabled look that is told apart from the enabled one at a glance.
    void fillMissingIcons();

    // Runs the window's own part of a click: toolbar 0 results, 1 search, 2 guide.
    void dispatch(int toolbar, const QString &key);

private:
    frmMain &m_window;
};

} // namespace dq
