// dirquill-cli's commands on table files: convert, labels and sheet, and every refusal of the
// table commands leaving the files as they were, on a full disk too.
#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/print/pdfwords.h"
#include "support/clirun.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace dq;
using test::args;
using test::CliRun;
using test::runCli;

namespace {

// dirquill-cli with its files held to fileLimit bytes (0: no limit): a write past it fails the
// way a full disk does, part way through.
test::CliRun run(const QStringList &args, qint64 fileLimit = 0)
{
    QProcess p;
    if (fileLimit > 0) {
        p.setChildProcessModifier([fileLimit] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit { rlim_t(fileLimit), rlim_t(fileLimit) };
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
    }
    p.start(QStringLiteral(DQ_BIN_DIR "/dirquill-cli"), args);
    test::CliRun r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// "labels|--layout|2 x 10" as a list; '|' parts because some arguments hold spaces.
QStringList parts(const char *line)
{
    return args(QString::fromUtf8(line), u'|');
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

const QList<QStringList> kRows {
    { QStringLiteral("Name"), QStringLiteral("Street"), QStringLiteral("Note") },
    { QStringLiteral("Smith, Jones & Co"), QStringLiteral("12 \"Old\" Mill Rd"), QStringLiteral("line one\nline two") },
    { QStringLiteral("Acme"), QString(), QStringLiteral("ends with a comma,") },
    { QStringLiteral("\"quoted\""), QStringLiteral("tab\there"), QStringLiteral("CR LF\r\ninside") },
};

} // namespace

class TestCliTableCommands : public QObject
{
    Q_OBJECT

    QString m_dir;

private slots:
    void initTestCase()
    {
        m_dir = test::tempDir();
        QFile records(m_dir + u"/records.csv"_qs);
        QVERIFY(records.open(QIODevice::WriteOnly));
        // Beta lacks a Zip Code; Delta's City line has no State and Zip Code.
        records.write("Name,Street,City,State,Zip Code,Phone,Web\n"
                      "Acme,1 Main St,Dayton,OH,45402,555-0101,acme.example\n"
                      "Beta,2 Oak Ave,Xenia,OH,,555-0102,beta.example\n"
                      "Gamma,3 Elm Rd,Troy,OH,45373,555-0103,gamma.example\n"
                      "Delta,4 Pine Ct,Piqua,,,555-0104,delta.example\n");
        records.close();
        GridModel table;
        table.setCols(6);
        table.setRows(251);
        for (int r = 1; r < 251; ++r)
            for (int c = 0; c < 6; ++c)
                table.setText(r, c, u"Row %1 field %2 with some words"_qs.arg(r).arg(c));
        QVERIFY(GridFile::save(table, m_dir + u"/rows.tsy"_qs, FileKind::Native));
        // A site list whose only engine names a key file with a NUL in it; the part before the
        // NUL names a real key file.
        GridModel key;
        key.setCols(4);
        key.setRows(2);
        QVERIFY(GridFile::save(key, m_dir + u"/page.tsy"_qs, FileKind::Native));
        GridModel sites;
        sites.setCols(4);
        sites.setRows(2);
        sites.setText(1, 0, u"Evil"_qs);
        sites.setText(1, 1, u"page.tsy\0x"_qs);
        QVERIFY(GridFile::save(sites, m_dir + u"/sites.bin"_qs, FileKind::Native));
        QFile huge(m_dir + u"/huge.html"_qs);
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(20 * 1024 * 1024 + 1));
    }

    void version()
    {
        const CliRun version = runCli({ u"--version"_qs });
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out.trimmed(), QByteArray("3.8"));
    }

    void roundTripKeepsEveryCell_data()
    {
        QTest::addColumn<QStringList>("chain"); // extensions, first to last
        QTest::newRow("comma to native and back to comma") << args(QStringLiteral("csv tsy csv"));
        QTest::newRow("comma to tab and back to comma") << args(QStringLiteral("csv txt csv"));
        QTest::newRow("native to tab to comma to native") << args(QStringLiteral("tsy txt csv tsy"));
        QTest::newRow("comma to workbook and back to comma") << args(QStringLiteral("csv xlsx csv"));
    }

    void roundTripKeepsEveryCell()
    {
        QFETCH(QStringList, chain);
        const QString dir = test::tempDir();
        GridModel source;
        source.setCols(3);
        source.setRows(int(kRows.size()));
        source.setFixedRows(1);
        for (int r = 0; r < kRows.size(); ++r)
            for (int c = 0; c < 3; ++c)
                source.setText(r, c, kRows.at(r).at(c));
        QString previous = dir + QStringLiteral("/step0.") + chain.first();
        QVERIFY(GridFile::save(source, previous, GridFile::kindForPath(previous)));
        for (int i = 1; i < chain.size(); ++i) {
            const QString next = dir + QStringLiteral("/step%1.").arg(i) + chain.at(i);
            const CliRun r = runCli({ QStringLiteral("convert"), previous, next });
            QVERIFY2(r.exitCode == 0, qPrintable(r.err));
            QVERIFY(r.err.isEmpty());
            previous = next;
        }
        GridModel back;
        QVERIFY(GridFile::load(back, previous, GridFile::kindForPath(previous)));
        QCOMPARE(back.rows(), int(kRows.size()));
        QCOMPARE(back.cols(), 3);
        for (int r = 0; r < kRows.size(); ++r)
            QCOMPARE(back.rowTexts(r), kRows.at(r));
    }

    void writesThePages_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");
        QTest::addColumn<bool>("landscape");
        QTest::newRow("labels skip incomplete addresses by default")
            << parts("labels|--layout|2 x 10") << parts("Acme|Gamma") << parts("Beta|Delta|Name|Page") << false;
        QTest::newRow("labels with --no-skip print every row and clean the city line")
            << parts("labels|--no-skip") << parts("Beta|Delta|Piqua") << parts("Piqua,") << false;
        QTest::newRow("labels of chosen rows with a country line")
            << parts("labels|--rows|2-3|--no-skip|--country|Canada|--layout|2 x 5") << parts("Beta|Gamma|Canada")
            << parts("Acme|Delta") << false;
        QTest::newRow("a sheet of every row prints titles, header and page number")
            << parts("sheet") << parts("Orlenco|Zip|Beta|Page") << QStringList {} << false;
        QTest::newRow("a sheet of chosen columns and rows leaves the rest out")
            << parts("sheet|--columns|1,3|--rows|1,4|--landscape|--scale|100") << parts("Acme|Piqua|City")
            << parts("Beta|Street|555-0101") << true;
    }

    void writesThePages()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        QFETCH(bool, landscape);
        const QString pdf = m_dir + u"/out.pdf"_qs;
        QFile::remove(pdf);
        args.insert(1, m_dir + u"/records.csv"_qs);
        args << QStringLiteral("--pdf") << pdf;
        const CliRun run = runCli(args);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));

        const test::PdfText text = test::readPdf(pdf);
        QVERIFY(!text.pages.isEmpty());
        for (const QString &w : present)
            QVERIFY2(!text.find(w).isEmpty(), qPrintable(w));
        for (const QString &w : absent)
            QVERIFY2(text.find(w).isEmpty(), qPrintable(w));
        QCOMPARE(text.pages[0].width() > text.pages[0].height(), landscape);
    }

    void failuresLeaveOutputsAlone_data()
    {
        QTest::addColumn<QString>("args"); // '|' between arguments; DIR is the test folder
        QTest::addColumn<qint64>("fileLimit");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("a sheet on a full disk fails and keeps the old PDF")
            << "sheet|DIR/rows.tsy|--pdf|DIR/old.pdf" << qint64(16000) << 1 << "(the disk may be full)";
        QTest::newRow("labels on a full disk fail and keep the old PDF")
            << "labels|DIR/rows.tsy|--no-skip|--pdf|DIR/old.pdf" << qint64(16000) << 1 << "(the disk may be full)";
        QTest::newRow("a sheet onto a folder fails") << "sheet|DIR/rows.tsy|--pdf|DIR" << qint64(0) << 1 << "DIR";
        QTest::newRow("test-rules refuses an endless device as a page")
            << "test-rules|--key|DIR/page.tsy|--page|/dev/zero" << qint64(0) << 1 << "not a regular file";
        QTest::newRow("test-rules refuses a saved page over the fetch cap")
            << "test-rules|--key|DIR/page.tsy|--page|DIR/huge.html" << qint64(0) << 1
            << "larger than the limit of 20 MB";
        QTest::newRow("grab refuses an output kind it cannot write")
            << "grab|--key|DIR/page.tsy|--url|http://127.0.0.1:9/|--out|DIR/x.xls" << qint64(0) << 2
            << "unknown file kind";
        QTest::newRow("grab checks its output folder before the first page")
            << "grab|--key|DIR/page.tsy|--url|http://127.0.0.1:9/|--out|DIR/gone/x.csv" << qint64(0) << 1
            << "DIR/gone/x.csv\" cannot be written";
        QTest::newRow("grab refuses a key file name holding a control character")
            << "grab|--engine|Evil|--sites|DIR/sites.bin|--url|http://127.0.0.1:9/" << qint64(0) << 1
            << "is not a plain file name";
        QTest::newRow("engines lists such a key file as missing")
            << "engines|--sites|DIR/sites.bin" << qint64(0) << 0 << "(missing)";
        const auto bad = [](const char *name, const char *args, int exitCode, const char *message) {
            QTest::newRow(name) << QString::fromUtf8(args) << qint64(0) << exitCode << QString::fromUtf8(message);
        };
        bad("labels in an unknown layout", "labels|DIR/records.csv|--layout|4 x 4|--pdf|DIR/bad.pdf", 2,
            "unknown layout");
        bad("labels of rows beyond the table", "labels|DIR/records.csv|--rows|3-9|--pdf|DIR/bad.pdf", 2,
            "outside 1 to 4");
        bad("labels without an output file", "labels|DIR/records.csv", 2, "--pdf");
        bad("a sheet at a scale beyond 100", "sheet|DIR/records.csv|--scale|150|--pdf|DIR/bad.pdf", 2, "50 to 100");
        bad("a sheet of a column that does not exist", "sheet|DIR/records.csv|--columns|0|--pdf|DIR/bad.pdf", 2,
            "--columns");
        bad("a sheet of a missing table names the file", "sheet|DIR/missing.csv|--pdf|DIR/bad.pdf", 1, "missing.csv");
        bad("labels into a missing folder name the file", "labels|DIR/records.csv|--pdf|DIR/no/such/folder/x.pdf", 1,
            "no/such/folder");
        bad("converting a missing input file", "convert|DIR/no-such.csv|DIR/out.tsy", 1, "no-such.csv");
        bad("converting into a folder that does not exist", "convert|DIR/records.csv|DIR/missing/out.tsy", 1,
            "out.tsy");
        bad("converting into an unknown kind", "convert|DIR/records.csv|DIR/out.xls", 2, "out.xls");
        bad("converting with one argument only", "convert|DIR/records.csv", 2, "IN and OUT");
    }

    void failuresLeaveOutputsAlone()
    {
        QFETCH(QString, args);
        QFETCH(qint64, fileLimit);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        message.replace(u"DIR"_qs, m_dir);
        const QString old = m_dir + u"/old.pdf"_qs;
        QFile f(old);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("%PDF- the old good file");
        f.close();
        const QStringList before = QDir(m_dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

        const test::CliRun r = run(args.replace(u"DIR"_qs, m_dir).split(u'|'), fileLimit);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(QString(r.err + QString::fromUtf8(r.out)).contains(message), qPrintable(r.err));
        QVERIFY2(!r.err.contains(u"Unknown error"_qs), qPrintable(r.err));
        // Nothing fetched before the output was known good; nothing left behind; the old file whole.
        QVERIFY2(!r.err.contains(u"page 1:"_qs), qPrintable(r.err));
        QCOMPARE(QDir(m_dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
        QCOMPARE(contents(old), QByteArray("%PDF- the old good file"));
    }
};

QTEST_GUILESS_MAIN(TestCliTableCommands)
#include "tst_cli_tablecommands.moc"
