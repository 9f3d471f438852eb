#include "app/shell/toolbardispatcher.h"

#include "app/shell/frmmain.h"
#include "app/shell/toolbaricon.h"

#include <QAction>
#include <QIcon>
#include <QStyle>
#include <QToolBar>

#include <array>

namespace dq {

namespace {

constexpr std::array<ToolbarDispatcher::Key, 35> kKeys { {
    { 0, "Web", "Go to Web Browser tab" },
    { 0, "New", "New / Clear" },
    { 0, "Open", "Open Data File" },
    { 0, "Save", "Save" },
    { 0, "Undo", "Undo" },
    { 0, "Redo", "Redo" },
    { 0, "Cut", "Cut" },
    { 0, "Copy", "Copy" },
    { 0, "Paste", "Paste" },
    { 0, "Find", "Find Text" },
    { 0, "Bold", "Bold" },
    { 0, "Italic", "Italic" },
    { 0, "Underline", "Underline" },
    { 0, "A", "Current Font Color" },
    { 0, "Acolor", "Set Font Color" },
    { 0, "Flood", "Set Background Color" },
    { 0, "RowMode", "Row and Find Mode" },
    { 0, "BlockMode", "Block and Edit Mode" },
    { 0, "DragMode", "Toggle Drag Mode" },
    { 0, "AlternateColor", "Toggle Alternate Color" },
    { 0, "map", "Internet Map" },
    { 0, "phone", "Dial Phone" },
    { 0, "mail", "Send Email" },
    { 0, "inet", "Web Site Link" },
    { 0, "Stop", "Stop Grabbing" },
    { 1, "Result", "Go to Results / Data tab" },
    { 1, "Back", "Go Back to Previous Page" },
    { 1, "Forward", "Go Forward" },
    { 1, "Reload", "Refresh Current Page" },
    { 1, "Stop", "Stop Grabbing" },
    { 1, "StartGrab", "Start Grabbing" },
    { 2, "Web", "Go to Searching Site" },
    { 2, "Back", "Go Back" },
    { 2, "Forward", "Go Forward" },
    { 2, "Reload", "Refresh Current Page" },
} };

// Pictures for the buttons whose subsystem brings none.
QStyle::StandardPixmap standardIcon(int toolbar, const QString &key)
{
    if (key == QLatin1String("Web"))
        return QStyle::SP_DriveNetIcon;
    if (key == QLatin1String("Result"))
        return QStyle::SP_FileDialogDetailedView;
    if (key == QLatin1String("New"))
        return QStyle::SP_FileIcon;
    if (key == QLatin1String("Open"))
        return QStyle::SP_DialogOpenButton;
    if (key == QLatin1String("Save"))
        return QStyle::SP_DialogSaveButton;
    if (key == QLatin1String("Stop"))
        return QStyle::SP_BrowserStop;
    if (key == QLatin1String("StartGrab"))
        return QStyle::SP_MediaPlay;
    if (key == QLatin1String("Back"))
        return QStyle::SP_ArrowBack;
    if (key == QLatin1String("Forward"))
        return QStyle::SP_ArrowForward;
    if (key == QLatin1String("Reload"))
        return QStyle::SP_BrowserReload;
    Q_UNUSED(toolbar);
    return QStyle::SP_CustomBase;
}

// Icon-theme names for the keys, tried when a button has no picture after installation.
QString themeIcon(const QString &key)
{
    static const std::array<std::pair<const char *, const char *>, 20> names { {
        { "Undo", "edit-undo" },
        { "Redo", "edit-redo" },
        { "Cut", "edit-cut" },
        { "Copy", "edit-copy" },
        { "Paste", "edit-paste" },
        { "Find", "edit-find" },
        { "Bold", "format-text-bold" },
        { "Italic", "format-text-italic" },
        { "Underline", "format-text-underline" },
        { "Flood", "format-fill-color" },
        { "RowMode", "view-list" },
        { "BlockMode", "edit-select-all" },
        { "DragMode", "object-flip-horizontal" },
        { "AlternateColor", "view-grid" },
        { "map", "mark-location" },
        { "phone", "call-start" },
        { "mail", "mail-send" },
        { "inet", "web-browser" },
        { "A", "format-text-color" },
        { "Acolor", "preferences-color" },
    } };
    for (const auto &[k, name] : names)
        if (key == QLatin1String(k))
            return QLatin1String(name);
    return {};
}

} // namespace

std::span<const ToolbarDispatcher::Key> ToolbarDispatcher::keys()
{
    return kKeys;
}

ToolbarDispatcher::ToolbarDispatcher(frmMain &window)
    : QObject(&window)
    , m_window(window)
{
    QStyle *style = window.style();
    for (const Key &k : kKeys) {
        const QString key = QLatin1String(k.key);
        QAction *a = window.addToolbarButton(k.toolbar, key, QLatin1String(k.toolTip));
        if (const QStyle::StandardPixmap icon = standardIcon(k.toolbar, key); icon != QStyle::SP_CustomBase)
            a->setIcon(style->standardIcon(icon));
    }
    for (int i = 0; i < 3; ++i) {
        connect(window.toolbar(i), &QToolBar::actionTriggered, this,
            [this, i](QAction *a) { dispatch(i, a->data().toString()); });
    }
}

void ToolbarDispatcher::fillMissingIcons()
{
    for (int i = 0; i < 3; ++i) {
        const QList<QAction *> actions = m_window.toolbar(i)->actions();
        for (QAction *a : actions) {
            const QString key = a->data().toString();
            if (key.isEmpty() || !a->icon().isNull())
                continue;
            QIcon icon = QIcon::fromTheme(themeIcon(key));
            if (icon.isNull())
                icon = QIcon::fromTheme(themeIcon(key) + QStringLiteral("-symbolic"));
            // Last resort: a neutral picture, so no button shows as a blank gap.
            a->setIcon(icon.isNull() ? m_window.style()->standardIcon(QStyle::SP_CommandLink) : icon);
        }
        const QColor ink = m_window.palette().color(QPalette::Active, QPalette::WindowText);
        for (QAction *a : actions)
            if (!a->icon().isNull())
                a->setIcon(ToolbarIcon::withDisabledLook(a->icon(), ink));
    }
}

void ToolbarDispatcher::dispatch(int toolbar, const QString &key)
{
    switch (toolbar) {
    case frmMain::kTabResults:
        if (key == QLatin1String("Web"))
            m_window.showTab(frmMain::kTabSearch);
        break;
    case frmMain::kTabSearch:
        if (key == QLatin1String("Result"))
            m_window.showTab(frmMain::kTabResults);
        break;
    case frmMain::kTabGuide:
        if (key == QLatin1String("Web"))
            m_window.showTab(frmMain::kTabSearch);
        break;
    default:
        break;
    }
}

} // namespace dq
