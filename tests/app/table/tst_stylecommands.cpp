#include "app/grid/gridview.h"
#include "app/table/datatoolcommands.h"
#include "app/table/pancolor.h"
#include "app/table/sortarrows.h"
#include "app/table/stylecommands.h"
#include "core/table/filecommands.h"
#include "support/gui/tablewindowfixture.h"

#include <QHeaderView>

using namespace dq;
using dq::test::named;
using namespace Qt::StringLiterals;

// The style keys' own state, the text colour palette, the window's look switches and the sort
// arrows; the one-row-per-command wiring is tst_editcommands', the rules are the core's.
class TestStyleCommands : public QObject, test::TableWindowFixture
{
    Q_OBJECT

    StyleCommands *styles() const { return m_window->findChild<StyleCommands *>(u"styleCommands"_s); }
    QAction *key(const QString &k) const { return m_window->toolbarButton(0, k); }

private slots:
    void init()
    {
        QVERIFY(openWindow(true));
        m_window->setFocusOwner(FocusOwner::RecordTable);
        fillTable(fa().rows() - 1);
        m_window->table().MakeModified(false);
    }

    void cleanup() { QCOMPARE(closeWindow(), 0); }

    void buttonsFollowTheCurrentCell()
    {
        CellFormat f;
        f.bold = true;
        fa().setCellFormat(5, 3, f);
        m_window->enterBlockMode();
        fa().setCursor(5, 3);
        QVERIFY(key(u"Bold"_s)->isChecked() && !key(u"Italic"_s)->isChecked());
        fa().setCursor(6, 3);
        QVERIFY(!key(u"Bold"_s)->isChecked());
        key(u"Bold"_s)->trigger(); // on the plain cell it turns bold on, not off
        QVERIFY(fa().cellFormat(6, 3).bold);
    }

    void paletteChoosesAndRemembersTheTextColour()
    {
        PanColor *pan = named<PanColor>(*m_window, "PanColor");
        QVERIFY(showWindow());
        m_window->enterBlockMode();
        fa().select(2, 1, 3, 2);
        key(u"Acolor"_s)->trigger();
        QVERIFY(pan->isVisible());
        QFrame *swatch = named<QFrame>(*pan, "SSPanelColor_5");
        QTest::mouseClick(swatch, Qt::LeftButton);
        QVERIFY(!pan->isVisible());
        QCOMPARE(swatch->frameShadow(), QFrame::Sunken);
        const QColor purple(128, 0, 128);
        QCOMPARE(QColor::fromRgb(fa().cellFormat(3, 2).fore), purple);
        QVERIFY(!fa().cellFormat(3, 3).hasFore);
        // The "A" key's bar shows the colour, and the key gives it again.
        QCOMPARE(key(u"A"_s)->icon().pixmap(QSize(20, 20)).toImage().pixelColor(10, 17), purple);
        fa().select(8, 4, 8, 4);
        key(u"A"_s)->trigger();
        QCOMPARE(QColor::fromRgb(fa().cellFormat(8, 4).fore), purple);
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
        m_prompts->fileNames = { path };
        QVERIFY(m_window->fileCommands().saveAs(FileKind::Native));
        grid->trigger();
        alternate->trigger();
        m_prompts->fileNames = { path };
        QVERIFY(m_window->fileCommands().open(FileKind::Native));
        QVERIFY(fa().gridLines());
        QVERIFY(fa().alternateRowColor() != CellStyling::alternateRowColor());
        QVERIFY(!m_window->table().changed());
        grid->trigger();
        m_window->fileCommands().newTable();
        QVERIFY(!fa().gridLines());
    }

    // The order is the core's; the window shows its own arrow pictures and offers Save.
    void titleClicksShowTheArrowsAndOfferSave()
    {
        useNamedFile();
        const SortArrows *arrows = m_window->findChild<DataToolCommands *>()->sortArrows();
        GridView *view = named<GridView>(*m_window, "fa");
        emit view->horizontalHeader()->sectionClicked(2);
        QCOMPARE(view->titlePicture(2).cacheKey(), arrows->ImgU().cacheKey());
        QVERIFY(m_window->table().saveEnabled());
        emit view->horizontalHeader()->sectionClicked(2);
        QCOMPARE(view->titlePicture(2).cacheKey(), arrows->ImgD().cacheKey());
        emit view->horizontalHeader()->sectionClicked(4);
        QCOMPARE(view->titlePicture(4).cacheKey(), arrows->ImgU().cacheKey());
        const qint64 left = view->titlePicture(2).cacheKey(); // the arrow left the first column
        QVERIFY(left != arrows->ImgU().cacheKey() && left != arrows->ImgD().cacheKey());
        QCOMPARE(arrows->lastSortedColumn(), 4);
    }
};

QTEST_MAIN(TestStyleCommands)
#include "tst_stylecommands.moc"
