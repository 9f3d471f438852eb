#include "app/table/datatoolcommands.h"

#include "app/grid/gridview.h"
#include "app/shell/frmmain.h"
#include "app/table/sortarrows.h"
#include "core/table/datatools.h"
#include "core/table/filecommands.h"
#include "core/table/recordtable.h"

#include <QAction>
#include <QLabel>
#include <QMenu>

namespace dq {

DataToolCommands::DataToolCommands(frmMain &window)
    : QObject(&window)
    , m_window(window)
    , m_arrows(new SortArrows(window.recordView(), this))
{
    setObjectName(QStringLiteral("dataToolCommands"));
    const auto entry = [](QMenu *into, const char *name, const QString &caption, const QKeySequence &keys) {
        QAction *a = into->addAction(caption);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(keys);
        return a;
    };
    QMenu *tools = window.menu(frmMain::Menu::Tools);
    connect(entry(tools, "mnuDateTimeNow", QStringLiteral("DateTime Stamp Now"), QKeySequence(Qt::Key_F3)),
        &QAction::triggered, this, &DataToolCommands::stampNow);
    connect(entry(tools, "mnuDelDup", QStringLiteral("Delete Duplicates"), QKeySequence(Qt::CTRL | Qt::Key_D)),
        &QAction::triggered, this, &DataToolCommands::deleteDuplicates);
    connect(entry(tools, "mnuParsePhoneCol", QStringLiteral("Parse Phone Column"), {}), &QAction::triggered, this,
        &DataToolCommands::parsePhoneColumn);

    GridModel *fa = &window.table().fa();
    window.recordView().setTitleSorter(
        [fa](int col, Qt::SortOrder order) { DataTools::sortByColumn(*fa, col, order); });
    RecordTable *table = &window.table();
    connect(m_arrows, &SortArrows::sorted, this, [this, table] {
        table->markChangedByCommand();
        // The current row now holds another record.
        m_window.fa_Click();
    });
    // The Form panel lists its fields anew by itself when a column moves.
    connect(fa, &GridModel::columnMoved, table, &RecordTable::markChangedByCommand);
    // A new or opened table brings its own grid settings and no sorted column.
    const auto rebuilt = [this] {
        m_arrows->reset();
        enableTitleTools();
    };
    connect(table, &RecordTable::tableRebuilt, this, rebuilt);
    connect(&window.fileCommands(), &FileCommands::opened, this, rebuilt);
    enableTitleTools();
}

void DataToolCommands::enableTitleTools()
{
    GridModel &fa = m_window.table().fa();
    // Grid settings are no edits of the table.
    m_window.table().setTracking(false);
    fa.setSortOnTitleClick(true);
    fa.setColumnDragEnabled(true);
    m_window.table().setTracking(true);
}

void DataToolCommands::deleteDuplicates()
{
    const int removed = DataTools::deleteDuplicates(m_window.table().fa(), m_window.prompts());
    if (removed < 0)
        return;
    m_window.panel(2)->setText(removed == 1 ? QStringLiteral("1 duplicate row deleted")
                                            : QStringLiteral("%1 duplicate rows deleted").arg(removed));
    m_window.table().markChangedByCommand();
    m_window.fa_Click();
}

void DataToolCommands::parsePhoneColumn()
{
    if (!DataTools::parsePhoneColumn(m_window.table().fa(), m_window.prompts()))
        return;
    m_window.table().markChangedByCommand();
    m_window.fa_Click();
}

void DataToolCommands::stampNow()
{
    GridModel &fa = m_window.table().fa();
    const GridModel *form = m_window.formGrid();
    // With the Form panel meant, its current field names the column (field row n is
    // column n - 1); the record's cell is stamped and the panel shows it at once.
    const bool onForm = m_window.focusOwner() != 1 && form;
    const int col = onForm ? form->row() - form->fixedRows() : fa.col();
    const int row = fa.row();
    if (row < fa.fixedRows() || row >= fa.rows() || col < 0 || col >= fa.cols())
        return;
    if (onForm) {
        // The panel's field gets the stamp after what it shows (a formatted number, date or
        // an empty tick box), and the record takes that same text.
        const QString shown = form->text(form->row(), 1);
        fa.setText(row, col, DataTools::stampText(shown, fa.columnFormat(col), m_clock()));
    } else {
        DataTools::stampCell(fa, row, col, m_clock());
    }
    m_window.table().markChangedByCommand();
}

} // namespace dq
