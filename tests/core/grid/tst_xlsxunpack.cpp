#include "core/grid/gridstore.h"
#include "core/grid/xlsxsheetreader.h"

#include <QBuffer>
#include <QTest>

using namespace dq;

namespace {

quint32 crc32Of(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= uchar(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A part as the archive records it, free to lie about itself.
struct Entry
{
    QByteArray name, packed;
    quint16 method = 8; // 8 deflate, 0 stored
    quint32 crc = 0, size = 0;
};

Entry deflated(const char *name, const QByteArray &plain)
{
    // qCompress gives a length, a zlib header and trailer around the raw deflate data.
    const QByteArray z = qCompress(plain, 9);
    return { name, z.mid(6).chopped(4), 8, crc32Of(plain), quint32(plain.size()) };
}

// A zip archive made by hand, so that a part's packed bytes, size and CRC can lie.
QByteArray zipOf(const QList<Entry> &entries)
{
    QByteArray out, directory;
    const auto put = [](QByteArray &to, std::initializer_list<std::pair<quint32, int>> fields) {
        for (const auto &[v, bytes] : fields)
            for (int i = 0; i < bytes; ++i)
                to.append(char(i < 4 ? v >> (8 * i) : 0));
    };
    for (const Entry &e : entries) {
        const quint32 packed = quint32(e.packed.size()), name = quint32(e.name.size());
        put(directory,
            { { 0x02014b50, 4 }, { 20, 2 }, { 20, 2 }, { 0, 2 }, { e.method, 2 }, { 0, 2 }, { 0x21, 2 }, { e.crc, 4 },
                { packed, 4 }, { e.size, 4 }, { name, 2 }, { 0, 12 }, { quint32(out.size()), 4 } });
        directory += e.name;
        put(out,
            { { 0x04034b50, 4 }, { 20, 2 }, { 0, 2 }, { e.method, 2 }, { 0, 2 }, { 0x21, 2 }, { e.crc, 4 },
                { packed, 4 }, { e.size, 4 }, { name, 2 }, { 0, 2 } });
        out += e.name + e.packed;
    }
    const quint32 at = quint32(out.size()), n = quint32(entries.size());
    out += directory;
    put(out,
        { { 0x06054b50, 4 }, { 0, 4 }, { n, 2 }, { n, 2 }, { quint32(directory.size()), 4 }, { at, 4 }, { 0, 2 } });
    return out;
}

} // namespace

// The sheet part is unpacked and checked against what the archive records of it.
class TestXlsxUnpack : public QObject
{
    Q_OBJECT

private slots:
    void sheetIsCheckedAsItUnpacks_data()
    {
        QTest::addColumn<QString>("spoil");
        QTest::addColumn<QString>("reason"); // empty: the sheet loads
        QTest::newRow("a sound deflated sheet loads") << QString() << QString();
        QTest::newRow("a stored sheet loads") << QStringLiteral("stored") << QString();
        QTest::newRow("a check sum that does not match is refused")
            << QStringLiteral("crc") << QStringLiteral("check sum");
        QTest::newRow("a recorded size that does not match is refused")
            << QStringLiteral("size") << QStringLiteral("check sum");
        QTest::newRow("packed data cut short is refused") << QStringLiteral("cut") << QStringLiteral("ends early");
        QTest::newRow("packed data that is not deflate is refused")
            << QStringLiteral("garbage") << QStringLiteral("damaged");
    }
    void sheetIsCheckedAsItUnpacks()
    {
        QFETCH(QString, spoil);
        QFETCH(QString, reason);
        const QByteArray row = "<row><c t=\"inlineStr\"><is><t>Acme</t></is></c><c><v>42</v></c></row>";
        const QByteArray sheetXml = "<worksheet><sheetData>" + row.repeated(3000) + "</sheetData></worksheet>";
        Entry sheet = deflated("xl/worksheets/sheet1.xml", sheetXml);
        if (spoil == QLatin1String("stored")) {
            sheet.method = 0;
            sheet.packed = sheetXml;
        } else if (spoil == QLatin1String("crc")) {
            sheet.crc ^= 1;
        } else if (spoil == QLatin1String("size")) {
            sheet.size += 1;
        } else if (spoil == QLatin1String("cut")) {
            sheet.packed.chop(sheet.packed.size() / 2);
        } else if (spoil == QLatin1String("garbage")) {
            sheet.packed.fill('\xFF');
        }
        QByteArray book = zipOf({ deflated("xl/workbook.xml",
                                      "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                                      "relationships\"><sheets><sheet r:id=\"rId1\"/></sheets></workbook>"),
            deflated("xl/_rels/workbook.xml.rels",
                "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
                "</Relationships>"),
            sheet });
        QBuffer device(&book);
        QVERIFY(device.open(QIODevice::ReadOnly));
        GridStore store;
        const FileResult result = XlsxSheetReader::read(device, QStringLiteral("book.xlsx"), store);
        if (reason.isEmpty()) {
            QVERIFY2(result, qPrintable(result.errorString));
            QCOMPARE(store.rowCount(), 3000);
            QCOMPARE(store.rows[2999].cells.utf8(1), QByteArrayView("42"));
            return;
        }
        QVERIFY(!result);
        QVERIFY2(result.errorString.contains(QStringLiteral("\"xl/worksheets/sheet1.xml\" cannot be unpacked"))
                && result.errorString.contains(reason),
            qPrintable(result.errorString));
    }
};

QTEST_GUILESS_MAIN(TestXlsxUnpack)
#include "tst_xlsxunpack.moc"
