// dirquill-cli grab, engines and test-rules run as a user runs them, against
// dirquill-demo-site on a free loopback port: every paging style and fault, Ctrl+C, a killed run
// resumed, appending.
#include "core/harvest/harvestjournal.h"
#include "support/casefields.h"
#include "support/casetable.h"
#include "support/demoharvest.h"
#include "support/gridtext.h"

#include <QProcess>
#include <QSet>
#include <QTest>

#include <csignal>

using namespace dq;
using test::addCaseRows;
using test::args;
using test::CliRun;
using test::field;
using test::grabCli;
using test::number;

class TestCliHarvest : public QObject
{
    Q_OBJECT

    test::DemoSite m_site;
    QString m_dir;

    QString search(const QString &style, const QString &faults = {}) const
    {
        return test::demoSearch(m_site, style, faults);
    }
    // Slow pages leave time to kill the run between them.
    QStringList grabTo(const QString &out, const QString &faults = u"&delay=150"_qs) const
    {
        return { u"grab"_qs, u"--engine"_qs, u"demo-page"_qs, u"--url"_qs, search(u"page/"_qs, faults), u"--out"_qs,
            out };
    }

private slots:
    void initTestCase()
    {
        const QString failure = m_site.start();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        m_dir = test::tempDir() + u'/';
        test::writeBytes(m_dir + u"cookies.txt"_qs,
            "# Netscape HTTP Cookie File\n127.0.0.1\tFALSE\t/wall\tFALSE\t0\tdq_consent\tyes\n");
    }

    // Every paging style, every fault of the site, and the browser's ways past a cookie wall and
    // script-built pages, each grabbed into comma text. COOKIES in the options stands for a
    // cookies.txt of the wall's consent.
    void grabs_data() { addCaseRows(u"cli/grabs.tsv"_qs); }
    void grabs()
    {
        const QString engine = field("engine"), style = field("style"), faults = field("faults");
        const QString options = field("options").replace(u"COOKIES"_qs, m_dir + u"cookies.txt"_qs);
        const int rows = number("rows");
        if (engine == u"demo-script" && !options.contains(u"plain"_qs)
            && !QFile::exists(QStringLiteral(DQ_BIN_DIR "/dirquill-cli-browser")))
            QSKIP("dirquill-cli-browser is not built here (a build without the browser engine)");
        const QString out = m_dir + u"grab.csv"_qs;
        QFile::remove(out);
        const CliRun r = grabCli(engine, search(style, faults), out, args(options));
        QCOMPARE(r.exitCode, number("exitCode"));
        QVERIFY2(r.err.contains(field("message")), qPrintable(r.err));
        GridModel t;
        QVERIFY(GridFile::load(t, out, FileKind::Comma));
        QCOMPARE(t.rows(), 1 + rows);
        // No listing twice, none with an empty name or phone.
        QSet<QString> distinct;
        for (int row = 1; row < t.rows(); ++row) {
            distinct.insert(t.rowTexts(row).join(u'\t'));
            QVERIFY(!t.text(row, 0).isEmpty() && !t.text(row, 5).isEmpty() && !t.text(row, 5).startsWith(u"Phone"_qs));
        }
        QCOMPARE(distinct.size(), rows);
        if (faults.isEmpty())
            return;
        // The same listings as a clean run: nothing lost or garbled by the fault.
        const CliRun clean
            = grabCli(engine, search(style), {}, { u"--max-pages"_qs, QString::number((rows + 9) / 10) });
        QCOMPARE(clean.exitCode, 0);
        QCOMPARE(QString::fromUtf8(test::readBytes(out)), QString::fromUtf8(clean.out));
    }

    void interruptStopsAndKeepsTheRows()
    {
        const QString out = m_dir + u"interrupted.csv"_qs;
        QProcess p;
        p.start(QStringLiteral(DQ_BIN_DIR "/dirquill-cli"), grabTo(out, u"&delay=120000&at=2"_qs));
        // Interrupt once the first page is in: the second one would take two minutes.
        QString progress;
        QTRY_VERIFY_WITH_TIMEOUT(
            (progress += QString::fromUtf8(p.readAllStandardError())).contains(u"10 in all"_qs), 10000);
        ::kill(pid_t(p.processId()), SIGINT);
        QVERIFY(p.waitForFinished(10000));
        progress += QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(p.exitCode(), 130);
        // The page in flight is abandoned: the rows are those of page 1.
        GridModel t;
        QVERIFY(GridFile::load(t, out, FileKind::Comma));
        QCOMPARE(t.rows(), 1 + 10);
        QVERIFY2(progress.contains(u"Cancel: 10 listings"_qs), qPrintable(progress));
    }

    void aKilledRunResumedEqualsACleanRun_data() { addCaseRows(u"cli/resume.tsv"_qs); }
    void aKilledRunResumedEqualsACleanRun()
    {
        const QString extension = field("extension");
        const QString dir = test::tempDir();
        const QString clean = dir + u"/clean"_qs + extension;
        test::CliRun r = test::runCli(grabTo(clean));
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));

        const QString out = dir + u"/out"_qs + extension;
        const QString journal = out + u".journal"_qs;
        QProcess killed;
        killed.start(QStringLiteral(DQ_BIN_DIR "/dirquill-cli"), grabTo(out));
        QTRY_VERIFY_WITH_TIMEOUT(HarvestJournal::read(journal).pages >= 3, 30000);
        killed.kill();
        QVERIFY(killed.waitForFinished());
        QVERIFY(!QFile::exists(out));
        const HarvestJournal::Contents left = HarvestJournal::read(journal);

        // Run again without --resume: the journal is not written over.
        r = test::runCli(grabTo(out));
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(u"--resume"_qs), qPrintable(r.err));
        QVERIFY(HarvestJournal::read(journal).rows.size() == left.rows.size());

        r = test::runCli(grabTo(out) << u"--resume"_qs);
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY2(r.err.contains(u"Resuming: %1 listings"_qs.arg(left.rows.size())), qPrintable(r.err));
        QCOMPARE(test::readBytes(out), test::readBytes(clean));
        QVERIFY(!QFile::exists(journal));
    }

    void aKilledRunWithoutOutHasWrittenEveryPageSoFar()
    {
        const QStringList toStdout = grabTo(QString()).mid(0, 5);
        QProcess killed;
        killed.start(QStringLiteral(DQ_BIN_DIR "/dirquill-cli"), toStdout);
        QByteArray out;
        // The title line and three pages of ten listings.
        QTRY_VERIFY_WITH_TIMEOUT((out += killed.readAllStandardOutput()).count('\n') >= 31, 30000);
        killed.kill();
        QVERIFY(killed.waitForFinished());
        out += killed.readAllStandardOutput();

        const test::CliRun clean = test::runCli(toStdout);
        QVERIFY2(clean.exitCode == 0, qPrintable(clean.err));
        QVERIFY(clean.out.size() > out.size());
        QVERIFY(clean.out.startsWith(out));
    }

    // A file written by a first grab of one page when no bytes are given.
    void appendAddsBelowTheSavedRows_data() { addCaseRows(u"cli/append.tsv"_qs); }
    void appendAddsBelowTheSavedRows()
    {
        QFETCH(QByteArray, beforeBytes);
        const QString out = m_dir + field("file");
        const QString url = search(u"item/"_qs);
        if (beforeBytes.isEmpty()) {
            QCOMPARE(grabCli(u"demo-item"_qs, url, out, args(u"--max-pages 1"_qs)).exitCode, 0);
        } else {
            test::writeBytes(out, beforeBytes);
        }
        GridModel old;
        QVERIFY(GridFile::load(old, out, GridFile::kindForPath(out)));
        const CliRun r = grabCli(u"demo-item"_qs, url, out, args(u"--append --max-pages 2"_qs));
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        GridModel t;
        QVERIFY(GridFile::load(t, out, GridFile::kindForPath(out)));
        QCOMPARE(t.rows(), old.rows() + 20);
        QCOMPARE(t.cols(), 13);
        // The titles are the key file's, as every grab sets them; the old rows keep every cell.
        QCOMPARE(t.text(0, 7), u"E-mail"_qs);
        for (int row = 1; row < old.rows(); ++row)
            QCOMPARE(t.rowTexts(row).mid(0, old.cols()), old.rowTexts(row));
        // The new rows whole, each field in its own column.
        const int first = old.rows();
        QVERIFY(!t.text(first, 5).isEmpty() && !t.text(first, 7).isEmpty());
        QVERIFY(t.text(first + 10, 7) != t.text(first, 7));
    }

    // What a command prints: its line count, its first line whole, all of it when a data file is
    // named, and every '|'-separated part of its messages. SITE/ stands for the demo site's
    // address, DATA/ for tests/data.
    void outputs_data() { addCaseRows(u"cli/outputs.tsv"_qs); }
    void outputs()
    {
        const QString args
            = field("args").replace(u"SITE/"_qs, m_site.base()).replace(u"DATA/"_qs, test::dataPath(QString()));
        const CliRun r = test::runCli(args.split(u'|'));
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        const QString out = QString::fromUtf8(r.out).remove(u'\r').trimmed();
        QCOMPARE(out.count(u'\n') + 1, number("lines"));
        QTEST(out.section(u'\n', 0, 0), "first");
        if (!field("out").isEmpty())
            QCOMPARE(out, QString::fromUtf8(test::readBytes(test::dataPath(field("out")))).remove(u'\r').trimmed());
        for (const QString &part : test::items(field("messages")))
            QVERIFY2(r.err.contains(part), qPrintable(r.err));
    }
};

QTEST_GUILESS_MAIN(TestCliHarvest)
#include "tst_cli_harvest.moc"
