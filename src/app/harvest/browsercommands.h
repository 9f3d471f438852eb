#pragma once

#include <QObject>

class QAction;
class QWebEngineView;

namespace dq {

class frmMain;

// The two browser panels of the main window: the search browser `WBrowser` on the "Search"
// tab and the guide browser `WBrowserGuide` on the "Guide Online" tab, their back, forward and
// refresh commands, and the address boxes that follow them (`txtDrop`, `txtURL`).
//
// While the search browser downloads a page the mouse pointer is the hourglass; it is always
// restored when the download ends, whether it succeeded or not.
class BrowserCommands : public QObject
{
    Q_OBJECT

public:
    explicit BrowserCommands(frmMain &window);
    ~BrowserCommands() override;

    QWebEngineView *WBrowser = nullptr;
    QWebEngineView *WBrowserGuide = nullptr;

    QAction *mnuFileB_back = nullptr;
    QAction *mnuFileB_forward = nullptr;
    QAction *mnuFileG_back = nullptr;
    QAction *mnuFileG_forward = nullptr;

    // Opens the guide shipped beside the program, a local file that needs no network.
    void openGuidePage();
    static QString guidePagePath();

    void navigate(const QString &address);

private:
    void setBusy(bool busy);

    frmMain &m_window;
    bool m_busy = false;
};

} // namespace dq
