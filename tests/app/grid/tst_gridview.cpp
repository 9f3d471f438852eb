#include "app/grid/gridtitleheader.h"
#include "app/grid/gridview.h"
#include "core/grid/gridmodel.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

#include <array>

using namespace dq;
using namespace Qt::StringLiterals;

namespace {

// A shown view over a titled grid: row 0 "Name|City|Phone", data rows "n<r>|c<r>|p<r>" with
// cities in a scrambled order so a sort visibly moves rows.
struct Fixture
{
    GridModel model;
    GridView view;

    explicit Fixture(int dataRows = 6)
    {
        model.setCols(3);
        model.setRows(1 + dataRows);
        for (int c = 0; c < 3; ++c)
            model.setText(0, c, QString::fromUtf8(std::array { "Name", "City", "Phone" }[size_t(c)]));
        for (int r = 1; r <= dataRows; ++r) {
            model.setText(r, 0, u"n%1"_s.arg(r));
            model.setText(r, 1, u"c%1"_s.arg((r * 7) % dataRows));
            model.setText(r, 2, u"p%1"_s.arg(r));
        }
        model.setSortOnTitleClick(true);
        view.setGridModel(&model);
        view.resize(600, 400);
        view.show();
        // Records a failure without leaving the constructor; clicks on a hidden view would miss.
        QTest::qVerify(QTest::qWaitForWindowExposed(&view), "exposed", "the view was not shown", __FILE__, __LINE__);
    }

    QPoint cellCenter(int row, int col) const { return view.visualRect(model.index(row, col)).center(); }

    void clickTitle(int col)
    {
        QHeaderView *h = view.horizontalHeader();
        const QPoint p(h->sectionViewportPosition(col) + h->sectionSize(col) / 2, h->height() / 2);
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, p);
    }

    QStringList column(int col) const
    {
        QStringList out;
        for (int r = 1; r < model.rows(); ++r)
            out << model.text(r, col);
        return out;
    }
};

} // namespace

class TestGridView : public QObject
{
    Q_OBJECT

private slots:
    void titlesShowAsHeaderAndNotInTheBody()
    {
        Fixture f;
        QVERIFY(f.view.isRowHidden(0));
        QVERIFY(!f.view.isRowHidden(1));
        QCOMPARE(f.view.rowAt(1), 1); // the first row on screen is data row 1
        QCOMPARE(f.view.horizontalHeader()->model()->headerData(1, Qt::Horizontal).toString(), u"City"_s);
        f.model.setText(0, 1, u"Town"_s);
        QCOMPARE(f.view.model()->headerData(1, Qt::Horizontal).toString(), u"Town"_s);
        // Rows inserted above keep the title row hidden and show the old first data row.
        f.model.insertRow(1);
        QVERIFY(f.view.isRowHidden(0) && !f.view.isRowHidden(1) && !f.view.isRowHidden(2));
        f.model.setFixedRows(0);
        QVERIFY(!f.view.isRowHidden(0));
    }

    void titleClickSortsThenReverses()
    {
        Fixture f;
        QSignalSpy before(&f.view, &GridView::beforeSort);
        QSignalSpy after(&f.view, &GridView::afterSort);
        QStringList sorted = f.column(1);
        std::sort(sorted.begin(), sorted.end());
        f.model.setCursor(3, 0);

        f.clickTitle(1);
        QCOMPARE(f.model.selection(), (GridRange { 3, 0, 3, 0 })); // sorting selects nothing
        QCOMPARE(f.column(1), sorted);
        QCOMPARE(after.count(), 1);
        QCOMPARE(after.at(0), (QVariantList { 1, 1 }));
        QVERIFY(!f.view.titlePicture(1).isNull());
        const qint64 upKey = f.view.titlePicture(1).cacheKey();

        f.clickTitle(1);
        std::reverse(sorted.begin(), sorted.end());
        QCOMPARE(f.column(1), sorted);
        QCOMPARE(after.at(1).at(1).toInt(), 2);
        QVERIFY(f.view.titlePicture(1).cacheKey() != upKey);

        f.clickTitle(0); // another title starts ascending again and takes the arrow
        QCOMPARE(after.at(2).at(1).toInt(), 1);
        QVERIFY(f.view.titlePicture(1).isNull());
        QVERIFY(!f.view.titlePicture(0).isNull());
        QCOMPARE(before.count(), 3);
        QCOMPARE(f.model.text(0, 1), u"City"_s); // the title row never sorts
    }

    void titleClickSelectsTheColumnWhenSortingIsOff()
    {
        Fixture f;
        f.model.setSortOnTitleClick(false);
        const QStringList before = f.column(1);
        f.clickTitle(1);
        QCOMPARE(f.column(1), before);
        // It selects the column's data cells instead.
        QCOMPARE(f.model.selection(), (GridRange { 1, 1, f.model.rows() - 1, 1 }));
    }

    void listBoxClicksMarkModelRows_data()
    {
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<QList<int>>("modifiers");
        QTest::addColumn<QList<int>>("expected");

        QTest::newRow("a plain click marks one row") << QList<int> { 3 } << QList<int> { 0 } << QList<int> { 3 };
        QTest::newRow("a second plain click moves the mark")
            << QList<int> { 3, 5 } << QList<int> { 0, 0 } << QList<int> { 5 };
        QTest::newRow("ctrl-clicks add rows")
            << QList<int> { 2, 5, 4 } << QList<int> { 0, int(Qt::ControlModifier), int(Qt::ControlModifier) }
            << QList<int> { 2, 4, 5 };
        QTest::newRow("ctrl-click on a marked row unmarks it")
            << QList<int> { 2, 5, 2 } << QList<int> { 0, int(Qt::ControlModifier), int(Qt::ControlModifier) }
            << QList<int> { 5 };
        QTest::newRow("shift-click marks the run")
            << QList<int> { 2, 5 } << QList<int> { 0, int(Qt::ShiftModifier) } << QList<int> { 2, 3, 4, 5 };
    }

    void listBoxClicksMarkModelRows()
    {
        QFETCH(QList<int>, rows);
        QFETCH(QList<int>, modifiers);
        QFETCH(QList<int>, expected);
        Fixture f;
        f.view.setSelectionMode(GridModel::SelectionMode::ListBox);
        QCOMPARE(f.model.selectionMode(), GridModel::SelectionMode::ListBox);
        for (int i = 0; i < rows.size(); ++i)
            QTest::mouseClick(
                f.view.viewport(), Qt::LeftButton, Qt::KeyboardModifiers(modifiers[i]), f.cellCenter(rows[i], 1));
        const std::vector<int> got = f.model.selectedRows();
        QCOMPARE(QList<int>(got.begin(), got.end()), expected);
        QCOMPARE(f.view.selectedRowCount(), int(expected.size()));
        QCOMPARE(f.view.selectedRow(0), expected.first());
        QCOMPARE(f.model.row(), rows.last());
    }

    void modelMarksShowInTheView()
    {
        Fixture f;
        // A command may switch the mode on the model alone; the view follows.
        f.model.setSelectionMode(GridModel::SelectionMode::ListBox);
        QCOMPARE(f.view.selectionBehavior(), QAbstractItemView::SelectRows);
        f.model.setSelectedRows({ 2, 3, 6 });
        QItemSelectionModel *sel = f.view.selectionModel();
        for (int r = 1; r <= 6; ++r)
            QCOMPARE(sel->isRowSelected(r, {}), r == 2 || r == 3 || r == 6);
        // A sort moves the marks with their rows, in the view too.
        const QString marked = f.model.text(6, 0);
        f.model.sort(0, 0, Qt::DescendingOrder);
        const int moved = int(f.column(0).indexOf(marked)) + 1;
        QVERIFY(f.model.isRowSelected(moved));
        QVERIFY(sel->isRowSelected(moved, {}));
    }

    void blockSelectionMirrorsTheModel()
    {
        Fixture f;
        QTest::mouseClick(f.view.viewport(), Qt::LeftButton, {}, f.cellCenter(2, 0));
        QTest::mouseClick(f.view.viewport(), Qt::LeftButton, Qt::ShiftModifier, f.cellCenter(4, 2));
        QCOMPARE(f.model.selection(), (GridRange { 2, 0, 4, 2 }));
        QCOMPARE((QList<int> { f.model.row(), f.model.col(), f.model.rowSel(), f.model.colSel() }),
            (QList<int> { 2, 0, 4, 2 }));

        f.model.select(5, 1, 3, 2);
        const QModelIndexList cells = f.view.selectionModel()->selectedIndexes();
        QCOMPARE(cells.size(), 6);
        QCOMPARE(f.view.currentIndex(), f.model.index(3, 2));

        // Select-all takes every data row but not the title row shown as the header.
        f.view.setFocus();
        QTest::keyClick(&f.view, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(f.model.selection(), (GridRange { 1, 0, f.model.rows() - 1, 2 }));
        f.view.setSelectionMode(GridModel::SelectionMode::ListBox);
        QTest::keyClick(&f.view, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(f.model.selectedRowCount(), f.model.rows() - 1);
        QCOMPARE(f.model.selectedRow(0), 1);
    }

    void draggingATitleMovesTheModelColumn()
    {
        Fixture f;
        f.model.setColumnDragEnabled(true);
        f.model.setColumnWidth(0, 2000);
        QVERIFY(f.view.horizontalHeader()->sectionsMovable());
        QSignalSpy moved(&f.view, &GridView::columnMoved);
        // What a finished title drag does: the header reports a section move.
        f.view.horizontalHeader()->moveSection(0, 2);
        QCOMPARE(f.model.rowTexts(0), (QStringList { u"City"_s, u"Phone"_s, u"Name"_s }));
        QCOMPARE(f.model.text(1, 2), u"n1"_s);
        QCOMPARE(f.model.columnWidth(2), 2000);
        QCOMPARE(f.view.horizontalHeader()->visualIndex(2), 2); // the header shows model order again
        QCOMPARE(f.view.columnWidth(2), f.view.twipsToPixelsX(2000));
        QCOMPARE(moved.count(), 1);
        QCOMPARE(moved.at(0), (QVariantList { 0, 2 }));
    }

    void sizesFollowTheModelInTwips()
    {
        Fixture f;
        f.model.setColumnWidth(1, 1440);
        QCOMPARE(f.view.columnWidth(1), f.view.logicalDpiX());
        f.model.setColumnHidden(2, true);
        QVERIFY(f.view.isColumnHidden(2));
        f.model.setRowHeight(3, 720);
        QCOMPARE(f.view.rowHeight(3), qRound(f.view.logicalDpiY() / 2.0));
        QCOMPARE(f.view.rowHeight(4), f.view.twipsToPixelsY(GridModel::kDefaultRowHeight));
        // A user's resize goes back into the model in twips.
        f.view.horizontalHeader()->resizeSection(0, f.view.logicalDpiX() * 2);
        QCOMPARE(f.model.columnWidth(0), 2880);
        f.model.setGridLines(false);
        QVERIFY(!f.view.showGrid());
    }

    void editingInPlaceWritesTheModel()
    {
        Fixture f;
        QSignalSpy before(&f.view, &GridView::beforeEdit);
        QSignalSpy after(&f.view, &GridView::afterEdit);
        f.model.setCursor(2, 0);
        f.view.setFocus();
        QTest::keyClick(&f.view, Qt::Key_F2);
        QVERIFY(f.view.isEditing());
        auto *editor = f.view.viewport()->findChild<QLineEdit *>();
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, u"Zed"_s);
        QTest::keyClick(editor, Qt::Key_Return);
        // The delegate commits on the next pass of the event loop.
        QTRY_COMPARE_WITH_TIMEOUT(f.model.text(2, 0), u"Zed"_s, 2000);
        QCOMPARE(before.count(), 1);
        QCOMPARE(after.count(), 1);
        QCOMPARE(after.at(0).at(0).toInt(), 2);

        // A listener may refuse the edit.
        connect(&f.view, &GridView::beforeEdit, this, [](int, int, bool *cancel) { *cancel = true; });
        QTest::mouseDClick(f.view.viewport(), Qt::LeftButton, {}, f.cellCenter(3, 1));
        QVERIFY(!f.view.isEditing());

        // The model can ask for an edit too (a command that starts editing the current cell).
        disconnect(&f.view, &GridView::beforeEdit, this, nullptr);
        f.model.setCursor(4, 2);
        f.model.startEdit();
        QVERIFY(f.view.isEditing());
    }

    void pickListColumnsEditWithACombo()
    {
        Fixture f;
        f.model.setColumnPickList(1, u"Left|Center|Right"_s);
        f.model.setCursor(2, 1);
        f.model.startEdit();
        auto *combo = f.view.viewport()->findChild<QComboBox *>(u"gridPickList"_s);
        QVERIFY(combo);
        QCOMPARE(combo->count(), 3);
        combo->setCurrentIndex(2);
        QTest::keyClick(combo, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(f.model.text(2, 1), u"Right"_s, 2000);
    }

    void checkBoxCellsToggleInTheModel()
    {
        Fixture f;
        CellFormat box;
        box.check = CheckBox::Unchecked;
        f.model.setCellFormat(2, 2, box);
        const QRect cell = f.view.visualRect(f.model.index(2, 2));
        // The check box sits at the cell's left; click there.
        const QPoint p(cell.left() + 10, cell.center().y());
        QTest::mouseClick(f.view.viewport(), Qt::LeftButton, {}, p);
        QCOMPARE(f.model.cellFormat(2, 2).check, CheckBox::Checked);
        QTest::mouseClick(f.view.viewport(), Qt::LeftButton, {}, p);
        QCOMPARE(f.model.cellFormat(2, 2).check, CheckBox::Unchecked);
    }

    void draggedCellsCarryClipText()
    {
        Fixture f;
        f.model.setDragEnabled(true);
        QVERIFY(f.view.dragEnabled());
        const QModelIndexList cells { f.model.index(2, 1), f.model.index(1, 0), f.model.index(2, 0),
            f.model.index(1, 1) };
        std::unique_ptr<QMimeData> mime(f.model.mimeData(cells));
        QCOMPARE(mime->text(),
            f.model.text(1, 0) + QLatin1Char('\t') + f.model.text(1, 1) + QLatin1Char('\r') + f.model.text(2, 0)
                + QLatin1Char('\t') + f.model.text(2, 1));
    }

    void cellPicturesShowAtTheirSide()
    {
        Fixture f;
        QImage image(12, 12, QImage::Format_ARGB32);
        image.fill(Qt::red);
        const QString path = QDir::temp().filePath(u"dq-grid-picture-%1.png"_s.arg(QCoreApplication::applicationPid()));
        QVERIFY(image.save(path));
        CellFormat f1;
        f1.picture = path;
        f1.pictureAlignment = Alignment::RightCenter;
        f.model.setCellFormat(2, 1, f1);
        const QIcon icon = qvariant_cast<QIcon>(f.model.data(f.model.index(2, 1), Qt::DecorationRole));
        QVERIFY(!icon.isNull());
        QVERIFY(f.model.data(f.model.index(2, 0), Qt::DecorationRole).isNull());
        // The red picture is drawn at the cell's right end, not its left.
        f.view.repaint();
        const QImage shot = f.view.viewport()->grab().toImage();
        const QRect cell = f.view.visualRect(f.model.index(2, 1));
        auto redIn = [&](int x0, int x1) {
            for (int x = x0; x < x1; ++x)
                if (shot.pixelColor(x, cell.center().y()) == QColor(Qt::red))
                    return true;
            return false;
        };
        QVERIFY(redIn(cell.center().x(), cell.right()));
        QVERIFY(!redIn(cell.left(), cell.center().x()));
        QFile::remove(path);
    }

    void notificationsReachListeners()
    {
        Fixture f;
        QSignalSpy clicked(&f.view, &GridView::cellClicked);
        QSignalSpy right(&f.view, &GridView::rightButtonUp);
        QSignalSpy keys(&f.view, &GridView::keyDown);
        QSignalSpy focus(&f.view, &GridView::focusEntered);
        QTest::mouseClick(f.view.viewport(), Qt::LeftButton, {}, f.cellCenter(3, 2));
        QCOMPARE(clicked, (QList<QVariantList> { { 3, 2 } }));
        QTest::mouseClick(f.view.viewport(), Qt::RightButton, {}, f.cellCenter(4, 1));
        QCOMPARE(right.count(), 1);
        QCOMPARE(right.at(0).at(0).toInt(), 4);
        const int rowBefore = f.view.currentIndex().row();
        QTest::keyClick(&f.view, Qt::Key_Down);
        QCOMPARE(keys.count(), 1);
        QCOMPARE(keys.at(0).at(0).toInt(), int(Qt::Key_Down));
        QCOMPARE(f.model.row(), rowBefore + 1); // the cursor followed the key
        f.view.clearFocus();
        f.model.takeFocus();
        QTRY_VERIFY_WITH_TIMEOUT(focus.count() >= 1, 2000);
    }
};

QTEST_MAIN(TestGridView)
#include "tst_gridview.moc"
