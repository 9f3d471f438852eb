#include "app/grid/gridview.h"
#include "core/grid/gridfile.h"
#include "core/table/filecommands.h"
#include "support/gui/tablewindowfixture.h"

#include <QFile>
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
        const QRect cell = v->visualRect(v->model()->index(row, col));
        QTest::mouseClick(v->viewport(), Qt::LeftButton, mods, cell.center());
    }

    void clickTitle(int col)
    {
        QHeaderView *titles = view("fa")->horizontalHeader();
        const QPoint at(titles->sectionViewportPosition(col) + titles->sectionSize(col) / 2, titles->height() / 2);
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, {}, at);
    }

    // Column col's data rows, top to bottom.
    QStringList column(int col)
    {
        QStringList texts;
        for (int r = fa().fixedRows(); r < fa().rows(); ++r)
            texts << fa().text(r, col);
        return texts;
    }

    void fillShuffled()
    {
        const QStringList values { u"c"_s, u"a"_s, u"d"_s, u"b"_s };
        fa().setRows(int(values.size()) + 1);
        for (int r = 0; r < values.size(); ++r)
            for (int c = 0; c < 4; ++c)
                fa().setText(r + 1, c, values.at((r + c) % values.size()));
    }

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

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile f(m_home + u'/' + name);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() ? f.fileName() : QString();
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
        QTest::newRow("Bold after Ctrl-clicks") << u"ctrl-click"_s << u"Bold"_s << QList<int> { 2, 4 };
        QTest::newRow("Bold after Shift+Down twice") << u"shift-down"_s << u"Bold"_s << QList<int> { 2, 3, 4 };
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
        if (command == u"Bold")
            m_window->toolbarButton(0, command)->trigger();
        else
            action(command)->trigger();
        for (int r = 1; r < this->fa().rows(); ++r) {
            const CellFormat f = this->fa().cellFormat(r, 3);
            const bool styled = command == u"Bold" ? f.bold : f.alignment == Alignment::RightCenter;
            QVERIFY2(styled == rows.contains(r), qPrintable(u"row %1"_s.arg(r)));
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
            // Column 0 is dragged past the sorted column 2, which becomes column 1.
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
        const QColor back(200, 30, 30);
        GridModel titled;
        titled.setRows(2);
        titled.setCols(2);
        titled.setFixedRows(1);
        titled.setText(0, 0, u"Name"_s);
        titled.updateFormats(GridRange { 0, 0, 0, 1 }, [&back](CellFormat &f) {
            f.hasBack = true;
            f.back = back.rgb();
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
        GridView *fb = view("fb");
        clickCell(fb, col + 1, 1);
        QCOMPARE(m_window->focusOwner(), FocusOwner::FormPanel);
        const QString shown = fb->gridModel()->text(col + 1, 1);
        QVERIFY(shown != u"1234");
        action(u"mnuDateTimeNow"_s)->trigger();
        QVERIFY2(fa().text(2, col).startsWith(shown + u' '), qPrintable(fa().text(2, col)));
    }

    void opensTextFilesAsTheyAre_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("firstCell"); // cell (1, 0), or the title when there is no data row
        QTest::newRow("an empty comma file opens as an empty table")
            << u"OPEN_CSV"_s << u"empty.csv"_s << QByteArray() << int(FileKind::Comma) << QString();
        QTest::newRow("an empty tab file opens as an empty table")
            << u"OPEN_TXT"_s << u"empty.txt"_s << QByteArray() << int(FileKind::Tab) << QString();
        QTest::newRow("a CR LF inside a quoted comma cell is kept")
            << u"OPEN_CSV"_s << u"crlf.csv"_s << QByteArray("a,b\r\n\"one\r\ntwo\",x\r\n") << int(FileKind::Comma)
            << u"one\r\ntwo"_s;
        QTest::newRow("a comma file picked through All Files in Open is read as comma text")
            << u"mnuOpen"_s << u"list.csv"_s << QByteArray("a,b\nc,d\n") << int(FileKind::Comma) << u"c"_s;
        QTest::newRow("a tab file picked through All Files in Open is read as tab text")
            << u"mnuOpen"_s << u"list.txt"_s << QByteArray("a\tb\nc\td\n") << int(FileKind::Tab) << u"c"_s;
    }

    void opensTextFilesAsTheyAre()
    {
        QFETCH(QString, entry);
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        const QString path = writeFile(name, bytes);
        QVERIFY(!path.isEmpty());
        m_window->enterBlockMode();
        openThrough(entry, path);
        QCOMPARE(m_prompts->messages(), QStringList());
        QCOMPARE(m_window->mouseMode(), MouseMode::Row); // an opened table starts in Row mode
        QCOMPARE(view("fb")->gridModel()->rows(), fa().cols() + 1);
        QCOMPARE(m_window->table().currentFile(), path);
        QTEST(int(m_window->table().currentKind()), "kind");
        QTEST(fa().text(qMin(1, fa().rows() - 1), 0), "firstCell");
    }

    void openedTextStartsFromDefaultColumns()
    {
        fa().setColumnDataType(1, DataType::Currency);
        fa().setColumnFormat(1, u"$#,##0.00"_s);
        fa().setColumnHidden(2, true);
        fa().setColumnPickList(3, u"x|y"_s);
        m_window->table().MakeModified(false);
        const QString path = writeFile(u"plain.csv"_s, "a,b,c,d\n5,6,7,8\n");
        openThrough(u"OPEN_CSV"_s, path);
        QCOMPARE(m_prompts->messages(), QStringList());
        for (int c = 0; c < fa().cols(); ++c) {
            QCOMPARE(fa().columnDataType(c), DataType::String);
            QCOMPARE(fa().columnFormat(c), QString());
            QVERIFY(!fa().columnHidden(c));
            QCOMPARE(fa().columnPickList(c), QString());
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

    void newAndOpenClearAFinishedGrabsStatus_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("New") << u"mnuNew"_s;
        QTest::newRow("Open") << u"mnuOpen"_s;
    }

    void newAndOpenClearAFinishedGrabsStatus()
    {
        QFETCH(QString, command);
        const QString path = m_home + u"/other.tsy"_s;
        QVERIFY(GridFile::save(fa(), path, FileKind::Native));
        m_window->panel(2)->setText(u"Done"_s);
        if (command == u"mnuOpen")
            openThrough(command, path);
        else
            action(command)->trigger();
        // The grab's "Done" goes; Open reports what it opened instead.
        QVERIFY2(!m_window->panel(2)->text().contains(u"Done"), qPrintable(m_window->panel(2)->text()));
        if (command == u"mnuNew")
            QCOMPARE(m_window->panel(2)->text(), QString());
    }

    void rowModeDragMovesTheCounterAndTheFormPanel()
    {
        GridView *fa = view("fa");
        const auto at = [fa](int row) { return fa->visualRect(fa->model()->index(row, 0)).center(); };
        QTest::mousePress(fa->viewport(), Qt::LeftButton, {}, at(2));
        QTest::mouseMove(fa->viewport(), at(4));
        QTest::mouseMove(fa->viewport(), at(5));
        QTest::mouseRelease(fa->viewport(), Qt::LeftButton, {}, at(5));
        QCOMPARE(this->fa().row(), 5);
        QCOMPARE(m_window->panel(6)->text(), u"5 / 6"_s);
        QCOMPARE(view("fb")->gridModel()->text(1, 1), u"r5c0"_s);
    }

    void searchHintShowsOnTheFirstScreen()
    {
        m_window->showTab(frmMain::kTabSearch);
        QWidget *hint = m_window->findChild<QWidget *>(u"pnlHintMsg_0"_s);
        QVERIFY(hint);
        QTRY_VERIFY(hint->isVisible());
        const QRect shown(hint->mapTo(m_window.get(), QPoint(0, 0)), hint->size());
        QVERIFY(m_window->rect().contains(shown));
    }
};

QTEST_MAIN(TestTableFidelity)
#include "tst_tablefidelity.moc"
