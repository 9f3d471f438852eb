#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/grid/gridoutput.h"
#include "core/grid/nativegridformat.h"
#include "core/shell/regularfile.h"
#include "support/testsupport.h"

#include <QBuffer>
#include <QDir>
#include <QIcon>
#include <QStandardPaths>
#include <QTest>

#include <sys/stat.h>

using namespace dq;

namespace {

QByteArray header(int rows, int cols)
{
    return "{\"format\":\"dirquill-grid\",\"version\":1,\"rows\":" + QByteArray::number(rows)
        + ",\"cols\":" + QByteArray::number(cols) + "}\n";
}

FileResult read(const QByteArray &bytes, FileKind kind, GridModel &grid)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return GridFile::read(grid, buffer, kind, u"t"_qs);
}

} // namespace

class TestHostileFiles : public QObject
{
    Q_OBJECT

    QString m_dir;

private slots:
    void initTestCase()
    {
        m_dir = dq::test::tempDir();
        QVERIFY(::mkfifo(QFile::encodeName(m_dir + u"/fifo"_qs).constData(), 0600) == 0);
    }

    void cellsAreKeptOrRefused_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("text"); // the cells read back; empty when the file is refused
        QTest::addColumn<QString>("error");
        const int native = int(FileKind::Native);
        const QByteArray head = header(1, 2);
        QTest::newRow("a cell starting with U+FEFF keeps it") << native << head + "[\"\\ufeffx\"]\n"
                                                              << u"\uFEFFx"_qs << QString();
        QTest::newRow("a cell of two U+FEFF keeps both") << native << head + "[\"\xEF\xBB\xBF\xEF\xBB\xBF\"]\n"
                                                         << u"\uFEFF\uFEFF"_qs << QString();
        QTest::newRow("a comma-text file's first cell starting with U+FEFF keeps it after the byte-order mark")
            << int(FileKind::Comma) << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFN\n") << u"\uFEFFN"_qs << QString();
        QTest::newRow("a surrogate pair escape is one character") << native << head + "[\"\\ud83d\\ude00\"]\n"
                                                                  << u"\U0001F600"_qs << QString();
        QTest::newRow("an escaped backslash before ud800 is plain text") << native << head + "[\"\\\\ud800\"]\n"
                                                                         << u"\\ud800"_qs << QString();
        QTest::newRow("a lone high surrogate escape is refused with its line")
            << native << head + "[\"a\\ud800b\"]\n"
            << QString() << u"line 2: the row holds a lone surrogate"_qs;
        QTest::newRow("a lone low surrogate escape is refused with its line")
            << native << head + "{\"cells\":[\"\\\\ud800\",\"\\udc00\"]}\n"
            << QString() << u"line 2: the row holds a lone surrogate"_qs;
    }
    void cellsAreKeptOrRefused()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, file);
        QFETCH(QString, text);
        QFETCH(QString, error);
        GridModel grid;
        const FileResult r = read(file, FileKind(kind), grid);
        QVERIFY2(r.errorString.contains(error) && r.ok == error.isEmpty(), qPrintable(r.errorString));
        if (!r)
            return;
        QCOMPARE(grid.text(0, 0) + grid.text(0, 1), text);
        // And back out: saving and loading again gives the same text.
        const QString path = m_dir + u"/again"_qs;
        QVERIFY(GridFile::save(grid, path, FileKind(kind)));
        GridModel again;
        QVERIFY(GridFile::load(again, path, FileKind(kind)));
        QCOMPARE(again.text(0, 0) + again.text(0, 1), text);
    }

    void formattedRowsAreBoundByTheFileSize()
    {
        // Each short line asks for a format in every one of 16384 columns.
        const int cols = NativeGridFormat::kMaxCols;
        const QByteArray line = "{\"formats\":[{\"col\":0,\"bold\":true}]}";
        QByteArray file = header(1300, cols);
        for (int i = 0; i < 1300; ++i)
            file += line + '\n';
        qint64 crossing = 0;
        for (qint64 n = 1; !crossing; ++n) {
            if (n * cols > NativeGridFormat::kFreeFormattedCells + n * (line.size() + 1))
                crossing = n + 1; // the header is line 1
        }
        for (int run = 0; run < 2; ++run) {
            GridModel grid;
            const FileResult r = read(file, FileKind::Native, grid);
            QVERIFY(!r.ok);
            QVERIFY2(r.errorString.contains(u"line %1: more than"_qs.arg(crossing)), qPrintable(r.errorString));
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
        GridModel real;
        real.setCols(1);
        real.setRows(1);
        QVERIFY(GridFile::save(real, m_dir + u"/real.tsy"_qs, FileKind::Native));
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
