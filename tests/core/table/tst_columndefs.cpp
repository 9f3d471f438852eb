#include "core/table/columndefs.h"
#include "support/casetable.h"
#include "support/gridtext.h"
#include "support/testsupport.h"

#include <QTest>

using namespace dq;
using namespace Qt::StringLiterals;

namespace {

// Thirteen columns titled C1..C13 over one data row D1..D13; column 4 is money.
void fillTable(GridModel &m)
{
    m.setCols(13);
    m.setRows(2);
    for (int c = 0; c < 13; ++c) {
        m.setText(0, c, u"C%1"_s.arg(c + 1));
        m.setText(1, c, u"D%1"_s.arg(c + 1));
    }
    m.setColumnDataType(3, DataType::Currency);
    m.setColumnFormat(3, u"$#,###.00"_s);
    m.setColumnAlignment(3, Alignment::RightCenter);
}

// The table above and its definitions dialog, loaded for one scope.
struct Defs
{
    explicit Defs(ColumnDefs::Scope scope = ColumnDefs::Scope::AllColumns, int col = 0)
    {
        fillTable(table);
        ColumnDefs::load(dialog, table, scope, col);
    }
    void apply(ColumnDefs::Scope scope = ColumnDefs::Scope::AllColumns, int col = 0)
    {
        ColumnDefs::apply(dialog, table, scope, col);
    }
    GridModel table;
    GridModel dialog;
};

} // namespace

class TestColumnDefs : public QObject
{
    Q_OBJECT

private slots:
    void namesMapToTypesAndAlignments()
    {
        const QList<std::pair<const char *, DataType>> types { { "Number", DataType::Double },
            { "Money", DataType::Currency }, { "Date", DataType::Date }, { "Checkbox", DataType::Boolean },
            { "Text", DataType::String } };
        for (const auto &[name, type] : types) {
            QCOMPARE(ColumnDefs::typeFromName(QString::fromLatin1(name)), type);
            QCOMPARE(ColumnDefs::typeName(type), QString::fromLatin1(name));
        }
        QCOMPARE(ColumnDefs::typeFromName(u"Currency"_s), DataType::String); // any other name is text
        QCOMPARE(ColumnDefs::alignmentName(Alignment::General), u"Left"_s);
        QCOMPARE(ColumnDefs::alignmentName(Alignment::CenterCenter), u"Center"_s);
        QCOMPARE(ColumnDefs::alignmentFromName(u"Right"_s), Alignment::RightCenter);
        QCOMPARE(ColumnDefs::alignmentFromName(u"Centre"_s), Alignment::LeftCenter);
    }
    void typeChangeRules_data() { test::addCaseRows(u"table/columndefs/typechange.tsv"_s); }
    void typeChangeRules()
    {
        QFETCH(QString, type);
        Defs d;
        d.dialog.setText(2, ColumnDefs::FormatCol, u"0.00"_s);
        d.dialog.setText(2, ColumnDefs::TypeCol, type);
        ColumnDefs::typeEdited(d.dialog, 2);
        QTEST(d.dialog.text(2, ColumnDefs::AlignmentCol), "alignment");
        QTEST(d.dialog.text(2, ColumnDefs::FormatCol), "format");
        QTEST(ColumnDefs::pickListFor(d.dialog, 2, ColumnDefs::FormatCol), "formatList");
        QCOMPARE(ColumnDefs::pickListFor(d.dialog, 2, ColumnDefs::TypeCol), u"Checkbox|Date|Money|Number|Text"_s);
        QCOMPARE(ColumnDefs::pickListFor(d.dialog, 2, ColumnDefs::TitleCol), QString());
    }
    void loadShowsEveryColumn()
    {
        GridModel table;
        fillTable(table);
        table.setColumnHidden(5, true);
        GridModel dialog;
        ColumnDefs::load(dialog, table, ColumnDefs::Scope::AllColumns, 0);
        QCOMPARE(dialog.rows(), 14);
        QCOMPARE(test::rowsOf(dialog).mid(0, 5),
            test::texts({ "Col|Title|Data Type|Data Format|Alignment|Hide", "1|C1|Text||Left|", "2|C2|Text||Left|",
                "3|C3|Text||Left|", "4|C4|Money|$#,###.00|Right|" }));
        QCOMPARE(dialog.cellFormat(6, ColumnDefs::HideCol).check, CheckBox::Checked);
        QCOMPARE(dialog.cellFormat(5, ColumnDefs::HideCol).check, CheckBox::Unchecked);
    }
    void deletingAndHidingApplyByPosition()
    {
        Defs d;
        CellFormat hide = d.dialog.cellFormat(9, ColumnDefs::HideCol);
        hide.check = CheckBox::Checked;
        d.dialog.setCellFormat(9, ColumnDefs::HideCol, hide); // column 9, the eighth after the deletion
        ColumnDefs::deleteRow(d.dialog, 3); // the row of column 3
        d.apply();
        // Titles and column attributes follow the rows; cells never move, so column 13's cells go.
        QCOMPARE(test::rowsOf(d.table),
            test::texts({ "C1|C2|C4|C5|C6|C7|C8|C9|C10|C11|C12|C13", "D1|D2|D3|D4|D5|D6|D7|D8|D9|D10|D11|D12" }));
        QCOMPARE(d.table.columnFormat(2), u"$#,###.00"_s);
        QCOMPARE(d.table.columnDataType(3), DataType::String);
        QVERIFY(d.table.columnHidden(7) && !d.table.columnHidden(6) && !d.table.columnHidden(8));
    }
    void rowButtonsRenumber()
    {
        Defs d;
        ColumnDefs::insertRow(d.dialog, 2);
        ColumnDefs::addRow(d.dialog);
        const QStringList rows = test::rowsOf(d.dialog);
        QCOMPARE(rows.size(), 16);
        QCOMPARE(rows.mid(2, 2), test::texts({ "2||Text||Left|", "3|C2|Text||Left|" }));
        QCOMPARE(rows.last(), u"15||Text||Left|"_s);
        for (int r = 1; r < rows.size(); ++r)
            QCOMPARE(d.dialog.text(r, ColumnDefs::NumberCol), QString::number(r));
        d.apply();
        QCOMPARE(d.table.cols(), 15);
        QCOMPARE(d.table.rowTexts(0).mid(1, 3), test::texts({ "", "C2", "C3" }));
        QCOMPARE(d.table.rowTexts(1).mid(1, 3), test::texts({ "D2", "D3", "D4" })); // cells stay where they were
    }
    void currentColumnOnly()
    {
        Defs d(ColumnDefs::Scope::CurrentColumn, 3);
        QCOMPARE(test::rowsOf(d.dialog, 1), test::texts({ "4|C4|Money|$#,###.00|Right|" }));
        d.dialog.setText(1, ColumnDefs::TitleCol, u"Price"_s);
        d.dialog.setText(1, ColumnDefs::FormatCol, u"$#,###"_s);
        d.apply(ColumnDefs::Scope::CurrentColumn, 3);
        QCOMPARE(d.table.rowTexts(0).mid(2, 3), test::texts({ "C3", "Price", "C5" }));
        QCOMPARE(d.table.cols(), 13);
        QCOMPARE(d.table.columnFormat(3), u"$#,###"_s);
    }
    void checkBoxColumnsKeepTheirValues()
    {
        GridModel table;
        test::fillRows(table, test::texts({ "|", "|True", "|0", "|", "|abc", "|-1" }));
        GridModel dialog;
        ColumnDefs::load(dialog, table, ColumnDefs::Scope::CurrentColumn, 1);
        dialog.setText(1, ColumnDefs::TypeCol, u"Checkbox"_s);
        ColumnDefs::apply(dialog, table, ColumnDefs::Scope::CurrentColumn, 1);
        const auto checks = [&table] {
            QList<CheckBox> out;
            for (int r = 1; r <= 5; ++r)
                out << table.cellFormat(r, 1).check;
            return out;
        };
        using enum CheckBox;
        QCOMPARE(checks(), (QList<CheckBox> { Checked, Unchecked, Unchecked, Unchecked, Checked }));

        // The user ticks "0" and "abc" and unticks "-1", then makes the column text again.
        for (const auto &[r, check] : { std::pair { 2, Checked }, { 4, Checked }, { 5, Unchecked } }) {
            CellFormat f = table.cellFormat(r, 1);
            f.check = check;
            table.setCellFormat(r, 1, f);
        }
        dialog.setText(1, ColumnDefs::TypeCol, u"Text"_s);
        ColumnDefs::apply(dialog, table, ColumnDefs::Scope::CurrentColumn, 1);
        QCOMPARE(test::rowsOf(table, 1), test::texts({ "|True", "|True", "|", "|abc", "|False" }));
        QCOMPARE(checks(), QList<CheckBox>(5, None));
    }
    void columnTitle_data() { test::addCaseRows(u"table/columndefs/title.tsv"_s); }
    void columnTitle()
    {
        QFETCH(QString, answer);
        QFETCH(QString, changed);
        GridModel table;
        fillTable(table);
        table.setCursor(1, 2);
        test::ScriptedPrompts prompts;
        prompts.inputs = { answer == u"(cancel)" ? u"\x01"_s : answer };
        QCOMPARE(ColumnDefs::askColumnTitle(table, prompts), changed == u"true");
        QTEST(table.text(0, 2), "title");
        QCOMPARE(prompts.asked.at(0).title, u"Column Title"_s);
        QCOMPARE(prompts.asked.at(0).text, u"Enter New Column Title (Header):"_s);
    }
};

QTEST_GUILESS_MAIN(TestColumnDefs)
#include "tst_columndefs.moc"
