#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "support/clirun.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace dq;

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

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

} // namespace

class TestCliHostile : public QObject
{
    Q_OBJECT

    QString m_dir;

private slots:
    void initTestCase()
    {
        m_dir = test::tempDir();
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

QTEST_GUILESS_MAIN(TestCliHostile)
#include "tst_cli_hostile.moc"
