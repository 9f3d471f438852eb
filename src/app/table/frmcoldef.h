#pragma once

#include "core/table/columndefs.h"

#include <QDialog>

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
// OK asks first when it would remove columns that still hold data.
class frmColDef : public QDialog
{
    Q_OBJECT

public:
    frmColDef(RecordTable &table, UserPrompts &prompts, ColumnDefs::Scope scope, QWidget *parent = nullptr);

    // The Tools menu's Column Define and the Edit menu's Column Attributes and Column Title.
    static void installCommands(frmMain &window);

    ColumnDefs::Scope scope() const { return m_scope; }
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
    int m_currentCol;
};

} // namespace dq
