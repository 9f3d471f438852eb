#include "core/table/columndefs.h"
#include "core/table/datatools.h"
#include "support/casetable.h"
#include "support/gridtext.h"
#include "support/testsupport.h"

#include <QSignalSpy>
#include <QTest>

using namespace dq;
using namespace Qt::StringLiterals;

namespace {

// A table of titles T1.. over one data row per entry (cells split at "|").
void fill(GridModel &m, int cols, const QStringList &rows)
{
    test::fillRows(m, QStringList { QString() } + rows, cols);
    for (int c = 0; c < cols; ++c)
        m.setText(0, c, u"T%1"_s.arg(c + 1));
}

} // namespace

class TestDataTools : public QObject
{
    Q_OBJECT

private slots:
    void sortsByTheColumnsType_data() { test::addCaseRows(u"table/datatools/sort.tsv"_s); }
    void sortsByTheColumnsType()
    {
        QFETCH(QString, type);
        QFETCH(QString, order);
        QFETCH(QString, cells);
        GridModel m;
        fill(m, 1, cells.split(u'|'));
        m.setColumnDataType(0, ColumnDefs::typeFromName(type));
        DataTools::sortByColumn(m, 0, order == u"up" ? Qt::AscendingOrder : Qt::DescendingOrder);
        QTEST(test::rowsOf(m, 1).join(u'|'), "sorted");
    }
    void sortCarriesWholeRowsAndMovesTheTitleArrow()
    {
        GridModel m;
        fill(m, 3, test::texts({ "Acme|$20|x", "Bolt|$3|y", "Cog|$100|z" }));
        m.setColumnDataType(1, DataType::Currency);
        CellFormat bold;
        bold.bold = true;
        m.setCellFormat(2, 2, bold); // Bolt's third cell
        // The main window's part: arrows move with the sort notices.
        int lastSorted = 0;
        const QString up = u":/up"_s, down = u":/down"_s;
        connect(&m, &GridModel::beforeSort, this, [&] { DataTools::clearSortArrow(m, lastSorted, QString()); });
        connect(&m, &GridModel::afterSort, this, [&](int col, int order) {
            DataTools::showSortArrow(m, col, order, up, down);
            lastSorted = col;
        });
        const auto pictures = [&m] {
            return QStringList { m.cellFormat(0, 0).picture, m.cellFormat(0, 1).picture, m.cellFormat(0, 2).picture };
        };

        DataTools::sortByColumn(m, 1, Qt::DescendingOrder);
        QCOMPARE(test::rowsOf(m), test::texts({ "T1|T2|T3", "Cog|$100|z", "Acme|$20|x", "Bolt|$3|y" }));
        QVERIFY(m.cellFormat(3, 2).bold && !m.cellFormat(2, 2).bold);
        QCOMPARE(pictures(), (QStringList { QString(), down, QString() }));
        QCOMPARE(m.cellFormat(0, 1).pictureAlignment, Alignment::RightCenter);
        DataTools::sortByColumn(m, 2, Qt::AscendingOrder);
        QCOMPARE(pictures(), (QStringList { QString(), QString(), up }));
    }
    void deleteDuplicates_data() { test::addCaseRows(u"table/datatools/duplicates.tsv"_s); }
    void deleteDuplicates()
    {
        QFETCH(QString, rows);
        QFETCH(QString, left);
        GridModel m;
        fill(m, 4, rows.split(u';'));
        QCOMPARE(DataTools::removeDuplicateRows(m), rows.count(u';') - left.count(u';'));
        QCOMPARE(test::rowsOf(m, 1), left.split(u';'));
        QCOMPARE(m.rowTexts(0), test::texts({ "T1", "T2", "T3", "T4" }));
        QCOMPARE(m.row(), m.rows() - 1);
    }
    void deleteDuplicatesAsksFirst()
    {
        GridModel m;
        fill(m, 4, test::texts({ "B|x|x|1", "A|x|x|1", "B|x|x|1" }));
        test::ScriptedPrompts prompts;
        prompts.answers = { UserPrompts::Answer::Cancel, UserPrompts::Answer::No, UserPrompts::Answer::Yes };
        QCOMPARE(DataTools::deleteDuplicates(m, prompts), -1);
        QCOMPARE(DataTools::deleteDuplicates(m, prompts), -1);
        QCOMPARE(test::rowsOf(m, 1), test::texts({ "B|x|x|1", "A|x|x|1", "B|x|x|1" }));
        QCOMPARE(DataTools::deleteDuplicates(m, prompts), 1);
        QCOMPARE(test::rowsOf(m, 1), test::texts({ "A|x|x|1", "B|x|x|1" }));
        QCOMPARE(prompts.asked.at(0).text,
            u"This function will sort on the first column then start deleting duplicates. Do you want to continue?"_s);
        QCOMPARE(prompts.asked.at(0).buttons, UserPrompts::Buttons::YesNoCancel);
    }
    // parsed: columns 9 to 11, which held "old9", "old10" and "old11".
    void parsePhone_data() { test::addCaseRows(u"table/datatools/phone.tsv"_s); }
    void parsePhone()
    {
        QFETCH(QString, phone);
        GridModel m;
        fill(m, 13, { u"|||||"_s + phone + u"|||old9|old10|old11"_s });
        DataTools::splitPhoneColumn(m);
        QTEST(m.rowTexts(1).mid(8, 3).join(u'|'), "parsed");
        QCOMPARE(m.text(1, 5), phone);
    }
    void parsePhoneAsksThenShapesTheTable()
    {
        GridModel m;
        fill(m, 15, test::texts({ "a|b|c|d|e|555-1234; 555-9876 (fax)|g|h|i|j|k|l|m|n|o" }));
        m.setText(0, 5, u"Tel; Fax"_s);
        test::ScriptedPrompts prompts;
        prompts.answers = { UserPrompts::Answer::No, UserPrompts::Answer::Yes };
        QVERIFY(!DataTools::parsePhoneColumn(m, prompts));
        QCOMPARE(m.cols(), 15);
        QCOMPARE(m.text(1, 8), u"i"_s);
        QSignalSpy changed(&m, &GridModel::dataChanged);
        QVERIFY(DataTools::parsePhoneColumn(m, prompts));
        QCOMPARE(prompts.asked.at(0).title, u"Parse Phone Column"_s);
        QCOMPARE(m.cols(), 13);
        QCOMPARE(m.text(1, 12), u"m"_s);
        // The title row follows the same rule: its own separator cuts it.
        QCOMPARE(test::rowsOf(m),
            test::texts({ "T1|T2|T3|T4|T5|Tel; Fax|T7|T8|Tel|||T12|T13",
                "a|b|c|d|e|555-1234; 555-9876 (fax)|g|h|555-1234|555-9876||l|m" }));
        // Views hear of the three columns at once, titles included.
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.at(0).at(0).toModelIndex(), m.index(0, 8));
        QCOMPARE(changed.at(0).at(1).toModelIndex(), m.index(1, 10));

        GridModel plain;
        fill(plain, 6, test::texts({ "a|b|c|d|e|555-1234" }));
        plain.setText(0, 5, u"Phone"_s);
        DataTools::splitPhoneColumn(plain);
        QCOMPARE(plain.rowTexts(0).mid(8), test::texts({ "Phone", "Fax", "Toll-free", "", "" }));
    }
    void stampTwiceOnAnEmptyCell_data() { test::addCaseRows(u"table/datatools/stamp.tsv"_s); }
    void stampTwiceOnAnEmptyCell()
    {
        QFETCH(QString, format);
        GridModel m;
        fill(m, 3, test::texts({ "a||c" }));
        m.setColumnFormat(1, format);
        DataTools::stampCell(m, 1, 1, QDateTime(QDate(2026, 3, 7), QTime(12, 0)));
        QTEST(DataTools::stampCell(m, 1, 1, QDateTime(QDate(2026, 3, 7), QTime(12, 30))), "stamped");
        QTEST(m.text(1, 1), "stamped");
    }
};

QTEST_GUILESS_MAIN(TestDataTools)
#include "tst_datatools.moc"
