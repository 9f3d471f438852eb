#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace dq {

class GridModel;
class SheetLayout;
class SheetRows;

// Address labels from the record table, composed on a SheetLayout: each label is one
// sheet column wide and a band of six rows high (blank, name, street, city line,
// country line, blank), bands stacked down the page in two or three label columns.
class MailingLabels
{
public:
    struct Layout
    {
        QString name;
        int columns = 3;
        std::vector<int> widths; // twips, one per label column
        int rowHeight = 240; // twips
        QString fontFamily;
        int fontPoints = 10;
    };

    struct Options
    {
        QString layout = QStringLiteral("3 x 10");
        bool skipIncomplete = true;
        bool printCountry = false;
        QString country = QStringLiteral("U.S.A.");
        bool allRows = false; // false: the record table's selected rows
    };

    static constexpr int kBandRows = 6;

    // "3 x 10", "2 x 10", "2 x 5", in the order the dialog offers them.
    static QStringList layoutNames();
    // The layout of that name; any other name gives "2 x 5".
    static Layout layout(const QString &name);

    // True when Street, City, State or Zip Code is empty text (blanks count as filled).
    static bool isIncomplete(const GridModel &table, int row);

    // Chooses the rows to print, in order. With allRows every data row is selected in
    // the record table first; with skipIncomplete the incomplete rows are deselected
    // there (in Row mode; a Block-mode block cannot lose single rows, so they are only
    // left out). Title rows never print.
    static std::vector<int> gatherRows(GridModel &table, const Options &options);

    // gatherRows in two steps, so that the reading can run off the window's thread: the rows to
    // print and the incomplete rows to deselect, read without changing anything...
    struct Picked
    {
        std::vector<int> rows;
        std::vector<int> incomplete; // from the last back
    };
    static Picked pickRows(const GridModel &table, const Options &options);
    // ...then the record table's selection changed to match.
    static void markPicked(GridModel &table, const Options &options, const Picked &picked);

    // Rebuilds sheet as the label page for rows (record-table row indexes).
    static void compose(
        SheetLayout &sheet, const GridModel &table, const std::vector<int> &rows, const Options &options);

    // The same page for printing a band at a time: sheet gets the page setup and no labels,
    // and the returned rows write the labels of the bands SheetPainter(sheet, rows) asks for.
    // table must outlive the returned rows and hold still while they are used.
    static std::unique_ptr<SheetRows> composeStreamed(
        SheetLayout &sheet, const GridModel &table, std::vector<int> rows, const Options &options);

    // The label's city line: City, ", ", State, " ", Zip Code.
    static QString cityLine(const GridModel &table, int row);
    // A city line left with a trailing comma (no State and Zip Code) loses it.
    static QString cleanCityLine(const QString &line);
};

} // namespace dq
