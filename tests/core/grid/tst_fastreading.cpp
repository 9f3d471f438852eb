#include "core/grid/delimitedgridformat.h"
#include "core/grid/gridstore.h"
#include "core/grid/nativegridformat.h"
#include "support/casetable.h"

#include <QBuffer>
#include <QTest>

using namespace dq;

namespace {

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

// The quick paths of file reading (compact rows, plain JSON lines, comma files in pieces) must
// give exactly what the general paths give.
class TestFastReading : public QObject
{
    Q_OBJECT

private slots:
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
};

QTEST_GUILESS_MAIN(TestFastReading)
#include "tst_fastreading.moc"
