#pragma once

#include "core/grid/gridmodel.h"

#include <QString>

namespace dq {

class UserPrompts;

// Column definitions of the record table as the Column Define dialog edits them: the
// dialog's grid is a working copy with one row per column (number, title, type name,
// format, alignment name, hide check box), written back by position on OK. Also the
// Column Title command.
class ColumnDefs
{
public:
    enum class Scope { AllColumns, CurrentColumn };
    enum DialogColumn { NumberCol = 0, TitleCol, TypeCol, FormatCol, AlignmentCol, HideCol, DialogCols };

    static QString typeName(DataType type);
    static DataType typeFromName(const QString &name);
    static QString alignmentName(Alignment alignment);
    static Alignment alignmentFromName(const QString &name);
    // The format pick list offered for a type name ("|" between items); empty for free text.
    static QString formatList(const QString &typeName);
    static QString typePickList();
    static QString alignmentPickList();

    // Shapes the dialog grid (titles, widths, the green title row, hide check boxes) and
    // fills it from the table: every column, or only currentCol.
    static void load(GridModel &dialog, const GridModel &table, Scope scope, int currentCol);
    // The pick list for editing a dialog cell: types, formats of the row's type, or alignments.
    static QString pickListFor(const GridModel &dialog, int row, int col);
    // After a data type cell was edited: numbers and money align right (format kept), check
    // boxes centre and lose the format, anything else aligns left and loses the format.
    static void typeEdited(GridModel &dialog, int row);
    // Row buttons of the all-columns view. New rows are "Text", "Left"; numbers are redone.
    static void addRow(GridModel &dialog);
    static void insertRow(GridModel &dialog, int row);
    static void deleteRow(GridModel &dialog, int row);

    // OK: writes the dialog rows back to the columns at the same positions. In the
    // all-columns view the table gets exactly one column per row (cells never move, so
    // deleting a row drops the last column's cells). A column becoming a check-box column
    // ticks its cells from their truth values; one leaving it writes the ticks back as text.
    static void apply(const GridModel &dialog, GridModel &table, Scope scope, int currentCol);

    // Column Title: asks for the current column's new title. Empty text or Cancel changes
    // nothing. True when the title changed.
    static bool askColumnTitle(GridModel &table, UserPrompts &prompts);
    static bool setColumnTitle(GridModel &table, int col, const QString &title);
};

} // namespace dq
