#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/grid/gridstore.h"
#include "core/grid/xlsxsheetreader.h"
#include "support/testsupport.h"

#include <QFile>
#include <QTest>

#include <xlsxwriter.h>
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

QString workbookWithSheet(const QString &name, const QByteArray &sheetXml)
{
    return writeZip(name,
        { { "xl/workbook.xml",
              "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
              "<sheets><sheet name=\"A\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>" },
            { "xl/_rels/workbook.xml.rels",
                "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" "
                "Target=\"worksheets/sheet1.xml\"/></Relationships>" },
            { "xl/worksheets/sheet1.xml", sheetXml } });
}

FileResult readWith(const QString &path, GridStore &store, const XlsxLimits &limits = {})
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileResult::failure(QStringLiteral("cannot open test file"));
    return XlsxSheetReader::read(file, path, store, limits);
}

CellFormat fmt(bool bold, bool italic, bool underline, int fore, int back, Alignment a, int size = 0)
{
    CellFormat f;
    f.bold = bold;
    f.italic = italic;
    f.underline = underline;
    f.hasFore = fore >= 0;
    f.fore = fore >= 0 ? QRgb(0xFF000000u | uint(fore)) : 0;
    f.hasBack = back >= 0;
    f.back = back >= 0 ? QRgb(0xFF000000u | uint(back)) : 0;
    f.alignment = a;
    f.fontSize = quint8(size);
    return f;
}

} // namespace

class TestXlsxGridFormat : public QObject
{
    Q_OBJECT

private slots:
    void roundTripKeepsTextFormatsAndColumns();
    void foreignWorkbookShowsNumbersDatesAndBooleans();
    void hostileWorkbookIsRefused_data();
    void hostileWorkbookIsRefused();
    void overlongCellIsRefusedOnSave();
};

void TestXlsxGridFormat::roundTripKeepsTextFormatsAndColumns()
{
    const QStringList texts { QStringLiteral("=SUM(A1)"), QStringLiteral("0042"), QString::fromUtf8("Müller Straße 5"),
        QStringLiteral("first line\nsecond line"), QStringLiteral("  padded  "), QStringLiteral("1e5"),
        QString::fromUtf8("東京 ☎"), QStringLiteral("TRUE") };
    const QList<CellFormat> formats { fmt(true, false, false, -1, -1, Alignment::Default),
        fmt(false, true, true, -1, -1, Alignment::Default),
        fmt(false, false, false, 0xC00000, 0xFFFF00, Alignment::Default),
        fmt(false, false, false, 0x000000, -1, Alignment::CenterCenter, 14),
        fmt(false, false, false, -1, -1, Alignment::RightCenter) };
    GridModel grid;
    grid.setCols(3);
    grid.setRows(int(texts.size()) + 1);
    grid.setText(0, 0, QStringLiteral("Text"));
    grid.setText(0, 1, QStringLiteral("Formatted"));
    grid.setText(0, 2, QStringLiteral("Hidden"));
    for (int i = 0; i < texts.size(); ++i) {
        grid.setText(i + 1, 0, texts[i]);
        grid.setText(i + 1, 2, QStringLiteral("h%1").arg(i));
    }
    for (int i = 0; i < formats.size(); ++i) {
        grid.setText(i + 1, 1, QStringLiteral("f%1").arg(i));
        grid.setCellFormat(i + 1, 1, formats[i]);
    }
    grid.setColumnWidth(0, 2400);
    grid.setColumnWidth(1, 600);
    grid.setColumnAlignment(1, Alignment::LeftCenter);
    grid.setColumnHidden(2, true);
    grid.setRowHeight(2, 600);

    const QString path = test::tempDir() + QStringLiteral("/round.xlsx");
    QVERIFY(GridFile::save(grid, path, FileKind::Excel));
    GridModel back;
    const FileResult loaded = GridFile::load(back, path, FileKind::Excel);
    QVERIFY2(loaded, qPrintable(loaded.errorString));

    QCOMPARE(back.rows(), grid.rows());
    QCOMPARE(back.cols(), grid.cols());
    QCOMPARE(back.fixedRows(), 1);
    for (int r = 0; r < grid.rows(); ++r) {
        QCOMPARE(back.rowTexts(r), grid.rowTexts(r));
        for (int c = 0; c < grid.cols(); ++c)
            QCOMPARE(back.cellFormat(r, c), grid.cellFormat(r, c));
    }
    for (int c = 0; c < grid.cols(); ++c) {
        QCOMPARE(back.columnWidth(c), grid.columnWidth(c));
        QCOMPARE(back.columnHidden(c), grid.columnHidden(c));
        QCOMPARE(back.columnAlignment(c), grid.columnAlignment(c));
    }
    QCOMPARE(back.rowHeight(2), 600);

    // Every cell is text, even one that looks like a formula or a number; titles are bold and frozen.
    const QByteArray sheet = unzipPart(path, "xl/worksheets/sheet1.xml");
    QVERIFY(sheet.contains(R"(<c r="A2" t="inlineStr"><is><t>=SUM(A1)</t></is></c>)"));
    QVERIFY(sheet.contains(R"(<c r="A3" t="inlineStr"><is><t>0042</t></is></c>)"));
    QVERIFY(!sheet.contains("<f>"));
    QVERIFY(sheet.contains(R"(<pane ySplit="1" topLeftCell="A2" activePane="bottomLeft" state="frozen"/>)"));
    QVERIFY(sheet.contains("<c r=\"A1\" s=\""));
    QVERIFY(unzipPart(path, "xl/styles.xml").contains("<b/>"));
}

void TestXlsxGridFormat::foreignWorkbookShowsNumbersDatesAndBooleans()
{
    const QString path = test::tempDir() + QStringLiteral("/foreign.xlsx");
    lxw_workbook *book = workbook_new(QFile::encodeName(path).constData());
    lxw_worksheet *sheet = workbook_add_worksheet(book, "Data");
    workbook_add_worksheet(book, "Second"); // only the first sheet is read
    lxw_format *isoDate = workbook_add_format(book);
    format_set_num_format(isoDate, "yyyy-mm-dd");
    lxw_format *longDate = workbook_add_format(book);
    format_set_num_format(longDate, "d mmmm yyyy h:mm AM/PM");
    lxw_format *builtinDate = workbook_add_format(book);
    format_set_num_format_index(builtinDate, 14);
    const char *titles[]
        = { "Whole", "Fraction", "Sum", "Huge", "Negative", "Date", "Stamp", "Short", "Flag", "Formula" };
    for (int c = 0; c < 10; ++c)
        worksheet_write_string(sheet, 0, lxw_col_t(c), titles[c], nullptr);
    worksheet_write_number(sheet, 1, 0, 42, nullptr);
    worksheet_write_number(sheet, 1, 1, 3.25, nullptr);
    worksheet_write_number(sheet, 1, 2, 0.1 + 0.2, nullptr);
    worksheet_write_number(sheet, 1, 3, 1.5e20, nullptr);
    worksheet_write_number(sheet, 1, 4, -7, nullptr);
    lxw_datetime day = { 2024, 3, 15, 0, 0, 0 };
    worksheet_write_datetime(sheet, 1, 5, &day, isoDate);
    lxw_datetime stamp = { 2023, 12, 1, 14, 5, 0 };
    worksheet_write_datetime(sheet, 1, 6, &stamp, longDate);
    worksheet_write_datetime(sheet, 1, 7, &day, builtinDate);
    worksheet_write_boolean(sheet, 1, 8, 1, nullptr);
    worksheet_write_formula_num(sheet, 1, 9, "=A2*2", nullptr, 84);
    worksheet_write_string(sheet, 2, 0, "shared text", nullptr);
    worksheet_write_boolean(sheet, 2, 8, 0, nullptr);
    QCOMPARE(workbook_close(book), LXW_NO_ERROR);

    GridModel grid;
    const FileResult loaded = GridFile::load(grid, path, FileKind::Excel);
    QVERIFY2(loaded, qPrintable(loaded.errorString));
    QCOMPARE(grid.fixedRows(), 1);
    QCOMPARE(grid.rowTexts(0).first(), QStringLiteral("Whole"));
    QCOMPARE(grid.rowTexts(1).join(QLatin1Char('|')),
        QStringLiteral("42|3.25|0.3|1.5E+20|-7|2024-03-15|1 December 2023 2:05 PM|3/15/2024|TRUE|84"));
    QCOMPARE(grid.text(2, 0), QStringLiteral("shared text"));
    QCOMPARE(grid.text(2, 8), QStringLiteral("FALSE"));
}

void TestXlsxGridFormat::hostileWorkbookIsRefused_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<qint64>("maxUnpacked");
    QTest::addColumn<qint64>("maxCells");
    QTest::addColumn<QString>("reason");

    const QByteArray row = "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>x</t></is></c></row>";
    const auto sheet = [](const QByteArray &data) {
        return QByteArray("<worksheet><sheetData>" + data + "</sheetData></worksheet>");
    };
    const qint64 noCap = XlsxLimits {}.maxUnpackedBytes;
    const qint64 noCells = XlsxLimits {}.maxCells;

    QFile plain(test::tempDir() + QStringLiteral("/plain.xlsx"));
    if (plain.open(QIODevice::WriteOnly))
        plain.write("Name,Phone\nAcme,555\n");
    QTest::newRow("plain text is not a zip archive")
        << plain.fileName() << noCap << noCells << QStringLiteral("not a zip archive");
    QTest::newRow("a zip without a workbook misses a part") << writeZip(QStringLiteral("empty.xlsx"),
        { { "readme.txt", "hello" } }) << noCap << noCells << QStringLiteral("\"xl/workbook.xml\" is missing");
    QTest::newRow("a workbook whose sheet part is gone misses a part") << writeZip(QStringLiteral("nosheet.xlsx"),
        { { "xl/workbook.xml",
              "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
              "<sheets><sheet r:id=\"rId1\"/></sheets></workbook>" },
            { "xl/_rels/workbook.xml.rels",
                "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"gone.xml\"/>"
                "</Relationships>" } }) << noCap << noCells << QStringLiteral("\"xl/gone.xml\" is missing");
    QTest::newRow("elements nested a thousand deep") << workbookWithSheet(
        QStringLiteral("deep.xlsx"), QByteArray("<a>").repeated(1000) + QByteArray("</a>").repeated(1000))
                                                     << noCap << noCells << QStringLiteral("more than 64 deep");
    QTest::newRow("a document type declaration")
        << workbookWithSheet(QStringLiteral("dtd.xlsx"), "<!DOCTYPE w [<!ENTITY a \"aaaa\">]>" + sheet(row)) << noCap
        << noCells << QStringLiteral("declares a document type");
    QTest::newRow("a sheet that unpacks beyond the size cap")
        << workbookWithSheet(QStringLiteral("bomb.xlsx"), sheet(row + QByteArray(4 << 20, ' '))) << qint64(1 << 20)
        << noCells << QStringLiteral("unpacks to more than 1 MB");
    QByteArray manyCells;
    for (int r = 1; r <= 100; ++r)
        manyCells += QStringLiteral("<row r=\"%1\"><c t=\"inlineStr\"><is><t>v</t></is></c></row>").arg(r).toUtf8();
    QTest::newRow("more cells than the cell cap") << workbookWithSheet(QStringLiteral("cells.xlsx"), sheet(manyCells))
                                                  << noCap << qint64(50) << QStringLiteral("more than 50 cells");
    QTest::newRow("a cell of a million characters") << workbookWithSheet(QStringLiteral("huge.xlsx"),
        sheet("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>" + QByteArray(1 << 20, 'x') + "</t></is></c></row>"))
                                                    << noCap << noCells
                                                    << QStringLiteral("longer than 32767 characters");
    QTest::newRow("a shared string index past the table")
        << workbookWithSheet(QStringLiteral("index.xlsx"), sheet("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>7</v></c></row>"))
        << noCap << noCells << QStringLiteral("shared string \"7\"");
    QTest::newRow("a cell address beyond the last column")
        << workbookWithSheet(QStringLiteral("address.xlsx"), sheet("<row r=\"1\"><c r=\"ZZZZ1\"><v>1</v></c></row>"))
        << noCap << noCells << QStringLiteral("address \"ZZZZ1\"");
    QTest::newRow("a truncated sheet") << workbookWithSheet(QStringLiteral("cut.xlsx"), sheet(row).left(40)) << noCap
                                       << noCells << QStringLiteral("not well-formed");
}

void TestXlsxGridFormat::hostileWorkbookIsRefused()
{
    QFETCH(QString, path);
    QFETCH(qint64, maxUnpacked);
    QFETCH(qint64, maxCells);
    QFETCH(QString, reason);

    XlsxLimits limits;
    limits.maxUnpackedBytes = maxUnpacked;
    limits.maxCells = maxCells;
    GridStore store;
    const FileResult result = readWith(path, store, limits);
    QVERIFY(!result);
    QVERIFY2(result.errorString.contains(reason), qPrintable(result.errorString));
    QVERIFY(result.errorString.contains(path));

    GridModel grid;
    grid.setCols(2);
    grid.setRows(2);
    grid.setText(1, 1, QStringLiteral("kept"));
    if (maxUnpacked == XlsxLimits {}.maxUnpackedBytes && maxCells == XlsxLimits {}.maxCells) {
        QVERIFY(!GridFile::load(grid, path, FileKind::Excel));
        QCOMPARE(grid.text(1, 1), QStringLiteral("kept"));
    }
}

void TestXlsxGridFormat::overlongCellIsRefusedOnSave()
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

QTEST_GUILESS_MAIN(TestXlsxGridFormat)
#include "tst_xlsxgridformat.moc"
