#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/grid/gridstore.h"
#include "core/grid/xlsxsheetreader.h"
#include "support/gridtext.h"
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

} // namespace

class TestXlsxGridFormat : public QObject
{
    Q_OBJECT

private slots:
    void roundTripKeepsTextFormatsAndColumns()
    {
        // Every text comes back as written: formulas, numbers and escape-like text stay text.
        const QStringList texts { QStringLiteral("=SUM(A1)"), QStringLiteral("0042"),
            QString::fromUtf8("Müller Straße 5"), QStringLiteral("first line\nsecond line"),
            QStringLiteral("  padded  "), QStringLiteral("1e5"), QString::fromUtf8("東京 ☎"), QStringLiteral("TRUE"),
            QStringLiteral("_x0041_"), QStringLiteral("a_x005F_b _x12_ _xZZZZ_") };
        QList<CellFormat> formats(5);
        formats[0].bold = true;
        formats[1].italic = formats[1].underline = true;
        formats[2].hasFore = formats[2].hasBack = true;
        formats[2].fore = qRgb(0xC0, 0, 0);
        formats[2].back = qRgb(0xFF, 0xFF, 0);
        formats[3].hasFore = true; // black, not the absence of a colour
        formats[3].fore = qRgb(0, 0, 0);
        formats[3].alignment = Alignment::CenterCenter;
        formats[3].fontSize = 14;
        formats[4].alignment = Alignment::RightCenter;
        QStringList rows { QStringLiteral("Text|Formatted|Hidden|") }; // the last column is empty, title and all
        for (int i = 0; i < texts.size(); ++i)
            rows << texts[i] + QStringLiteral("|f%1|h%1|").arg(i);
        GridModel grid;
        test::fillRows(grid, rows);
        for (int i = 0; i < formats.size(); ++i)
            grid.setCellFormat(i + 1, 1, formats[i]);
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
        worksheet_write_string(sheet, 0, 0, "Whole", nullptr);
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
        QCOMPARE(grid.text(0, 0), QStringLiteral("Whole"));
        QCOMPARE(grid.rowTexts(1).join(QLatin1Char('|')),
            QStringLiteral("42|3.25|0.3|1.5E+20|-7|2024-03-15|1 December 2023 2:05 PM|3/15/2024|TRUE|84"));
        QCOMPARE(grid.text(2, 0), QStringLiteral("shared text"));
        QCOMPARE(grid.text(2, 8), QStringLiteral("FALSE"));
    }
    void hostileWorkbookIsRefused_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<qint64>("maxUnpacked");
        QTest::addColumn<qint64>("maxCells");
        QTest::addColumn<QString>("reason");
        const auto add = [](const char *name, const QString &path, const char *reason, qint64 maxUnpacked = 0,
                             qint64 maxCells = 0) {
            QTest::newRow(name) << path << (maxUnpacked ? maxUnpacked : XlsxLimits {}.maxUnpackedBytes)
                                << (maxCells ? maxCells : XlsxLimits {}.maxCells) << QString::fromUtf8(reason);
        };
        const auto sheet = [](const QString &name, const QByteArray &rows) {
            return workbookWithSheet(name, "<worksheet><sheetData>" + rows + "</sheetData></worksheet>");
        };
        const QByteArray row = "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>x</t></is></c></row>";
        QByteArray manyCells;
        for (int r = 1; r <= 100; ++r)
            manyCells += QStringLiteral("<row r=\"%1\"><c t=\"inlineStr\"><is><t>v</t></is></c></row>").arg(r).toUtf8();

        add("plain text is not a zip archive",
            test::writeBytes(test::tempDir() + QStringLiteral("/plain.xlsx"), "Name,Phone\nAcme,555\n"),
            "not a zip archive");
        add("a zip without a workbook misses a part",
            writeZip(QStringLiteral("empty.xlsx"), { { "readme.txt", "hello" } }), "\"xl/workbook.xml\" is missing");
        add("a workbook whose sheet part is gone misses a part",
            writeZip(QStringLiteral("nosheet.xlsx"),
                { { "xl/workbook.xml",
                      "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                      "<sheets><sheet r:id=\"rId1\"/></sheets></workbook>" },
                    { "xl/_rels/workbook.xml.rels",
                        "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"gone.xml\"/>"
                        "</Relationships>" } }),
            "\"xl/gone.xml\" is missing");
        add("elements nested a thousand deep",
            workbookWithSheet(
                QStringLiteral("deep.xlsx"), QByteArray("<a>").repeated(1000) + QByteArray("</a>").repeated(1000)),
            "more than 64 deep");
        add("a document type declaration",
            workbookWithSheet(QStringLiteral("dtd.xlsx"),
                "<!DOCTYPE w [<!ENTITY a \"aaaa\">]><worksheet><sheetData>" + row + "</sheetData></worksheet>"),
            "declares a document type");
        add("a sheet that unpacks beyond the size cap",
            sheet(QStringLiteral("bomb.xlsx"), row + QByteArray(4 << 20, ' ')), "unpacks to more than 1 MB", 1 << 20);
        add("more cells than the cell cap", sheet(QStringLiteral("cells.xlsx"), manyCells), "more than 50 cells", 0,
            50);
        add("a cell of a million characters",
            sheet(QStringLiteral("huge.xlsx"),
                "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>" + QByteArray(1 << 20, 'x') + "</t></is></c></row>"),
            "longer than 32767 characters");
        add("a shared string index past the table",
            sheet(QStringLiteral("index.xlsx"), "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>7</v></c></row>"),
            "shared string \"7\"");
        add("a cell address beyond the last column",
            sheet(QStringLiteral("address.xlsx"), "<row r=\"1\"><c r=\"ZZZZ1\"><v>1</v></c></row>"),
            "address \"ZZZZ1\"");
        add("a truncated sheet",
            workbookWithSheet(QStringLiteral("cut.xlsx"), QByteArray("<worksheet><sheetData>" + row).left(40)),
            "not well-formed");
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
