#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/grid/gridstore.h"
#include "core/grid/xlsxsheetreader.h"
#include "support/casetable.h"
#include "support/gridtext.h"
#include "support/testsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTest>

#include <list>
#include <zip.h>

using namespace dq;

namespace {

// One part of an archive, unpacked; empty when missing.
QByteArray unzipPart(const QString &path, const char *part)
{
    zip_t *zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, nullptr);
    if (!zip)
        return {};
    QByteArray out;
    if (zip_file_t *f = zip_fopen(zip, part, 0)) {
        char block[65536];
        zip_int64_t got;
        while ((got = zip_fread(f, block, sizeof block)) > 0)
            out.append(block, qsizetype(got));
        zip_fclose(f);
    }
    zip_discard(zip);
    return out;
}

// A workbook built part by part, for the faults no writer makes.
QString writeZip(const QString &name, const QList<QPair<const char *, QByteArray>> &parts)
{
    const QString path = test::tempDir() + QLatin1Char('/') + name;
    zip_t *zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
    for (const auto &[part, bytes] : parts) {
        zip_source_t *src = zip_source_buffer(zip, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        zip_file_add(zip, part, src, ZIP_FL_OVERWRITE);
    }
    if (zip_close(zip) != 0)
        qFatal("cannot write test archive");
    return path;
}

// A workbook of one sheet holding sheetXml; without sheetXml the sheet part is missing.
QString workbookWithSheet(const QString &name, const QByteArray &sheetXml)
{
    QList<QPair<const char *, QByteArray>> parts { { "xl/workbook.xml",
                                                       "<workbook xmlns:r=\"http://schemas.openxmlformats.org/"
                                                       "officeDocument/2006/relationships\"><sheets><sheet name=\"A\" "
                                                       "sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>" },
        { "xl/_rels/workbook.xml.rels",
            "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" "
            "Target=\"worksheets/sheet1.xml\"/></Relationships>" } };
    if (!sheetXml.isEmpty())
        parts.append({ "xl/worksheets/sheet1.xml", sheetXml });
    return writeZip(name, parts);
}

// The parts under tests/data/grid/workbook/<folder> as one workbook.
QString zipFolder(const QString &folder)
{
    const QDir root(test::dataPath(QStringLiteral("grid/workbook/") + folder));
    std::list<QByteArray> names; // kept alive until the archive is written
    QList<QPair<const char *, QByteArray>> parts;
    for (QDirIterator it(root.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        parts.append({ names.emplace_back(root.relativeFilePath(path).toUtf8()).constData(), test::readBytes(path) });
    }
    return writeZip(folder + QStringLiteral(".xlsx"), parts);
}

} // namespace

class TestXlsxGridFormat : public QObject
{
    Q_OBJECT

private slots:
    void roundTripKeepsTextFormatsAndColumns()
    {
        // Every text comes back as written (formulas, numbers and escape-like text stay text), with its
        // cell formats, column widths, alignments and hiding, row heights and an empty last column.
        GridModel grid;
        QVERIFY(GridFile::load(grid, test::dataPath(QStringLiteral("grid/workbook/round trip.tsy")), FileKind::Native));
        const QString path = test::tempDir() + QStringLiteral("/round.xlsx");
        QVERIFY(GridFile::save(grid, path, FileKind::Excel));
        GridModel back;
        const FileResult loaded = GridFile::load(back, path, FileKind::Excel);
        QVERIFY2(loaded, qPrintable(loaded.errorString));

        QCOMPARE(back.rows(), grid.rows());
        QCOMPARE(back.fixedRows(), 1);
        for (int r = 0; r < grid.rows(); ++r) {
            QCOMPARE(back.rowTexts(r), grid.rowTexts(r));
            for (int c = 0; c < grid.cols(); ++c)
                QCOMPARE(back.cellFormat(r, c), grid.cellFormat(r, c));
        }
        for (int c = 0; c < grid.cols(); ++c)
            QCOMPARE(back.columnAttributes(c), grid.columnAttributes(c));
        QCOMPARE(back.rowHeight(2), 600);

        // In the workbook every cell is text, titles are bold and frozen.
        const QByteArray sheet = unzipPart(path, "xl/worksheets/sheet1.xml");
        QVERIFY(sheet.contains(R"(<c r="A2" t="inlineStr"><is><t>=SUM(A1)</t></is></c>)"));
        QVERIFY(!sheet.contains("<f>"));
        QVERIFY(sheet.contains(R"(<pane ySplit="1" topLeftCell="A2" activePane="bottomLeft" state="frozen"/>)"));
        QVERIFY(sheet.contains("<c r=\"A1\" s=\"") && unzipPart(path, "xl/styles.xml").contains("<b/>"));
    }
    void foreignWorkbookShowsNumbersDatesAndBooleans()
    {
        // As another program wrote it: numbers, dates in three formats, booleans, a formula's value,
        // shared strings, an empty formula text, and a second sheet that is not read.
        GridModel grid;
        const FileResult loaded = GridFile::load(grid, zipFolder(QStringLiteral("foreign")), FileKind::Excel);
        QVERIFY2(loaded, qPrintable(loaded.errorString));
        QCOMPARE(grid.text(0, 0), QStringLiteral("Whole"));
        QCOMPARE(grid.rowTexts(1).join(QLatin1Char('|')),
            QStringLiteral("42|3.25|0.3|1.5E+20|-7|2024-03-15|1 December 2023 2:05 PM|3/15/2024|TRUE|84"));
        QCOMPARE(grid.text(2, 0), QStringLiteral("shared text"));
        QCOMPARE(grid.text(2, 8), QStringLiteral("FALSE"));
        QCOMPARE(grid.text(2, 9), QString()); // a formula's text cell that holds no value
    }
    void hostileWorkbookIsRefused_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<qint64>("maxUnpacked");
        QTest::addColumn<qint64>("maxCells");
        QTest::addColumn<QString>("reason");
        const auto add = [](const QString &name, const QString &path, const QString &reason, qint64 maxUnpacked = 0,
                             qint64 maxCells = 0) {
            QTest::newRow(qPrintable(name)) << path << (maxUnpacked ? maxUnpacked : XlsxLimits {}.maxUnpackedBytes)
                                            << (maxCells ? maxCells : XlsxLimits {}.maxCells) << reason;
        };
        for (const QStringList &c : test::caseLines(QStringLiteral("grid/workbook/refused.tsv")))
            add(c[0], workbookWithSheet(QStringLiteral("refused.xlsx"), c[1].toUtf8()), c[2]);
        const auto sheet = [](const QByteArray &rows) {
            return workbookWithSheet(
                QStringLiteral("big.xlsx"), "<worksheet><sheetData>" + rows + "</sheetData></worksheet>");
        };
        QByteArray manyCells;
        for (int r = 1; r <= 100; ++r)
            manyCells += QStringLiteral("<row r=\"%1\"><c t=\"inlineStr\"><is><t>v</t></is></c></row>").arg(r).toUtf8();
        add(u"plain text is not a zip archive"_qs,
            test::writeBytes(test::tempDir() + QStringLiteral("/plain.xlsx"), "Name,Phone\nAcme,555\n"),
            u"not a zip archive"_qs);
        add(u"a zip without a workbook misses a part"_qs,
            writeZip(QStringLiteral("empty.xlsx"), { { "readme.txt", "hello" } }),
            u"\"xl/workbook.xml\" is missing"_qs);
        add(u"elements nested a thousand deep"_qs,
            workbookWithSheet(
                QStringLiteral("deep.xlsx"), QByteArray("<a>").repeated(1000) + QByteArray("</a>").repeated(1000)),
            u"more than 64 deep"_qs);
        add(u"a sheet that unpacks beyond the size cap"_qs, sheet(QByteArray(4 << 20, ' ')),
            u"unpacks to more than 1 MB"_qs, 1 << 20);
        add(u"more cells than the cell cap"_qs, sheet(manyCells), u"more than 50 cells"_qs, 0, 50);
        add(u"a cell of a million characters"_qs,
            sheet(
                "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>" + QByteArray(1 << 20, 'x') + "</t></is></c></row>"),
            u"longer than 32767 characters"_qs);
    }
    void hostileWorkbookIsRefused()
    {
        QFETCH(QString, path);
        QFETCH(qint64, maxUnpacked);
        QFETCH(qint64, maxCells);
        QFETCH(QString, reason);

        XlsxLimits limits;
        limits.maxUnpackedBytes = maxUnpacked;
        limits.maxCells = maxCells;
        GridStore store;
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const FileResult result = XlsxSheetReader::read(file, path, store, limits);
        QVERIFY2(!result && result.errorString.contains(reason) && result.errorString.contains(path),
            qPrintable(result.errorString));
        if (maxUnpacked == XlsxLimits {}.maxUnpackedBytes && maxCells == XlsxLimits {}.maxCells) {
            GridModel grid;
            grid.setCols(2);
            grid.setRows(2);
            grid.setText(1, 1, QStringLiteral("kept"));
            QVERIFY(!GridFile::load(grid, path, FileKind::Excel));
            QCOMPARE(grid.text(1, 1), QStringLiteral("kept"));
        }
    }
    void overlongCellIsRefusedOnSave()
    {
        GridModel grid;
        grid.setCols(1);
        grid.setRows(2);
        grid.setText(1, 0, QString(40'000, QLatin1Char('x')));
        const QString path = test::tempDir() + QStringLiteral("/long.xlsx");
        const FileResult result = GridFile::save(grid, path, FileKind::Excel);
        QVERIFY(!result);
        QVERIFY2(result.errorString.contains(QStringLiteral("row 2, column 1")), qPrintable(result.errorString));
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_GUILESS_MAIN(TestXlsxGridFormat)
#include "tst_xlsxgridformat.moc"
