#include "core/print/pdfwords.h"
#include "support/testsupport.h"

#include <QFile>
#include <QProcess>
#include <QTest>

using dq::test::PdfText;
using dq::test::readPdf;

class TestCliPrint : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void writesThePages_data();
    void writesThePages();
    void refusesBadArguments_data();
    void refusesBadArguments();

private:
    QString m_dir;
    QString m_table;
};

namespace {

struct Run
{
    int exitCode = -1;
    QString err;
};

Run runCli(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(DQ_BIN_DIR "/dirquill-cli"), args);
    if (!p.waitForFinished(60000))
        return {};
    return { p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardError()) };
}

} // namespace

void TestCliPrint::initTestCase()
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

void TestCliPrint::writesThePages_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("absent");
    QTest::addColumn<bool>("landscape");

    const QString labels = QStringLiteral("labels");
    const QString sheet = QStringLiteral("sheet");
    QTest::newRow("labels skip incomplete addresses by default")
        << QStringList { labels, QStringLiteral("--layout"), QStringLiteral("2 x 10") }
        << QStringList { QStringLiteral("Acme"), QStringLiteral("Gamma") }
        << QStringList { QStringLiteral("Beta"), QStringLiteral("Delta"), QStringLiteral("Name"),
               QStringLiteral("Page") }
        << false;
    QTest::newRow("labels with --no-skip print every row and clean the city line")
        << QStringList { labels, QStringLiteral("--no-skip") }
        << QStringList { QStringLiteral("Beta"), QStringLiteral("Delta"), QStringLiteral("Piqua") }
        << QStringList { QStringLiteral("Piqua,") } << false;
    QTest::newRow("labels of chosen rows with a country line")
        << QStringList { labels, QStringLiteral("--rows"), QStringLiteral("2-3"), QStringLiteral("--no-skip"),
               QStringLiteral("--country"), QStringLiteral("Canada"), QStringLiteral("--layout"),
               QStringLiteral("2 x 5") }
        << QStringList { QStringLiteral("Beta"), QStringLiteral("Gamma"), QStringLiteral("Canada") }
        << QStringList { QStringLiteral("Acme"), QStringLiteral("Delta") } << false;
    QTest::newRow("a sheet of every row prints titles, header and page number")
        << QStringList { sheet }
        << QStringList { QStringLiteral("Orlenco"), QStringLiteral("Zip"), QStringLiteral("Beta"),
               QStringLiteral("Page") }
        << QStringList {} << false;
    QTest::newRow("a sheet of chosen columns and rows leaves the rest out")
        << QStringList { sheet, QStringLiteral("--columns"), QStringLiteral("1,3"), QStringLiteral("--rows"),
               QStringLiteral("1,4"), QStringLiteral("--landscape"), QStringLiteral("--scale"), QStringLiteral("100") }
        << QStringList { QStringLiteral("Acme"), QStringLiteral("Piqua"), QStringLiteral("City") }
        << QStringList { QStringLiteral("Beta"), QStringLiteral("Street"), QStringLiteral("555-0101") } << true;
}

void TestCliPrint::writesThePages()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, present);
    QFETCH(QStringList, absent);
    QFETCH(bool, landscape);

    const QString pdf = m_dir + QStringLiteral("/out.pdf");
    QFile::remove(pdf);
    args.insert(1, m_table);
    args << QStringLiteral("--pdf") << pdf;
    const Run run = runCli(args);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));

    const PdfText text = readPdf(pdf);
    QVERIFY(!text.pages.isEmpty());
    for (const QString &w : present)
        QVERIFY2(!text.find(w).isEmpty(), qPrintable(w));
    for (const QString &w : absent)
        QVERIFY2(text.find(w).isEmpty(), qPrintable(w));
    QCOMPARE(text.pages[0].width() > text.pages[0].height(), landscape);
}

void TestCliPrint::refusesBadArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    const QString table = QStringLiteral("TABLE");
    const QString pdf = QStringLiteral("--pdf");
    const QString out = QStringLiteral("OUT");
    QTest::newRow("an unknown layout is a usage error") << QStringList { QStringLiteral("labels"), table,
        QStringLiteral("--layout"), QStringLiteral("4 x 4"), pdf, out }
                                                        << 2 << QStringLiteral("unknown layout");
    QTest::newRow("rows beyond the table are a usage error")
        << QStringList { QStringLiteral("labels"), table, QStringLiteral("--rows"), QStringLiteral("3-9"), pdf, out }
        << 2 << QStringLiteral("outside 1 to 4");
    QTest::newRow("labels without an output file are a usage error")
        << QStringList { QStringLiteral("labels"), table } << 2 << QStringLiteral("--pdf");
    QTest::newRow("a scale beyond 100 is a usage error")
        << QStringList { QStringLiteral("sheet"), table, QStringLiteral("--scale"), QStringLiteral("150"), pdf, out }
        << 2 << QStringLiteral("50 to 100");
    QTest::newRow("a column that does not exist is a usage error")
        << QStringList { QStringLiteral("sheet"), table, QStringLiteral("--columns"), QStringLiteral("0"), pdf, out }
        << 2 << QStringLiteral("--columns");
    QTest::newRow("a missing table names the file") << QStringList { QStringLiteral("sheet"), QStringLiteral("NOFILE"),
        pdf, out } << 1 << QStringLiteral("missing.csv");
    QTest::newRow("an unwritable output names the file") << QStringList { QStringLiteral("labels"), table, pdf,
        QStringLiteral("NODIR") } << 1 << QStringLiteral("no/such/folder");
}

void TestCliPrint::refusesBadArguments()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    const QString out = m_dir + QStringLiteral("/bad.pdf");
    for (QString &a : args) {
        if (a == QLatin1String("TABLE"))
            a = m_table;
        else if (a == QLatin1String("NOFILE"))
            a = m_dir + QStringLiteral("/missing.csv");
        else if (a == QLatin1String("OUT"))
            a = out;
        else if (a == QLatin1String("NODIR"))
            a = m_dir + QStringLiteral("/no/such/folder/x.pdf");
    }
    const Run run = runCli(args);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(!QFile::exists(out));
}

QTEST_GUILESS_MAIN(TestCliPrint)
#include "tst_cli_print.moc"
