#pragma once

#include <QString>

#include <memory>
#include <vector>

namespace dq {

class GridModel;
class SheetLayout;
class SheetRows;
class UserPrompts;

// The record table, or its selected rows, as a printed sheet: chosen columns at 1.2
// times their on-screen widths under their titles, the page header "Orlenco Dirquill",
// page numbers in the footer and tick boxes for checkbox columns.
class PrintSheet
{
public:
    struct Options
    {
        std::vector<bool> printColumns; // per record-table column; missing entries print
        bool allRows = false; // false: the record table's selected rows
        bool landscape = false;
        QString scaleText = QStringLiteral("75"); // percent; text that is no number keeps the scale
    };

    static constexpr int kMinScale = 50;
    static constexpr int kMaxScale = 100;

    // The sheet cannot be printed from a Block-mode block: tells the user so and returns
    // false; in Row mode returns true without asking anything.
    static bool mayOpen(const GridModel &table, UserPrompts &prompts);

    // The up-down buttons beside the scale: +1 up to 100, -1 down to 50. Text that is no
    // number is returned unchanged.
    static QString stepScale(const QString &text, int step);

    // Fills the column chooser: columns "Col", "Title", "Print", one row per record-table
    // column, "Print" ticked unless the column is hidden.
    static void buildChooser(GridModel &chooser, const GridModel &table);
    // The "Print" ticks of a chooser, one per record-table column.
    static std::vector<bool> chosenColumns(const GridModel &chooser);

    // Rebuilds sheet for the table. With allRows every data row is selected in the record
    // table first. Returns the printed rows as clip text (tabs between cells, carriage
    // returns between rows), the text pasted into the sheet and meant for the clipboard.
    static QString compose(SheetLayout &sheet, GridModel &table, const Options &options);

    // The same page for printing a page at a time: sheet gets the page setup and no cells, and
    // the returned rows write the cells SheetPainter(sheet, rows) asks for. Selects as compose
    // does but makes no clip text. table must outlive the rows and hold still while they are used.
    static std::unique_ptr<SheetRows> composeStreamed(SheetLayout &sheet, GridModel &table, const Options &options);

    // The printed rows as clip text, as compose returns it.
    static QString clipText(const GridModel &table, const std::vector<int> &rows);

    // Whether a checkbox column's cell is ticked: its check state, else its text
    // ("True", "Yes", "1", "-1", "X", any case).
    static bool isTicked(const GridModel &table, int row, int col);
};

} // namespace dq
