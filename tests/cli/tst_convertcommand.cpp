#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "support/clirun.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace dq;
using test::args;
using test::CliRun;
using test::runCli;

namespace {

const QList<QStringList> kRows {
    { QStringLiteral("Name"), QStringLiteral("Street"), QStringLiteral("Note") },
    { QStringLiteral("Smith, Jones & Co"), QStringLiteral("12 \"Old\" Mill Rd"), QStringLiteral("line one\nline two") },
    { QStringLiteral("Acme"), QString(), QStringLiteral("ends with a comma,") },
    { QStringLiteral("\"quoted\""), QStringLiteral("tab\there"), QStringLiteral("CR LF\r\ninside") },
};

} // namespace

class TestConvertCommand : public QObject
{
    Q_OBJECT

private slots:
    void versionAndHelp()
    {
        const CliRun version = runCli({ QStringLiteral("--version") });
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out.trimmed(), QByteArray("3.8"));
        const CliRun help = runCli({ QStringLiteral("--help") });
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains("convert"));
        const CliRun usage = runCli(args(QStringLiteral("help convert")));
        QCOMPARE(usage.exitCode, 0);
        QVERIFY(usage.out.contains("dirquill-cli convert IN OUT"));
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

    void failuresSayWhy_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("a missing input file")
            << args(QStringLiteral("convert @/no-such.csv @/out.tsy")) << 1 << "no-such.csv";
        QTest::newRow("an output folder that does not exist")
            << args(QStringLiteral("convert @/in.csv @/missing/out.tsy")) << 1 << "out.tsy";
        QTest::newRow("an unknown output kind") << args(QStringLiteral("convert @/in.csv @/out.xls")) << 2 << "out.xls";
        QTest::newRow("one argument only") << args(QStringLiteral("convert @/in.csv")) << 2 << "IN and OUT";
    }

    void failuresSayWhy()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, mentions);
        const QString dir = test::tempDir();
        QFile in(dir + QStringLiteral("/in.csv"));
        QVERIFY(in.open(QIODevice::WriteOnly));
        in.write("Name\nAcme\n");
        in.close();
        for (QString &a : args)
            a.replace(QStringLiteral("@"), dir);
        const CliRun r = runCli(args);
        QTEST(r.exitCode, "exitCode");
        QVERIFY2(r.err.contains(mentions), qPrintable(r.err));
        // Nothing written anywhere, whichever output the row named.
        QCOMPARE(
            QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList { QStringLiteral("in.csv") });
    }
};

QTEST_GUILESS_MAIN(TestConvertCommand)
#include "tst_convertcommand.moc"
