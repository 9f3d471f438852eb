#include "cli/clicommand.h"

#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/harvest/colyps.h"
#include "core/harvest/sitelist.h"
#include "core/shell/programfolder.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QTextStream>

namespace {

int runEngines(const QStringList &args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    QCommandLineParser p;
    const QCommandLineOption sites(QStringLiteral("sites"), QString(), QStringLiteral("FILE"));
    p.addOption(sites);
    if (!p.parse(QStringList { QStringLiteral("engines") } + args) || !p.positionalArguments().isEmpty()) {
        err << "dirquill-cli engines: "
            << (p.errorText().isEmpty() ? QStringLiteral("unexpected arguments") : p.errorText())
            << "\nUsage: dirquill-cli engines [--sites FILE]\n";
        return 2;
    }
    const QString path = p.isSet(sites) ? p.value(sites) : dq::programFolder() + dq::SiteList::fileName();
    dq::GridModel grid;
    const dq::FileResult loaded = dq::GridFile::load(grid, path, dq::FileKind::Native);
    if (!loaded) {
        err << "dirquill-cli engines: " << loaded.errorString << '\n';
        return 1;
    }
    dq::colYPs engines;
    dq::SiteList::fill(grid, engines);
    const QString folder = QFileInfo(path).absolutePath() + QLatin1Char('/');
    int position = 0;
    for (const dq::objYP &yp : engines) {
        const bool present = QFileInfo(folder + yp.FileName).isFile();
        out << ++position << '\t' << yp.ListName << '\t' << yp.FileName << (present ? "" : " (missing)") << '\t'
            << yp.URL << '\n';
    }
    if (position == 0)
        err << "dirquill-cli engines: " << path << " lists no engines\n";
    return 0;
}

const dq::cli::CliCommand::Registration registration({
    QStringLiteral("engines"),
    QStringLiteral("list the searching engines of a site list"),
    QStringLiteral("Usage: dirquill-cli engines [--sites FILE]\n"
                   "Lists the searching engines, the first being the default: position, name, key file\n"
                   "(marked \"(missing)\" when it is not beside the site list) and start page, tab-separated.\n"
                   "  --sites FILE  the site list to read (default: stpl00.bin beside the program)"),
    runEngines,
});

} // namespace
