#include "app/grid/gridview.h"
#include "app/table/datatoolcommands.h"
#include "app/table/sortarrows.h"
#include "app/table/stylecommands.h"
#include "core/table/valueformat.h"
#include "support/gui/tablewindowfixture.h"

#include <QHeaderView>

using namespace dq;
using dq::test::named;
using namespace Qt::StringLiterals;

class TestDataToolCommands : public QObject, test::TableWindowFixture
{
    Q_OBJECT

    GridModel *m_form = nullptr;

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
            for (int c = 0; c < rows.at(r).size(); ++c)
                fa().setText(r + 1, c, rows.at(r).at(c));
    }
    bool sameIcon(const QIcon &a, const QIcon &b) const { return a.cacheKey() == b.cacheKey(); }

private slots:
    void init()
    {
        QVERIFY(openWindow(true));
        m_form = named<GridView>(*m_window, "fb")->gridModel();
        m_window->setFocusOwner(FocusOwner::RecordTable);
        tools()->setClock([] { return QDateTime(QDate(2026, 3, 4), QTime(9, 5, 7)); });
    }

    void cleanup() { QCOMPARE(closeWindow(), 0); }

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
        QCOMPARE(fa().text(1, 9), yes ? u"555-9876"_s : QString());
        QCOMPARE(m_window->table().saveEnabled(), yes);
    }

    // The window's clock reaches the stamp; every format's rule is the core's.
    void stampTwiceOnAnEmptyCell()
    {
        const QString stamp = u"03/04/2026 09:05"_s;
        fa().setColumnFormat(8, u"mm/dd/yyyy hh:mm"_s);
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
        QVERIFY(fa().text(4, 7).isEmpty());
    }
};

QTEST_MAIN(TestDataToolCommands)
#include "tst_datatoolcommands.moc"
