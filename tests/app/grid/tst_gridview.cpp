#include "app/grid/gridview.h"
#include "support/casetable.h"
#include "support/gridtext.h"
#include "support/testsupport.h"

#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

using namespace dq;
using namespace Qt::StringLiterals;

namespace {

// A shown view over a titled grid whose cities are in a scrambled order, so a sort visibly moves rows.
struct Fixture
{
    GridModel model;
    GridView view;

    Fixture()
    {
        test::fillRows(model,
            test::texts({ "Name|City|Phone", "n1|c4|p1", "n2|c2|p2", "n3|c6|p3", "n4|c1|p4", "n5|c5|p5", "n6|c3|p6" }));
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
        QVERIFY(f.view.isRowHidden(0) && !f.view.isRowHidden(1));
        f.model.setText(0, 1, u"Town"_s);
        QCOMPARE(f.view.model()->headerData(1, Qt::Horizontal).toString(), u"Town"_s);
        // Rows inserted above keep the title row hidden and show the old first data row.
        f.model.insertRow(1);
        QVERIFY(f.view.isRowHidden(0) && !f.view.isRowHidden(1) && !f.view.isRowHidden(2));
        f.model.setFixedRows(0);
        QVERIFY(!f.view.isRowHidden(0));
    }

    // Sorting by a title click (its order, arrows and reversal) is checked through the window in
    // tst_tablewindow; here: a sorting click selects nothing, and with sorting off it selects the column.
    void titleClickSelectsTheColumnOnlyWhenSortingIsOff()
    {
        Fixture f;
        f.model.setCursor(3, 0);
        f.clickTitle(1);
        QCOMPARE(f.model.selection(), (GridRange { 3, 0, 3, 0 }));
        QCOMPARE(f.column(1), (QStringList { u"c1"_s, u"c2"_s, u"c3"_s, u"c4"_s, u"c5"_s, u"c6"_s }));
        f.model.setSortOnTitleClick(false);
        f.clickTitle(0);
        QCOMPARE(f.column(0), (QStringList { u"n4"_s, u"n2"_s, u"n6"_s, u"n1"_s, u"n5"_s, u"n3"_s }));
        QCOMPARE(f.model.selection(), (GridRange { 1, 0, f.model.rows() - 1, 0 }));
    }

    // clicks: rows, "c" for Ctrl, "s" for Shift.
    void listBoxClicksMarkModelRows_data() { test::addCaseRows(u"app/grid/listboxclicks.tsv"_s); }

    void listBoxClicksMarkModelRows()
    {
        QFETCH(QString, clicks);
        QFETCH(QString, expected);
        Fixture f;
        f.view.setSelectionMode(GridModel::SelectionMode::ListBox);
        for (const QString &click : clicks.split(u' ')) {
            const Qt::KeyboardModifiers mods = click.endsWith(u'c') ? Qt::ControlModifier
                : click.endsWith(u's')                              ? Qt::ShiftModifier
                                                                    : Qt::NoModifier;
            QTest::mouseClick(f.view.viewport(), Qt::LeftButton, mods, f.cellCenter(click.left(1).toInt(), 1));
        }
        const std::vector<int> got = f.model.selectedRows();
        QCOMPARE(QList<int>(got.begin(), got.end()), test::numbers(expected));
        QCOMPARE(f.view.selectedRowCount(), int(test::numbers(expected).size()));
        QCOMPARE(f.model.row(), clicks.section(u' ', -1).left(1).toInt());
    }

    void selectionsMirrorTheModelBothWays()
    {
        Fixture f;
        QTest::mouseClick(f.view.viewport(), Qt::LeftButton, {}, f.cellCenter(2, 0));
        QTest::mouseClick(f.view.viewport(), Qt::LeftButton, Qt::ShiftModifier, f.cellCenter(4, 2));
        QCOMPARE(f.model.selection(), (GridRange { 2, 0, 4, 2 }));
        QCOMPARE((QList<int> { f.model.row(), f.model.col() }), (QList<int> { 2, 0 }));
        f.model.select(5, 1, 3, 2);
        QCOMPARE(f.view.selectionModel()->selectedIndexes().size(), 6);
        QCOMPARE(f.view.currentIndex(), f.model.index(3, 2));
        // Select-all takes every data row but not the title row shown as the header.
        f.view.setFocus();
        QTest::keyClick(&f.view, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(f.model.selection(), (GridRange { 1, 0, f.model.rows() - 1, 2 }));
        // A command may switch the mode and mark rows on the model alone; the view follows.
        f.model.setSelectionMode(GridModel::SelectionMode::ListBox);
        QCOMPARE(f.view.selectionBehavior(), QAbstractItemView::SelectRows);
        f.model.setSelectedRows({ 2, 3, 6 });
        for (int r = 1; r <= 6; ++r)
            QCOMPARE(f.view.selectionModel()->isRowSelected(r, {}), r == 2 || r == 3 || r == 6);
        QTest::keyClick(&f.view, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(f.model.selectedRowCount(), f.model.rows() - 1);
        // Dragged cells carry their block as clip text.
        f.model.setDragEnabled(true);
        QVERIFY(f.view.dragEnabled());
        std::unique_ptr<QMimeData> mime(
            f.model.mimeData({ f.model.index(2, 1), f.model.index(1, 0), f.model.index(2, 0), f.model.index(1, 1) }));
        QCOMPARE(mime->text(), u"n1\tc4\rn2\tc2"_s);
    }

    void titleDragsAndSizesGoBetweenViewAndModel()
    {
        Fixture f;
        f.model.setColumnDragEnabled(true);
        f.model.setColumnWidth(0, 1440);
        QCOMPARE(f.view.columnWidth(0), f.view.logicalDpiX());
        f.view.horizontalHeader()->moveSection(0, 2); // what a finished title drag does
        QCOMPARE(f.model.rowTexts(0), (QStringList { u"City"_s, u"Phone"_s, u"Name"_s }));
        QCOMPARE(f.model.columnWidth(2), 1440);
        QCOMPARE(f.view.horizontalHeader()->visualIndex(2), 2); // the header shows model order again
        f.model.setColumnHidden(1, true);
        QVERIFY(f.view.isColumnHidden(1));
        f.model.setRowHeight(3, 720);
        QCOMPARE(f.view.rowHeight(3), qRound(f.view.logicalDpiY() / 2.0));
        // A user's resize goes back into the model in twips.
        f.view.horizontalHeader()->resizeSection(0, f.view.logicalDpiX() * 2);
        QCOMPARE(f.model.columnWidth(0), 2880);
        f.model.setGridLines(false);
        QVERIFY(!f.view.showGrid());
    }

    void editingInPlaceWritesTheModel()
    {
        Fixture f;
        QSignalSpy after(&f.view, &GridView::afterEdit);
        f.model.setCursor(2, 0);
        f.view.setFocus();
        QTest::keyClick(&f.view, Qt::Key_F2);
        auto *editor = f.view.viewport()->findChild<QLineEdit *>();
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, u"Zed"_s);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(f.model.text(2, 0), u"Zed"_s); // the delegate commits on a later pass
        QCOMPARE(after, (QList<QVariantList> { { 2, 0 } }));
        // A listener may refuse the edit.
        connect(&f.view, &GridView::beforeEdit, this, [](int, int, bool *cancel) { *cancel = true; });
        QTest::mouseDClick(f.view.viewport(), Qt::LeftButton, {}, f.cellCenter(3, 1));
        QVERIFY(!f.view.isEditing());
        disconnect(&f.view, &GridView::beforeEdit, this, nullptr);
        // A pick-list column edits with a combo; the model can start an edit (a command does).
        f.model.setColumnPickList(1, u"Left|Center|Right"_s);
        f.model.setCursor(2, 1);
        f.model.startEdit();
        auto *combo = f.view.viewport()->findChild<QComboBox *>(u"gridPickList"_s);
        QVERIFY(combo);
        QCOMPARE(combo->count(), 3);
        combo->setCurrentIndex(2);
        QTest::keyClick(combo, Qt::Key_Return);
        QTRY_COMPARE(f.model.text(2, 1), u"Right"_s);
    }

    void checkBoxCellsToggleInTheModel()
    {
        Fixture f;
        CellFormat box;
        box.check = CheckBox::Unchecked;
        f.model.setCellFormat(2, 2, box);
        const QRect cell = f.view.visualRect(f.model.index(2, 2));
        const QPoint p(cell.left() + 10, cell.center().y()); // the box sits at the cell's left
        QTest::mouseClick(f.view.viewport(), Qt::LeftButton, {}, p);
        QCOMPARE(f.model.cellFormat(2, 2).check, CheckBox::Checked);
        QTest::mouseClick(f.view.viewport(), Qt::LeftButton, {}, p);
        QCOMPARE(f.model.cellFormat(2, 2).check, CheckBox::Unchecked);
    }

    void cellPicturesShowAtTheirSide()
    {
        Fixture f;
        QImage image(12, 12, QImage::Format_ARGB32);
        image.fill(Qt::red);
        const QString path = test::tempDir() + u"/picture.png"_s;
        QVERIFY(image.save(path));
        CellFormat pictured;
        pictured.picture = path;
        pictured.pictureAlignment = Alignment::RightCenter;
        f.model.setCellFormat(2, 1, pictured);
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
    }
};

QTEST_MAIN(TestGridView)
#include "tst_gridview.moc"
