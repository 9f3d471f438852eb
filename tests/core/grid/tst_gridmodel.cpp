#include "core/grid/gridmodel.h"
#include "core/grid/gridstore.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

using namespace dq;

Q_DECLARE_METATYPE(dq::GridRange)

namespace {

// A 4-row, 3-column grid whose cells read "r<row>c<col>", with cell (1,0) bold.
void fillNumbered(GridModel &m)
{
    m.setCols(3);
    m.setRows(4);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            m.setText(r, c, QStringLiteral("r%1c%2").arg(r).arg(c));
    CellFormat bold;
    bold.bold = true;
    m.setCellFormat(1, 0, bold);
}

QString dump(const GridModel &m)
{
    QStringList lines;
    for (int r = 0; r < m.rows(); ++r)
        lines << m.rowTexts(r).join(QLatin1Char(' '));
    return lines.join(QLatin1Char('/'));
}

QString boldCells(const GridModel &m)
{
    QStringList out;
    for (int r = 0; r < m.rows(); ++r)
        for (int c = 0; c < m.cols(); ++c)
            if (m.cellFormat(r, c).bold)
                out << QStringLiteral("%1,%2").arg(r).arg(c);
    return out.join(QLatin1Char(' '));
}

QString randomText(QRandomGenerator &rng)
{
    static const char16_t pool[]
        = { u'a', u'b', u'B', u'A', u' ', u'0', u'\u00e9', u'\u00c9', u'\uff21', u'\ue000', u'\u4e00' };
    QString out;
    const int n = int(rng.bounded(0, 5));
    for (int i = 0; i < n; ++i) {
        if (rng.bounded(8) == 0)
            out += QString::fromUcs4(U"\U0001F600"); // above U+FFFF: a surrogate pair in UTF-16
        else
            out += QChar(pool[rng.bounded(int(std::size(pool)))]);
    }
    return out;
}

} // namespace

class TestGridModel : public QObject
{
    Q_OBJECT

private slots:
    void clipSetIsBoundedBySelection_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("cols");
        QTest::addColumn<QString>("expected");
        QTest::newRow("a two by three block into one cell fills only that cell")
            << QStringLiteral("a\tb\tc\rd\te\tf") << 1 << 1 << QStringLiteral("a");
        QTest::newRow("CR LF breaks rows like CR")
            << QStringLiteral("a\tb\r\nc\td") << 2 << 2 << QStringLiteral("a\tb\rc\td");
        QTest::newRow("a short clip leaves the rest of the selection alone")
            << QStringLiteral("a") << 2 << 2 << QStringLiteral("a\t-\r-\t-");
    }
    void clipSetIsBoundedBySelection()
    {
        QFETCH(QString, clip);
        QFETCH(int, rows);
        QFETCH(int, cols);
        QFETCH(QString, expected);
        GridModel m;
        m.setCols(5);
        m.setRows(5);
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 5; ++c)
                m.setText(r, c, QStringLiteral("-"));
        const GridRange range { 1, 1, rows, cols };
        m.setClip(range, clip);
        QCOMPARE(m.clip(range), expected);
        QCOMPARE(m.text(rows + 1, 1), QStringLiteral("-"));
    }
    void sortIsStableCaseSensitiveAndKeyed_data()
    {
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<int>("keyA");
        QTest::addColumn<int>("keyB");
        QTest::addColumn<int>("order");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("orderCode"); // as reported by afterSort
        const auto t = [](std::initializer_list<const char *> cells) {
            QStringList row;
            for (const char *c : cells)
                row << QString::fromUtf8(c);
            return row;
        };
        QTest::newRow("ascending puts capitals first and keeps equal rows in order")
            << QList<QStringList> { t({ "b", "0" }), t({ "B", "1" }), t({ "a", "2" }), t({ "b", "3" }) } << 0 << 0
            << int(Qt::AscendingOrder) << " /B 1/a 2/b 0/b 3" << 1;
        QTest::newRow("descending keeps equal rows in order")
            << QList<QStringList> { t({ "x", "1" }), t({ "y", "2" }), t({ "x", "3" }), t({ "y", "4" }) } << 0 << 0
            << int(Qt::DescendingOrder) << " /y 2/y 4/x 1/x 3" << 2;
        QTest::newRow("later key columns break ties, given in either order")
            << QList<QStringList> { t({ "b", "2", "p" }), t({ "a", "9", "q" }), t({ "b", "1", "r" }) } << 1 << 0
            << int(Qt::AscendingOrder) << "  /a 9 q/b 1 r/b 2 p" << 1;
    }
    void sortIsStableCaseSensitiveAndKeyed()
    {
        QFETCH(QList<QStringList>, rows);
        QFETCH(int, order);
        GridModel m;
        m.setCols(int(rows.first().size()));
        m.setRows(1);
        m.appendRows(std::vector<QStringList>(rows.begin(), rows.end()));
        QSignalSpy after(&m, &GridModel::afterSort);
        QFETCH(int, keyA);
        QFETCH(int, keyB);
        m.sort(keyA, keyB, Qt::SortOrder(order));
        QTEST(dump(m), "expected");
        QCOMPARE(after.count(), 1);
        QTEST(after.at(0).at(1).toInt(), "orderCode");
    }
    void rowAndColumnOperationsCarryTextAndFormats_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("bold");
        QTest::newRow("inserting a row before row 1 pushes it down")
            << "insertRow" << 1 << 0 << "r0c0 r0c1 r0c2/  /r1c0 r1c1 r1c2/r2c0 r2c1 r2c2/r3c0 r3c1 r3c2"
            << "2,0";
        QTest::newRow("inserting at the row count appends")
            << "insertRow" << 4 << 0 << "r0c0 r0c1 r0c2/r1c0 r1c1 r1c2/r2c0 r2c1 r2c2/r3c0 r3c1 r3c2/  "
            << "1,0";
        QTest::newRow("removing row 1 takes its format along")
            << "removeRow" << 1 << 0 << "r0c0 r0c1 r0c2/r2c0 r2c1 r2c2/r3c0 r3c1 r3c2"
            << "";
        QTest::newRow("moving row 1 to the end")
            << "moveRow" << 1 << 3 << "r0c0 r0c1 r0c2/r2c0 r2c1 r2c2/r3c0 r3c1 r3c2/r1c0 r1c1 r1c2"
            << "3,0";
        QTest::newRow("moving the last row up to 1")
            << "moveRow" << 3 << 1 << "r0c0 r0c1 r0c2/r3c0 r3c1 r3c2/r1c0 r1c1 r1c2/r2c0 r2c1 r2c2"
            << "2,0";
        QTest::newRow("inserting a first column")
            << "insertColumn" << 0 << 0 << " r0c0 r0c1 r0c2/ r1c0 r1c1 r1c2/ r2c0 r2c1 r2c2/ r3c0 r3c1 r3c2"
            << "1,1";
        QTest::newRow("removing the middle column")
            << "removeColumn" << 1 << 0 << "r0c0 r0c2/r1c0 r1c2/r2c0 r2c2/r3c0 r3c2"
            << "1,0";
        QTest::newRow("moving the first column to the end")
            << "moveColumn" << 0 << 2 << "r0c1 r0c2 r0c0/r1c1 r1c2 r1c0/r2c1 r2c2 r2c0/r3c1 r3c2 r3c0"
            << "1,2";
        QTest::newRow("moving the last column to the front")
            << "moveColumn" << 2 << 0 << "r0c2 r0c0 r0c1/r1c2 r1c0 r1c1/r2c2 r2c0 r2c1/r3c2 r3c0 r3c1"
            << "1,1";
        QTest::newRow("shrinking to two rows drops the rest") << "setRows" << 2 << 0 << "r0c0 r0c1 r0c2/r1c0 r1c1 r1c2"
                                                              << "1,0";
        QTest::newRow("shrinking to one column and growing back leaves the new cells blank")
            << "setCols" << 1 << 3 << "r0c0  /r1c0  /r2c0  /r3c0  "
            << "1,0";
        QTest::newRow("zero columns empties every row") << "setCols" << 0 << 0 << "///"
                                                        << "";
        QTest::newRow("growing to six rows keeps every cell")
            << "setRows" << 6 << 0 << "r0c0 r0c1 r0c2/r1c0 r1c1 r1c2/r2c0 r2c1 r2c2/r3c0 r3c1 r3c2/  /  "
            << "1,0";
        QTest::newRow("writing a cell outside the grid changes nothing")
            << "setText" << 50 << 0 << "r0c0 r0c1 r0c2/r1c0 r1c1 r1c2/r2c0 r2c1 r2c2/r3c0 r3c1 r3c2"
            << "1,0";
        QTest::newRow("removing a row past the end changes nothing")
            << "removeRow" << 9 << 0 << "r0c0 r0c1 r0c2/r1c0 r1c1 r1c2/r2c0 r2c1 r2c2/r3c0 r3c1 r3c2"
            << "1,0";
        QTest::newRow("moving a column past the end changes nothing")
            << "moveColumn" << 0 << 7 << "r0c0 r0c1 r0c2/r1c0 r1c1 r1c2/r2c0 r2c1 r2c2/r3c0 r3c1 r3c2"
            << "1,0";
    }
    void rowAndColumnOperationsCarryTextAndFormats()
    {
        QFETCH(QString, op);
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(QString, expected);
        QFETCH(QString, bold);
        GridModel m;
        fillNumbered(m);
        if (op == QLatin1String("insertRow"))
            m.insertRow(a);
        else if (op == QLatin1String("removeRow"))
            m.removeRow(a);
        else if (op == QLatin1String("moveRow"))
            m.moveRow(a, b);
        else if (op == QLatin1String("insertColumn"))
            m.insertColumn(a);
        else if (op == QLatin1String("removeColumn"))
            m.removeColumn(a);
        else if (op == QLatin1String("moveColumn"))
            m.moveColumn(a, b);
        else if (op == QLatin1String("setText"))
            m.setText(a, b, QStringLiteral("x"));
        else if (op == QLatin1String("setRows"))
            m.setRows(a);
        else if (op == QLatin1String("setCols")) {
            m.setCols(a);
            if (b)
                m.setCols(b);
        }
        QCOMPARE(dump(m), expected);
        QCOMPARE(boldCells(m), bold);
    }
    void sortMatchesStringOrderOnRandomText_data()
    {
        QTest::addColumn<int>("order");
        QTest::newRow("ascending") << int(Qt::AscendingOrder);
        QTest::newRow("descending") << int(Qt::DescendingOrder);
    }
    void sortMatchesStringOrderOnRandomText()
    {
        QFETCH(int, order);
        // Keys mix case, accents, characters just below and above U+FFFF and shared prefixes
        // longer than eight bytes; the reference is QString's own stable order.
        QRandomGenerator rng(7);
        GridModel m;
        m.setCols(2);
        m.setRows(1);
        std::vector<QStringList> rows;
        QList<QPair<QString, int>> reference;
        for (int i = 0; i < 3000; ++i) {
            QString key = randomText(rng);
            if (i % 3 == 0)
                key.prepend(QStringLiteral("same long prefix "));
            rows.push_back({ key, QString::number(i) });
            reference.append({ key, i });
        }
        m.appendRows(rows);
        const bool up = order == Qt::AscendingOrder;
        std::stable_sort(reference.begin(), reference.end(), [up](const auto &x, const auto &y) {
            const int c = x.first.compare(y.first, Qt::CaseSensitive);
            return up ? c < 0 : c > 0;
        });
        m.sort(0, 0, Qt::SortOrder(order));
        for (int i = 0; i < reference.size(); ++i) {
            QCOMPARE(m.text(i + 1, 0), reference[i].first);
            QCOMPARE(m.text(i + 1, 1), QString::number(reference[i].second));
        }
    }
    void sortCarriesFormatsHeightsAndMarks()
    {
        GridModel m;
        m.setCols(2);
        m.setRows(4);
        m.setText(0, 0, QStringLiteral("Title"));
        m.setText(1, 0, QStringLiteral("c"));
        m.setText(2, 0, QStringLiteral("a"));
        m.setText(3, 0, QStringLiteral("b"));
        CellFormat red;
        red.hasFore = true;
        red.fore = qRgb(255, 0, 0);
        m.setCellFormat(1, 1, red);
        m.setRowHeight(2, 700);
        m.setSelectionMode(GridModel::SelectionMode::ListBox);
        m.setRowSelected(3, true);
        QSignalSpy before(&m, &GridModel::beforeSort);
        QSignalSpy after(&m, &GridModel::afterSort);

        m.sort(0, 0, Qt::AscendingOrder);

        QCOMPARE(dump(m), QStringLiteral("Title /a /b /c "));
        QCOMPARE(m.cellFormat(3, 1), red);
        QCOMPARE(m.rowHeight(1), 700);
        QCOMPARE(m.selectedRows(), (std::vector<int> { 2 }));
        QCOMPARE(before.count(), 1);
        QCOMPARE(after.count(), 1);
        QCOMPARE(after.at(0).at(0).toInt(), 0);
        QCOMPARE(after.at(0).at(1).toInt(), 1);
    }
    void randomEditsMatchAPlainTable()
    {
        // The compact row storage against a plain table of strings, through every kind of edit.
        QRandomGenerator rng(11);
        GridModel m;
        m.setCols(5);
        m.setRows(6);
        QList<QStringList> plain(6, QStringList(5));
        for (int step = 0; step < 3000; ++step) {
            const int cols = m.cols();
            const int kind = int(rng.bounded(10));
            if (kind < 6 && cols > 0) {
                const int r = int(rng.bounded(m.rows()));
                const int c = int(rng.bounded(cols));
                const QString t = rng.bounded(4) == 0 ? QString() : randomText(rng) + QString::number(step);
                m.setText(r, c, t);
                plain[r][c] = t;
            } else if (kind == 6 && cols < 9) {
                const int c = int(rng.bounded(cols + 1));
                m.insertColumn(c);
                for (QStringList &row : plain)
                    row.insert(c, QString());
            } else if (kind == 7 && cols > 1) {
                const int c = int(rng.bounded(cols));
                m.removeColumn(c);
                for (QStringList &row : plain)
                    row.removeAt(c);
            } else if (kind == 8 && cols > 1) {
                const int from = int(rng.bounded(cols));
                const int to = int(rng.bounded(cols));
                m.moveColumn(from, to);
                for (QStringList &row : plain)
                    row.move(from, to);
            } else if (kind == 9 && cols > 0) {
                const int n = int(rng.bounded(1, 9));
                m.setCols(n);
                for (QStringList &row : plain) {
                    while (row.size() > n)
                        row.removeLast();
                    while (row.size() < n)
                        row.append(QString());
                }
            }
            for (int r = 0; r < m.rows(); ++r)
                QCOMPARE(m.rowTexts(r), plain[r]);
        }
    }
    void bigChangesEmitOneSignalEach()
    {
        GridModel m;
        m.setCols(13);
        m.setRows(1);
        QSignalSpy edited(&m, &GridModel::contentsEdited);
        QSignalSpy inserted(&m, &GridModel::rowsInserted);
        QSignalSpy reset(&m, &GridModel::modelReset);
        QSignalSpy changed(&m, &GridModel::dataChanged);

        m.appendRows(std::vector<QStringList>(5000, QStringList { QStringLiteral("a"), QStringLiteral("b") }));
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(edited.count(), 1);

        m.updateFormats(GridRange { 1, 0, 4000, 12 }, [](CellFormat &f) { f.italic = true; });
        QCOMPARE(changed.count(), 1);
        QCOMPARE(edited.count(), 2);
        QVERIFY(m.cellFormat(4000, 12).italic);
        QVERIFY(!m.cellFormat(4001, 0).italic);

        std::vector<int> odd;
        for (int r = 1; r < m.rows(); r += 2)
            odd.push_back(r);
        m.removeRowsSorted(odd);
        QCOMPARE(reset.count(), 1);
        QCOMPARE(edited.count(), 3);
        QCOMPARE(m.rows(), 2501);

        GridStore store;
        store.columns.resize(2);
        store.rows.resize(3);
        m.replaceContents(std::move(store));
        QCOMPARE(reset.count(), 2);
        QCOMPARE(edited.count(), 4);
        QCOMPARE(m.rows(), 3);
        QCOMPARE(m.cols(), 2);
    }
    void titleRowSurvivesEmptyingTheGrid()
    {
        GridModel m;
        m.setCols(0);
        m.setRows(0);
        m.setRows(21);
        m.setCols(13);
        QCOMPARE(m.fixedRows(), 1);
        m.setText(0, 0, QStringLiteral("Name"));
        m.setRows(1);
        QCOMPARE(m.fixedRows(), 1);
        QCOMPARE(m.text(0, 0), QStringLiteral("Name"));
    }
    void clipIsCutToTheGrid_data()
    {
        QTest::addColumn<GridRange>("range");
        QTest::addColumn<QString>("expected");
        QTest::newRow("a block inside the grid") << GridRange { 1, 1, 2, 2 } << "r1c1\tr1c2\rr2c1\tr2c2";
        QTest::newRow("a block reaching past the last row and column") << GridRange { 3, 2, 99, 99 } << "r3c2";
        QTest::newRow("a block starting before the first cell") << GridRange { -5, -5, 0, 0 } << "r0c0";
        QTest::newRow("a block wholly outside") << GridRange { 10, 10, 12, 12 } << "";
        QTest::newRow("an empty range") << GridRange {} << "";
    }
    void clipIsCutToTheGrid()
    {
        QFETCH(GridRange, range);
        QFETCH(QString, expected);
        GridModel m;
        fillNumbered(m);
        QCOMPARE(m.clip(range), expected);
        // Setting through the same range never writes outside the grid or the range.
        const int set = m.setClip(range, QStringLiteral("x\ty\tz\rx\ty\tz\rx\ty\tz"));
        const GridRange inside { qMax(0, range.top), qMax(0, range.left), qMin(range.bottom, 3), qMin(range.right, 2) };
        QCOMPARE(set,
            range.isEmpty() || inside.isEmpty()
                ? 0
                : qMin(3, inside.bottom - inside.top + 1) * qMin(3, inside.right - inside.left + 1));
        for (int r = 0; r < m.rows(); ++r)
            for (int c = 0; c < m.cols(); ++c)
                if (range.isEmpty() || !inside.contains(r, c))
                    QCOMPARE(m.text(r, c), QStringLiteral("r%1c%2").arg(r).arg(c));
    }
    void listBoxMarksAnswerCountAndNthRow()
    {
        GridModel m;
        m.setCols(2);
        m.setRows(10);
        m.setSelectionMode(GridModel::SelectionMode::ListBox);
        QSignalSpy spy(&m, &GridModel::selectionChanged);
        m.setSelectedRows({ 7, 2, 5, 99, -1 });
        QCOMPARE(spy.count(), 1);
        QCOMPARE(m.selectedRowCount(), 3);
        QCOMPARE(m.selectedRow(0), 2);
        QCOMPARE(m.selectedRow(2), 7);
        QCOMPARE(m.selectedRow(3), -1);
        m.setSelectionMode(GridModel::SelectionMode::Free);
        QCOMPARE(m.isRowSelected(2), false);
        m.select(4, 1, 2, 0);
        QCOMPARE(m.selection(), (GridRange { 2, 0, 4, 1 }));
        QCOMPARE(m.selectedRowCount(), 3);
        QCOMPARE(m.selectedRow(1), 3);
    }
    void headerShowsTheTitleRow()
    {
        GridModel m;
        m.setCols(2);
        m.setRows(3);
        QSignalSpy header(&m, &GridModel::headerDataChanged);
        m.setText(0, 1, QStringLiteral("Street"));
        QCOMPARE(header.count(), 1);
        QCOMPARE(m.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Street"));
        m.setText(1, 1, QStringLiteral("data"));
        QCOMPARE(header.count(), 1);
    }
    void allColumnsChangeInOneStepKeepingOtherAttributes()
    {
        GridModel m;
        m.setCols(4);
        m.setRows(2);
        m.setColumnWidth(1, 2500);
        QSignalSpy edited(&m, &GridModel::contentsEdited);
        m.setColumnAlignment(-1, Alignment::CenterCenter);
        QCOMPARE(edited.count(), 1);
        for (int c = 0; c < 4; ++c)
            QCOMPARE(m.columnAlignment(c), Alignment::CenterCenter);
        QCOMPARE(m.columnWidth(1), 2500);
        QCOMPARE(m.columnWidth(0), GridModel::kDefaultColumnWidth);
        m.setColumnAlignment(-1, Alignment::CenterCenter); // nothing changes, nothing to report
        QCOMPARE(edited.count(), 1);
        m.setColumnHidden(7, true);
        QCOMPARE(edited.count(), 1);
    }
    void currentCellAndSelectionClipFollowTheCursor()
    {
        GridModel m;
        fillNumbered(m);
        m.setCursor(2, 1);
        QCOMPARE(m.currentText(), QStringLiteral("r2c1"));
        m.setCurrentText(QStringLiteral("new"));
        QCOMPARE(m.text(2, 1), QStringLiteral("new"));
        m.select(3, 2, 2, 1);
        QCOMPARE(m.selectionClip(), QStringLiteral("new\tr2c2\rr3c1\tr3c2"));
        QSignalSpy header(&m, &GridModel::headerDataChanged);
        m.select(0, 0, 0, 1);
        QCOMPARE(m.setSelectionClip(QStringLiteral("A\tB\tC")), 2);
        QCOMPARE(m.rowTexts(0), (QStringList { QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("r0c2") }));
        QCOMPARE(header.count(), 1); // the titles shown in a header change with row 0
    }
};

QTEST_GUILESS_MAIN(TestGridModel)
#include "tst_gridmodel.moc"
