#include "cli/clicommand.h"

#include "core/grid/delimitedgridformat.h"
#include "core/grid/gridfile.h"
#include "core/grid/gridoutput.h"
#include "core/table/recordtable.h"
#include "core/grid/gridmodel.h"
#include "core/harvest/browsersession.h"
#include "core/harvest/colyps.h"
#include "core/harvest/grabrun.h"
#include "core/harvest/harvestjournal.h"
#include "core/harvest/keyrules.h"
#include "core/harvest/retrypolicy.h"
#include "core/harvest/sitelist.h"
#include "core/shell/programfolder.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>

#ifdef DQ_CLI_BROWSER
#include "browser/webpagerenderer.h"

#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#else
#include <QCoreApplication>

#include <cerrno>
#include <cstring>
#include <unistd.h>
#endif

#include <atomic>
#include <csignal>
#include <optional>

namespace {

// Ctrl+C (or a polite kill, or the terminal going away) during a grab stops it the way the
// Stop button does, so the rows grabbed so far are still written. A second one ends the
// program at once.
std::atomic<bool> g_interrupted { false };
constexpr int kStopSignals[] = { SIGINT, SIGTERM, SIGHUP };

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
    bool resume = false;
    QString journalFile; // beside outFile; empty without a journal
    QString browser; // "plain", "session" or "render"; empty: as the key file says
    QList<QNetworkCookie> cookies; // from --cookies
    int retries = dq::RetryPolicy::kDefaultRetries;
    double delaySeconds = 0;
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
                "                         [--resume] [--no-journal] [--max-pages N] [--timeout SECONDS]\n"
                "                         [--sites FILE] [--browser plain|session|render] [--cookies FILE]\n"
                "                         [--retries N] [--delay SECONDS]\n"
                "Grabs the listing pages from URL on, following the site's next pages, and writes the rows.\n"
                "  --engine NAME      a searching engine of the site list (its name or key file name)\n"
                "  --key FILE         a key file to use directly\n"
                "  --url URL          the first listing page\n"
                "  --out FILE         write the table here; .tsy native, .csv comma text, .txt tab text,\n"
                "                     .xlsx Excel workbook\n"
                "                     (without --out: comma text on standard output, page by page)\n"
                "  --append           open FILE first and add the rows below its rows\n"
                "  --resume           go on with a run of the same command that was cut off: the rows of\n"
                "                     its journal (FILE.journal) are kept and it goes on from the next page\n"
                "  --no-journal       keep no journal beside FILE (a killed run then loses its rows)\n"
                "  --max-pages N      stop after N pages (at most 10000)\n"
                "  --timeout SECONDS  give up on a page after this long (default 60)\n"
                "  --sites FILE       the site list for --engine, with its key files beside it (default:\n"
                "                     the user's stpl00.bin, else the shipped one; key files likewise)\n"
                "  --browser WAY      how pages are asked for, instead of what the key file says:\n"
                "                     plain (the program's own client), session (with a browser's cookies,\n"
                "                     agent and languages), render (in an offscreen browser page)\n"
                "  --cookies FILE     cookies for session and render, from a Netscape cookies.txt\n"
                "  --retries N        ask a busy page again up to N times (default 3, 0 never, at most 10)\n"
                "  --delay SECONDS    pause between pages, varied by 20 % (default 0)\n"
                "With --out, every page's rows go to FILE.journal as they arrive; FILE is checked before the\n"
                "first page and written (atomically) at the end, and the journal removed. When FILE cannot\n"
                "be written, the rows are kept in the journal and in a recovery file, and the message says\n"
                "where. Progress goes to standard error. Ctrl+C (or SIGTERM, SIGHUP) stops at once and still\n"
                "writes the rows.\n"
                "Exit status 0 after a normal end, 1 when a page could not be fetched or the table not\n"
                "written (the rows grabbed before are still written), 2 on bad use, 130 when stopped."))
    {
    }

protected:
    QList<QCommandLineOption> options() const override
    {
        return { m_engine, m_key, m_url, m_out, m_append, m_resume, m_noJournal, m_maxPages, m_timeout, m_sites,
            m_browser, m_cookies, m_retries, m_delay };
    }

    bool needsGui() const override
    {
#ifdef DQ_CLI_BROWSER
        return true;
#else
        return false;
#endif
    }

    int run(const QCommandLineParser &parser) override
    {
        GrabRequest request;
        if (const int code = parse(parser, request))
            return code;
        dq::GridModel keyTable;
        if (const int code = loadKeyTable(request, keyTable))
            return code;
#ifndef DQ_CLI_BROWSER
        const QString way = request.browser.isEmpty() ? dq::KeyRules::fromGrid(keyTable).browserFetch : request.browser;
        if (way == u"render")
            return handOverToBrowser();
#endif
        // The same table a harvest in the window starts from: default titles, widths and types.
        dq::RecordTable record;
        if (const int code = prepareTable(request, record))
            return code;
        dq::HarvestJournal::Contents left;
        if (const int code = takeUpJournal(request, record.fa(), left))
            return code;
        dq::HarvestJournal journal(request.journalFile);
        std::optional<GrabOutcome> outcome;
        if (left.found && left.ended) {
            err() << "The journal's run had ended: " << left.rows.size() << " listings to write" << Qt::endl;
            outcome = GrabOutcome();
        } else {
            outcome = grab(request, keyTable, record.fa(), journal, left);
        }
        if (!outcome)
            return request.journalFile.isEmpty() || journal.errorString().isEmpty()
                ? usageError(QStringLiteral("the grab could not start"))
                : failure(journal.errorString());
        bool written = false;
        const int code = write(request, record.fa(), *outcome, written);
        // The rows stay in the journal until they are safe in FILE.
        if (request.journalFile.isEmpty())
            return code;
        if (written)
            journal.remove();
        else
            err() << "The rows are kept in " << request.journalFile
                  << "; run the same command with --resume to write them." << Qt::endl;
        return code;
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
        if (parser.isSet(m_out) && !dq::GridOutput::hasKnownExtension(request.outFile))
            return usageError(request.outFile + QStringLiteral(": unknown file kind (use .tsy, .csv or .txt)"));
        bool ok = true;
        if (parser.isSet(m_maxPages))
            request.maxPages = parser.value(m_maxPages).toInt(&ok);
        if (!ok || request.maxPages < 1)
            return usageError(QStringLiteral("--max-pages needs a whole number of at least 1"));
        if (parser.isSet(m_timeout))
            request.timeoutSeconds = parser.value(m_timeout).toDouble(&ok);
        if (!ok || request.timeoutSeconds <= 0 || request.timeoutSeconds > 86400)
            return usageError(QStringLiteral("--timeout needs a number of seconds above 0"));
        request.resume = parser.isSet(m_resume);
        if (!request.outFile.isEmpty() && !parser.isSet(m_noJournal))
            request.journalFile = request.outFile + QStringLiteral(".journal");
        else if (request.resume)
            return usageError(QStringLiteral("--resume needs --out and a journal"));
        request.browser = parser.value(m_browser).trimmed().toLower();
        if (parser.isSet(m_browser) && request.browser != u"plain" && request.browser != u"session"
            && request.browser != u"render")
            return usageError(QStringLiteral("--browser takes plain, session or render"));
        if (parser.isSet(m_retries))
            request.retries = parser.value(m_retries).toInt(&ok);
        if (!ok || request.retries < 0 || request.retries > dq::RetryPolicy::kMaxRetries)
            return usageError(
                QStringLiteral("--retries needs a whole number from 0 to %1").arg(dq::RetryPolicy::kMaxRetries));
        if (parser.isSet(m_delay))
            request.delaySeconds = parser.value(m_delay).toDouble(&ok);
        if (!ok || request.delaySeconds < 0 || request.delaySeconds > 3600)
            return usageError(QStringLiteral("--delay needs a number of seconds from 0 to 3600"));
        if (parser.isSet(m_cookies)) {
            QString why;
            if (!dq::BrowserSession::readCookiesTxt(parser.value(m_cookies), request.cookies, &why))
                return failure(why);
        }
        request.engine = parser.value(m_engine);
        request.keyFile = parser.value(m_key);
        request.sitesNamed = parser.isSet(m_sites);
        request.sitesFile = parser.isSet(m_sites) ? parser.value(m_sites) : dq::dataFile(dq::SiteList::fileName());
        return Success;
    }

#ifndef DQ_CLI_BROWSER
    // This program has no browser engine: its sibling beside it does the same grab with one.
    // It takes over this process, so its exit status and output are this command's.
    int handOverToBrowser() const
    {
        const QString sibling = QCoreApplication::applicationDirPath() + QStringLiteral("/dirquill-cli-browser");
        QList<QByteArray> args;
        args << QFile::encodeName(sibling);
        for (const QString &arg : QCoreApplication::arguments().mid(1))
            args << arg.toLocal8Bit();
        std::vector<char *> argv;
        for (QByteArray &arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        err().flush();
        ::execv(argv[0], argv.data());
        return failure(QStringLiteral("loading pages in a browser page needs %1, which cannot be started (%2)")
                           .arg(sibling, QString::fromLocal8Bit(std::strerror(errno))));
    }
#endif

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
            if (!dq::SiteList::isSafeKeyFileName(yp->FileName))
                return failure(QStringLiteral("the key file name of engine '%1' in %2 is not a plain file name")
                                   .arg(yp->ListName, request.sitesFile));
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
        // A harvest can take hours: a path that cannot take the table is found out before it starts.
        if (!out.isEmpty()) {
            if (const dq::FileResult r = dq::GridOutput::probe(out); !r)
                return failure(r.errorString);
        }
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

    // A journal left beside FILE is either taken up (--resume: its rows go into the table) or
    // refused, so a new run never writes over rows nobody has yet.
    int takeUpJournal(const GrabRequest &request, dq::GridModel &table, dq::HarvestJournal::Contents &left) const
    {
        if (request.journalFile.isEmpty())
            return Success;
        left = dq::HarvestJournal::read(request.journalFile);
        if (!left.found) {
            if (request.resume)
                err() << "No journal at " << request.journalFile << ": grabbing from the start" << Qt::endl;
            return Success;
        }
        if (!request.resume)
            return usageError(QStringLiteral("%1 holds the rows of a grab that was cut off: run the same command with "
                                             "--resume to go on with it, or delete it to start over")
                                  .arg(request.journalFile));
        if (left.run.url != request.url
            || QFileInfo(left.run.keyFile).absoluteFilePath() != QFileInfo(request.keyFile).absoluteFilePath())
            return usageError(QStringLiteral("%1 belongs to another grab (%2 with %3)")
                                  .arg(request.journalFile, left.run.url, left.run.keyFile));
        table.appendRows(left.rows);
        err() << "Resuming: " << left.rows.size() << " listings from " << left.pages << " pages in "
              << request.journalFile << Qt::endl;
        return Success;
    }

    // Grabs page after page into the table, reporting progress, until the run ends or is
    // interrupted; each page goes to the journal first. Nothing when the run could not start.
    std::optional<GrabOutcome> grab(const GrabRequest &request, const dq::GridModel &keyTable, dq::GridModel &table,
        dq::HarvestJournal &journal, const dq::HarvestJournal::Contents &left)
    {
        const bool journaled = !request.journalFile.isEmpty();
        const dq::HarvestJournal::Run info { QFileInfo(request.keyFile).fileName(),
            QFileInfo(request.keyFile).absoluteFilePath(), request.url, request.outFile,
            left.found ? left.run.started : QDateTime::currentDateTimeUtc() };
        dq::Extractor::RunState from = left.state;
        if (!left.found)
            from.address = request.url;
        if (journaled && !journal.beginRun(info, from, left.pages, left.grabbed))
            return std::nullopt;
        dq::GrabRun run(&table);
        run.setTimeout(int(request.timeoutSeconds * 1000));
        run.setMaxPages(request.maxPages);
        run.setRetries(request.retries);
        run.setPauseMs(int(request.delaySeconds * 1000));
        run.setBrowserFetch(request.browser);
        dq::BrowserSession session;
        session.cookies = request.cookies;
        run.setSession(session);
#ifdef DQ_CLI_BROWSER
        // A profile of its own that keeps nothing on disk, with the cookies given.
        QWebEngineProfile profile;
        for (const QNetworkCookie &cookie : std::as_const(request.cookies))
            profile.cookieStore()->setCookie(cookie);
        dq::WebPageRenderer renderer(&profile);
        run.setRenderer(&renderer);
#endif
        QObject::connect(&run, &dq::GrabRun::waiting, [&](const QString &text) {
            if (!text.isEmpty())
                err() << text << Qt::endl;
        });
        QElapsedTimer clock;
        clock.start();
        int page = 0;
        QObject::connect(&run, &dq::GrabRun::pageStarted, [&](int n, const QString &address) {
            page = n + 1;
            err() << "page " << page << ": " << address << Qt::endl;
        });
        QObject::connect(&run, &dq::GrabRun::notice, [&](const QString &text) { err() << text << Qt::endl; });
        QObject::connect(&run, &dq::GrabRun::rowsAdded, [&](int, int count) {
            // Nobody reads the rows any more: grabbing on would only lose them at the end.
            if (request.outFile.isEmpty() && !streamRows(table))
                run.stop();
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
        QString journalError;
        QObject::connect(&run, &dq::GrabRun::pageAccepted,
            [&](const std::vector<QStringList> &rows, const dq::Extractor::RunState &state, bool last) {
                if (journaled && !journal.appendPage(rows, state, run.pageCount(), run.grabbedCount(), last)
                    && journalError.isEmpty()) {
                    journalError = journal.errorString();
                    err() << "dirquill-cli grab: " << journalError << "; going on without it" << Qt::endl;
                }
            });
        const dq::KeyRules rules = dq::KeyRules::fromGrid(keyTable);
        const bool started
            = left.found ? run.resume(rules, left.state, left.pages, left.grabbed) : run.start(rules, request.url);
        if (!started)
            return std::nullopt;
        if (request.outFile.isEmpty())
            streamRows(table);
        g_interrupted = false;
        for (const int signal : kStopSignals)
            std::signal(signal, onInterrupt);
        QTimer interruptCheck;
        QObject::connect(&interruptCheck, &QTimer::timeout, &run, [&] {
            if (g_interrupted.exchange(false)) {
                err() << "Stopping..." << Qt::endl;
                run.stop();
            }
        });
        interruptCheck.start(100);
        loop.exec();
        interruptCheck.stop();
        for (const int signal : kStopSignals)
            std::signal(signal, SIG_DFL);

        if (journaled)
            journal.endRun(outcome.message.trimmed());
        err() << (outcome.end == dq::GrabRun::End::Failed ? QStringLiteral("Stopped") : outcome.message.trimmed())
              << ": " << run.grabbedCount() << " listings from " << run.pageCount() << " pages in "
              << QString::number(clock.elapsed() / 1000.0, 'f', 1) << " s" << Qt::endl;
        return outcome;
    }

    // Writes the rows grabbed, whatever the end; the exit code tells how the run ended.
    int write(const GrabRequest &request, const dq::GridModel &table, const GrabOutcome &outcome, bool &saved)
    {
        dq::FileResult written;
        if (request.outFile.isEmpty()) {
            written = streamRows(table) ? dq::FileResult::success() : dq::FileResult::failure(m_streamError);
        } else {
            written = dq::GridOutput::saveOrRecover(table, request.outFile, dq::GridFile::kindForPath(request.outFile));
        }
        if (!written)
            return failure(written.errorString);
        saved = true;
        if (outcome.end == dq::GrabRun::End::Failed)
            return failure(outcome.message);
        return outcome.end == dq::GrabRun::End::Cancelled ? 130 : Success;
    }

    // Without --out the rows go to standard output as each page arrives, so they are out
    // whatever ends the program: writes the rows not yet written; false once a write failed.
    bool streamRows(const dq::GridModel &table)
    {
        if (!m_streamError.isEmpty())
            return false;
        if (!m_stdout.isOpen() && !m_stdout.open(stdout, QIODevice::WriteOnly)) {
            m_streamError = QStringLiteral("cannot write to standard output");
            return false;
        }
        const dq::FileResult r = dq::DelimitedGridFormat::write(
            table.store(), m_stdout, ',', QStringLiteral("standard output"), m_streamed);
        if (!r || !m_stdout.flush()) {
            m_streamError = r ? QStringLiteral("standard output could not be written") : r.errorString;
            return false;
        }
        m_streamed = table.rows();
        return true;
    }

    QFile m_stdout;
    int m_streamed = 0;
    QString m_streamError;

    const QCommandLineOption m_engine { QStringLiteral("engine"), QString(), QStringLiteral("NAME") };
    const QCommandLineOption m_key { QStringLiteral("key"), QString(), QStringLiteral("FILE") };
    const QCommandLineOption m_url { QStringLiteral("url"), QString(), QStringLiteral("URL") };
    const QCommandLineOption m_out { QStringLiteral("out"), QString(), QStringLiteral("FILE") };
    const QCommandLineOption m_append { QStringLiteral("append") };
    const QCommandLineOption m_resume { QStringLiteral("resume") };
    const QCommandLineOption m_noJournal { QStringLiteral("no-journal") };
    const QCommandLineOption m_maxPages { QStringLiteral("max-pages"), QString(), QStringLiteral("N") };
    const QCommandLineOption m_timeout { QStringLiteral("timeout"), QString(), QStringLiteral("SECONDS") };
    const QCommandLineOption m_sites { QStringLiteral("sites"), QString(), QStringLiteral("FILE") };
    const QCommandLineOption m_browser { QStringLiteral("browser"), QString(), QStringLiteral("WAY") };
    const QCommandLineOption m_cookies { QStringLiteral("cookies"), QString(), QStringLiteral("FILE") };
    const QCommandLineOption m_retries { QStringLiteral("retries"), QString(), QStringLiteral("N") };
    const QCommandLineOption m_delay { QStringLiteral("delay"), QString(), QStringLiteral("SECONDS") };
};

const dq::cli::CliCommand::Registration<GrabCommand> registration;

} // namespace
