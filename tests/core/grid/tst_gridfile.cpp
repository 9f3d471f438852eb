#include "core/grid/delimitedgridformat.h"
#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/grid/gridoutput.h"
#include "core/grid/gridstore.h"
#include "core/grid/nativegridformat.h"
#include "core/shell/regularfile.h"
#include "support/casetable.h"
#include "support/gridtext.h"
#include "support/testsupport.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QDir>
#include <QIcon>
#include <QStandardPaths>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

#include <array>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace dq;
using test::readBytes;

namespace {

QString s(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// The shape and every cell's text, for whole-grid comparisons.
QString dump(const GridModel &m)
{
    return QStringLiteral("%1x%2\n").arg(m.rows()).arg(m.cols()) + test::rowsOf(m).join(u'\n');
}

QString writeFile(const QString &name, const QByteArray &bytes)
{
    return test::writeBytes(test::tempDir() + QLatin1Char('/') + name, bytes);
}

// The start of a native file's header, up to its shape.
const QByteArray kHeader = R"({"format":"dirquill-grid","version":1,)";

QJsonObject cases(const QString &name)
{
    const QJsonObject o
        = QJsonDocument::fromJson(test::readBytes(QStringLiteral(DQ_TEST_DATA_DIR "/grid/load/") + name)).object();
    if (o.isEmpty())
        qFatal("no cases in %s", qPrintable(name));
    return o;
}

// A small grid with something in every kind of state a load could disturb.
void fillSample(GridModel &m)
{
    test::fillRows(m, { s("Name||"), s("Acme||"), s("||"), s("||last") });
    m.setColumnWidth(1, 2500);
    CellFormat bold;
    bold.bold = true;
    m.setCellFormat(2, 1, bold);
}

QStringList texts(const GridStore &s)
{
    QStringList out;
    for (const GridRow &r : s.rows) {
        QStringList cells;
        for (int c = 0; c < s.colCount(); ++c)
            cells << r.cells.text(c);
        out << cells.join(u'|');
    }
    return out;
}

FileResult readNative(const QByteArray &line, GridStore &store)
{
    QByteArray file = "{\"format\":\"dirquill-grid\",\"version\":1,\"rows\":1,\"cols\":3,\"fixedRows\":0}";
    file += '\n' + line + '\n';
    QBuffer device(&file);
    device.open(QIODevice::ReadOnly);
    return NativeGridFormat::read(device, QStringLiteral("t.tsy"), store);
}

} // namespace

class TestGridFile : public QObject
{
    Q_OBJECT

    QString m_dir = test::tempDir();

private slots:
    void initTestCase()
    {
        QVERIFY(::mkfifo(QFile::encodeName(m_dir + u"/fifo"_qs).constData(), 0600) == 0);
        test::writeBytes(m_dir + u"/real.tsy"_qs, "x"); // what a name cut at its NUL would open
    }
    void aFileHoldingEveryAttributeReadsThem()
    {
        // It also saves back byte for byte (loads.json), so neither side drops one; these checks pin
        // the codes a reader and writer could both get wrong alike.
        GridModel m;
        QVERIFY(GridFile::load(
            m, QStringLiteral(DQ_TEST_DATA_DIR "/grid/load/a file holding every attribute.tsy"), FileKind::Native));
        QCOMPARE(m.fixedCols(), 1);
        QCOMPARE(m.columnDataType(1), DataType::Currency);
        QCOMPARE(m.columnAlignment(1), Alignment::RightCenter);
        QCOMPARE(m.alternateRowColor(), QColor(0xe0, 0xf0, 0xff));
        QCOMPARE(m.cellFormat(3, 0).fore, qRgb(255, 0, 0));
        QCOMPARE(qAlpha(m.cellFormat(3, 1).back), 0x80);
        QCOMPARE(m.cellFormat(4, 3).check, CheckBox::Checked);
        QCOMPARE(m.cellFormat(4, 2).pictureAlignment, Alignment::RightCenter);
        QCOMPARE(m.cellFormat(5, 1).back, qRgb(0, 0, 0)); // black, not the absence of a background
        QCOMPARE(m.cellFormat(5, 3).check, CheckBox::Unchecked);
        QCOMPARE(m.rowHeight(5), 0);
    }
    void largeNativeFilesKeepRowOrder()
    {
        // Enough rows to be read in many pieces; every row, format and height must land where it was.
        GridModel m;
        m.setCols(2);
        m.setRows(1);
        std::vector<QStringList> rows;
        for (int i = 0; i < 20000; ++i)
            rows.push_back({ QString::number(i), i % 3 ? QString() : QStringLiteral("row %1 \"q\"").arg(i) });
        m.appendRows(rows);
        CellFormat italic;
        italic.italic = true;
        for (int r = 1; r < m.rows(); r += 997)
            m.setCellFormat(r, 1, italic);
        m.setRowHeight(15000, 500);
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        QVERIFY(GridFile::write(m, buffer, FileKind::Native, QStringLiteral("mem")));
        buffer.seek(0);
        GridModel back;
        QVERIFY(GridFile::read(back, buffer, FileKind::Native, QStringLiteral("mem")));
        QCOMPARE(dump(back), dump(m));
        for (int r = 0; r < m.rows(); ++r)
            QCOMPARE(back.cellFormat(r, 1).italic, (r - 1) % 997 == 0 && r >= 1);
        QCOMPARE(back.rowHeight(15000), 500);

        // A fault deep in such a file is reported at its own line, ahead of later faults.
        QByteArray bad = kHeader + R"("rows":9000,"cols":1})" + '\n';
        for (int i = 0; i < 7000; ++i)
            bad += i == 6000 ? QByteArray("[1]\n") : QByteArray("[\"ok\"]\n");
        bad += "[\"a\",\"b\"]\n" + QByteArray("[]\n").repeated(3000);
        QBuffer badBuffer(&bad);
        badBuffer.open(QIODevice::ReadOnly);
        const FileResult r = GridFile::read(back, badBuffer, FileKind::Native, QStringLiteral("deep.tsy"));
        QCOMPARE(r.errorString, QStringLiteral("\"deep.tsy\", line 6002: cell 1 is not text"));
        QCOMPARE(dump(back), dump(m));
    }
    void filesInEveryVariantLoad_data()
    {
        // Hand-written files (loads.json: what each loads as, and whether saving gives its bytes back).
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("fixedRows");
        QTest::addColumn<bool>("writtenBack");
        const QJsonObject loads = cases(QStringLiteral("loads.json"));
        for (auto it = loads.begin(); it != loads.end(); ++it) {
            const QJsonObject o = it->toObject();
            QTest::newRow(qPrintable(it.key())) << it.key() << o.value(u"grid").toString()
                                                << o.value(u"fixedRows").toInt() << o.value(u"writtenBack").toBool();
        }
    }
    void filesInEveryVariantLoad()
    {
        QFETCH(QString, file);
        QFETCH(bool, writtenBack);
        const QString path = QStringLiteral(DQ_TEST_DATA_DIR "/grid/load/") + file;
        const FileKind kind = GridFile::kindForPath(file);
        GridModel m;
        const FileResult r = GridFile::load(m, path, kind);
        QVERIFY2(r.ok, qPrintable(r.errorString));
        QTEST(dump(m), "expected");
        if (kind == FileKind::Native)
            QTEST(m.fixedRows(), "fixedRows");
        // Whatever was read saves and loads back the same; files in the written form come back byte for byte.
        const QString again = test::tempDir() + QStringLiteral("/again");
        QVERIFY(GridFile::save(m, again, file.contains(u"for Excel") ? FileKind::CommaForExcel : kind));
        if (writtenBack)
            QCOMPARE(readBytes(again), readBytes(path));
        GridModel back;
        QVERIFY(GridFile::load(back, again, kind));
        QCOMPARE(dump(back), dump(m));
    }
    void hostileFilesLeaveTheGridAsItWas_data()
    {
        // Damaged files (refused.json: the reason given) and ones too big to keep.
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("problem");
        const QJsonObject refused = cases(QStringLiteral("refused.json"));
        for (auto it = refused.begin(); it != refused.end(); ++it)
            QTest::newRow(qPrintable(it.key()))
                << QStringLiteral(DQ_TEST_DATA_DIR "/grid/load/") + it.key() << it->toString();
        QTest::newRow("a line over 64 MB") << writeFile(QStringLiteral("long.tsy"),
            kHeader + R"("rows":2,"cols":2})" + "\n[\"" + QByteArray(65 * 1024 * 1024, 'x') + "\"]\n")
                                           << s("line 2: the line is longer than the 64 MB");
        // Each short line asks for a format in every one of 16384 columns: refused where the cells
        // formatted outgrow what the file's size allows, the same on a second read.
        const QByteArray line = "{\"formats\":[{\"col\":0,\"bold\":true}]}";
        QByteArray formatted = kHeader + R"("rows":1300,"cols":16384})" + '\n' + QByteArray(line + '\n').repeated(1300);
        qint64 crossing = 2; // the header is line 1
        while ((crossing - 1) * NativeGridFormat::kMaxCols
            <= NativeGridFormat::kFreeFormattedCells + (crossing - 1) * (line.size() + 1))
            ++crossing;
        for (const char *name : { "rows formatted beyond what the file size allows", "the same file read again" })
            QTest::newRow(name) << writeFile(QStringLiteral("formatted.tsy"), formatted)
                                << QStringLiteral("line %1: more than").arg(crossing);
        QTest::newRow("comma: more fields on a line than a grid has columns")
            << writeFile(QStringLiteral("wide.csv"), QByteArray(20000, ',')) << s("more than the 16384 columns");
        QTest::newRow("comma: more lines than a grid has rows")
            << writeFile(QStringLiteral("long.csv"), QByteArray(10'000'001, '\n')) << s("more than the 10000000 rows");
    }
    void hostileFilesLeaveTheGridAsItWas()
    {
        QFETCH(QString, path);
        QFETCH(QString, problem);
        GridModel m;
        fillSample(m);
        const QString before = dump(m);
        QSignalSpy edited(&m, &GridModel::contentsEdited);
        QSignalSpy reset(&m, &GridModel::modelReset);

        const FileResult r = GridFile::load(m, path, GridFile::kindForPath(path));
        QVERIFY(!r.ok);
        QVERIFY2(r.errorString.contains(path) && r.errorString.contains(problem), qPrintable(r.errorString));
        QCOMPARE(dump(m), before);
        QCOMPARE(m.columnWidth(1), 2500);
        QVERIFY(m.cellFormat(2, 1).bold);
        QCOMPARE(edited.count() + reset.count(), 0);
    }
    void tenMegabyteCellsRoundTrip()
    {
        GridModel m;
        test::fillRows(m, { s("T|x"), QString(10 * 1024 * 1024, u'y') + s(",\"\n|z") });
        for (const FileKind kind : { FileKind::Native, FileKind::Comma }) {
            const QString path = test::tempDir() + QStringLiteral("/t");
            QVERIFY(GridFile::save(m, path, kind));
            GridModel back;
            QVERIFY(GridFile::load(back, path, kind));
            QVERIFY(dump(back) == dump(m)); // QCOMPARE would print ten megabytes
        }
    }
    void textLoadKeepsTheGridsOwnSettingsNotItsColumns()
    {
        GridModel m;
        fillSample(m);
        m.setGridLines(false);
        QVERIFY(GridFile::load(m, writeFile(QStringLiteral("w.csv"), "A,B,C,D,E\n1,2,3,4,5\n"), FileKind::Comma));
        QCOMPARE(dump(m), s("2x5\nA|B|C|D|E\n1|2|3|4|5"));
        QCOMPARE(m.columnWidth(1), GridModel::kDefaultColumnWidth);
        QVERIFY(!m.gridLines());
        QCOMPARE(m.cellFormat(1, 1), CellFormat {}); // text carries no formats
    }
    void aSaveFailingPastItsFirstMegabyteKeepsTheOldFile()
    {
        // Three megabytes of text that does not pack small, so a workbook outgrows the limit too.
        QRandomGenerator rng(3);
        std::vector<QStringList> rows(6000);
        for (QStringList &row : rows) {
            std::array<quint32, 96> noise;
            rng.fillRange(noise.data(), noise.size());
            row << QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(noise.data()), 384).toBase64());
        }
        GridModel m;
        m.setCols(1);
        m.appendRows(rows);
        const QByteArray old = QByteArray("the old file\n").repeated(1000);
        for (const FileKind kind : { FileKind::Native, FileKind::Comma, FileKind::Tab, FileKind::Excel }) {
            const QString dir = test::tempDir();
            const QString path = test::writeBytes(dir + QStringLiteral("/list"), old);
            FileResult saved;
            {
                // Writes past a lowered file-size limit fail with EFBIG instead of raising SIGXFSZ.
                rlimit limit {};
                getrlimit(RLIMIT_FSIZE, &limit);
                const auto restore = qScopeGuard([limit, handler = std::signal(SIGXFSZ, SIG_IGN)] {
                    setrlimit(RLIMIT_FSIZE, &limit);
                    std::signal(SIGXFSZ, handler);
                });
                const rlimit lowered { 1024 * 1024, limit.rlim_max };
                QVERIFY(setrlimit(RLIMIT_FSIZE, &lowered) == 0);
                saved = GridFile::save(m, path, kind);
            }
            QVERIFY2(!saved.ok && saved.errorString.contains(path), qPrintable(saved.errorString));
            QVERIFY(readBytes(path) == old);
            QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("list") });
            // Without the limit the same save goes through.
            QVERIFY(GridFile::save(m, path, kind));
            QVERIFY(QFileInfo(path).size() > 1024 * 1024);
        }
    }
    void failedSavesAndLoadsReportAndKeepTheOldFile()
    {
        GridModel m;
        fillSample(m);
        const QString missing = test::tempDir() + QStringLiteral("/no such folder/x.tsy");
        const FileResult r = GridFile::save(m, missing, FileKind::Native);
        QVERIFY(!r.ok && r.errorString.contains(missing));

        // A failed load must not touch the file it read.
        const QString path = writeFile(QStringLiteral("keep.tsy"), "old contents");
        GridModel other;
        QVERIFY(!GridFile::load(other, path, FileKind::Native).ok);
        QCOMPARE(readBytes(path), QByteArray("old contents"));

        // A file-command kind code (1 = comma there) passed as a grid kind is refused, not
        // guessed, and the file on disk stays.
        const FileResult wrongKind = GridFile::save(m, path, FileKind(1));
        QVERIFY(wrongKind.errorString.contains(QStringLiteral("not a grid file kind")));
        QCOMPARE(readBytes(path), QByteArray("old contents"));
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
    // The quick paths of file reading (compact rows, plain JSON lines, comma files in pieces) must
    // give exactly what the general paths give.
    void compactRows_data()
    {
        QTest::addColumn<QList<int>>("lengths"); // bytes of each cell

        QTest::newRow("a listing row keeps one length byte per cell") << QList<int> { 5, 0, 12, 255, 1 };
        QTest::newRow("a cell over 255 bytes needs wide offsets") << QList<int> { 3, 256, 0, 7 };
        QTest::newRow("64 cells still fit the short form") << QList<int>(64, 2);
        QTest::newRow("65 cells need wide offsets") << QList<int>(65, 2);
    }

    void compactRows()
    {
        QFETCH(QList<int>, lengths);
        std::vector<QByteArray> cells;
        std::vector<QByteArrayView> views;
        for (int i = 0; i < lengths.size(); ++i)
            cells.push_back(QByteArray(lengths[i], char('a' + i % 26)));
        for (const QByteArray &c : cells)
            views.emplace_back(c);
        RowCells row = RowCells::fromUtf8(views.data(), int(views.size()));
        const auto check = [&] {
            QCOMPARE(row.storedCount(), int(cells.size()));
            for (size_t i = 0; i < cells.size(); ++i)
                QCOMPARE(row.utf8(int(i)), cells[i]);
            QCOMPARE(row.utf8(int(cells.size())), QByteArrayView());
        };
        check();
        // Edits move a row between the two forms and back.
        cells[1] = QByteArray(300, 'w');
        row.setUtf8(1, cells[1]);
        check();
        cells[1] = "short";
        row.setUtf8(1, cells[1]);
        check();
        cells.insert(cells.begin() + 1, QByteArray());
        row.insertCell(1);
        check();
        cells.erase(cells.begin());
        row.removeCell(0);
        check();
    }

    void plainLinesReadAsTheJsonReaderReadsThem_data() { test::addCaseRows(QStringLiteral("grid/fast/rows.tsv")); }
    void plainLinesReadAsTheJsonReaderReadsThem()
    {
        QFETCH(QByteArray, cellsBytes);
        const QByteArray &cells = cellsBytes;
        GridStore plain;
        GridStore object;
        const FileResult fromPlain = readNative(cells, plain);
        // An object row always goes through the JSON reader.
        const FileResult fromObject = readNative("{\"cells\":" + cells + "}", object);
        QCOMPARE(fromPlain.ok, fromObject.ok);
        if (fromPlain.ok)
            QCOMPARE(texts(plain), texts(object));
    }

    void piecesReadAsOnePass_data() { test::addCaseRows(QStringLiteral("grid/fast/pieces.tsv")); }
    void piecesReadAsOnePass()
    {
        QFETCH(QByteArray, textBytes);
        QByteArray &text = textBytes;
        const auto read = [&](qint64 pieceBytes, GridStore &store) {
            QBuffer device(&text);
            device.open(QIODevice::ReadOnly);
            return DelimitedGridFormat::read(device, ',', QStringLiteral("t.csv"), store, pieceBytes);
        };
        GridStore whole;
        const FileResult once = read(0, whole);
        // Every cut: line ends, quoted line breaks and multibyte characters land on each side of one.
        for (qint64 piece = 1; piece < text.size(); ++piece) {
            GridStore pieces;
            const FileResult split = read(piece, pieces);
            QCOMPARE(split.ok, once.ok);
            QCOMPARE(split.errorString, once.errorString);
            QCOMPARE(pieces.colCount(), whole.colCount());
            QCOMPARE(texts(pieces), texts(whole));
        }
    }
    void kindFollowsTheExtension()
    {
        const QList<std::pair<const char *, FileKind>> paths { { "/a/B.CSV", FileKind::Comma },
            { "x.txt", FileKind::Tab }, { "x.tsy", FileKind::Native }, { "book.XLSX", FileKind::Excel },
            { "stpl00.bin", FileKind::Native }, { "data.csv/list.tsy", FileKind::Native } };
        for (const auto &[path, kind] : paths)
            QCOMPARE(GridFile::kindForPath(s(path)), kind);
    }
};

QTEST_MAIN(TestGridFile)
#include "tst_gridfile.moc"
