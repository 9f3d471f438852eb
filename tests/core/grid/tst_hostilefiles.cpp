#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/grid/gridoutput.h"
#include "core/grid/nativegridformat.h"
#include "core/shell/regularfile.h"
#include "support/gridtext.h"
#include "support/testsupport.h"

#include <QBuffer>
#include <QDir>
#include <QIcon>
#include <QStandardPaths>
#include <QTest>

#include <sys/stat.h>

using namespace dq;

class TestHostileFiles : public QObject
{
    Q_OBJECT

    QString m_dir;

private slots:
    void initTestCase()
    {
        m_dir = dq::test::tempDir();
        QVERIFY(::mkfifo(QFile::encodeName(m_dir + u"/fifo"_qs).constData(), 0600) == 0);
        dq::test::writeBytes(m_dir + u"/real.tsy"_qs, "x"); // what a name cut at its NUL would open
    }

    void formattedRowsAreBoundByTheFileSize()
    {
        // Each short line asks for a format in every one of 16384 columns.
        const int cols = NativeGridFormat::kMaxCols;
        const QByteArray line = "{\"formats\":[{\"col\":0,\"bold\":true}]}";
        QByteArray file = R"({"format":"dirquill-grid","version":1,"rows":1300,"cols":16384})" + QByteArray("\n");
        for (int i = 0; i < 1300; ++i)
            file += line + '\n';
        qint64 crossing = 0;
        for (qint64 n = 1; !crossing; ++n) {
            if (n * cols > NativeGridFormat::kFreeFormattedCells + n * (line.size() + 1))
                crossing = n + 1; // the header is line 1
        }
        for (int run = 0; run < 2; ++run) { // the budget is per file, not spent once for good
            QBuffer buffer(&file);
            buffer.open(QIODevice::ReadOnly);
            GridModel grid;
            const FileResult r = GridFile::read(grid, buffer, FileKind::Native, u"t"_qs);
            QVERIFY2(
                !r.ok && r.errorString.contains(u"line %1: more than"_qs.arg(crossing)), qPrintable(r.errorString));
        }
    }

    void pathsFromDataOpenOnlyRegularFiles_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a FIFO is refused without waiting for a writer") << u"/fifo"_qs << u"not a regular file"_qs;
        QTest::newRow("an endless device is refused") << u"/dev/zero"_qs << u"not a regular file"_qs;
        QTest::newRow("a folder is refused") << u"/"_qs << u"folder"_qs;
        QTest::newRow("a name cut short by a NUL is refused") << u"/real.tsy\0.junk"_qs << u"NUL"_qs;
    }
    void pathsFromDataOpenOnlyRegularFiles()
    {
        QFETCH(QString, path);
        QFETCH(QString, reason);
        const QString full = path.startsWith(u"/dev") ? path : m_dir + path;
        GridModel grid;
        const FileResult loaded = GridFile::load(grid, full, FileKind::Native);
        QVERIFY2(!loaded.ok && loaded.errorString.contains(reason), qPrintable(loaded.errorString));
        const RegularFile::Bytes read = RegularFile::read(full, 1024);
        QVERIFY2(!read.ok && read.errorString.contains(reason), qPrintable(read.errorString));
        // A cell picture naming it shows nothing, and the window does not freeze.
        grid.setCols(1);
        grid.setRows(1);
        CellFormat f;
        f.picture = full;
        grid.setCellFormat(0, 0, f);
        QVERIFY(grid.data(grid.index(0, 0), Qt::DecorationRole).value<QIcon>().isNull());
    }

    void aGrabOutputIsProbedAndRecovered()
    {
        QStandardPaths::setTestModeEnabled(true);
        GridModel grid;
        grid.setCols(2);
        grid.setRows(3);
        grid.setText(2, 1, u"kept"_qs);
        const QString missing = m_dir + u"/gone/out.csv"_qs;
        QVERIFY(!GridOutput::probe(missing));
        QVERIFY(!GridOutput::probe(m_dir));
        // A probe leaves nothing behind.
        const QString out = m_dir + u"/out"_qs;
        QVERIFY(QDir().mkpath(out));
        QVERIFY(GridOutput::probe(out + u"/fresh.csv"_qs));
        QVERIFY(QDir(out).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).isEmpty());

        const FileResult r = GridOutput::saveOrRecover(grid, missing, FileKind::Comma);
        QVERIFY(!r.ok);
        const QString kept = r.errorString.section(u"kept in \""_qs, 1).chopped(1);
        QVERIFY2(QFileInfo(kept).isFile(), qPrintable(r.errorString));
        GridModel back;
        QVERIFY(GridFile::load(back, kept, FileKind::Native));
        QCOMPARE(back.text(2, 1), u"kept"_qs);
        QFile::remove(kept);
    }
};

QTEST_MAIN(TestHostileFiles)
#include "tst_hostilefiles.moc"
