#pragma once

#include "core/table/columndefs.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;

namespace dq {

class GridView;
class RecordTable;
class UserPrompts;
class frmMain;

// The Column Define dialog: the record table's columns (all of them, or the current one)
// as rows of a small grid of title, data type, format, alignment and hide flag. It edits
// a copy; OK writes the rows back to the columns at the same positions, Cancel drops it.
// OK asks first when it would remove columns that still hold data. While a grab fills the
// table, OK refuses to redefine every column (the rows arriving would land in the wrong
// ones) and leaves the dialog open with its edits, to be applied once the grab has ended.
class frmColDef : public QDialog
{
    Q_OBJECT

public:
    frmColDef(RecordTable &table, UserPrompts &prompts, ColumnDefs::Scope scope, QWidget *parent = nullptr);

    // The Tools menu's Column Define and the Edit menu's Column Attributes and Column Title.
    static void installCommands(frmMain &window);

    ColumnDefs::Scope scope() const { return m_scope; }
    // Asked at OK: true while a grab adds rows to the table.
    void setGrabbingQuery(std::function<bool()> grabbing) { m_grabbing = std::move(grabbing); }
    GridModel &definitions() { return *m_definitions; }

    // Buttons, as their clicks run them.
    void applyAndClose();
    void showAllColumns();
    void addColumn();
    void insertColumn();
    void deleteColumn();

    GridView *fg = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdAllCols = nullptr;
    QPushButton *cmdAdd = nullptr;
    QPushButton *cmdInsert = nullptr;
    QPushButton *cmdDelete = nullptr;

private:
    void showScope();
    // The 1-based numbers of the columns OK would remove that hold data in some row.
    QList<int> droppedColumnsWithData() const;
    int twipsY(int twips) const;

    RecordTable &m_table;
    UserPrompts &m_prompts;
    GridModel *m_definitions;
    ColumnDefs::Scope m_scope;
    std::function<bool()> m_grabbing;
    int m_currentCol;
};

} // namespace dq
