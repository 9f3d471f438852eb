#include "core/print/pdfwords.h"
#include "support/clirun.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QTest>

using dq::test::CliRun;
using dq::test::PdfText;
using dq::test::readPdf;
using dq::test::runCli;

namespace {

// "labels|--layout|2 x 10" as a list; '|' parts because some arguments hold spaces.
QStringList parts(const char *line)
{
    return dq::test::args(QString::fromUtf8(line), u'|');
}

} // namespace

class TestCliPrint : public QObject
{
    Q_OBJECT

    QString m_dir;
    QString m_table;

private slots:
    void initTestCase()
    {
        m_dir = dq::test::tempDir();
        m_table = m_dir + QStringLiteral("/records.csv");
        QFile f(m_table);
        QVERIFY(f.open(QIODevice::WriteOnly));
        // Beta lacks a Zip Code; Delta's City line has no State and Zip Code.
        f.write("Name,Street,City,State,Zip Code,Phone,Web\n"
                "Acme,1 Main St,Dayton,OH,45402,555-0101,acme.example\n"
                "Beta,2 Oak Ave,Xenia,OH,,555-0102,beta.example\n"
                "Gamma,3 Elm Rd,Troy,OH,45373,555-0103,gamma.example\n"
                "Delta,4 Pine Ct,Piqua,,,555-0104,delta.example\n");
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
        const QString pdf = m_dir + QStringLiteral("/out.pdf");
        QFile::remove(pdf);
        args.insert(1, m_table);
        args << QStringLiteral("--pdf") << pdf;
        const CliRun run = runCli(args);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));

        const PdfText text = readPdf(pdf);
        QVERIFY(!text.pages.isEmpty());
        for (const QString &w : present)
            QVERIFY2(!text.find(w).isEmpty(), qPrintable(w));
        for (const QString &w : absent)
            QVERIFY2(text.find(w).isEmpty(), qPrintable(w));
        QCOMPARE(text.pages[0].width() > text.pages[0].height(), landscape);
    }

    void refusesBadArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("an unknown layout is a usage error")
            << parts("labels|TABLE|--layout|4 x 4|--pdf|OUT") << 2 << "unknown layout";
        QTest::newRow("rows beyond the table are a usage error")
            << parts("labels|TABLE|--rows|3-9|--pdf|OUT") << 2 << "outside 1 to 4";
        QTest::newRow("labels without an output file are a usage error") << parts("labels|TABLE") << 2 << "--pdf";
        QTest::newRow("a scale beyond 100 is a usage error")
            << parts("sheet|TABLE|--scale|150|--pdf|OUT") << 2 << "50 to 100";
        QTest::newRow("a column that does not exist is a usage error")
            << parts("sheet|TABLE|--columns|0|--pdf|OUT") << 2 << "--columns";
        QTest::newRow("a missing table names the file") << parts("sheet|NOFILE|--pdf|OUT") << 1 << "missing.csv";
        QTest::newRow("an unwritable output names the file")
            << parts("labels|TABLE|--pdf|NODIR") << 1 << "no/such/folder";
    }

    void refusesBadArguments()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const QString out = m_dir + QStringLiteral("/bad.pdf");
        const QHash<QString, QString> stand { { QStringLiteral("TABLE"), m_table },
            { QStringLiteral("NOFILE"), m_dir + QStringLiteral("/missing.csv") }, { QStringLiteral("OUT"), out },
            { QStringLiteral("NODIR"), m_dir + QStringLiteral("/no/such/folder/x.pdf") } };
        for (QString &a : args)
            a = stand.value(a, a);
        const QStringList before = QDir(m_dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        const CliRun run = runCli(args);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        // Nothing written anywhere, whichever output the row named.
        QCOMPARE(QDir(m_dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    }
};

QTEST_GUILESS_MAIN(TestCliPrint)
#include "tst_cli_print.moc"
