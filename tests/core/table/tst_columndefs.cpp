#include "core/table/columndefs.h"
#include "support/testsupport.h"

#include <QTest>

using namespace dq;

namespace {

// Thirteen columns titled C1..C13 over one data row D1..D13; column 4 is money.
void fillTable(GridModel &m)
{
    m.setCols(13);
    m.setRows(2);
    for (int c = 0; c < 13; ++c) {
        m.setText(0, c, QStringLiteral("C%1").arg(c + 1));
        m.setText(1, c, QStringLiteral("D%1").arg(c + 1));
    }
    ColumnAttributes money;
    money.dataType = DataType::Currency;
    money.format = QStringLiteral("$#,###.00");
    money.alignment = Alignment::RightCenter;
    m.setColumnAttributes(3, money);
}

// The table above and its definitions dialog, loaded for one scope.
struct Defs
{
    explicit Defs(ColumnDefs::Scope scope = ColumnDefs::Scope::AllColumns, int col = 0)
    {
        fillTable(table);
        ColumnDefs::load(dialog, table, scope, col);
    }
    GridModel table;
    GridModel dialog;
};

QStringList dialogRow(std::initializer_list<const char *> cells)
{
    QStringList out;
    for (const char *c : cells)
        out << QString::fromUtf8(c);
    return out;
}

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
        QCOMPARE(ColumnDefs::typeFromName(QStringLiteral("Currency")), DataType::String); // any other name is text
        QCOMPARE(ColumnDefs::alignmentName(Alignment::General), QStringLiteral("Left"));
        QCOMPARE(ColumnDefs::alignmentName(Alignment::CenterCenter), QStringLiteral("Center"));
        QCOMPARE(ColumnDefs::alignmentFromName(QStringLiteral("Right")), Alignment::RightCenter);
        QCOMPARE(ColumnDefs::alignmentFromName(QStringLiteral("Centre")), Alignment::LeftCenter);
    }
    void typeChangeRules_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("alignment");
        QTest::addColumn<QString>("format"); // after "0.00"
        QTest::addColumn<QString>("formatList");
        const struct
        {
            const char *name, *type, *alignment, *format, *formatList;
        } rows[] = {
            { "Number aligns right and keeps the format", "Number", "Right", "0.00",
                "0|0.0|0.00|0.000|0.0000|%|#.00%|#,###|#,###.00" },
            { "Money aligns right and keeps the format", "Money", "Right", "0.00", "$#,###|$#,###.00" },
            { "Checkbox centres and clears the format", "Checkbox", "Center", "", "" },
            { "Date aligns left and clears the format", "Date", "Left", "",
                "mm/dd/yy|mm/dd/yyyy|m/d/yy|m/d/yyyy|dd-Mmm-yyyy|Mmm-dd-yyyy|mm/dd/yy hh:mm|mm/dd/yy hh:mm:ss|"
                "mm/dd/yy hh:mm AMPM|mm/dd/yy hh:mm:ss AMPM" },
            { "Text aligns left and clears the format", "Text", "Left", "", "" },
        };
        for (const auto &row : rows)
            QTest::newRow(row.name) << QString::fromLatin1(row.type) << QString::fromLatin1(row.alignment)
                                    << QString::fromLatin1(row.format) << QString::fromLatin1(row.formatList);
    }
    void typeChangeRules()
    {
        QFETCH(QString, type);
        QFETCH(QString, alignment);
        QFETCH(QString, format);
        QFETCH(QString, formatList);
        Defs d;
        GridModel &dialog = d.dialog;
        dialog.setText(2, ColumnDefs::FormatCol, QStringLiteral("0.00"));
        dialog.setText(2, ColumnDefs::TypeCol, type);
        ColumnDefs::typeEdited(dialog, 2);
        QCOMPARE(dialog.text(2, ColumnDefs::AlignmentCol), alignment);
        QCOMPARE(dialog.text(2, ColumnDefs::FormatCol), format);
        QCOMPARE(ColumnDefs::pickListFor(dialog, 2, ColumnDefs::FormatCol), formatList);
        QCOMPARE(
            ColumnDefs::pickListFor(dialog, 2, ColumnDefs::TypeCol), QStringLiteral("Checkbox|Date|Money|Number|Text"));
        QCOMPARE(ColumnDefs::pickListFor(dialog, 2, ColumnDefs::TitleCol), QString());
    }
    void loadShowsEveryColumn()
    {
        GridModel table;
        fillTable(table);
        table.setColumnHidden(5, true);
        GridModel dialog;
        ColumnDefs::load(dialog, table, ColumnDefs::Scope::AllColumns, 0);
        QCOMPARE(dialog.rows(), 14);
        QCOMPARE(dialog.rowTexts(0), dialogRow({ "Col", "Title", "Data Type", "Data Format", "Alignment", "Hide" }));
        QCOMPARE(dialog.rowTexts(4), dialogRow({ "4", "C4", "Money", "$#,###.00", "Right", "" }));
        QCOMPARE(dialog.rowTexts(1), dialogRow({ "1", "C1", "Text", "", "Left", "" }));
        QCOMPARE(dialog.cellFormat(6, ColumnDefs::HideCol).check, CheckBox::Checked);
        QCOMPARE(dialog.cellFormat(5, ColumnDefs::HideCol).check, CheckBox::Unchecked);
        const CellFormat title = dialog.cellFormat(0, 2);
        QVERIFY(title.bold);
        QCOMPARE(QColor::fromRgb(title.back), QColor(0, 0x80, 0));
        QCOMPARE(QColor::fromRgb(title.fore), QColor(Qt::white));
        QVERIFY(!dialog.cellFormat(6, 1).hasBack);
        QCOMPARE(QColor::fromRgb(dialog.cellFormat(7, 1).back), QColor(0xEA, 0xEA, 0xAE));
        QVERIFY(dialog.cellFormat(12, 5).hasBack);
        QVERIFY(!dialog.cellFormat(13, 1).hasBack);
    }
    void deletingAndHidingApplyByPosition()
    {
        Defs d;
        GridModel &table = d.table, &dialog = d.dialog;
        CellFormat hide = dialog.cellFormat(9, ColumnDefs::HideCol);
        hide.check = CheckBox::Checked;
        dialog.setCellFormat(9, ColumnDefs::HideCol, hide); // column 9, the eighth after the deletion
        ColumnDefs::deleteRow(dialog, 3); // the row of column 3
        ColumnDefs::apply(dialog, table, ColumnDefs::Scope::AllColumns, 0);

        QCOMPARE(table.cols(), 12);
        QCOMPARE(table.rowTexts(0),
            dialogRow({ "C1", "C2", "C4", "C5", "C6", "C7", "C8", "C9", "C10", "C11", "C12", "C13" }));
        // Cells never move: the former column 13's cells are gone.
        QCOMPARE(table.rowTexts(1),
            dialogRow({ "D1", "D2", "D3", "D4", "D5", "D6", "D7", "D8", "D9", "D10", "D11", "D12" }));
        QCOMPARE(table.columnDataType(2), DataType::Currency);
        QCOMPARE(table.columnFormat(2), QStringLiteral("$#,###.00"));
        QCOMPARE(table.columnDataType(3), DataType::String);
        QVERIFY(table.columnHidden(7) && !table.columnHidden(6) && !table.columnHidden(8));
        QCOMPARE(table.text(1, 7), QStringLiteral("D8")); // a hidden column keeps its data
    }
    void rowButtonsRenumber()
    {
        Defs d;
        GridModel &table = d.table, &dialog = d.dialog;
        ColumnDefs::insertRow(dialog, 2);
        ColumnDefs::addRow(dialog);
        QCOMPARE(dialog.rows(), 16);
        QCOMPARE(dialog.rowTexts(2), dialogRow({ "2", "", "Text", "", "Left", "" }));
        QCOMPARE(dialog.rowTexts(3), dialogRow({ "3", "C2", "Text", "", "Left", "" }));
        QCOMPARE(dialog.rowTexts(15), dialogRow({ "15", "", "Text", "", "Left", "" }));
        for (int r = 1; r < dialog.rows(); ++r)
            QCOMPARE(dialog.text(r, ColumnDefs::NumberCol), QString::number(r));

        ColumnDefs::apply(dialog, table, ColumnDefs::Scope::AllColumns, 0);
        QCOMPARE(table.cols(), 15);
        QCOMPARE(table.text(0, 2), QStringLiteral("C2"));
        QCOMPARE(table.text(1, 2), QStringLiteral("D3")); // cells stay where they were
        QCOMPARE(table.text(1, 13), QString());
    }
    void currentColumnOnly()
    {
        Defs d(ColumnDefs::Scope::CurrentColumn, 3);
        GridModel &table = d.table, &dialog = d.dialog;
        QCOMPARE(dialog.rows(), 2);
        QCOMPARE(dialog.rowTexts(1), dialogRow({ "4", "C4", "Money", "$#,###.00", "Right", "" }));
        dialog.setText(1, ColumnDefs::TitleCol, QStringLiteral("Price"));
        dialog.setText(1, ColumnDefs::FormatCol, QStringLiteral("$#,###"));
        ColumnDefs::apply(dialog, table, ColumnDefs::Scope::CurrentColumn, 3);
        QCOMPARE(table.cols(), 13);
        QCOMPARE(table.text(0, 3), QStringLiteral("Price"));
        QCOMPARE(table.columnFormat(3), QStringLiteral("$#,###"));
        QCOMPARE(table.text(0, 0), QStringLiteral("C1"));
    }
    void checkBoxColumnsKeepTheirValues()
    {
        GridModel table;
        table.setCols(2);
        table.setRows(6);
        const QStringList texts { QStringLiteral("True"), QStringLiteral("0"), QString(), QStringLiteral("abc"),
            QStringLiteral("-1") };
        for (int r = 0; r < texts.size(); ++r)
            table.setText(r + 1, 1, texts.at(r));

        GridModel dialog;
        ColumnDefs::load(dialog, table, ColumnDefs::Scope::CurrentColumn, 1);
        dialog.setText(1, ColumnDefs::TypeCol, QStringLiteral("Checkbox"));
        ColumnDefs::apply(dialog, table, ColumnDefs::Scope::CurrentColumn, 1);
        QList<CheckBox> checks;
        for (int r = 1; r <= 5; ++r)
            checks << table.cellFormat(r, 1).check;
        QCOMPARE(checks,
            (QList<CheckBox> {
                CheckBox::Checked, CheckBox::Unchecked, CheckBox::Unchecked, CheckBox::Unchecked, CheckBox::Checked }));

        // The user ticks "0" and "abc" and unticks "-1", then makes the column text again.
        for (int r : { 2, 4 }) {
            CellFormat f = table.cellFormat(r, 1);
            f.check = CheckBox::Checked;
            table.setCellFormat(r, 1, f);
        }
        CellFormat off = table.cellFormat(5, 1);
        off.check = CheckBox::Unchecked;
        table.setCellFormat(5, 1, off);
        dialog.setText(1, ColumnDefs::TypeCol, QStringLiteral("Text"));
        ColumnDefs::apply(dialog, table, ColumnDefs::Scope::CurrentColumn, 1);
        QStringList after;
        for (int r = 1; r <= 5; ++r) {
            after << table.text(r, 1);
            QCOMPARE(table.cellFormat(r, 1).check, CheckBox::None);
        }
        QCOMPARE(after, dialogRow({ "True", "True", "", "abc", "False" }));
    }
    void columnTitle_data()
    {
        QTest::addColumn<QString>("answer"); // "\x01" cancels
        QTest::addColumn<bool>("changed");
        QTest::addColumn<QString>("title");
        QTest::newRow("a new title is set") << "Fax" << true << "Fax";
        QTest::newRow("an empty answer changes nothing") << "" << false << "C3";
        QTest::newRow("cancel changes nothing") << "\x01" << false << "C3";
        QTest::newRow("the same title is no change") << "C3" << false << "C3";
    }
    void columnTitle()
    {
        QFETCH(QString, answer);
        QFETCH(bool, changed);
        QFETCH(QString, title);
        GridModel table;
        fillTable(table);
        table.setCursor(1, 2);
        test::ScriptedPrompts prompts;
        prompts.inputs = { answer };
        QCOMPARE(ColumnDefs::askColumnTitle(table, prompts), changed);
        QCOMPARE(table.text(0, 2), title);
        QCOMPARE(prompts.asked.at(0).title, QStringLiteral("Column Title"));
        QCOMPARE(prompts.asked.at(0).text, QStringLiteral("Enter New Column Title (Header):"));
    }
};

QTEST_GUILESS_MAIN(TestColumnDefs)
#include "tst_columndefs.moc"
