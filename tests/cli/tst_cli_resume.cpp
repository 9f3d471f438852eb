// dirquill-cli grab killed mid-run and taken up again with --resume, against
// dirquill-demo-site on a free loopback port.
#include "core/harvest/harvestjournal.h"

#include "support/clirun.h"
#include "support/demosite.h"
#include "support/testsupport.h"

#include <QFile>
#include <QProcess>
#include <QTest>

using namespace dq;

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestCliResume : public QObject
{
    Q_OBJECT

    test::DemoSite m_site;

    QStringList grabTo(const QString &out) const
    {
        // Slow pages leave time to kill the run between them.
        return { u"grab"_qs, u"--engine"_qs, u"demo-page"_qs, u"--url"_qs,
            m_site.base() + u"page/search?category=Plumbers&city=Austin&state=TX&delay=150"_qs, u"--out"_qs, out };
    }

private slots:
    void initTestCase()
    {
        const QString failure = m_site.start();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    void aKilledRunResumedEqualsACleanRun_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::newRow("comma text") << u".csv"_qs;
        QTest::newRow("native file") << u".tsy"_qs;
    }

    void aKilledRunResumedEqualsACleanRun()
    {
        QFETCH(QString, extension);
        const QString dir = test::tempDir();
        const QString clean = dir + u"/clean"_qs + extension;
        test::CliRun r = test::runCli(grabTo(clean));
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY(!QFile::exists(clean + u".journal"_qs));

        const QString out = dir + u"/out"_qs + extension;
        const QString journal = out + u".journal"_qs;
        QProcess killed;
        killed.start(QStringLiteral(DQ_BIN_DIR "/dirquill-cli"), grabTo(out));
        QTRY_VERIFY_WITH_TIMEOUT(HarvestJournal::read(journal).pages >= 3, 30000);
        killed.kill();
        QVERIFY(killed.waitForFinished());
        QVERIFY(!QFile::exists(out));
        const HarvestJournal::Contents left = HarvestJournal::read(journal);
        QVERIFY(!left.ended);

        // Run again without --resume: the journal is not written over.
        r = test::runCli(grabTo(out));
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(u"--resume"_qs), qPrintable(r.err));
        QVERIFY(HarvestJournal::read(journal).rows.size() == left.rows.size());

        r = test::runCli(grabTo(out) << u"--resume"_qs);
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY2(r.err.contains(u"Resuming: %1 listings"_qs.arg(left.rows.size())), qPrintable(r.err));
        QCOMPARE(contents(out), contents(clean));
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
};

QTEST_GUILESS_MAIN(TestCliResume)
#include "tst_cli_resume.moc"
