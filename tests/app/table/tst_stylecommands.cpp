#include "app/grid/gridview.h"
#include "app/table/datatoolcommands.h"
#include "app/table/pancolor.h"
#include "app/table/sortarrows.h"
#include "app/table/stylecommands.h"
#include "core/shell/shellsettings.h"
#include "core/table/filecommands.h"
#include "support/gui/tablewindowfixture.h"

#include <QHeaderView>

using namespace dq;
using dq::test::named;
using namespace Qt::StringLiterals;

namespace {
// The colour of the bar under the "A" of a toolbar colour picture.
QColor barColor(const QIcon &icon)
{
    return icon.pixmap(QSize(20, 20)).toImage().pixelColor(10, 17);
}
} // namespace

// The style and data commands' own behaviour in the window; the one-row-per-command wiring is
// tst_editcommands', the rules are the core's.
class TestStyleCommands : public QObject, test::TableWindowFixture
{
    Q_OBJECT

    GridModel *m_form = nullptr;

    StyleCommands *styles() const { return m_window->findChild<StyleCommands *>(u"styleCommands"_s); }
    QAction *key(const QString &k) const { return m_window->toolbarButton(0, k); }

    DataToolCommands *tools() const { return m_window->findChild<DataToolCommands *>(u"dataToolCommands"_s); }
    void clickTitle(int col) { emit named<GridView>(*m_window, "fa")->horizontalHeader()->sectionClicked(col); }
    QStringList column(int col)
    {
        QStringList texts;
        for (int r = 1; r < fa().rows(); ++r)
            texts.append(fa().text(r, col));
        return texts;
    }
    void fillRows(const QList<QStringList> &rows)
    {
        fa().setRows(1 + int(rows.size()));
        for (int r = 0; r < rows.size(); ++r)
            for (int c = 0; c < fa().cols(); ++c)
                fa().setText(r + 1, c, rows.at(r).value(c));
    }
    bool sameIcon(const QIcon &a, const QIcon &b) const { return a.cacheKey() == b.cacheKey(); }

private slots:
    void init()
    {
        QVERIFY(openWindow(true));
        m_form = named<GridView>(*m_window, "fb")->gridModel();
        m_window->setFocusOwner(FocusOwner::RecordTable);
        fillTable(fa().rows() - 1);
        m_window->table().MakeModified(false);
        tools()->setClock([] { return QDateTime(QDate(2026, 3, 4), QTime(9, 5, 7)); });
    }

    void cleanup() { QCOMPARE(closeWindow(), 0); }

    void formPanelFocusStylesOnlyItsValueCell()
    {
        useNamedFile();
        fa().setCursor(2, 0);
        fa().setSelectedRows({ 2 });
        // The record table's cell is styled already; the Form panel's state is its own.
        key(u"Underline"_s)->trigger();
        m_window->table().MakeModified(false);
        m_window->setFocusOwner(FocusOwner::FormPanel);
        m_form->setCursor(3, 1);
        styles()->refreshFormState();
        QVERIFY(!key(u"Underline"_s)->isChecked());

        key(u"Underline"_s)->trigger();
        QVERIFY(m_form->cellFormat(3, 1).underline);
        QVERIFY(!m_form->cellFormat(3, 0).underline && !m_form->cellFormat(4, 1).underline);
        QVERIFY(fa().cellFormat(2, 0).underline);
        // The Form panel only changes how the record is shown.
        QVERIFY(!m_window->table().changed());
        QVERIFY(!m_window->table().saveEnabled());
        QVERIFY(key(u"Underline"_s)->isChecked());

        key(u"Underline"_s)->trigger();
        QVERIFY(!m_form->cellFormat(3, 1).underline);
        QVERIFY(fa().cellFormat(2, 0).underline);
    }

    void buttonsFollowTheCurrentCell()
    {
        CellFormat f;
        f.bold = true;
        f.underline = true;
        fa().setCellFormat(5, 3, f);
        m_window->enterBlockMode();
        fa().setCursor(5, 3);
        QVERIFY(key(u"Bold"_s)->isChecked());
        QVERIFY(!key(u"Italic"_s)->isChecked());
        QVERIFY(key(u"Underline"_s)->isChecked());
        fa().setCursor(6, 3);
        QVERIFY(!key(u"Bold"_s)->isChecked());
        QVERIFY(!key(u"Underline"_s)->isChecked());
        // Bold on the plain cell turns it on, not off.
        key(u"Bold"_s)->trigger();
        QVERIFY(fa().cellFormat(6, 3).bold);
    }

    void paletteChoosesAndRemembersTheTextColour()
    {
        PanColor *pan = named<PanColor>(*m_window, "PanColor");
        QVERIFY(!pan->isVisible());
        QVERIFY(showWindow());
        key(u"Acolor"_s)->trigger();
        QVERIFY(pan->isVisible());
        // Any other key of the toolbar puts it away.
        key(u"Italic"_s)->trigger();
        QVERIFY(!pan->isVisible());
        key(u"Italic"_s)->trigger();

        m_window->enterBlockMode();
        const GridRange range { 2, 1, 3, 2 };
        fa().select(2, 1, 3, 2);
        key(u"Acolor"_s)->trigger();
        QFrame *swatch = named<QFrame>(*pan, "SSPanelColor_5");
        QTest::mouseClick(swatch, Qt::LeftButton);
        QVERIFY(!pan->isVisible());
        QCOMPARE(swatch->frameShadow(), QFrame::Sunken);
        QCOMPARE(pan->findChild<QFrame *>(u"SSPanelColor_0"_s)->frameShadow(), QFrame::Raised);
        const QColor purple(128, 0, 128);
        for (int r = range.top; r <= range.bottom; ++r)
            for (int c = range.left; c <= range.right; ++c)
                QVERIFY(fa().cellFormat(r, c).hasFore && QColor::fromRgb(fa().cellFormat(r, c).fore) == purple);
        QCOMPARE(barColor(key(u"A"_s)->icon()), purple);

        fa().select(8, 4, 8, 4);
        key(u"A"_s)->trigger();
        QCOMPARE(QColor::fromRgb(fa().cellFormat(8, 4).fore), purple);
        QVERIFY(!fa().cellFormat(8, 5).hasFore);

        // A click on the panel beside the swatches hides it and chooses nothing.
        key(u"Acolor"_s)->trigger();
        QTest::mouseClick(pan, Qt::LeftButton, {}, QPoint(1, 1));
        QVERIFY(!pan->isVisible());
        QCOMPARE(styles()->currentTextColor(), 5);
    }

    void openedTablesFollowTheWindowsSwitches()
    {
        const QString path = test::tempDir() + u"/switches.tsy"_s;
        QAction *grid = action(u"mnuGrid"_s);
        QAction *alternate = action(u"mnuAlternateColor"_s);
        if (!alternate->isChecked())
            alternate->trigger();
        grid->trigger();
        QVERIFY(!grid->isChecked() && !fa().gridLines());
        m_prompts->fileNames = { path };
        QVERIFY(m_window->fileCommands().saveAs(FileKind::Native));

        grid->trigger();
        alternate->trigger();
        m_prompts->fileNames = { path };
        QVERIFY(m_window->fileCommands().open(FileKind::Native));
        QCOMPARE(fa().text(1, 0), u"r1c0"_s);
        QVERIFY(fa().gridLines());
        QVERIFY(fa().alternateRowColor() != CellStyling::alternateRowColor());
        QVERIFY(!m_window->table().changed());

        grid->trigger();
        m_window->fileCommands().newTable();
        QVERIFY(!fa().gridLines());
        QVERIFY(!m_window->table().changed());
    }

    void titleClicksSortByTypeAndMoveTheArrow()
    {
        useNamedFile();
        fa().setColumnDataType(2, DataType::Double);
        fillRows({ { u"b"_s, {}, u"10"_s, {}, u"x"_s }, { u"a"_s, {}, u"9"_s, {}, u"Y"_s },
            { u"c"_s, {}, u"100"_s, {}, u"z"_s } });
        m_window->table().MakeModified(false);
        const SortArrows *arrows = tools()->sortArrows();
        GridView *view = named<GridView>(*m_window, "fa");

        clickTitle(2);
        QCOMPARE(column(2), QStringList({ u"9"_s, u"10"_s, u"100"_s }));
        QVERIFY(sameIcon(view->titlePicture(2), arrows->ImgU()));
        QCOMPARE(arrows->lastSortedColumn(), 2);
        QVERIFY(m_window->table().saveEnabled());

        clickTitle(2);
        QCOMPARE(column(2), QStringList({ u"100"_s, u"10"_s, u"9"_s }));
        QVERIFY(sameIcon(view->titlePicture(2), arrows->ImgD()));

        // Text sorts without regard to letter case; the first column loses its arrow.
        clickTitle(4);
        QCOMPARE(column(4), QStringList({ u"x"_s, u"Y"_s, u"z"_s }));
        QVERIFY(sameIcon(view->titlePicture(4), arrows->ImgU()));
        QVERIFY(!sameIcon(view->titlePicture(2), arrows->ImgU()));
        QVERIFY(!sameIcon(view->titlePicture(2), arrows->ImgD()));
        QCOMPARE(arrows->lastSortedColumn(), 4);

        clickTitle(4);
        QVERIFY(sameIcon(view->titlePicture(4), arrows->ImgD()));
        QCOMPARE(column(4), QStringList({ u"z"_s, u"Y"_s, u"x"_s }));
    }

    void movingAColumnByItsTitle()
    {
        useNamedFile();
        clickTitle(1);
        QCOMPARE(tools()->sortArrows()->lastSortedColumn(), 1);
        m_window->table().MakeModified(false);
        fa().moveColumn(1, 4);
        QVERIFY(m_window->table().saveEnabled());
        QCOMPARE(fa().text(0, 4), u"Street"_s);
        // The arrow's column is still the one that was sorted.
        QCOMPARE(tools()->sortArrows()->lastSortedColumn(), 4);
        fa().moveColumn(0, 6);
        QCOMPARE(tools()->sortArrows()->lastSortedColumn(), 3);
    }

    void aNewTableSortsOnTitleClicksToo()
    {
        clickTitle(3);
        m_window->table().buildNewTable();
        QVERIFY(fa().sortOnTitleClick());
        QVERIFY(fa().columnDragEnabled());
        QCOMPARE(tools()->sortArrows()->lastSortedColumn(), 0);
        QVERIFY(!m_window->table().changed());
    }

    void stampOnTheFormPanelField_data()
    {
        QTest::addColumn<quint8>("owner");
        QTest::newRow("the Form panel had the focus last") << quint8(2);
        QTest::newRow("no grid has had the focus yet") << quint8(0);
    }

    void stampOnTheFormPanelField()
    {
        QFETCH(quint8, owner);
        m_window->setFocusOwner(FocusOwner(owner));
        fa().setColumnFormat(2, u"dd-Mmm-yyyy"_s);
        fa().setCursor(4, 7);
        fa().setText(4, 2, u"Troy"_s);
        m_window->fa_Click();
        m_form->setCursor(3, 1);
        action(u"mnuDateTimeNow"_s)->trigger();
        QCOMPARE(m_form->text(3, 1), u"Troy 04-Mar-2026"_s);
        QCOMPARE(fa().text(4, 2), u"Troy 04-Mar-2026"_s);
        QCOMPARE(fa().text(4, 7), u"r4c7"_s);
    }
};

QTEST_MAIN(TestStyleCommands)
#include "tst_stylecommands.moc"
