#pragma once

// Grabbing the demo site from the tests: its search addresses, the command line's grab, and a
// program folder whose site list points a window at it.

#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "support/clirun.h"
#include "support/demosite.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>

namespace dq::test {

// The result address of a paging style ("page/", "pagemiddle/page-1/", ...) for plumbers in
// Austin, with the site's fault switches appended.
inline QString demoSearch(const DemoSite &site, const QString &style, const QString &faults = {})
{
    return site.base() + style + QStringLiteral("search?category=Plumbers&city=Austin&state=TX") + faults;
}

// dirquill-cli grab with a shipped engine; without out the rows go to standard output.
inline CliRun grabCli(const QString &engine, const QString &url, const QString &out = {}, const QStringList &more = {})
{
    QStringList a { QStringLiteral("grab"), QStringLiteral("--engine"), engine, QStringLiteral("--url"), url };
    if (!out.isEmpty())
        a << QStringLiteral("--out") << out;
    return runCli(a + more);
}

struct DemoEngine
{
    QString name;
    QString keyFile; // as built beside the program
    QString style; // its start page on the demo site
};

// A fresh program folder (DIRQUILL_HOME, with a fresh DIRQUILL_CONFIG_DIR and per-user data folder)
// holding the engines' key files, the guide, and a site list naming them. Empty when a file could not be written.
inline QString demoProgramHome(const DemoSite &site, const QList<DemoEngine> &engines)
{
    const QString home = tempDir() + u'/';
    qputenv("DIRQUILL_HOME", home.toLocal8Bit());
    qputenv("DIRQUILL_CONFIG_DIR", tempDir().toLocal8Bit());
    qputenv("XDG_DATA_HOME", tempDir().toLocal8Bit());
    const QString bin = QStringLiteral(DQ_BIN_DIR "/");
    const QString guide = QStringLiteral("QRBX/Guide/index.html");
    if (!QDir(home).mkpath(QStringLiteral("QRBX/Guide")) || !QFile::copy(bin + guide, home + guide))
        return {};
    GridModel sites;
    sites.setCols(4);
    sites.setRows(1 + int(engines.size()));
    for (int i = 0; i < engines.size(); ++i) {
        const DemoEngine &e = engines[i];
        if (!QFile::copy(bin + e.keyFile, home + e.keyFile))
            return {};
        sites.setText(i + 1, 0, e.name);
        sites.setText(i + 1, 1, e.keyFile);
        sites.setText(i + 1, 3, site.base() + e.style);
    }
    return GridFile::save(sites, home + QStringLiteral("stpl00.bin"), FileKind::Native) ? home : QString();
}

} // namespace dq::test
