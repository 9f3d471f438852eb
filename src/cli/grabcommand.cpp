#include "cli/clicommand.h"

#include "core/grid/gridfile.h"
#include "core/table/recordtable.h"
#include "core/grid/gridmodel.h"
#include "core/harvest/colyps.h"
#include "core/harvest/grabrun.h"
#include "core/harvest/sitelist.h"
#include "core/shell/programfolder.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>

#include <atomic>
#include <csignal>

namespace {

// Ctrl+C (or a polite kill) during a grab stops it the way the Stop button does, so the rows
// grabbed so far are still written. A second one ends the program at once.
std::atomic<bool> g_interrupted { false };

extern "C" void onInterrupt(int signal)
{
    g_interrupted = true;
    std::signal(signal, SIG_DFL);
}

const QString kUsage
    = QStringLiteral("Usage: dirquill-cli grab (--engine NAME | --key FILE) --url URL [--out FILE] [--append]\n"
                     "                         [--max-pages N] [--timeout SECONDS] [--sites FILE]\n"
                     "Grabs the listing pages from URL on, following the site's next pages, and writes the rows.\n"
                     "  --engine NAME      a searching engine of the site list (its name or key file name)\n"
                     "  --key FILE         a key file to use directly\n"
                     "  --url URL          the first listing page\n"
                     "  --out FILE         write the table here; .tsy native, .csv comma text, .txt tab text\n"
                     "                     (without --out: comma text on standard output)\n"
                     "  --append           open FILE first and add the rows below its rows\n"
                     "  --max-pages N      stop after N pages (at most 10000)\n"
                     "  --timeout SECONDS  give up on a page after this long (default 60)\n"
                     "  --sites FILE       the site list for --engine (default: stpl00.bin beside the program)\n"
                     "Progress goes to standard error. Ctrl+C stops after the listing in hand and still writes\n"
                     "the rows. Exit status 0 after a normal end, 1 when a page could not be fetched or the table\n"
                     "not written (the rows grabbed before are still written), 2 on bad use, 130 when stopped.");

int usageError(QTextStream &err, const QString &why)
{
    err << "dirquill-cli grab: " << why << '\n' << kUsage << '\n';
    return 2;
}

int runGrab(const QStringList &args)
{
    QTextStream err(stderr);
    QCommandLineParser p;
    const QCommandLineOption engine(QStringLiteral("engine"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption key(QStringLiteral("key"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption url(QStringLiteral("url"), QString(), QStringLiteral("URL"));
    const QCommandLineOption outFile(QStringLiteral("out"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption append(QStringLiteral("append"));
    const QCommandLineOption maxPages(QStringLiteral("max-pages"), QString(), QStringLiteral("N"));
    const QCommandLineOption timeout(QStringLiteral("timeout"), QString(), QStringLiteral("SECONDS"));
    const QCommandLineOption sites(QStringLiteral("sites"), QString(), QStringLiteral("FILE"));
    p.addOptions({ engine, key, url, outFile, append, maxPages, timeout, sites });
    if (!p.parse(QStringList { QStringLiteral("grab") } + args))
        return usageError(err, p.errorText());
    if (!p.positionalArguments().isEmpty())
        return usageError(err, QStringLiteral("unexpected argument '") + p.positionalArguments().first() + u'\'');
    if (p.isSet(engine) == p.isSet(key))
        return usageError(err, QStringLiteral("give either --engine or --key"));
    if (!p.isSet(url) || p.value(url).trimmed().isEmpty())
        return usageError(err, QStringLiteral("--url is needed"));
    if (p.isSet(append) && !p.isSet(outFile))
        return usageError(err, QStringLiteral("--append needs --out"));
    bool ok = true;
    const int pages = p.isSet(maxPages) ? p.value(maxPages).toInt(&ok) : 10000;
    if (!ok || pages < 1)
        return usageError(err, QStringLiteral("--max-pages needs a whole number of at least 1"));
    const double seconds = p.isSet(timeout) ? p.value(timeout).toDouble(&ok) : 60.0;
    if (!ok || seconds <= 0 || seconds > 86400)
        return usageError(err, QStringLiteral("--timeout needs a number of seconds above 0"));

    // The key table: a file named directly, or the engine's key file beside its site list.
    QString keyPath = p.value(key);
    if (p.isSet(engine)) {
        const QString sitesPath = p.isSet(sites) ? p.value(sites) : dq::programFolder() + dq::SiteList::fileName();
        dq::GridModel siteGrid;
        const dq::FileResult r = dq::GridFile::load(siteGrid, sitesPath, dq::FileKind::Native);
        if (!r) {
            err << "dirquill-cli grab: " << r.errorString << '\n';
            return 1;
        }
        dq::colYPs engines;
        dq::SiteList::fill(siteGrid, engines);
        const dq::objYP *yp = dq::SiteList::find(engines, p.value(engine));
        if (!yp) {
            err << "dirquill-cli grab: no engine '" << p.value(engine) << "' in " << sitesPath
                << " (dirquill-cli engines lists them)\n";
            return 1;
        }
        keyPath = QFileInfo(sitesPath).absolutePath() + QLatin1Char('/') + yp->FileName;
    }
    dq::GridModel keyTable;
    if (const dq::FileResult r = dq::GridFile::load(keyTable, keyPath, dq::FileKind::Native); !r) {
        err << "dirquill-cli grab: " << r.errorString << '\n';
        return 1;
    }

    // The same table a harvest in the window starts from: default titles, widths and types.
    dq::RecordTable record;
    record.buildNewTable();
    dq::GridModel &table = record.fa();
    const QString out = p.value(outFile);
    if (p.isSet(append) && QFileInfo::exists(out)) {
        if (const dq::FileResult r = dq::GridFile::load(table, out, dq::GridFile::kindForPath(out)); !r) {
            err << "dirquill-cli grab: " << r.errorString << '\n';
            return 1;
        }
        if (table.cols() < 13)
            table.setCols(13);
    } else {
        record.dropFreshRows();
    }

    dq::GrabRun run(&table);
    run.setTimeout(int(seconds * 1000));
    run.setMaxPages(pages);
    QElapsedTimer clock;
    clock.start();
    int page = 0;
    QObject::connect(&run, &dq::GrabRun::pageStarted, [&](int n, const QString &address) {
        page = n + 1;
        err << "page " << page << ": " << address << Qt::endl;
    });
    QObject::connect(&run, &dq::GrabRun::rowsAdded, [&](int, int count) {
        const double rate = run.grabbedCount() / qMax(0.001, clock.elapsed() / 1000.0);
        err << "page " << page << ": " << count << " listings, " << run.grabbedCount() << " in all, "
            << QString::number(rate, 'f', 1) << " listings/s" << Qt::endl;
    });
    QEventLoop loop;
    dq::GrabRun::End end = dq::GrabRun::End::Done;
    QString message;
    QObject::connect(&run, &dq::GrabRun::finished, &loop, [&](dq::GrabRun::End reason, const QString &text) {
        end = reason;
        message = text;
        loop.quit();
    });
    if (!run.start(keyTable, p.value(url).trimmed()))
        return usageError(err, QStringLiteral("the grab could not start"));
    g_interrupted = false;
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    QTimer interruptCheck;
    QObject::connect(&interruptCheck, &QTimer::timeout, &run, [&] {
        if (g_interrupted.exchange(false)) {
            err << "Stopping after the listing in hand..." << Qt::endl;
            run.stop();
        }
    });
    interruptCheck.start(100);
    loop.exec();
    interruptCheck.stop();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);

    err << (end == dq::GrabRun::End::Failed ? QStringLiteral("Stopped") : message.trimmed()) << ": "
        << run.grabbedCount() << " listings from " << run.pageCount() << " pages in "
        << QString::number(clock.elapsed() / 1000.0, 'f', 1) << " s" << Qt::endl;

    dq::FileResult written;
    if (out.isEmpty()) {
        QFile stdOut;
        if (!stdOut.open(stdout, QIODevice::WriteOnly))
            written = dq::FileResult::failure(QStringLiteral("cannot write to standard output"));
        else
            written = dq::GridFile::write(table, stdOut, dq::FileKind::Comma, QStringLiteral("standard output"));
    } else {
        written = dq::GridFile::save(table, out, dq::GridFile::kindForPath(out));
    }
    if (!written) {
        err << "dirquill-cli grab: " << written.errorString << '\n';
        return 1;
    }
    if (end == dq::GrabRun::End::Failed) {
        err << "dirquill-cli grab: " << message << '\n';
        return 1;
    }
    return end == dq::GrabRun::End::Cancelled ? 130 : 0;
}

const dq::cli::CliCommand::Registration registration({
    QStringLiteral("grab"),
    QStringLiteral("grab listing pages from a directory site into a table"),
    kUsage,
    runGrab,
});

} // namespace
