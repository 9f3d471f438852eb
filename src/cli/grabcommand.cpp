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
#include <optional>

namespace {

// Ctrl+C (or a polite kill) during a grab stops it the way the Stop button does, so the rows
// grabbed so far are still written. A second one ends the program at once.
std::atomic<bool> g_interrupted { false };

extern "C" void onInterrupt(int signal)
{
    g_interrupted = true;
    std::signal(signal, SIG_DFL);
}

// What the command line asked for, checked.
struct GrabRequest
{
    QString engine; // empty when keyFile names the key file directly
    QString keyFile;
    QString sitesFile;
    bool sitesNamed = false; // --sites given: key files beside it, else each looked up as the program does
    QString url;
    QString outFile; // empty: comma text on stdout
    bool append = false;
    int maxPages = 10000;
    double timeoutSeconds = 60.0;
};

struct GrabOutcome
{
    dq::GrabRun::End end = dq::GrabRun::End::Done;
    QString message;
};

class GrabCommand : public dq::cli::CliCommand
{
public:
    GrabCommand()
        : CliCommand(QStringLiteral("grab"), QStringLiteral("grab listing pages from a directory site into a table"),
            QStringLiteral(
                "Usage: dirquill-cli grab (--engine NAME | --key FILE) --url URL [--out FILE] [--append]\n"
                "                         [--max-pages N] [--timeout SECONDS] [--sites FILE]\n"
                "Grabs the listing pages from URL on, following the site's next pages, and writes the rows.\n"
                "  --engine NAME      a searching engine of the site list (its name or key file name)\n"
                "  --key FILE         a key file to use directly\n"
                "  --url URL          the first listing page\n"
                "  --out FILE         write the table here; .tsy native, .csv comma text, .txt tab text,\n"
                "                     .xlsx Excel workbook\n"
                "                     (without --out: comma text on standard output)\n"
                "  --append           open FILE first and add the rows below its rows\n"
                "  --max-pages N      stop after N pages (at most 10000)\n"
                "  --timeout SECONDS  give up on a page after this long (default 60)\n"
                "  --sites FILE       the site list for --engine, with its key files beside it (default:\n"
                "                     the user's stpl00.bin, else the shipped one; key files likewise)\n"
                "Progress goes to standard error. Ctrl+C stops after the listing in hand and still writes\n"
                "the rows. Exit status 0 after a normal end, 1 when a page could not be fetched or the table\n"
                "not written (the rows grabbed before are still written), 2 on bad use, 130 when stopped."))
    {
    }

protected:
    QList<QCommandLineOption> options() const override
    {
        return { m_engine, m_key, m_url, m_out, m_append, m_maxPages, m_timeout, m_sites };
    }

    int run(const QCommandLineParser &parser) override
    {
        GrabRequest request;
        if (const int code = parse(parser, request))
            return code;
        dq::GridModel keyTable;
        if (const int code = loadKeyTable(request, keyTable))
            return code;
        // The same table a harvest in the window starts from: default titles, widths and types.
        dq::RecordTable record;
        if (const int code = prepareTable(request, record))
            return code;
        const std::optional<GrabOutcome> outcome = grab(request, keyTable, record.fa());
        if (!outcome)
            return usageError(QStringLiteral("the grab could not start"));
        return write(request, record.fa(), *outcome);
    }

private:
    int parse(const QCommandLineParser &parser, GrabRequest &request) const
    {
        if (!parser.positionalArguments().isEmpty())
            return usageError(QStringLiteral("unexpected argument '") + parser.positionalArguments().first() + u'\'');
        if (parser.isSet(m_engine) == parser.isSet(m_key))
            return usageError(QStringLiteral("give either --engine or --key"));
        request.url = parser.value(m_url).trimmed();
        if (request.url.isEmpty())
            return usageError(QStringLiteral("--url is needed"));
        request.append = parser.isSet(m_append);
        request.outFile = parser.value(m_out);
        if (request.append && !parser.isSet(m_out))
            return usageError(QStringLiteral("--append needs --out"));
        bool ok = true;
        if (parser.isSet(m_maxPages))
            request.maxPages = parser.value(m_maxPages).toInt(&ok);
        if (!ok || request.maxPages < 1)
            return usageError(QStringLiteral("--max-pages needs a whole number of at least 1"));
        if (parser.isSet(m_timeout))
            request.timeoutSeconds = parser.value(m_timeout).toDouble(&ok);
        if (!ok || request.timeoutSeconds <= 0 || request.timeoutSeconds > 86400)
            return usageError(QStringLiteral("--timeout needs a number of seconds above 0"));
        request.engine = parser.value(m_engine);
        request.keyFile = parser.value(m_key);
        request.sitesNamed = parser.isSet(m_sites);
        request.sitesFile = parser.isSet(m_sites) ? parser.value(m_sites) : dq::dataFile(dq::SiteList::fileName());
        return Success;
    }

    // The key table: a file named directly, or the engine's key file.
    int loadKeyTable(GrabRequest &request, dq::GridModel &keyTable) const
    {
        if (!request.engine.isEmpty()) {
            dq::GridModel siteGrid;
            if (const dq::FileResult r = dq::GridFile::load(siteGrid, request.sitesFile, dq::FileKind::Native); !r)
                return failure(r.errorString);
            dq::colYPs engines;
            dq::SiteList::fill(siteGrid, engines);
            const dq::objYP *yp = dq::SiteList::find(engines, request.engine);
            if (!yp)
                return failure(QStringLiteral("no engine '%1' in %2 (dirquill-cli engines lists them)")
                                   .arg(request.engine, request.sitesFile));
            request.keyFile = request.sitesNamed
                ? QFileInfo(request.sitesFile).absolutePath() + QLatin1Char('/') + yp->FileName
                : dq::dataFile(yp->FileName);
        }
        if (const dq::FileResult r = dq::GridFile::load(keyTable, request.keyFile, dq::FileKind::Native); !r)
            return failure(r.errorString);
        return Success;
    }

    // A new table with the harvest's titles, or the --append file's rows to grab below.
    int prepareTable(const GrabRequest &request, dq::RecordTable &record) const
    {
        record.buildNewTable();
        dq::GridModel &table = record.fa();
        const QString &out = request.outFile;
        if (!request.append || !QFileInfo::exists(out)) {
            record.dropFreshRows();
            return Success;
        }
        if (const dq::FileResult r = dq::GridFile::load(table, out, dq::GridFile::kindForPath(out)); !r)
            return failure(r.errorString);
        if (table.cols() < 13)
            table.setCols(13);
        return Success;
    }

    // Grabs page after page into the table, reporting progress, until the run ends or is
    // interrupted. Nothing when the run could not start.
    std::optional<GrabOutcome> grab(const GrabRequest &request, const dq::GridModel &keyTable, dq::GridModel &table)
    {
        dq::GrabRun run(&table);
        run.setTimeout(int(request.timeoutSeconds * 1000));
        run.setMaxPages(request.maxPages);
        QElapsedTimer clock;
        clock.start();
        int page = 0;
        QObject::connect(&run, &dq::GrabRun::pageStarted, [&](int n, const QString &address) {
            page = n + 1;
            err() << "page " << page << ": " << address << Qt::endl;
        });
        QObject::connect(&run, &dq::GrabRun::rowsAdded, [&](int, int count) {
            const double rate = run.grabbedCount() / qMax(0.001, clock.elapsed() / 1000.0);
            err() << "page " << page << ": " << count << " listings, " << run.grabbedCount() << " in all, "
                  << QString::number(rate, 'f', 1) << " listings/s" << Qt::endl;
        });
        QEventLoop loop;
        GrabOutcome outcome;
        QObject::connect(&run, &dq::GrabRun::finished, &loop, [&](dq::GrabRun::End reason, const QString &text) {
            outcome = { reason, text };
            loop.quit();
        });
        if (!run.start(keyTable, request.url))
            return std::nullopt;
        g_interrupted = false;
        std::signal(SIGINT, onInterrupt);
        std::signal(SIGTERM, onInterrupt);
        QTimer interruptCheck;
        QObject::connect(&interruptCheck, &QTimer::timeout, &run, [&] {
            if (g_interrupted.exchange(false)) {
                err() << "Stopping after the listing in hand..." << Qt::endl;
                run.stop();
            }
        });
        interruptCheck.start(100);
        loop.exec();
        interruptCheck.stop();
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);

        err() << (outcome.end == dq::GrabRun::End::Failed ? QStringLiteral("Stopped") : outcome.message.trimmed())
              << ": " << run.grabbedCount() << " listings from " << run.pageCount() << " pages in "
              << QString::number(clock.elapsed() / 1000.0, 'f', 1) << " s" << Qt::endl;
        return outcome;
    }

    // Writes the rows grabbed, whatever the end; the exit code tells how the run ended.
    int write(const GrabRequest &request, const dq::GridModel &table, const GrabOutcome &outcome) const
    {
        dq::FileResult written;
        if (request.outFile.isEmpty()) {
            QFile stdOut;
            if (!stdOut.open(stdout, QIODevice::WriteOnly))
                written = dq::FileResult::failure(QStringLiteral("cannot write to standard output"));
            else
                written = dq::GridFile::write(table, stdOut, dq::FileKind::Comma, QStringLiteral("standard output"));
        } else {
            written = dq::GridFile::save(table, request.outFile, dq::GridFile::kindForPath(request.outFile));
        }
        if (!written)
            return failure(written.errorString);
        if (outcome.end == dq::GrabRun::End::Failed)
            return failure(outcome.message);
        return outcome.end == dq::GrabRun::End::Cancelled ? 130 : Success;
    }

    const QCommandLineOption m_engine { QStringLiteral("engine"), QString(), QStringLiteral("NAME") };
    const QCommandLineOption m_key { QStringLiteral("key"), QString(), QStringLiteral("FILE") };
    const QCommandLineOption m_url { QStringLiteral("url"), QString(), QStringLiteral("URL") };
    const QCommandLineOption m_out { QStringLiteral("out"), QString(), QStringLiteral("FILE") };
    const QCommandLineOption m_append { QStringLiteral("append") };
    const QCommandLineOption m_maxPages { QStringLiteral("max-pages"), QString(), QStringLiteral("N") };
    const QCommandLineOption m_timeout { QStringLiteral("timeout"), QString(), QStringLiteral("SECONDS") };
    const QCommandLineOption m_sites { QStringLiteral("sites"), QString(), QStringLiteral("FILE") };
};

const dq::cli::CliCommand::Registration<GrabCommand> registration;

} // namespace
