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

Q_DECLARE_METATYPE(CellStyling::FontStyle)
Q_DECLARE_METATYPE(MouseMode)

namespace {

using Style = CellStyling::FontStyle;

bool hasStyle(const CellFormat &f, Style style)
{
    return style == Style::Bold ? f.bold : style == Style::Italic ? f.italic : f.underline;
}

// The toolbar key of a style.
QString keyOf(Style style)
{
    return style == Style::Bold ? u"Bold"_s : style == Style::Italic ? u"Italic"_s : u"Underline"_s;
}

QList<CellFormat> formatsOf(const GridModel &grid)
{
    QList<CellFormat> formats;
    for (int r = 0; r < grid.rows(); ++r)
        for (int c = 0; c < grid.cols(); ++c)
            formats.append(grid.cellFormat(r, c));
    return formats;
}

// The colour of the bar under the "A" of a toolbar colour picture.
QColor barColor(const QIcon &icon)
{
    return icon.pixmap(QSize(20, 20)).toImage().pixelColor(10, 17);
}

} // namespace

class TestStyleCommands : public QObject, test::TableWindowFixture
{
    Q_OBJECT

    GridModel *m_form = nullptr;

    StyleCommands *styles() const { return m_window->findChild<StyleCommands *>(u"styleCommands"_s); }
    QAction *key(const QString &k) const { return m_window->toolbarButton(0, k); }

    void setMode(MouseMode mode)
    {
        if (mode == MouseMode::Row)
            m_window->enterRowMode();
        else
            m_window->enterBlockMode();
    }

    // Rows 2 and 3 in Row mode; the block (2,1)-(3,2) in Block mode.
    GridRange selectSample(MouseMode mode)
    {
        setMode(mode);
        if (mode == MouseMode::Row) {
            fa().select(2, 0, 3, fa().cols() - 1);
            fa().setSelectedRows({ 2, 3 });
            return GridRange { 2, 0, 3, fa().cols() - 1 };
        }
        fa().select(2, 1, 3, 2);
        return GridRange { 2, 1, 3, 2 };
    }

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

    void toggleActsOnTheSelection_data()
    {
        QTest::addColumn<Style>("style");
        QTest::addColumn<MouseMode>("mode");
        QTest::addColumn<bool>("named");
        // Each key once; the styling rules themselves are the core's.
        QTest::newRow("Bold in Row mode styles whole rows") << Style::Bold << MouseMode::Row << false;
        QTest::newRow("Italic in Block mode on a named file offers Save") << Style::Italic << MouseMode::Block << true;
        QTest::newRow("Underline in Row mode") << Style::Underline << MouseMode::Row << false;
    }

    void toggleActsOnTheSelection()
    {
        QFETCH(Style, style);
        QFETCH(MouseMode, mode);
        QFETCH(bool, named);
        if (named)
            useNamedFile();
        const GridRange range = selectSample(mode);
        QAction *button = key(keyOf(style));
        QVERIFY(!button->isChecked());
        button->trigger();
        QVERIFY(button->isChecked());
        QVERIFY(m_window->table().changed());
        QCOMPARE(key(u"Save"_s)->isEnabled(), named);
        for (int r = 1; r < fa().rows(); ++r)
            for (int c = 0; c < fa().cols(); ++c)
                QCOMPARE(hasStyle(fa().cellFormat(r, c), style), range.contains(r, c));

        button->trigger(); // the second press clears it again (the rule is the core's)
        QVERIFY(!button->isChecked());
        QVERIFY(!hasStyle(fa().cellFormat(range.top, range.left), style));
    }

    void formPanelFocusStylesOnlyItsValueCell()
    {
        const Style style = Style::Underline;
        useNamedFile();
        selectSample(MouseMode::Row);
        // The record table's cell is styled already; the Form panel's state is its own.
        key(keyOf(style))->trigger();
        m_window->table().MakeModified(false);
        m_window->setFocusOwner(FocusOwner::FormPanel);
        m_form->setCursor(3, 1);
        styles()->refreshFormState();
        QVERIFY(!key(keyOf(style))->isChecked());

        key(keyOf(style))->trigger();
        QVERIFY(hasStyle(m_form->cellFormat(3, 1), style));
        QVERIFY(!hasStyle(m_form->cellFormat(3, 0), style));
        QVERIFY(!hasStyle(m_form->cellFormat(4, 1), style));
        QVERIFY(hasStyle(fa().cellFormat(2, 0), style));
        // The Form panel only changes how the record is shown.
        QVERIFY(!m_window->table().changed());
        QVERIFY(!m_window->table().saveEnabled());
        QVERIFY(key(keyOf(style))->isChecked());

        key(keyOf(style))->trigger();
        QVERIFY(!hasStyle(m_form->cellFormat(3, 1), style));
        QVERIFY(hasStyle(fa().cellFormat(2, 0), style));
    }

    void buttonsFollowTheCurrentCell()
    {
        CellFormat f;
        f.bold = true;
        f.underline = true;
        fa().setCellFormat(5, 3, f);
        setMode(MouseMode::Block);
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

        const GridRange range = selectSample(MouseMode::Block);
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

    void backgroundColour_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<quint8>("owner");
        QTest::newRow("the menu entry on the record table") << "mnuBkColor" << quint8(1);
        QTest::newRow("the Flood key on the record table") << "Toolbar_0_Flood" << quint8(1);
        QTest::newRow("the menu entry on the Form panel") << "mnuBkColor" << quint8(2);
    }

    void backgroundColour()
    {
        QFETCH(QString, command);
        QFETCH(quint8, owner);
        useNamedFile();
        m_window->setFocusOwner(FocusOwner(owner));
        const GridRange range = selectSample(MouseMode::Block);
        m_form->setCursor(4, 1);
        GridModel &grid = owner == 1 ? fa() : *m_form;
        const GridRange target = owner == 1 ? range : GridRange { 4, 1, 4, 1 };
        m_prompts->colors = { QColor(10, 20, 30) };
        const QList<CellFormat> before = formatsOf(grid);
        action(command)->trigger();
        for (int r = 0; r < grid.rows(); ++r)
            for (int c = 0; c < grid.cols(); ++c) {
                const CellFormat f = grid.cellFormat(r, c);
                QVERIFY(target.contains(r, c) ? f.hasBack && QColor::fromRgb(f.back) == QColor(10, 20, 30)
                                              : f == before.at(r * grid.cols() + c));
            }
        QCOMPARE(m_window->table().saveEnabled(), owner == 1);
    }

    void alignmentAlwaysActsOnTheRecordTable_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("alignment");
        QTest::addColumn<quint8>("owner");
        QTest::addColumn<MouseMode>("mode");
        QTest::newRow("Center on a block")
            << "mnuAlignCenter" << int(Alignment::CenterCenter) << quint8(1) << MouseMode::Block;
        QTest::newRow("Left with the Form panel focused")
            << "mnuAlignLeft" << int(Alignment::LeftCenter) << quint8(2) << MouseMode::Block;
        QTest::newRow("Right with no grid focused yet")
            << "mnuAlignRight" << int(Alignment::RightCenter) << quint8(0) << MouseMode::Row;
    }

    void alignmentAlwaysActsOnTheRecordTable()
    {
        QFETCH(QString, entry);
        QFETCH(int, alignment);
        QFETCH(quint8, owner);
        QFETCH(MouseMode, mode);
        m_window->setFocusOwner(FocusOwner(owner));
        const GridRange range = selectSample(mode);
        m_form->setCursor(2, 1);
        const QList<CellFormat> formBefore = formatsOf(*m_form);
        action(entry)->trigger();
        for (int r = 0; r < fa().rows(); ++r)
            for (int c = 0; c < fa().cols(); ++c)
                QCOMPARE(
                    int(fa().cellFormat(r, c).alignment), range.contains(r, c) ? alignment : int(Alignment::Default));
        QVERIFY(formatsOf(*m_form) == formBefore);
        // A change of the table's formats: New, Open and Exit will ask, Save stays as it was.
        QVERIFY(m_window->table().changed());
        QVERIFY(!m_window->table().saveEnabled());
    }

    void wholeTableSwitches()
    {
        // The rules are the core's: each entry reaches them once.
        useNamedFile();
        action(u"mnuFonts"_s)->trigger();
        QCOMPARE(fa().fontSize(), 12);
        QVERIFY(m_window->table().saveEnabled()); // Fonts is a change to save
        QAction *alternate = action(u"mnuAlternateColor"_s);
        const bool was = alternate->isChecked();
        key(u"AlternateColor"_s)->trigger();
        QCOMPARE(alternate->isChecked(), !was);
        QCOMPARE(fa().alternateRowColor() == QColor(Qt::white), was);
        QCOMPARE(m_window->currentSettings().alternateColor, !was);
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

    void deleteDuplicatesFromTheMenu_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("rowsLeft");
        QTest::newRow("Yes removes every exact duplicate") << int(UserPrompts::Answer::Yes) << 3;
        QTest::newRow("No leaves the table untouched") << int(UserPrompts::Answer::No) << 5;
    }

    void deleteDuplicatesFromTheMenu()
    {
        QFETCH(int, answer);
        QFETCH(int, rowsLeft);
        useNamedFile();
        const QStringList smith { u"Smith"_s, u"1 Main"_s, u"Troy"_s };
        const QStringList jones { u"Jones"_s, u"2 Elm"_s, u"Troy"_s };
        const QStringList smithLower { u"smith"_s, u"1 Main"_s, u"Troy"_s };
        fillRows({ smith, jones, smith, smithLower, smith });
        m_window->table().MakeModified(false);
        m_prompts->answers = { UserPrompts::Answer(answer) };
        action(u"mnuDelDup"_s)->trigger();
        QCOMPARE(m_prompts->asked.size(), 1);
        QCOMPARE(m_prompts->asked.first().buttons, UserPrompts::Buttons::YesNoCancel);
        QCOMPARE(fa().rows(), rowsLeft + 1);
        const bool yes = UserPrompts::Answer(answer) == UserPrompts::Answer::Yes;
        QCOMPARE(m_window->table().changed(), yes);
        QCOMPARE(m_window->table().saveEnabled(), yes);
    }

    void parsePhoneColumnFromTheMenu_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("Yes splits the phone column") << int(UserPrompts::Answer::Yes);
        QTest::newRow("No changes nothing") << int(UserPrompts::Answer::No);
    }

    void parsePhoneColumnFromTheMenu()
    {
        QFETCH(int, answer);
        useNamedFile();
        fa().setCols(15);
        fa().setText(1, 5, u"555-1234; 555-9876 (fax); 800-555-0000 (toll-free)"_s);
        m_window->table().MakeModified(false);
        m_prompts->answers = { UserPrompts::Answer(answer) };
        action(u"mnuParsePhoneCol"_s)->trigger();
        QCOMPARE(m_prompts->asked.first().title, u"Parse Phone Column"_s);
        const bool yes = UserPrompts::Answer(answer) == UserPrompts::Answer::Yes;
        QCOMPARE(fa().cols(), yes ? 13 : 15);
        QCOMPARE(fa().text(1, 9), yes ? u"555-9876"_s : u"r1c9"_s);
        QCOMPARE(m_window->table().saveEnabled(), yes);
    }

    // The window's clock reaches the stamp; every format's rule is the core's.
    void stampTwiceOnAnEmptyCell()
    {
        const QString stamp = u"03/04/2026 09:05"_s;
        fa().setColumnFormat(8, u"mm/dd/yyyy hh:mm"_s);
        fa().setText(3, 8, {});
        fa().setCursor(3, 8);
        action(u"mnuDateTimeNow"_s)->trigger();
        QCOMPARE(fa().text(3, 8), QLatin1Char(' ') + stamp);
        QCOMPARE(m_form->text(9, 1), QLatin1Char(' ') + stamp);
        action(u"mnuDateTimeNow"_s)->trigger();
        QCOMPARE(fa().text(3, 8), QLatin1Char(' ') + stamp + QLatin1Char(' ') + stamp);
        QVERIFY(m_window->table().changed());
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
