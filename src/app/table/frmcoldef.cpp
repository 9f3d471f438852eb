#include "app/table/frmcoldef.h"

#include "app/grid/gridview.h"
#include "app/harvest/harvestcommands.h"
#include "app/shell/frmmain.h"
#include "app/shell/menuentry.h"
#include "core/shell/userprompts.h"
#include "core/table/recordtable.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QScrollBar>
#include <QMenu>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace dq {

namespace {
constexpr int kTwipsPerInch = 1440;
constexpr int kShortGridHeight = 810; // twips, one column's row
constexpr int kTallGridHeight = 2715; // twips, every column
} // namespace

frmColDef::frmColDef(RecordTable &table, UserPrompts &prompts, ColumnDefs::Scope scope, QWidget *parent)
    : QDialog(parent)
    , m_table(table)
    , m_prompts(prompts)
    , m_definitions(new GridModel(this))
    , m_scope(scope)
    , m_currentCol(table.fa().col())
{
    setObjectName(QStringLiteral("frmColDef"));
    setWindowTitle(QStringLiteral("Column Define"));
    setModal(true);

    fg = new GridView(this);
    fg->setObjectName(QStringLiteral("fg"));
    fg->setGridModel(m_definitions);
    fg->setSelectionMode(GridModel::SelectionMode::Free);
    // The title row: bold white captions on dark green.
    fg->horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { background-color: #005000; color: white; font-weight: bold; "
                       "border: 1px solid #003800; padding: 2px; }"));
    fg->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);

    const auto button = [this](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    cmdAdd = button("cmdAdd", QStringLiteral("Add"));
    cmdInsert = button("cmdInsert", QStringLiteral("Insert"));
    cmdDelete = button("cmdDelete", QStringLiteral("Delete"));
    cmdAllCols = button("cmdAllCols", QStringLiteral("&All Cols"));
    cmdOK = button("cmdOK", QStringLiteral("&OK"));
    cmdCancel = button("cmdCancel", QStringLiteral("&Cancel"));

    auto *column = new QVBoxLayout(this);
    column->addWidget(fg, 1);
    const QStringList hints { QStringLiteral("1. Column 7 to 10 are user defined columns."),
        QStringLiteral("2. Double click cell to edit or click to select."),
        QStringLiteral("3. Press Enter key after edit.") };
    for (int i = 0; i < hints.size(); ++i) {
        auto *hint = new QLabel(hints.at(i), this);
        hint->setObjectName(QStringLiteral("lblHint_%1").arg(i));
        column->addWidget(hint);
    }
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : { cmdAdd, cmdInsert, cmdDelete, cmdAllCols })
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    column->addLayout(buttons);

    // The pick list follows the cell about to be edited: types, the formats of the row's
    // type, alignments, or none for free text and the check box.
    connect(fg, &GridView::beforeEdit, this, [this](int row, int col, bool *) {
        m_definitions->setColumnPickList(col, ColumnDefs::pickListFor(*m_definitions, row, col));
    });
    connect(fg, &GridView::afterEdit, this, [this](int row, int col) {
        if (col == ColumnDefs::TypeCol)
            ColumnDefs::typeEdited(*m_definitions, row);
    });
    connect(cmdOK, &QPushButton::clicked, this, &frmColDef::applyAndClose);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdAllCols, &QPushButton::clicked, this, &frmColDef::showAllColumns);
    connect(cmdAdd, &QPushButton::clicked, this, &frmColDef::addColumn);
    connect(cmdInsert, &QPushButton::clicked, this, &frmColDef::insertColumn);
    connect(cmdDelete, &QPushButton::clicked, this, &frmColDef::deleteColumn);

    ColumnDefs::load(*m_definitions, m_table.fa(), m_scope, m_currentCol);
    showScope();
}

int frmColDef::twipsY(int twips) const
{
    return qRound(double(twips) * logicalDpiY() / kTwipsPerInch);
}

void frmColDef::showScope()
{
    const bool all = m_scope == ColumnDefs::Scope::AllColumns;
    cmdAllCols->setVisible(!all);
    // Rows are added and removed only while every column is listed.
    for (QPushButton *b : { cmdAdd, cmdInsert, cmdDelete })
        b->setVisible(all);
    fg->setMinimumHeight(twipsY(all ? kTallGridHeight : kShortGridHeight));
    // Every column in sight, with room for the scroll bar.
    int width = 2 * fg->frameWidth() + fg->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < m_definitions->cols(); ++c)
        width += fg->columnWidth(c);
    fg->setMinimumWidth(width);
    adjustSize();
}

void frmColDef::showAllColumns()
{
    if (m_scope == ColumnDefs::Scope::AllColumns)
        return;
    m_scope = ColumnDefs::Scope::AllColumns;
    ColumnDefs::load(*m_definitions, m_table.fa(), m_scope, m_currentCol);
    showScope();
}

void frmColDef::addColumn()
{
    if (m_scope == ColumnDefs::Scope::AllColumns)
        ColumnDefs::addRow(*m_definitions);
}

void frmColDef::insertColumn()
{
    if (m_scope == ColumnDefs::Scope::AllColumns)
        ColumnDefs::insertRow(*m_definitions, qMax(m_definitions->fixedRows(), m_definitions->row()));
}

void frmColDef::deleteColumn()
{
    if (m_scope == ColumnDefs::Scope::AllColumns && m_definitions->row() >= m_definitions->fixedRows())
        ColumnDefs::deleteRow(*m_definitions, m_definitions->row());
}

QList<int> frmColDef::droppedColumnsWithData() const
{
    QList<int> dropped;
    if (m_scope != ColumnDefs::Scope::AllColumns)
        return dropped;
    const GridModel &fa = m_table.fa();
    const int kept = m_definitions->rows() - m_definitions->fixedRows();
    for (int c = qMax(0, kept); c < fa.cols(); ++c) {
        for (int r = fa.fixedRows(); r < fa.rows(); ++r) {
            if (!fa.text(r, c).isEmpty()) {
                dropped.append(c + 1);
                break;
            }
        }
    }
    return dropped;
}

void frmColDef::applyAndClose()
{
    if (m_scope == ColumnDefs::Scope::AllColumns && m_grabbing && m_grabbing()) {
        m_prompts.message(windowTitle(),
            QStringLiteral("The columns cannot be redefined while a grab adds rows to the table. "
                           "Press OK again once the grab has ended."),
            UserPrompts::Icon::Warning, UserPrompts::Buttons::Ok);
        return;
    }
    if (m_scope == ColumnDefs::Scope::AllColumns && m_definitions->rows() <= m_definitions->fixedRows()) {
        m_prompts.message(windowTitle(), QStringLiteral("The table needs at least one column. Add a row first."),
            UserPrompts::Icon::Warning, UserPrompts::Buttons::Ok);
        return;
    }
    const QList<int> dropped = droppedColumnsWithData();
    if (!dropped.isEmpty()) {
        QStringList numbers;
        for (int n : dropped)
            numbers.append(QString::number(n));
        const QString text = QStringLiteral("Column %1 still holds data, which will be lost. Do you want to continue?")
                                 .arg(numbers.join(QStringLiteral(", ")));
        if (m_prompts.message(windowTitle(), text, UserPrompts::Icon::Question, UserPrompts::Buttons::YesNoCancel)
            != UserPrompts::Answer::Yes)
            return;
    }
    ColumnDefs::apply(*m_definitions, m_table.fa(), m_scope, m_currentCol);
    m_table.MakeModified(true);
    accept();
}

void frmColDef::installCommands(frmMain &window)
{
    // Opened window-modal and left to delete itself, so the event loop never nests.
    const auto open = [&window](ColumnDefs::Scope scope) {
        auto *dialog = new frmColDef(window.table(), window.prompts(), scope, &window);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setGrabbingQuery([&window] { return window.harvest().isGrabbing(); });
        // The Form panel shows the new titles and formats.
        QObject::connect(dialog, &QDialog::accepted, &window, &frmMain::fa_Click);
        dialog->open();
    };
    QObject::connect(addMenuEntry(window.menu(frmMain::Menu::Tools), "mnuColumnDefine",
                         QStringLiteral("&Column Define..."), QKeySequence(Qt::Key_F9)),
        &QAction::triggered, &window, [open] { open(ColumnDefs::Scope::AllColumns); });
    window.menu(frmMain::Menu::Edit)->addSeparator()->setObjectName(QStringLiteral("mnuSpace221"));
    QObject::connect(
        addMenuEntry(window.menu(frmMain::Menu::Edit), "mnuEditColAttr", QStringLiteral("Column &Attributes..."), {}),
        &QAction::triggered, &window, [open] { open(ColumnDefs::Scope::CurrentColumn); });
    QObject::connect(
        addMenuEntry(window.menu(frmMain::Menu::Edit), "mnuEditColTitle", QStringLiteral("Column &Title..."), {}),
        &QAction::triggered, &window, [&window] {
            if (ColumnDefs::askColumnTitle(window.table().fa(), window.prompts())) {
                window.table().markChangedByCommand();
                window.fa_Click();
            }
        });
}

} // namespace dq
