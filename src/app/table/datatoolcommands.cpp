#include "app/table/datatoolcommands.h"

#include "app/grid/gridview.h"
#include "app/shell/frmmain.h"
#include "app/shell/menuentry.h"
#include "app/table/sortarrows.h"
#include "core/table/datatools.h"
#include "core/table/filecommands.h"
#include "core/table/longjobs.h"
#include "core/table/recordtable.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>

#include <memory>

namespace dq {

DataToolCommands::DataToolCommands(frmMain &window)
    : QObject(&window)
    , m_window(window)
    , m_arrows(new SortArrows(window.recordView(), this))
{
    setObjectName(QStringLiteral("dataToolCommands"));
    QMenu *tools = window.menu(frmMain::Menu::Tools);
    connect(addMenuEntry(tools, "mnuDateTimeNow", QStringLiteral("DateTime Stamp Now"), QKeySequence(Qt::Key_F3)),
        &QAction::triggered, this, &DataToolCommands::stampNow);
    connect(addMenuEntry(tools, "mnuDelDup", QStringLiteral("Delete Duplicates"), QKeySequence(Qt::CTRL | Qt::Key_D)),
        &QAction::triggered, this, &DataToolCommands::deleteDuplicates);
    connect(addMenuEntry(tools, "mnuParsePhoneCol", QStringLiteral("Parse Phone Column"), {}), &QAction::triggered,
        this, &DataToolCommands::parsePhoneColumn);

    GridModel *fa = &window.table().fa();
    window.recordView().setTitleSorter([this](int col, Qt::SortOrder order) { sortByTitle(col, order); });
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

void DataToolCommands::sortByTitle(int col, Qt::SortOrder order)
{
    GridModel *fa = &m_window.table().fa();
    if (col < 0 || col >= fa->cols())
        return;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    m_window.table().jobs().start(
        QStringLiteral("Sorting"), fa->rows(), [this, fa, col, order, clock](JobControl &control) -> LongJobs::Apply {
            auto ordered = std::make_shared<std::vector<int>>(DataTools::sortOrder(*fa, col, order, &control));
            if (control.cancelled())
                return {};
            return [this, col, order, ordered, clock] { applySort(col, order, *ordered, clock->elapsed()); };
        });
}

void DataToolCommands::applySort(int col, Qt::SortOrder order, const std::vector<int> &ordered, qint64 ms)
{
    GridModel &fa = m_window.table().fa();
    DataTools::applySort(fa, col, order, ordered);
    m_window.table().jobs().report(QStringLiteral("%1 rows sorted in %2 s")
                                       .arg(LongJobs::count(fa.rows() - fa.fixedRows()))
                                       .arg(double(ms) / 1000.0, 0, 'f', 1));
}

void DataToolCommands::deleteDuplicates()
{
    if (m_window.table().jobs().busy() || !DataTools::confirmDeleteDuplicates(m_window.prompts()))
        return;
    const GridModel *fa = &m_window.table().fa();
    m_window.table().jobs().start(
        QStringLiteral("Deleting duplicates"), fa->rows(), [this, fa](JobControl &control) -> LongJobs::Apply {
            auto removal = std::make_shared<DataTools::DuplicateRemoval>(DataTools::findDuplicateRows(*fa, &control));
            if (!removal->valid)
                return {};
            return [this, removal] { applyDuplicateRemoval(*removal); };
        });
}

void DataToolCommands::applyDuplicateRemoval(const DataTools::DuplicateRemoval &removal)
{
    DataTools::applyDuplicateRemoval(m_window.table().fa(), removal);
    m_window.table().markChangedByCommand();
    m_window.fa_Click();
    m_window.table().jobs().report(QStringLiteral("%1 duplicate rows deleted").arg(LongJobs::count(removal.dropped)));
}

void DataToolCommands::parsePhoneColumn()
{
    if (m_window.table().jobs().busy() || !DataTools::confirmParsePhoneColumn(m_window.prompts()))
        return;
    const GridModel *fa = &m_window.table().fa();
    m_window.table().jobs().start(
        QStringLiteral("Parsing phone numbers"), fa->rows(), [this, fa](JobControl &control) -> LongJobs::Apply {
            std::optional<ColumnTextsBatch> batch = DataTools::phoneColumns(*fa, &control);
            if (!batch || control.cancelled())
                return {};
            auto parsed = std::make_shared<ColumnTextsBatch>(std::move(*batch));
            return [this, parsed] { applyPhoneColumns(std::move(*parsed)); };
        });
}

void DataToolCommands::applyPhoneColumns(ColumnTextsBatch &&batch)
{
    GridModel &fa = m_window.table().fa();
    DataTools::applyPhoneColumns(fa, std::move(batch));
    m_window.table().markChangedByCommand();
    m_window.fa_Click();
    m_window.table().jobs().report(
        QStringLiteral("%1 phone numbers parsed").arg(LongJobs::count(qMax(0, fa.rows() - fa.fixedRows()))));
}

void DataToolCommands::stampNow()
{
    GridModel &fa = m_window.table().fa();
    const GridModel *form = m_window.formGrid();
    // With the Form panel meant, its current field names the column (field row n is
    // column n - 1); the record's cell is stamped and the panel shows it at once.
    const bool onForm = m_window.focusOwner() != FocusOwner::RecordTable && form;
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
