#pragma once

#include "core/harvest/harvestjournal.h"

#include <QObject>

#include <array>
#include <functional>

class QAction;
class QIcon;
class QLabel;
class QLineEdit;
class QTimer;
class QToolButton;

namespace dq {

class BrowserCommands;
class BrowserCookieMirror;
class GrabRun;
class WebPageRenderer;
class GridModel;
class frmMain;
class frmT;

// The harvest as the main window runs it: the engine list and its selection (key file load,
// start page, "Search" tab), the site editor and key-file tool window buttons, the address
// check that enables Start Grabbing, the hint panels, the grab commands with their status
// panels and animation, and the end of a grab on the "Results" tab.
//
// A grab runs asynchronously (GrabRun) while the window stays responsive; Stop is taken in
// between network events and the listing in hand is finished first. `Timer1` is the only
// source of the running status text. Every grabbed row stays in the table whatever ends the
// grab; the table is then marked changed.
class HarvestCommands : public QObject
{
    Q_OBJECT

public:
    explicit HarvestCommands(frmMain &window);
    ~HarvestCommands() override;

    BrowserCommands &browsers() { return *m_browsers; }
    GrabRun &grabRun() { return *m_run; }
    // The key-file tool window, loaded (hidden) on first use; it holds the key table.
    frmT &keyTool();
    GridModel &keyTable();
    // Set while the selected engine has no key file (and before any engine is selected):
    // the address check then never enables grabbing.
    bool grabDisabled() const { return m_grabDisabled; }
    bool isGrabbing() const;

    // The engine list's selection: shows the engine's name, loads its key file, opens its
    // start page on the "Search" tab.
    void cboYP2_Click();
    // Shows the key-file tool window.
    void showKeyTool();
    // Opens the site editor, modal to the window; returns at once.
    void editSiteOrder();

    void ShowHint(int index);
    void ClearGrabStatus();
    // The address check, run on every change of the address box.
    void checkAddress();
    void animateStatus();
    void Grab();
    void StopGrab();
    // Goes on with a grab cut off by a crash, from the page after the journal's last one.
    // Returns false (after saying why) when its key file cannot be read.
    bool continueGrab(const HarvestJournal::Contents &journal);
    // What the journal records about the running (or last) grab.
    const HarvestJournal::Run &runInfo() const { return m_runInfo; }

    // Settings of the grab's pace, kept between runs: retries of a busy page (default 3) and
    // the pause between pages in seconds (default 0).
    static int retriesSetting();
    static double pauseSetting();
    void askRetries();
    void askPause();

    std::array<QLabel *, 3> pnlHintMsg {};
    QTimer *Timer1 = nullptr;
    QAction *mnuFileB_Grab = nullptr;
    QAction *mnuFileB_StopGrab = nullptr;
    QToolButton *cmdUpDown = nullptr;
    QToolButton *Command1 = nullptr;
    QLineEdit *txtYP2 = nullptr;
    QAction *mnuGrabRetries = nullptr;
    QAction *mnuGrabPause = nullptr;

private:
    void createControls();
    QAction *createToolbarKeys();
    void createToolbarControls(const QIcon &startIcon);
    void createMenuEntries();
    void setStopEnabled(bool on);
    void setBrowsingKeysEnabled(bool on);
    void onFinished(int reason, const QString &message);
    void showLastRow();
    void enterGrabState();
    void setReshapingEnabled(bool on);
    // Runs start (a run's start or resume) with the run's title changes not counted as edits.
    bool startUntracked(const std::function<bool()> &start);
    // Reads the site list file again into the engines and the engine list.
    void reloadSiteList();
    // The key table holds the site list (double click): the engine's own rules come back.
    void reloadKeyFileIfSites();

    frmMain &m_window;
    BrowserCommands *m_browsers;
    GrabRun *m_run;
    frmT *m_frmT = nullptr;
    HarvestJournal::Run m_runInfo;
    BrowserCookieMirror *m_cookies = nullptr;
    WebPageRenderer *m_renderer = nullptr;
    QString m_waitText; // a retry's countdown, shown instead of the animation while it lasts
    bool m_grabDisabled = true;
};

} // namespace dq
