#include "core/table/datatools.h"
#include "support/gridtext.h"
#include "support/testsupport.h"

#include <QSignalSpy>
#include <QTest>

using namespace dq;

namespace {

template <typename... T> QStringList L(T... items)
{
    return { QString::fromUtf8(items)... };
}

// A table of titles T1.. over one data row per entry (cells split at "|").
void fill(GridModel &m, int cols, const QStringList &rows)
{
    QStringList all { QString() };
    all << rows;
    test::fillRows(m, all, cols);
    for (int c = 0; c < cols; ++c)
        m.setText(0, c, QStringLiteral("T%1").arg(c + 1));
}

QStringList column(const GridModel &m, int col)
{
    QStringList out;
    for (int r = 1; r < m.rows(); ++r)
        out << m.text(r, col);
    return out;
}

} // namespace

class TestDataTools : public QObject
{
    Q_OBJECT

private slots:
    void sortsByTheColumnsType_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("ascending");
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QStringList>("sorted");
        const int money = int(DataType::Currency), date = int(DataType::Date);
        const int text = int(DataType::String), check = int(DataType::Boolean);
        QTest::newRow("money by value, non-money text after it, blanks last")
            << money << true << L("$1,200.00", "15", "", "$3.50", "n/a", "-2")
            << L("-2", "$3.50", "15", "$1,200.00", "n/a", "");
        QTest::newRow("money descending keeps blanks last")
            << money << false << L("$1,200.00", "15", "", "$3.50", "n/a", "-2")
            << L("$1,200.00", "15", "$3.50", "-2", "n/a", "");
        QTest::newRow("dates by date in any typed form")
            << date << true << L("1/2/2026", "12/31/1999", "Mar-05-2001", "2001-03-04 23:00")
            << L("12/31/1999", "2001-03-04 23:00", "Mar-05-2001", "1/2/2026");
        QTest::newRow("text ignores letter case, which only breaks ties")
            << text << true << L("beta", "alpha", "Gamma", "Alpha") << L("Alpha", "alpha", "beta", "Gamma");
        QTest::newRow("check boxes unticked first")
            << check << true << L("True", "0", "-1", "") << L("0", "", "True", "-1");
    }
    void sortsByTheColumnsType()
    {
        QFETCH(int, type);
        QFETCH(bool, ascending);
        QFETCH(QStringList, cells);
        QFETCH(QStringList, sorted);
        GridModel m;
        fill(m, 2, cells);
        m.setColumnDataType(1, DataType(type));
        for (int r = 0; r < cells.size(); ++r)
            m.setText(r + 1, 1, cells.at(r));
        DataTools::sortByColumn(m, 1, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
        QCOMPARE(column(m, 1), sorted);
    }
    void sortCarriesWholeRowsAndTellsTheTitleArrow()
    {
        GridModel m;
        fill(m, 3, L("Acme|$20|x", "Bolt|$3|y", "Cog|$100|z"));
        m.setColumnDataType(1, DataType::Currency);
        CellFormat bold;
        bold.bold = true;
        m.setCellFormat(2, 2, bold); // Bolt's third cell
        QSignalSpy before(&m, &GridModel::beforeSort);
        QSignalSpy after(&m, &GridModel::afterSort);

        DataTools::sortByColumn(m, 1, Qt::DescendingOrder);

        QCOMPARE(test::rowsOf(m, 1), (L("Cog|$100|z", "Acme|$20|x", "Bolt|$3|y")));
        QCOMPARE(m.rowTexts(0), (L("T1", "T2", "T3")));
        QVERIFY(m.cellFormat(3, 2).bold);
        QVERIFY(!m.cellFormat(2, 2).bold);
        QCOMPARE(before.size(), 1);
        QCOMPARE(after.size(), 1);
        QCOMPARE(after.at(0), (QVariantList { 1, 2 }));
    }
    void titleArrowsFollowTheSorts()
    {
        // The main window's part: arrows move with the sort notices, a second click reverses.
        GridModel m;
        fill(m, 3, L("b|2|x", "a|1|y"));
        int lastSorted = 0;
        const QString none, up = QStringLiteral(":/up"), down = QStringLiteral(":/down");
        connect(&m, &GridModel::beforeSort, this, [&] { DataTools::clearSortArrow(m, lastSorted, none); });
        connect(&m, &GridModel::afterSort, this, [&](int col, int order) {
            DataTools::showSortArrow(m, col, order, up, down);
            lastSorted = col;
        });
        auto pictures = [&m] {
            QStringList out;
            for (int c = 0; c < m.cols(); ++c)
                out << m.cellFormat(0, c).picture;
            return out;
        };

        DataTools::sortByColumn(m, 1, Qt::AscendingOrder);
        QCOMPARE(pictures(), (QStringList { QString(), up, QString() }));
        QCOMPARE(m.cellFormat(0, 1).pictureAlignment, Alignment::RightCenter);
        DataTools::sortByColumn(m, 1, Qt::DescendingOrder);
        QCOMPARE(pictures(), (QStringList { QString(), down, QString() }));
        DataTools::sortByColumn(m, 2, Qt::AscendingOrder);
        QCOMPARE(pictures(), (QStringList { QString(), QString(), up }));
        QCOMPARE(lastSorted, 2);
        m.disconnect(this);
    }
    void deleteDuplicates_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("rows differing only in letter case are no duplicates")
            << L("Acme|Main|Rome|1", "ACME|Main|Rome|1") << L("ACME|Main|Rome|1", "Acme|Main|Rome|1");
        QTest::newRow("duplicates that the sort leaves apart are removed too")
            << L("Joe|Main|Rome|1", "Joe|Main|Rome|2", "Joe|Main|Rome|1") << L("Joe|Main|Rome|1", "Joe|Main|Rome|2");
        QTest::newRow("letters beyond ASCII sort after it, as the title-row sort does")
            << L("Zed|a|a|1", "Émile|a|a|1", "Abe|a|a|1", "Émile|a|a|1") << L("Abe|a|a|1", "Zed|a|a|1", "Émile|a|a|1");
        QTest::newRow("blank rows are duplicates of each other")
            << L("|||", "Acme|Main|Rome|1", "|||") << L("|||", "Acme|Main|Rome|1");
    }
    void deleteDuplicates()
    {
        QFETCH(QStringList, rows);
        QFETCH(QStringList, left);
        GridModel m;
        fill(m, 4, rows);
        const int removed = DataTools::removeDuplicateRows(m);
        QCOMPARE(test::rowsOf(m, 1), left);
        QCOMPARE(removed, rows.size() - left.size());
        QCOMPARE(m.rowTexts(0), (L("T1", "T2", "T3", "T4")));
        QCOMPARE(m.row(), m.rows() - 1);
    }
    void deleteDuplicatesAsksFirst()
    {
        GridModel m;
        fill(m, 4, L("B|x|x|1", "A|x|x|1", "B|x|x|1"));
        test::ScriptedPrompts prompts;
        prompts.answers = { UserPrompts::Answer::Cancel, UserPrompts::Answer::No, UserPrompts::Answer::Yes };

        QCOMPARE(DataTools::deleteDuplicates(m, prompts), -1);
        QCOMPARE(DataTools::deleteDuplicates(m, prompts), -1);
        QCOMPARE(test::rowsOf(m, 1), (L("B|x|x|1", "A|x|x|1", "B|x|x|1")));
        QCOMPARE(DataTools::deleteDuplicates(m, prompts), 1);
        QCOMPARE(test::rowsOf(m, 1), (L("A|x|x|1", "B|x|x|1")));

        QCOMPARE(prompts.asked.size(), 3);
        QCOMPARE(prompts.asked.at(0).text,
            QStringLiteral("This function will sort on the first column then start deleting duplicates. Do you want to "
                           "continue?"));
        QCOMPARE(prompts.asked.at(0).icon, UserPrompts::Icon::Question);
        QCOMPARE(prompts.asked.at(0).buttons, UserPrompts::Buttons::YesNoCancel);
    }
    void parsePhone_data()
    {
        QTest::addColumn<QString>("phone");
        QTest::addColumn<QStringList>("parsed"); // columns 9, 10, 11; they held "old9", "old10", "old11"
        QTest::newRow("phone, fax and toll-free")
            << "555-1234; 555-9876 (fax); 800-555-0000 (toll-free)" << L("555-1234", "555-9876", "800-555-0000");
        QTest::newRow("a toll-free number without a fax is not found")
            << "555-1234; 800-555-0000 (toll-free)" << L("555-1234", "", "");
        QTest::newRow("a phone alone is copied with its blanks") << "  555-1234 " << L("  555-1234 ", "old10", "old11");
        QTest::newRow("an empty phone empties column 9 only") << "" << L("", "old10", "old11");
        QTest::newRow("four blanks then a toll-free number")
            << "555-1234    800-555-0000  (toll-free)" << L("555-1234", "old10", "800-555-0000");
        QTest::newRow("a long four-blank text without the toll-free mark")
            << "555-1234    800-555-0000" << L("555-1234", "old10", "");
        QTest::newRow("a short text with four blanks is trimmed") << " 555    12 " << L("555    12", "old10", "old11");
        QTest::newRow("exactly 18 characters is cut at the four blanks")
            << "555-1234    800-55" << L("555-1234", "old10", "");
        QTest::newRow("17 characters is kept whole") << "555-1234    800-5" << L("555-1234    800-5", "old10", "old11");
        QTest::newRow("a text starting with the separator is trimmed when short")
            << "; 555-9876 (fax)" << L("; 555-9876 (fax)", "old10", "old11");
        QTest::newRow("a fax without its mark is not found") << "555-1234; 555-9876" << L("555-1234", "", "");
    }
    void parsePhone()
    {
        QFETCH(QString, phone);
        QFETCH(QStringList, parsed);
        GridModel m;
        fill(m, 13, { QString() });
        m.setText(0, 5, QStringLiteral("Phone"));
        m.setText(1, 5, phone);
        m.setText(1, 8, QStringLiteral("old9"));
        m.setText(1, 9, QStringLiteral("old10"));
        m.setText(1, 10, QStringLiteral("old11"));
        DataTools::splitPhoneColumn(m);
        QCOMPARE((QStringList { m.text(1, 8), m.text(1, 9), m.text(1, 10) }), parsed);
        QCOMPARE(m.text(1, 5), phone);
    }
    void parsePhoneShapesTheTable()
    {
        GridModel m;
        fill(m, 15, L("a|b|c|d|e|555-1234; 555-9876 (fax)|g|h|i|j|k|l|m|n|o"));
        m.setText(0, 5, QStringLiteral("Tel; Fax"));
        test::ScriptedPrompts prompts;
        prompts.answers = { UserPrompts::Answer::Yes };
        QVERIFY(DataTools::parsePhoneColumn(m, prompts));
        QCOMPARE(m.cols(), 13);
        QCOMPARE(m.text(1, 12), QStringLiteral("m"));
        // The title row follows the same rule: its own separator cuts it.
        QCOMPARE(m.text(0, 8), QStringLiteral("Tel"));
        QCOMPARE(m.text(0, 9), QString());
        QCOMPARE(m.text(0, 10), QString());
        QCOMPARE(m.text(1, 9), QStringLiteral("555-9876"));
        QCOMPARE(prompts.asked.at(0).title, QStringLiteral("Parse Phone Column"));

        GridModel plain;
        fill(plain, 6, L("a|b|c|d|e|555-1234"));
        plain.setText(0, 5, QStringLiteral("Phone"));
        QSignalSpy changed(&plain, &GridModel::dataChanged);
        DataTools::splitPhoneColumn(plain);
        // Views hear of the three columns at once, titles included.
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.at(0).at(0).toModelIndex(), plain.index(0, 8));
        QCOMPARE(changed.at(0).at(1).toModelIndex(), plain.index(1, 10));
        QCOMPARE(plain.cols(), 13);
        QCOMPARE(plain.rowTexts(0).mid(8, 3), (L("Phone", "Fax", "Toll-free")));
        QCOMPARE(plain.text(1, 8), QStringLiteral("555-1234"));
    }
    void parsePhoneDeclinedChangesNothing()
    {
        GridModel m;
        fill(m, 15, L("a|b|c|d|e|555-1234; 555-9876 (fax)"));
        test::ScriptedPrompts prompts;
        prompts.answers = { UserPrompts::Answer::No };
        QVERIFY(!DataTools::parsePhoneColumn(m, prompts));
        QCOMPARE(m.cols(), 15);
        QCOMPARE(m.text(1, 8), QString());
        QCOMPARE(m.text(0, 8), QStringLiteral("T9"));
    }
    void stampTwiceOnAnEmptyCell_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("expected");
        QTest::newRow("a date format with AMPM") << "mm/dd/yy hh:mm AMPM"
                                                 << " 03/07/26 12:00 PM 03/07/26 12:30 PM";
        QTest::newRow("no format gives the general form") << ""
                                                          << " 3/7/2026 12:00:00 PM 3/7/2026 12:30:00 PM";
        QTest::newRow("a money format gives the general form") << "$#,###.00"
                                                               << " 3/7/2026 12:00:00 PM 3/7/2026 12:30:00 PM";
    }
    void stampTwiceOnAnEmptyCell()
    {
        QFETCH(QString, format);
        QFETCH(QString, expected);
        GridModel m;
        fill(m, 3, L("a||c"));
        m.setColumnFormat(1, format);
        DataTools::stampCell(m, 1, 1, QDateTime(QDate(2026, 3, 7), QTime(12, 0)));
        const QString text = DataTools::stampCell(m, 1, 1, QDateTime(QDate(2026, 3, 7), QTime(12, 30)));
        QCOMPARE(text, expected);
        QCOMPARE(m.text(1, 1), expected);
    }
};

QTEST_GUILESS_MAIN(TestDataTools)
#include "tst_datatools.moc"
