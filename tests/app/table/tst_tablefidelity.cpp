#include "app/grid/gridview.h"
#include "core/grid/gridfile.h"
#include "support/casetable.h"
#include "support/gridtext.h"
#include "support/gui/tablewindowfixture.h"

#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

using namespace dq;
using namespace Qt::StringLiterals;

// The record table as a user meets it: every gesture goes through the views and the
// window's own commands, so what is checked is what the user would see happen.
class TestTableFidelity : public QObject, test::TableWindowFixture
{
    Q_OBJECT

    GridView *view(const char *name) const { return m_window->findChild<GridView *>(QLatin1String(name)); }

    void clickCell(GridView *v, int row, int col, Qt::KeyboardModifiers mods = {})
    {
        QTest::mouseClick(v->viewport(), Qt::LeftButton, mods, v->visualRect(v->model()->index(row, col)).center());
    }

    void clickTitle(int col)
    {
        QHeaderView *titles = view("fa")->horizontalHeader();
        const QPoint at(titles->sectionViewportPosition(col) + titles->sectionSize(col) / 2, titles->height() / 2);
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, {}, at);
    }

    QStringList column(int col)
    {
        QStringList texts;
        for (int r = 1; r < fa().rows(); ++r)
            texts << fa().text(r, col);
        return texts;
    }

    void fillShuffled()
    {
        test::fillRows(fa(), test::texts({ "Name|Street|City|State", "c|a|d|b", "a|d|b|c", "d|b|c|a", "b|c|a|d" }), 13);
    }

    // Open by the menu entry, or by the Open key's entry of that kind.
    void openThrough(const QString &entryKey, const QString &path)
    {
        m_prompts->fileNames << path;
        if (entryKey == u"mnuOpen")
            action(entryKey)->trigger();
        else
            for (QAction *a : m_window->findChild<QMenu *>(u"Toolbar_0_Open_menu"_s)->actions())
                if (a->data().toString() == entryKey)
                    a->trigger();
    }

    // The darkest grey on a toolbar key as drawn: the ink of its picture.
    int darkestInk(QAction *key)
    {
        for (QToolButton *b : m_window->findChildren<QToolButton *>()) {
            if (b->defaultAction() != key)
                continue;
            const QImage image = b->grab().toImage();
            int darkest = 255;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    darkest = qMin(darkest, qGray(image.pixel(x, y)));
            return darkest;
        }
        return -1;
    }

private slots:
    void init()
    {
        QVERIFY(openWindow());
        QVERIFY(showWindow());
        m_window->showTab(frmMain::kTabResults);
        fillTable(6);
        m_window->table().MakeModified(false);
    }

    void cleanup() { QCOMPARE(closeWindow(), 0); }

    void rowModeStylingTakesEveryMarkedRow_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QList<int>>("rows");
        QTest::newRow("Bold after Ctrl-clicks") << u"ctrl-click"_s << u"key:Bold"_s << QList<int> { 2, 4 };
        QTest::newRow("Bold after Shift+Down twice") << u"shift-down"_s << u"key:Bold"_s << QList<int> { 2, 3, 4 };
        QTest::newRow("Right alignment after Ctrl-clicks")
            << u"ctrl-click"_s << u"mnuAlignRight"_s << QList<int> { 2, 4 };
    }

    void rowModeStylingTakesEveryMarkedRow()
    {
        QFETCH(QString, gesture);
        QFETCH(QString, command);
        QFETCH(QList<int>, rows);
        GridView *fa = view("fa");
        clickCell(fa, 2, 1);
        if (gesture == u"ctrl-click") {
            clickCell(fa, 4, 1, Qt::ControlModifier);
        } else {
            QTest::keyClick(fa, Qt::Key_Down, Qt::ShiftModifier);
            QTest::keyClick(fa, Qt::Key_Down, Qt::ShiftModifier);
        }
        (command == u"key:Bold" ? m_window->toolbarButton(0, u"Bold"_s) : action(command))->trigger();
        for (int r = 1; r < this->fa().rows(); ++r) {
            const CellFormat f = this->fa().cellFormat(r, 3);
            QVERIFY2((command == u"key:Bold" ? f.bold : f.alignment == Alignment::RightCenter) == rows.contains(r),
                qPrintable(u"row %1"_s.arg(r)));
        }
    }

    void titleClickSortsAscendingFirst_data()
    {
        QTest::addColumn<QString>("between");
        QTest::addColumn<int>("clicked");
        QTest::addColumn<bool>("descending");
        QTest::newRow("after New the first click sorts ascending") << u"New"_s << 0 << false;
        QTest::newRow("after Open the first click sorts ascending") << u"Open"_s << 0 << false;
        QTest::newRow("after Delete Duplicates a click on its column sorts descending") << u"mnuDelDup"_s << 0 << true;
        QTest::newRow("a column moved across the sorted one: the sorted column keeps its direction")
            << u"move"_s << 1 << true;
    }

    void titleClickSortsAscendingFirst()
    {
        QFETCH(QString, between);
        QFETCH(int, clicked);
        QFETCH(bool, descending);
        const QString saved = m_home + u"/sorted.tsy"_s;
        fillShuffled();
        QVERIFY(GridFile::save(fa(), saved, FileKind::Native));
        clickTitle(between == u"move" ? 2 : 0);
        if (between == u"New" || between == u"Open") {
            m_prompts->answers << UserPrompts::Answer::No; // the sorted table is not saved
            if (between == u"New")
                action(u"mnuNew"_s)->trigger();
            else
                openThrough(u"mnuOpen"_s, saved);
            fillShuffled();
        } else if (between == u"mnuDelDup") {
            clickTitle(0); // now descending
            m_prompts->answers << UserPrompts::Answer::Yes;
            action(between)->trigger();
        } else {
            // Column 0 is dragged past the sorted column 2, which becomes column 1, arrow and all.
            const qint64 arrow = view("fa")->titlePicture(2).cacheKey();
            view("fa")->horizontalHeader()->moveSection(0, 3);
            QCOMPARE(view("fa")->titlePicture(1).cacheKey(), arrow);
        }
        clickTitle(clicked);
        QStringList expected = column(clicked);
        std::sort(expected.begin(), expected.end());
        if (descending)
            std::reverse(expected.begin(), expected.end());
        QCOMPARE(column(clicked), expected);
    }

    void titleRowFormatsAreDrawn()
    {
        GridModel titled;
        test::fillRows(titled, test::texts({ "Name|", "|" }));
        titled.updateFormats(GridRange { 0, 0, 0, 1 }, [](CellFormat &f) {
            f.hasBack = true;
            f.back = qRgb(200, 30, 30);
        });
        const QString path = m_home + u"/titled.tsy"_s;
        QVERIFY(GridFile::save(titled, path, FileKind::Native));
        openThrough(u"mnuOpen"_s, path);
        QHeaderView *titles = view("fa")->horizontalHeader();
        const QImage drawn = titles->grab().toImage();
        const QPoint inside(titles->sectionViewportPosition(1) + 4, titles->height() / 2);
        // The style shades the title's background; red it must stay.
        const QColor shown = drawn.pixelColor(inside * drawn.devicePixelRatio());
        QVERIFY2(shown.red() > shown.green() + 80 && shown.red() > shown.blue() + 80, qPrintable(shown.name()));
    }

    void stampFromTheFormPanelFollowsWhatItShows()
    {
        const int col = 11;
        fa().setColumnDataType(col, DataType::Currency);
        fa().setColumnFormat(col, u"$#,###.00"_s);
        fa().setText(2, col, u"1234"_s);
        clickCell(view("fa"), 2, 0);
        QCOMPARE(m_window->focusOwner(), FocusOwner::RecordTable); // a click gives the grid the focus
        clickCell(view("fb"), col + 1, 1);
        QCOMPARE(m_window->focusOwner(), FocusOwner::FormPanel);
        const QString shown = view("fb")->gridModel()->text(col + 1, 1);
        action(u"mnuDateTimeNow"_s)->trigger();
        QVERIFY2(fa().text(2, col).startsWith(shown + u' '), qPrintable(fa().text(2, col)));
        QVERIFY(shown != u"1234");
    }

    void opensTextFilesAsTheyAre_data() { test::addCaseRows(u"app/table/opentext.tsv"_s); }

    void opensTextFilesAsTheyAre()
    {
        QFETCH(QString, entry);
        QFETCH(QString, name);
        QFETCH(QByteArray, contentBytes);
        const QString path = test::writeBytes(m_home + u'/' + name, contentBytes);
        m_window->enterBlockMode();
        openThrough(entry, path);
        QCOMPARE(m_prompts->messages(), QStringList());
        QCOMPARE(m_window->mouseMode(), MouseMode::Row); // an opened table starts in Row mode
        QCOMPARE(view("fb")->gridModel()->rows(), fa().cols() + 1);
        QCOMPARE(m_window->table().currentFile(), path);
        const FileKind kind = m_window->table().currentKind();
        QTEST(kind == FileKind::Comma ? u"comma"_s : kind == FileKind::Tab ? u"tab"_s : u"other"_s, "kind");
        QTEST(fa().text(qMin(1, fa().rows() - 1), 0), "firstCell"); // the title when there is no data row
    }

    void openedTextStartsFromDefaultColumns()
    {
        fa().setColumnDataType(1, DataType::Currency);
        fa().setColumnFormat(1, u"$#,##0.00"_s);
        fa().setColumnHidden(2, true);
        fa().setColumnPickList(3, u"x|y"_s);
        m_window->table().MakeModified(false);
        openThrough(u"OPEN_CSV"_s, test::writeBytes(m_home + u"/plain.csv"_s, "a,b,c,d\n5,6,7,8\n"));
        for (int c = 0; c < fa().cols(); ++c) {
            const ColumnAttributes a = fa().columnAttributes(c);
            QVERIFY(a.dataType == DataType::String && a.format.isEmpty() && !a.hidden && a.pickList.isEmpty());
        }
    }

    void startGrabKeyLooksAvailableOnlyWhenItIs()
    {
        m_window->showTab(frmMain::kTabSearch);
        QAction *start = m_window->toolbarButton(frmMain::kTabSearch, u"StartGrab"_s);
        QVERIFY(!start->isEnabled()); // no engine, no listing page
        const int disabled = darkestInk(start);
        start->setEnabled(true);
        const int enabled = darkestInk(start);
        QVERIFY(enabled >= 0);
        QVERIFY2(enabled + 80 < disabled, qPrintable(u"enabled %1, disabled %2"_s.arg(enabled).arg(disabled)));
    }

    void newAndOpenClearAFinishedGrabsStatus()
    {
        const QString path = m_home + u"/other.tsy"_s;
        QVERIFY(GridFile::save(fa(), path, FileKind::Native));
        m_window->panel(2)->setText(u"Done"_s);
        action(u"mnuNew"_s)->trigger();
        QCOMPARE(m_window->panel(2)->text(), QString());
        m_window->panel(2)->setText(u"Done"_s);
        openThrough(u"mnuOpen"_s, path); // Open reports what it opened instead
        QVERIFY2(!m_window->panel(2)->text().contains(u"Done"), qPrintable(m_window->panel(2)->text()));
    }

    void rowModeDragMovesTheCounterAndTheFormPanel()
    {
        GridView *fa = view("fa");
        const auto at = [fa](int row) { return fa->visualRect(fa->model()->index(row, 0)).center(); };
        QTest::mousePress(fa->viewport(), Qt::LeftButton, {}, at(2));
        QTest::mouseMove(fa->viewport(), at(4));
        QTest::mouseMove(fa->viewport(), at(5));
        QTest::mouseRelease(fa->viewport(), Qt::LeftButton, {}, at(5));
        QCOMPARE(m_window->panel(6)->text(), u"5 / 6"_s);
        QCOMPARE(view("fb")->gridModel()->text(1, 1), u"r5c0"_s);
    }

    void searchHintShowsOnTheFirstScreen()
    {
        m_window->showTab(frmMain::kTabSearch);
        auto *hint = test::named<QWidget>(*m_window, "pnlHintMsg_0");
        QTRY_VERIFY(hint->isVisible());
        QVERIFY(m_window->rect().contains(QRect(hint->mapTo(m_window.get(), QPoint(0, 0)), hint->size())));
    }
};

QTEST_MAIN(TestTableFidelity)
#include "tst_tablefidelity.moc"
