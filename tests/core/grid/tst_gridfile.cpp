#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/grid/gridstore.h"
#include "support/testsupport.h"

#include <QBuffer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <functional>

using namespace dq;

Q_DECLARE_METATYPE(dq::CellFormat)
Q_DECLARE_METATYPE(dq::FileKind)

namespace {

QString s(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// Every cell's text, rows joined by newlines and cells by "|", for whole-grid comparisons.
QString dump(const GridModel &m)
{
    QStringList lines;
    for (int r = 0; r < m.rows(); ++r)
        lines << m.rowTexts(r).join(QLatin1Char('|'));
    return QStringLiteral("%1x%2\n").arg(m.rows()).arg(m.cols()) + lines.join(QLatin1Char('\n'));
}

QString writeFile(const QString &name, const QByteArray &bytes)
{
    const QString path = test::tempDir() + QLatin1Char('/') + name;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write test file");
    return path;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A small grid with something in every kind of state a load could disturb.
void fillSample(GridModel &m)
{
    m.setCols(3);
    m.setRows(4);
    m.setText(0, 0, QStringLiteral("Name"));
    m.setText(1, 0, QStringLiteral("Acme"));
    m.setText(3, 2, QStringLiteral("last"));
    m.setColumnWidth(1, 2500);
    CellFormat bold;
    bold.bold = true;
    m.setCellFormat(2, 1, bold);
}

// A cell format set up in one expression.
CellFormat fmt(const std::function<void(CellFormat &)> &set)
{
    CellFormat f;
    set(f);
    return f;
}

// A device whose writes always fail, for the error path of writers.
class FailingDevice : public QIODevice
{
public:
    FailingDevice()
    {
        open(QIODevice::WriteOnly);
        setErrorString(QStringLiteral("disk full"));
    }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64) override { return -1; }
};

} // namespace

class TestGridFile : public QObject
{
    Q_OBJECT

private slots:
    void nativeRoundTripKeepsTextShapeAndSettings()
    {
        GridModel m;
        m.setCols(5);
        m.setRows(7);
        m.setFixedRows(2);
        m.setFixedCols(1);
        const QStringList tricky { s("quote \" and backslash \\"), s("two\nlines\r\nand CR\r"), s("tab\there"),
            s("control \x01\x1f chars"), s("Zürich – 東京 🙂"), s("  spaces kept  ") };
        for (int i = 0; i < tricky.size(); ++i)
            m.setText(1 + i % 6, i % 5, tricky[i]);
        m.setText(6, 4, QStringLiteral("corner"));
        ColumnAttributes a;
        a.width = 1400;
        a.alignment = Alignment::RightCenter;
        a.dataType = DataType::Currency;
        a.format = QStringLiteral("$#,###.00");
        a.hidden = true;
        a.pickList = QStringLiteral("a|b|c");
        m.setColumnAttributes(3, a);
        m.setColumnDataType(0, DataType::Boolean);
        m.setRowHeight(2, 600);
        m.setRowHeight(5, 0);
        m.setAlternateRowColor(QColor(200, 220, 255));
        m.setGridLines(false);
        m.setFontSize(11);
        m.setDragEnabled(true);
        m.setSortOnTitleClick(true);
        m.setColumnDragEnabled(true);

        const QString path = test::tempDir() + QStringLiteral("/all.tsy");
        QVERIFY(GridFile::save(m, path, FileKind::Native));
        GridModel back;
        const FileResult r = GridFile::load(back, path, FileKind::Native);
        QVERIFY2(r.ok, qPrintable(r.errorString));

        QCOMPARE(dump(back), dump(m));
        QCOMPARE(back.fixedRows(), 2);
        QCOMPARE(back.fixedCols(), 1);
        for (int c = 0; c < m.cols(); ++c)
            QCOMPARE(back.columnAttributes(c), m.columnAttributes(c));
        for (int r2 = 0; r2 < m.rows(); ++r2)
            QCOMPARE(back.rowHeight(r2), m.rowHeight(r2));
        QCOMPARE(back.store().rows[5].height, 0);
        QCOMPARE(back.store().rows[4].height, -1);
        QCOMPARE(back.store().settings, m.store().settings);

        // Saving what was loaded gives the same bytes: nothing drifts over repeated saves.
        const QString again = test::tempDir() + QStringLiteral("/again.tsy");
        QVERIFY(GridFile::save(back, again, FileKind::Native));
        QCOMPARE(readFile(again), readFile(path));
    }
    void goldenNativeFileReadsAndWritesBackByteForByte()
    {
        // Files already written (and key files written by hand) must keep loading the same way,
        // and saving must not drift from the documented layout.
        const QString golden = QStringLiteral(DQ_TEST_DATA_DIR "/grid/golden.tsy");
        GridModel m;
        const FileResult r = GridFile::load(m, golden, FileKind::Native);
        QVERIFY2(r.ok, qPrintable(r.errorString));
        QCOMPARE(m.rows(), 6);
        QCOMPARE(m.cols(), 4);
        QCOMPARE(m.text(1, 0), s("Acme \"Tools\""));
        QCOMPARE(m.text(2, 0), s("Zürich – 東京 🙂"));
        QCOMPARE(m.text(2, 2), s("Center\nnext line"));
        QCOMPARE(m.rowHeight(2), 600);
        QCOMPARE(m.columnDataType(1), DataType::Currency);
        QCOMPARE(m.columnFormat(1), s("$#,###.00"));
        QCOMPARE(m.columnAlignment(1), Alignment::RightCenter);
        QVERIFY(m.columnHidden(2));
        QCOMPARE(m.columnPickList(2), s("Left|Center|Right"));
        QCOMPARE(m.columnWidth(3), GridModel::kDefaultColumnWidth);
        QCOMPARE(m.alternateRowColor(), QColor(0xe0, 0xf0, 0xff));
        QCOMPARE(m.fontSize(), 9);
        QVERIFY(m.sortOnTitleClick() && m.columnDragEnabled() && !m.dragEnabled());
        const CellFormat red = m.cellFormat(3, 0);
        QVERIFY(red.bold && red.hasFore && red.fore == qRgb(255, 0, 0));
        const CellFormat half = m.cellFormat(3, 1);
        QVERIFY(half.italic && half.underline && half.fontSize == 12 && half.hasBack && qAlpha(half.back) == 0x80);
        QCOMPARE(m.cellFormat(4, 3).check, CheckBox::Checked);
        QCOMPARE(m.cellFormat(4, 3).alignment, Alignment::LeftCenter);
        QCOMPARE(m.cellFormat(4, 2).picture, s("arrow.png"));
        QCOMPARE(m.cellFormat(4, 2).pictureAlignment, Alignment::RightCenter);
        QCOMPARE(m.rowTexts(5), QStringList(4));

        const QString again = test::tempDir() + QStringLiteral("/golden.tsy");
        QVERIFY(GridFile::save(m, again, FileKind::Native));
        QCOMPARE(readFile(again), readFile(golden));
    }
    void largeNativeFilesKeepRowOrder()
    {
        // Enough rows to be read in many pieces; every row must land where it was.
        GridModel m;
        m.setCols(3);
        m.setRows(1);
        std::vector<QStringList> rows;
        for (int i = 0; i < 20000; ++i)
            rows.push_back(
                { QString::number(i), QStringLiteral("row %1 \"q\"").arg(i), i % 3 ? QString() : QStringLiteral("x") });
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
        QCOMPARE(back.rowHeight(14999), GridModel::kDefaultRowHeight);

        // A fault deep in such a file is reported at its own line, ahead of later faults.
        QByteArray bad(R"({"format":"dirquill-grid","version":1,"rows":9000,"cols":1})");
        bad += '\n';
        for (int i = 0; i < 7000; ++i)
            bad += i == 6000 ? QByteArray("[1]\n") : QByteArray("[\"ok\"]\n");
        bad += "[\"a\",\"b\"]\n";
        for (int i = 0; i < 3000; ++i)
            bad += "[]\n";
        QBuffer badBuffer(&bad);
        badBuffer.open(QIODevice::ReadOnly);
        const FileResult r = GridFile::read(back, badBuffer, FileKind::Native, QStringLiteral("deep.tsy"));
        QVERIFY(!r.ok);
        QCOMPARE(r.errorString, QStringLiteral("\"deep.tsy\", line 6002: cell 1 is not text"));
        QCOMPARE(dump(back), dump(m));
    }
    void nativeRoundTripKeepsEachCellFormat_data()
    {
        QTest::addColumn<CellFormat>("format");
        QTest::newRow("a bold cell") << fmt([](CellFormat &f) { f.bold = true; });
        QTest::newRow("a 14-point italic underlined cell") << fmt([](CellFormat &f) {
            f.italic = true;
            f.underline = true;
            f.fontSize = 14;
        });
        QTest::newRow("fore and back colours, one half transparent") << fmt([](CellFormat &f) {
            f.hasFore = true;
            f.hasBack = true;
            f.fore = qRgb(255, 0, 0);
            f.back = qRgba(0, 0, 255, 128);
        });
        QTest::newRow("a black background, which is not the same as none") << fmt([](CellFormat &f) {
            f.hasBack = true;
            f.back = qRgb(0, 0, 0);
        });
        QTest::newRow("a centred cell") << fmt([](CellFormat &f) { f.alignment = Alignment::CenterCenter; });
        QTest::newRow("a ticked check box") << fmt([](CellFormat &f) { f.check = CheckBox::Checked; });
        QTest::newRow("an unticked check box") << fmt([](CellFormat &f) { f.check = CheckBox::Unchecked; });
        QTest::newRow("a picture aligned right") << fmt([](CellFormat &f) {
            f.picture = QStringLiteral(":/pictures/arrow up.png");
            f.pictureAlignment = Alignment::RightCenter;
        });
    }
    void nativeRoundTripKeepsEachCellFormat()
    {
        QFETCH(CellFormat, format);
        GridModel m;
        m.setCols(4);
        m.setRows(3);
        m.setText(2, 3, QStringLiteral("x"));
        m.setCellFormat(2, 3, format);
        m.setCellFormat(0, 0, format); // the title row is formatted like any other

        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        QVERIFY(GridFile::write(m, buffer, FileKind::Native, QStringLiteral("mem")));
        buffer.seek(0);
        GridModel back;
        const FileResult r = GridFile::read(back, buffer, FileKind::Native, QStringLiteral("mem"));
        QVERIFY2(r.ok, qPrintable(r.errorString));
        QCOMPARE(back.cellFormat(2, 3), format);
        QCOMPARE(back.cellFormat(0, 0), format);
        QCOMPARE(back.cellFormat(2, 2), CellFormat {});
        QCOMPARE(back.cellFormat(1, 3), CellFormat {});
        QCOMPARE(back.text(2, 3), QStringLiteral("x"));
    }
    void handWrittenNativeFilesLoad_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("fixedRows");
        const QByteArray header = R"({"format":"dirquill-grid","version":1,"rows":3,"cols":2})";
        QTest::newRow("plain arrays of strings, no columns or grid given")
            << header + "\n[\"Name\",\"Street\"]\n[\"a\",\"b\"]\n[\"c\",\"d\"]\n"
            << s("3x2\nName|Street\na|b\nc|d") << 1;
        QTest::newRow("a shorter array leaves the remaining cells empty")
            << header + "\n[\"Name\"]\n[]\n[\"c\",\"d\"]\n"
            << s("3x2\nName|\n|\nc|d") << 1;
        QTest::newRow("fewer row lines than rows leaves the rest blank") << header + "\n[\"Name\",\"Street\"]\n"
                                                                         << s("3x2\nName|Street\n|\n|") << 1;
        QTest::newRow("CR LF line ends, a byte-order mark and no final line end")
            << "\xEF\xBB\xBF" + header + "\r\n[\"a\",\"b\"]\r\n[\"c\"]" << s("3x2\na|b\nc|\n|") << 1;
        QTest::newRow("trailing empty lines are ignored") << header + "\n[\"a\"]\n\n\n" << s("3x2\na|\n|\n|") << 1;
        QTest::newRow("an object row with only cells") << header + "\n{\"cells\":[\"x\",\"y\"]}\n"
                                                       << s("3x2\nx|y\n|\n|") << 1;
        QTest::newRow("fixedRows zero is kept")
            << QByteArray(R"({"format":"dirquill-grid","version":1,"rows":1,"cols":1,"fixedRows":0})") + "\n[\"a\"]\n"
            << s("1x1\na") << 0;
        QTest::newRow("unknown fields are ignored")
            << QByteArray(
                   R"({"format":"dirquill-grid","version":1,"rows":1,"cols":1,"comment":"hi","columns":[{"note":1}]})")
                + "\n{\"cells\":[\"a\"],\"later\":true}\n"
            << s("1x1\na") << 1;
        QTest::newRow("escaped JSON text") << QByteArray(R"({"format":"dirquill-grid","version":1,"rows":1,"cols":1})")
                + "\n[\"\\u00e9\\\"\\n\\ud83d\\ude42\"]\n"
                                           << s("1x1\né\"\n🙂") << 1;
    }
    void handWrittenNativeFilesLoad()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, expected);
        QFETCH(int, fixedRows);
        GridModel m;
        const FileResult r = GridFile::load(m, writeFile(QStringLiteral("hand.tsy"), file), FileKind::Native);
        QVERIFY2(r.ok, qPrintable(r.errorString));
        QCOMPARE(dump(m), expected);
        QCOMPARE(m.fixedRows(), fixedRows);
        QCOMPARE(m.fixedCols(), 0);
        QCOMPARE(m.columnWidth(0), GridModel::kDefaultColumnWidth);
    }
    void hostileNativeFilesLeaveTheGridAsItWas_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("problem");
        const QByteArray h = R"({"format":"dirquill-grid","version":1,"rows":2,"cols":2})";
        QTest::newRow("an empty file") << QByteArray() << s("is empty");
        QTest::newRow("a comma text file opened as native")
            << QByteArray("Name,Street\na,b\n") << s("line 1: this is not a Dirquill grid file");
        QTest::newRow("a first line that is an array")
            << QByteArray("[\"a\"]\n") << s("line 1: this is not a Dirquill grid file");
        QTest::newRow("a different format tag")
            << QByteArray(R"({"format":"other","version":1,"rows":1,"cols":1})") << s("lacks \"format\"");
        QTest::newRow("a newer version") << QByteArray(R"({"format":"dirquill-grid","version":7,"rows":1,"cols":1})")
                                         << s("newer version");
        QTest::newRow("no version") << QByteArray(R"({"format":"dirquill-grid","rows":1,"cols":1})")
                                    << s("no \"version\"");
        QTest::newRow("no shape") << QByteArray(R"({"format":"dirquill-grid","version":1})")
                                  << s("does not give \"rows\"");
        QTest::newRow("a trillion rows") << QByteArray(
            R"({"format":"dirquill-grid","version":1,"rows":1e12,"cols":13})")
                                         << s("\"rows\" is 1000000000000, outside");
        QTest::newRow("more cells than a grid holds")
            << QByteArray(R"({"format":"dirquill-grid","version":1,"rows":9000000,"cols":13})")
            << s("more than the 50000000 cells");
        QTest::newRow("negative columns") << QByteArray(R"({"format":"dirquill-grid","version":1,"rows":1,"cols":-3})")
                                          << s("\"cols\" is -3, outside");
        QTest::newRow("fractional rows") << QByteArray(R"({"format":"dirquill-grid","version":1,"rows":2.5,"cols":1})")
                                         << s("\"rows\" is not a whole number");
        QTest::newRow("columns given as text")
            << QByteArray(R"({"format":"dirquill-grid","version":1,"rows":1,"cols":"13"})")
            << s("\"cols\" is not a whole number");
        QTest::newRow("a column width given as text")
            << QByteArray(R"({"format":"dirquill-grid","version":1,"rows":1,"cols":1,"columns":[{"width":"wide"}]})")
            << s("column 1: \"width\" is not a whole number");
        QTest::newRow("an unknown data type")
            << QByteArray(R"({"format":"dirquill-grid","version":1,"rows":1,"cols":1,"columns":[{"type":"blob"}]})")
            << s("\"type\" \"blob\"");
        QTest::newRow("an alignment code that does not exist")
            << QByteArray(R"({"format":"dirquill-grid","version":1,"rows":1,"cols":1,"columns":[{"align":3}]})")
            << s("alignment codes");
        QTest::newRow("more column entries than columns")
            << QByteArray(R"({"format":"dirquill-grid","version":1,"rows":1,"cols":1,"columns":[{},{}]})")
            << s("describes 2 columns");
        QTest::newRow("a grid colour that is not a colour") << QByteArray(
            R"({"format":"dirquill-grid","version":1,"rows":1,"cols":1,"grid":{"alternateRowColor":"blue-ish"}})")
                                                            << s("grid: \"alternateRowColor\" is not a colour");
        QTest::newRow("a truncated row") << h + "\n[\"a\",\"b\"]\n[\"c\",\"d" << s("line 3: the row is not valid JSON");
        QTest::newRow("a cell that is a number") << h + "\n[\"a\",2]\n" << s("line 2: cell 2 is not text");
        QTest::newRow("a row wider than the grid") << h + "\n[\"a\",\"b\",\"c\"]\n"
                                                   << s("line 2: the row has 3 cells but the grid has 2 columns");
        QTest::newRow("more rows than the header declares") << h + "\n[]\n[]\n[]\n"
                                                            << s("line 4: the file holds more rows than the 2");
        QTest::newRow("invalid UTF-8 in a cell") << h + "\n[\"caf\xe9\"]\n" << s("line 2: the row is not valid JSON");
        QTest::newRow("an empty line between rows") << h + "\n[\"a\"]\n\n[\"b\"]\n" << s("line 3: the line is empty");
        QTest::newRow("a row that is a number") << h + "\n42\n" << s("line 2: the row is not valid JSON");
        QTest::newRow("a row object whose cells are not an array") << h + "\n{\"cells\":\"a\"}\n"
                                                                   << s("line 2: \"cells\" is not an array");
        QTest::newRow("a negative row height") << h + "\n{\"cells\":[],\"height\":-5}\n"
                                               << s("line 2: \"height\" is -5");
        QTest::newRow("a cell format for a column that does not exist") << h
                + "\n{\"formats\":[{\"col\":2,\"bold\":true}]}\n" << s("\"col\" is not a column");
        QTest::newRow("a cell format with a wrong type") << h + "\n{\"formats\":[{\"col\":0,\"bold\":\"yes\"}]}\n"
                                                         << s("\"bold\" is not true or false");
        QTest::newRow("a cell colour without a hash") << h + "\n{\"formats\":[{\"col\":0,\"fore\":\"red\"}]}\n"
                                                      << s("\"fore\" is not a colour");
        QTest::newRow("an unknown check state") << h + "\n{\"formats\":[{\"col\":0,\"check\":\"maybe\"}]}\n"
                                                << s("\"check\" is not");
        QTest::newRow("a header declaring millions of rows the file does not hold")
            << QByteArray(R"({"format":"dirquill-grid","version":1,"rows":5000000,"cols":1})") + "\n[\"a\"]\n"
            << s("declares 5000000 rows but the file holds only 1 row lines");
        {
            // Formatting for every row of a very wide grid would take gigabytes.
            QByteArray wide(R"({"format":"dirquill-grid","version":1,"rows":3000,"cols":16000})");
            wide += '\n';
            for (int i = 0; i < 1300; ++i)
                wide += "{\"formats\":[{\"col\":1,\"bold\":true}]}\n";
            QTest::newRow("formatting that would take gigabytes") << wide << s("cells lie in formatted rows");
        }
        QTest::newRow("a line over 64 MB") << h + "\n[\"" + QByteArray(65 * 1024 * 1024, 'x') + "\"]\n"
                                           << s("line 2: the line is longer than the 64 MB");
    }
    void hostileNativeFilesLeaveTheGridAsItWas()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, problem);
        GridModel m;
        fillSample(m);
        const QString before = dump(m);
        const QString path = writeFile(QStringLiteral("bad file.tsy"), file);
        QSignalSpy edited(&m, &GridModel::contentsEdited);
        QSignalSpy reset(&m, &GridModel::modelReset);

        const FileResult r = GridFile::load(m, path, FileKind::Native);
        QVERIFY(!r.ok);
        QVERIFY2(r.errorString.contains(path), qPrintable(r.errorString));
        QVERIFY2(r.errorString.contains(problem), qPrintable(r.errorString));
        QCOMPARE(dump(m), before);
        QCOMPARE(m.columnWidth(1), 2500);
        QVERIFY(m.cellFormat(2, 1).bold);
        QCOMPARE(edited.count(), 0);
        QCOMPARE(reset.count(), 0);
    }
    void aTenMegabyteCellLoads_data()
    {
        QTest::addColumn<FileKind>("kind");
        QTest::newRow("native") << FileKind::Native;
        QTest::newRow("comma text") << FileKind::Comma;
    }
    void aTenMegabyteCellLoads()
    {
        QFETCH(FileKind, kind);
        GridModel m;
        m.setCols(2);
        m.setRows(2);
        const QString big = QString(10 * 1024 * 1024, QLatin1Char('y')) + QStringLiteral(",\"\n");
        m.setText(1, 1, big);
        const QString path = test::tempDir() + QStringLiteral("/big");
        QVERIFY(GridFile::save(m, path, kind));
        GridModel back;
        const FileResult r = GridFile::load(back, path, kind);
        QVERIFY2(r.ok, qPrintable(r.errorString));
        QVERIFY(back.text(1, 1) == big);
    }
    void delimitedRoundTripsKeepEveryText_data()
    {
        QTest::addColumn<FileKind>("kind");
        QTest::addColumn<QStringList>("cells");
        const QStringList hard { s("a,b"), s("say \"hi\""), s("line\nbreak"), s("cr\rhere"), s("crlf\r\nhere"),
            s("tab\tin"), s("Ünïcödé € 🙂"), s(" padded "), QString(), s("\""), s(",") };
        QTest::newRow("comma text keeps separators, quotes, line breaks and non-ASCII") << FileKind::Comma << hard;
        QTest::newRow("tab text keeps the same") << FileKind::Tab << hard;
        QTest::newRow("a last column of empty cells is kept as a column")
            << FileKind::Comma << QStringList { s("x"), s("y"), QString() };
    }
    void delimitedRoundTripsKeepEveryText()
    {
        QFETCH(FileKind, kind);
        QFETCH(QStringList, cells);
        GridModel m;
        m.setCols(int(cells.size()));
        m.setRows(3);
        for (int c = 0; c < cells.size(); ++c) {
            m.setText(0, c, QStringLiteral("T%1").arg(c));
            m.setText(1, c, cells[c]);
            m.setText(2, c, cells[(c + 1) % cells.size()]);
        }
        const QString path
            = test::tempDir() + (kind == FileKind::Tab ? QStringLiteral("/t.txt") : QStringLiteral("/t.csv"));
        QVERIFY(GridFile::save(m, path, kind));
        GridModel back;
        const FileResult r = GridFile::load(back, path, kind);
        QVERIFY2(r.ok, qPrintable(r.errorString));
        QCOMPARE(dump(back), dump(m));
    }
    void commaTextIsQuotedOnlyWhereNeeded()
    {
        GridModel m;
        m.setCols(4);
        m.setRows(2);
        const QStringList row { s("Name"), s("a,b"), s("say \"hi\""), s("tab\tplain") };
        for (int c = 0; c < 4; ++c)
            m.setText(1, c, row[c]);
        m.setText(0, 0, s("Café"));
        QBuffer b;
        b.open(QIODevice::WriteOnly);
        QVERIFY(GridFile::write(m, b, FileKind::Comma, QStringLiteral("mem")));
        QCOMPARE(b.data(), QByteArray("Caf\xc3\xa9,,,\r\nName,\"a,b\",\"say \"\"hi\"\"\",tab\tplain\r\n"));

        QBuffer t;
        t.open(QIODevice::WriteOnly);
        QVERIFY(GridFile::write(m, t, FileKind::Tab, QStringLiteral("mem")));
        QCOMPARE(t.data(), QByteArray("Caf\xc3\xa9\t\t\t\r\nName\ta,b\t\"say \"\"hi\"\"\"\t\"tab\tplain\"\r\n"));
    }
    void delimitedReadingAcceptsCommonVariants_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<FileKind>("kind");
        QTest::addColumn<QString>("expected");
        QTest::newRow("LF line ends") << QByteArray("a,b\nc,d\n") << FileKind::Comma << s("2x2\na|b\nc|d");
        QTest::newRow("CR LF line ends") << QByteArray("a,b\r\nc,d\r\n") << FileKind::Comma << s("2x2\na|b\nc|d");
        QTest::newRow("old CR-only line ends") << QByteArray("a,b\rc,d\r") << FileKind::Comma << s("2x2\na|b\nc|d");
        QTest::newRow("no line end after the last row")
            << QByteArray("a,b\nc,d") << FileKind::Comma << s("2x2\na|b\nc|d");
        QTest::newRow("a UTF-8 byte-order mark is not part of the first title")
            << QByteArray("\xEF\xBB\xBFName,x\n") << FileKind::Comma << s("1x2\nName|x");
        QTest::newRow("a quoted field over several lines")
            << QByteArray("a,\"one\r\ntwo\nthree\"\nc,d\n") << FileKind::Comma << s("2x2\na|one\r\ntwo\nthree\nc|d");
        QTest::newRow("doubled quotes inside quotes")
            << QByteArray("\"\"\"a\"\"\",\"\"\n") << FileKind::Comma << s("1x2\n\"a\"|");
        QTest::newRow("ragged rows take the widest line's width")
            << QByteArray("a\nb,c,d\ne,\n") << FileKind::Comma << s("3x3\na||\nb|c|d\ne||");
        QTest::newRow("a blank line in the middle is a blank row")
            << QByteArray("a,b\n\nc,d\n") << FileKind::Comma << s("3x2\na|b\n|\nc|d");
        QTest::newRow("a stray quote inside an unquoted field is kept")
            << QByteArray("5\" disk,x\n") << FileKind::Comma << s("1x2\n5\" disk|x");
        QTest::newRow("tab text leaves commas alone") << QByteArray("a,b\tc\n") << FileKind::Tab << s("1x2\na,b|c");
        QTest::newRow("text that is not UTF-8 is read as Windows-1252")
            << QByteArray("Caf\xe9,\x80 5,\x93quoted\x94\n") << FileKind::Comma << s("1x3\nCafé|€ 5|“quoted”");
        QTest::newRow("a line end split from its CR across the first block still counts once")
            << QByteArray("x\r\n") << FileKind::Comma << s("1x1\nx");
    }
    void delimitedReadingAcceptsCommonVariants()
    {
        QFETCH(QByteArray, file);
        QFETCH(FileKind, kind);
        QFETCH(QString, expected);
        GridModel m;
        const FileResult r = GridFile::load(m, writeFile(QStringLiteral("in.csv"), file), kind);
        QVERIFY2(r.ok, qPrintable(r.errorString));
        QCOMPARE(dump(m), expected);
    }
    void hostileDelimitedFilesLeaveTheGridAsItWas_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("problem");
        QTest::newRow("an unbalanced quote")
            << QByteArray("a,b\nc,\"d\ne,f\n") << s("line 2: a quoted field is never closed");
        QTest::newRow("more fields on a line than a grid has columns")
            << QByteArray(20000, ',') << s("more than the 16384 columns");
        QTest::newRow("more lines than a grid has rows")
            << QByteArray(10'000'001, '\n') << s("more than the 10000000 rows");
    }
    void hostileDelimitedFilesLeaveTheGridAsItWas()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, problem);
        GridModel m;
        fillSample(m);
        const QString before = dump(m);
        const QString path = writeFile(QStringLiteral("bad.csv"), file);
        QSignalSpy edited(&m, &GridModel::contentsEdited);
        const FileResult r = GridFile::load(m, path, FileKind::Comma);
        QVERIFY(!r.ok);
        QVERIFY2(r.errorString.contains(path) && r.errorString.contains(problem), qPrintable(r.errorString));
        QCOMPARE(dump(m), before);
        QCOMPARE(edited.count(), 0);
    }
    void textLoadKeepsTheGridsOwnSettingsNotItsColumns()
    {
        GridModel m;
        fillSample(m);
        m.setGridLines(false);
        m.setFixedRows(1);
        m.setColumnAlignment(0, Alignment::RightCenter);
        QSignalSpy reset(&m, &GridModel::modelReset);
        QVERIFY(GridFile::load(m, writeFile(QStringLiteral("w.csv"), "A,B,C,D,E\n1,2,3,4,5\n"), FileKind::Comma));
        QCOMPARE(reset.count(), 1);
        QCOMPARE(m.cols(), 5);
        QCOMPARE(m.rows(), 2);
        QCOMPARE(m.columnAlignment(0), Alignment::General);
        QCOMPARE(m.columnWidth(1), GridModel::kDefaultColumnWidth);
        QVERIFY(!m.gridLines());
        QCOMPARE(m.cellFormat(1, 1), CellFormat {}); // text carries no formats
        QCOMPARE(m.headerData(3, Qt::Horizontal).toString(), QStringLiteral("D"));
    }
    void failedSavesReportAndKeepTheOldFile()
    {
        GridModel m;
        fillSample(m);
        FailingDevice device;
        for (FileKind kind : { FileKind::Native, FileKind::Comma, FileKind::Tab }) {
            const FileResult r = GridFile::write(m, device, kind, QStringLiteral("stick.tsy"));
            QVERIFY(!r.ok);
            QVERIFY2(r.errorString.contains(QStringLiteral("stick.tsy"))
                    && r.errorString.contains(QStringLiteral("disk full")),
                qPrintable(r.errorString));
        }

        const QString missing = test::tempDir() + QStringLiteral("/no such folder/x.tsy");
        const FileResult r = GridFile::save(m, missing, FileKind::Native);
        QVERIFY(!r.ok);
        QVERIFY(r.errorString.contains(missing));

        // A failed load of the file just saved must not have touched it either.
        const QString path = writeFile(QStringLiteral("keep.tsy"), "old contents");
        GridModel other;
        QVERIFY(!GridFile::load(other, path, FileKind::Native).ok);
        QCOMPARE(readFile(path), QByteArray("old contents"));
        QVERIFY(!GridFile::load(other, test::tempDir(), FileKind::Native).ok);

        // A file-command kind code (1 = comma there) passed as a grid kind is refused, not
        // guessed, and the file on disk stays.
        const FileResult wrongKind = GridFile::save(m, path, FileKind(1));
        QVERIFY(!wrongKind.ok);
        QVERIFY(wrongKind.errorString.contains(QStringLiteral("not a grid file kind")));
        QCOMPARE(readFile(path), QByteArray("old contents"));
    }
    void kindFollowsTheExtension_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<FileKind>("kind");
        QTest::newRow("csv in capitals") << s("/a/B.CSV") << FileKind::Comma;
        QTest::newRow("txt") << s("x.txt") << FileKind::Tab;
        QTest::newRow("tsy") << s("x.tsy") << FileKind::Native;
        QTest::newRow("the site list") << s("stpl00.bin") << FileKind::Native;
        QTest::newRow("a folder named like a csv file") << s("data.csv/list.tsy") << FileKind::Native;
    }
    void kindFollowsTheExtension()
    {
        QFETCH(QString, path);
        QFETCH(FileKind, kind);
        QCOMPARE(GridFile::kindForPath(path), kind);
    }
};

QTEST_GUILESS_MAIN(TestGridFile)
#include "tst_gridfile.moc"
