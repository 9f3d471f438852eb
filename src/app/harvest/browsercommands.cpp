#include "app/harvest/browsercommands.h"

#include "app/shell/frmmain.h"
#include "app/shell/menuentry.h"
#include "core/shell/programfolder.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QStyle>
#include <QUrl>
#include <QWebEngineHistory>
#include <QWebEngineView>

namespace dq {

namespace {

QWebEngineView *makeBrowser(QWidget *container, const char *name)
{
    auto *view = new QWebEngineView(container);
    view->setObjectName(QLatin1String(name));
    container->layout()->addWidget(view);
    return view;
}

} // namespace

BrowserCommands::BrowserCommands(frmMain &w)
    : QObject(&w)
    , m_window(w)
{
    WBrowser = makeBrowser(w.searchPage(), "WBrowser");
    WBrowserGuide = makeBrowser(w.guidePage(), "WBrowserGuide");

    // Each change of the browser's place shows in its address box; the search box's change
    // runs the address check that enables grabbing.
    connect(WBrowser, &QWebEngineView::urlChanged, this, [&w](const QUrl &url) { w.setSearchAddress(url.toString()); });
    connect(
        WBrowserGuide, &QWebEngineView::urlChanged, this, [&w](const QUrl &url) { w.setGuideAddress(url.toString()); });
    connect(WBrowser, &QWebEngineView::loadStarted, this, [this] { setBusy(true); });
    connect(WBrowser, &QWebEngineView::loadFinished, this, [this] { setBusy(false); });
    // An address typed into a box and confirmed with Enter is opened in its browser.
    connect(&w, &frmMain::searchAddressEntered, this, &BrowserCommands::navigate);
    connect(&w, &frmMain::guideAddressEntered, this,
        [this](const QString &address) { WBrowserGuide->setUrl(QUrl::fromUserInput(address)); });

    mnuFileB_back = addMenuEntry(w.menu(frmMain::Menu::SearchFile), "mnuFileB_back", QStringLiteral("Go &Back"));
    mnuFileB_forward
        = addMenuEntry(w.menu(frmMain::Menu::SearchFile), "mnuFileB_forward", QStringLiteral("Go &Forward"));
    mnuFileG_back = addMenuEntry(w.menu(frmMain::Menu::GuideFile), "mnuFileG_back", QStringLiteral("Go &Back"));
    mnuFileG_forward
        = addMenuEntry(w.menu(frmMain::Menu::GuideFile), "mnuFileG_forward", QStringLiteral("Go &Forward"));
    connect(mnuFileB_back, &QAction::triggered, WBrowser, &QWebEngineView::back);
    connect(mnuFileB_forward, &QAction::triggered, WBrowser, &QWebEngineView::forward);
    connect(mnuFileG_back, &QAction::triggered, WBrowserGuide, &QWebEngineView::back);
    connect(mnuFileG_forward, &QAction::triggered, WBrowserGuide, &QWebEngineView::forward);

    QStyle *style = w.style();
    const auto key = [&w, style](int toolbar, const char *name, const QString &tip, QStyle::StandardPixmap icon) {
        QAction *a = w.addToolbarButton(toolbar, QLatin1String(name), tip);
        a->setIcon(style->standardIcon(icon));
        return a;
    };
    // The toolbar keys first bring their browser's tab forward.
    QAction *back = key(1, "Back", QStringLiteral("Go Back to Previous Page"), QStyle::SP_ArrowBack);
    QAction *forward = key(1, "Forward", QStringLiteral("Go Forward"), QStyle::SP_ArrowForward);
    QAction *reload = key(1, "Reload", QStringLiteral("Refresh Current Page"), QStyle::SP_BrowserReload);
    connect(back, &QAction::triggered, this, [this, &w] {
        w.showTab(frmMain::kTabSearch);
        WBrowser->back();
    });
    connect(forward, &QAction::triggered, this, [this, &w] {
        w.showTab(frmMain::kTabSearch);
        WBrowser->forward();
    });
    connect(reload, &QAction::triggered, this, [this, &w] {
        w.showTab(frmMain::kTabSearch);
        w.panel(2)->clear();
        w.panel(20)->clear();
        WBrowser->reload();
    });
    QAction *gBack = key(2, "Back", QStringLiteral("Go Back"), QStyle::SP_ArrowBack);
    QAction *gForward = key(2, "Forward", QStringLiteral("Go Forward"), QStyle::SP_ArrowForward);
    QAction *gReload = key(2, "Reload", QStringLiteral("Refresh Current Page"), QStyle::SP_BrowserReload);
    connect(gBack, &QAction::triggered, this, [this, &w] {
        w.showTab(frmMain::kTabGuide);
        WBrowserGuide->back();
    });
    connect(gForward, &QAction::triggered, this, [this, &w] {
        w.showTab(frmMain::kTabGuide);
        WBrowserGuide->forward();
    });
    connect(gReload, &QAction::triggered, this, [this, &w] {
        w.showTab(frmMain::kTabGuide);
        WBrowserGuide->reload();
    });
}

BrowserCommands::~BrowserCommands()
{
    setBusy(false);
}

QString BrowserCommands::guidePagePath()
{
    return programFolder() + QStringLiteral("QRBX/Guide/index.html");
}

void BrowserCommands::openGuidePage()
{
    const QUrl url = QUrl::fromLocalFile(guidePagePath());
    m_window.setGuideAddress(url.toString());
    WBrowserGuide->setUrl(url);
}

void BrowserCommands::navigate(const QString &address)
{
    if (!address.trimmed().isEmpty())
        WBrowser->setUrl(QUrl::fromUserInput(address));
}

void BrowserCommands::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

} // namespace dq
