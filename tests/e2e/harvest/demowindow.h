#pragma once

#include "app/harvest/harvestcommands.h"
#include "app/shell/frmmain.h"
#include "core/table/recordtable.h"
#include "support/demoharvest.h"

#include <QAction>
#include <QLabel>
#include <QTest>

#include <memory>

namespace dq::test {

// The demo site and a main window over a fresh program folder whose engines grab it, its
// questions answered from a script.
struct DemoWindow
{
    DemoSite site;
    ScriptedPrompts prompts;
    std::unique_ptr<frmMain> w;
    QString home;

    // False when the program folder or the window could not be made.
    bool open(const QList<DemoEngine> &engines)
    {
        prompts = ScriptedPrompts();
        home = demoProgramHome(site, engines);
        return !home.isEmpty() && (w = another())->load();
    }
    // A second window on the same folder and script, not yet loaded: tips off, as they would take the focus.
    std::unique_ptr<frmMain> another() { return std::make_unique<frmMain>(prompts, false); }
    // Closes the window; the count of questions the script did not expect.
    int close()
    {
        w.reset();
        return prompts.unexpected;
    }

    HarvestCommands &harvest() { return w->harvest(); }
    QAction *startKey() const { return w->toolbarButton(1, QStringLiteral("StartGrab")); }
    QString panel(int i) const { return w->panel(i)->text(); }
    GridModel &table() { return w->table().fa(); }
    bool grabEnds(int ms = 60000)
    {
        return QTest::qWaitFor([this] { return !w->harvest().isGrabbing(); }, ms);
    }
    // The site's listing page of the page-number style, with its fault switches.
    QString listingPage(const QString &faults = {}) const { return demoSearch(site, QStringLiteral("page/"), faults); }
};

inline const DemoEngine kDemoPage { QStringLiteral("Demo Directory"), QStringLiteral("demo-page.key"),
    QStringLiteral("page/") };

} // namespace dq::test
