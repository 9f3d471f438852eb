// dirquill-cli's commands on table files: convert, labels and sheet, and every refusal of the
// command line leaving the files as they were, on a full disk too.
#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/print/pdfwords.h"
#include "support/casefields.h"
#include "support/casetable.h"
#include "support/clirun.h"
#include "support/gridtext.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace dq;
using test::addCaseRows;
using test::CliRun;
using test::field;
using test::number;
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

const QStringList kRows { QStringLiteral("Name|Street|Note"),
    QStringLiteral("Smith, Jones & Co|12 \"Old\" Mill Rd|line one\nline two"),
    QStringLiteral("Acme||ends with a comma,"), QStringLiteral("\"quoted\"|tab\there|CR LF\r\ninside") };

} // namespace

class TestCliTableCommands : public QObject
{
    Q_OBJECT

    QString m_dir;

private slots:
    void initTestCase()
    {
        m_dir = test::tempDir();
        // Beta lacks a Zip Code; Delta's City line has no State and Zip Code.
        test::writeBytes(m_dir + u"/records.csv"_qs,
            "Name,Street,City,State,Zip Code,Phone,Web\n"
            "Acme,1 Main St,Dayton,OH,45402,555-0101,acme.example\n"
            "Beta,2 Oak Ave,Xenia,OH,,555-0102,beta.example\n"
            "Gamma,3 Elm Rd,Troy,OH,45373,555-0103,gamma.example\n"
            "Delta,4 Pine Ct,Piqua,,,555-0104,delta.example\n");
        GridModel table;
        table.setCols(6);
        table.setRows(251);
        for (int r = 1; r < 251; ++r)
            for (int c = 0; c < 6; ++c)
                table.setText(r, c, u"Row %1 field %2 with some words"_qs.arg(r).arg(c));
        QVERIFY(GridFile::save(table, m_dir + u"/rows.tsy"_qs, FileKind::Native));
        // A site list whose only engine names a key file with a NUL in it; the part before the
        // NUL names a real key file.
        GridModel sites;
        test::fillRows(sites, { u"|||"_qs, u"|||"_qs });
        QVERIFY(GridFile::save(sites, m_dir + u"/page.tsy"_qs, FileKind::Native));
        test::fillRows(sites, { u"|||"_qs, u"Evil|page.tsy\0x||"_qs });
        QVERIFY(GridFile::save(sites, m_dir + u"/sites.bin"_qs, FileKind::Native));
        QFile huge(m_dir + u"/huge.html"_qs);
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(20 * 1024 * 1024 + 1));
    }

    // Through every kind convert writes and back: each file kind keeps every cell (its own
    // round trips are the grid file tests'), and convert hands them on whole.
    void convertKeepsEveryCell()
    {
        const QStringList chain = test::args(u"csv tsy txt xlsx csv"_qs);
        const QString dir = test::tempDir();
        GridModel source;
        test::fillRows(source, kRows);
        source.setFixedRows(1);
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
        QCOMPARE(test::rowsOf(back), kRows);
    }

    // Words the PDF must and must not show, '|' between them.
    void writesThePages_data() { addCaseRows(u"cli/pages.tsv"_qs); }
    void writesThePages()
    {
        const QString pdf = m_dir + u"/out.pdf"_qs;
        QFile::remove(pdf);
        QStringList args = field("args").split(u'|');
        args.insert(1, m_dir + u"/records.csv"_qs);
        const CliRun run = runCli(args << QStringLiteral("--pdf") << pdf);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        const test::PdfText text = test::readPdf(pdf);
        QVERIFY(!text.pages.isEmpty());
        for (const QString &w : field("present").split(u'|'))
            QVERIFY2(!text.find(w).isEmpty(), qPrintable(w));
        for (const QString &w : field("absent").split(u'|', Qt::SkipEmptyParts))
            QVERIFY2(text.find(w).isEmpty(), qPrintable(w));
        QCOMPARE(int(text.pages[0].width() > text.pages[0].height()), number("landscape"));
    }

    // Every refusal of the command line, of the table and the grab commands alike: the exit
    // code, a message naming what is wrong, nothing fetched, written or left behind, and an old
    // file in the way kept whole. Arguments are split at '|'; DIR is the test folder.
    void refusalsLeaveOutputsAlone_data() { addCaseRows(u"cli/refusals.tsv"_qs); }
    void refusalsLeaveOutputsAlone()
    {
        const QString message = field("message").replace(u"DIR"_qs, m_dir);
        const QString old = test::writeBytes(m_dir + u"/old.pdf"_qs, "%PDF- the old good file");
        const QStringList before = QDir(m_dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

        const test::CliRun r = run(field("args").replace(u"DIR"_qs, m_dir).split(u'|'), number("fileLimit"));
        QCOMPARE(r.exitCode, number("exitCode"));
        QVERIFY2(QString(r.err + QString::fromUtf8(r.out)).contains(message), qPrintable(r.err));
        QVERIFY2(!r.err.contains(u"Unknown error"_qs), qPrintable(r.err));
        QVERIFY(r.exitCode == 0 || r.out.isEmpty());
        QVERIFY2(!r.err.contains(u"page 1:"_qs), qPrintable(r.err));
        QCOMPARE(QDir(m_dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
        QCOMPARE(test::readBytes(old), QByteArray("%PDF- the old good file"));
    }
};

QTEST_GUILESS_MAIN(TestCliTableCommands)
#include "tst_cli_tablecommands.moc"
