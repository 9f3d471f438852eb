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

QByteArray zipOf(const QList<Entry> &entries)
{
    QByteArray out, directory;
    const auto put = [](QByteArray &to, quint64 v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            to.append(char(v >> (8 * i)));
    };
    for (const Entry &e : entries) {
        const auto header = [&](QByteArray &to, bool central) {
            put(to, central ? 0x02014b50 : 0x04034b50, 4);
            if (central)
                put(to, 20, 2);
            for (const quint64 v : { 20, 0, int(e.method), 0, 0x21 })
                put(to, v, 2);
            put(to, e.crc, 4);
            put(to, quint64(e.packed.size()), 4);
            put(to, e.size, 4);
            put(to, quint64(e.name.size()), 2);
            put(to, 0, 2);
            if (central) {
                put(to, 0, 10); // comment length, disk, attributes
                put(to, quint64(out.size()), 4);
            }
            to.append(e.name);
        };
        header(directory, true);
        header(out, false);
        out.append(e.packed);
    }
    const qsizetype at = out.size();
    out.append(directory);
    put(out, 0x06054b50, 4);
    put(out, 0, 4);
    put(out, quint64(entries.size()), 2);
    put(out, quint64(entries.size()), 2);
    put(out, quint64(directory.size()), 4);
    put(out, quint64(at), 4);
    put(out, 0, 2);
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
        QByteArray rows;
        for (int r = 1; r <= 3000; ++r)
            rows += "<row r=\"" + QByteArray::number(r) + "\"><c t=\"inlineStr\"><is><t>Row " + QByteArray::number(r)
                + "</t></is></c><c><v>" + QByteArray::number(r * 7) + "</v></c></row>";
        const QByteArray sheetXml = "<worksheet><sheetData>" + rows + "</sheetData></worksheet>";
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
            QCOMPARE(store.rows[2999].cells.utf8(0), QByteArrayView("Row 3000"));
            QCOMPARE(store.rows[2999].cells.utf8(1), QByteArrayView("21000"));
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
