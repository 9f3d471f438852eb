#include "app/grid/gridview.h"
#include "app/table/pancolor.h"
#include "app/table/stylecommands.h"
#include "core/shell/shellsettings.h"
#include "core/table/filecommands.h"
#include "support/gui/tablewindowfixture.h"

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

private slots:
    void init()
    {
        QVERIFY(openWindow(true));
        m_form = named<GridView>(*m_window, "fb")->gridModel();
        m_window->setFocusOwner(FocusOwner::RecordTable);
        fillTable(fa().rows() - 1);
        m_window->table().MakeModified(false);
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

        // A cell of the range turned plain by other means: the second press still turns
        // the style off over the whole range, because the current cell shows it on.
        fa().setCellFormat(range.bottom, range.right, CellFormat {});
        button->trigger();
        QVERIFY(!button->isChecked());
        for (int r = range.top; r <= range.bottom; ++r)
            for (int c = range.left; c <= range.right; ++c)
                QVERIFY(!hasStyle(fa().cellFormat(r, c), style));
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
        m_prompts->colors = { QColor(), QColor(), QColor(10, 20, 30) };
        const QList<CellFormat> before = formatsOf(grid);

        // Cancelled, on the first use as on the next: nothing changes.
        for (int i = 0; i < 2; ++i) {
            action(command)->trigger();
            QVERIFY(formatsOf(grid) == before);
            QVERIFY(!m_window->table().changed());
        }
        action(command)->trigger();
        QCOMPARE(m_prompts->asked.size(), 3);
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
        QTest::newRow("Right on a Row-mode selection")
            << "mnuAlignRight" << int(Alignment::RightCenter) << quint8(1) << MouseMode::Row;
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
};

QTEST_MAIN(TestStyleCommands)
#include "tst_stylecommands.moc"
