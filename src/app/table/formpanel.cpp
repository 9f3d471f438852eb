#include "app/table/formpanel.h"

#include "app/grid/gridview.h"
#include "app/shell/frmmain.h"
#include "app/table/frmdeldialog.h"
#include "core/grid/gridmodel.h"
#include "core/table/recordtable.h"
#include "core/table/tableedits.h"
#include "core/table/valueformat.h"

#include <QAction>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

namespace dq {

namespace {

constexpr int kFieldWidth = 1300; // twips, both columns at set-up
constexpr int kTitleCol = 0;
constexpr int kValueCol = 1;
const QColor kTitleBack(0, 128, 0);

bool isTicked(const GridModel &fa, int row, int col)
{
    switch (fa.cellFormat(row, col).check) {
    case CheckBox::Checked:
        return true;
    case CheckBox::Unchecked:
        return false;
    case CheckBox::None:
        break;
    }
    // A cell that was never a check box counts by its text ("-1", "1", "True", ...).
    return ValueFormat::parseBool(fa.text(row, col)).value_or(false);
}

bool isNavigationKey(int key)
{
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return true;
    default:
        return false;
    }
}

} // namespace

FormPanel::FormPanel(frmMain &window)
    : QWidget(window.formPage())
    , m_window(window)
    , m_grid(new GridModel(this))
{
    setObjectName(QStringLiteral("FormPanel"));
    m_grid->setObjectName(QStringLiteral("fbGrid"));
    setupGrid();

    createWidgets();
    createActions();
    followRecordTable();
    connectForm();
}

void FormPanel::createWidgets()
{
    fb = new GridView(this);
    fb->setObjectName(QStringLiteral("fb"));
    fb->setGridModel(m_grid);
    fb->horizontalHeader()->setStretchLastSection(true);
    fb->horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { background-color: rgb(0, 128, 0); color: white; font-weight: bold; }"));

    const std::array<QStyle::StandardPixmap, kButtons> pictures { QStyle::SP_TrashIcon, QStyle::SP_FileIcon,
        QStyle::SP_MediaSkipBackward, QStyle::SP_ArrowUp, QStyle::SP_ArrowDown, QStyle::SP_MediaSkipForward,
        QStyle::SP_TitleBarUnshadeButton, QStyle::SP_TitleBarShadeButton };
    auto *strip = new QHBoxLayout;
    strip->setContentsMargins(0, 0, 0, 0);
    strip->setSpacing(1);
    for (int i = 0; i < kButtons; ++i) {
        auto *b = new QLabel(this);
        b->setObjectName(QStringLiteral("imgBtn_%1").arg(i));
        b->setPixmap(style()->standardIcon(pictures[size_t(i)]).pixmap(16, 16));
        b->setFixedSize(22, 22);
        b->setAlignment(Qt::AlignCenter);
        b->setFrameShape(QFrame::NoFrame);
        b->setToolTip(buttonToolTip(i));
        b->installEventFilter(this);
        strip->addWidget(b);
        imgBtn[size_t(i)] = b;
    }
    strip->addStretch(1);
    imgClose = new QLabel(this);
    imgClose->setObjectName(QStringLiteral("imgClose"));
    imgClose->setPixmap(style()->standardIcon(QStyle::SP_TitleBarCloseButton).pixmap(14, 14));
    imgClose->setToolTip(QStringLiteral("Close Form (F2)"));
    imgClose->installEventFilter(this);
    strip->addWidget(imgClose);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    column->addLayout(strip);
    column->addWidget(fb, 1);
    if (QLayout *area = m_window.formPage()->layout()) {
        area->setContentsMargins(2, 2, 2, 2);
        area->addWidget(this);
    }
}

void FormPanel::createActions()
{
    mnuViewFb = m_window.menu(frmMain::Menu::View)->addAction(QStringLiteral("&Form Panel"));
    mnuViewFb->setObjectName(QStringLiteral("mnuViewFb"));
    mnuViewFb->setShortcut(QKeySequence(Qt::Key_F2));
    mnuViewFb->setCheckable(true);
    mnuViewFb->setChecked(true);
    connect(mnuViewFb, &QAction::toggled, this, &FormPanel::setShown);
}

void FormPanel::followRecordTable()
{
    GridModel *fa = &m_window.table().fa();
    connect(&m_window, &frmMain::recordTableClicked, this, &FormPanel::refresh);
    connect(&m_window.table(), &RecordTable::tableRebuilt, this, [this] {
        columnsChanged();
        m_window.fa_Click();
    });
    // The panel has a line per record-table column: any change of the columns rewrites it.
    connect(fa, &QAbstractItemModel::columnsInserted, this, &FormPanel::columnsChanged);
    connect(fa, &QAbstractItemModel::columnsRemoved, this, &FormPanel::columnsChanged);
    connect(fa, &QAbstractItemModel::columnsMoved, this, &FormPanel::columnsChanged);
    connect(fa, &QAbstractItemModel::modelReset, this, &FormPanel::columnsChanged);
    connect(fa, &GridModel::columnMoved, this, &FormPanel::columnsChanged);
    connect(fa, &QAbstractItemModel::headerDataChanged, this, [this](Qt::Orientation o) {
        if (o == Qt::Horizontal)
            columnsChanged();
    });
    // Whatever changes the current record (a paste, a tool, a sort, rows moving under the
    // cursor) shows in the panel at once, not only at the next refresh.
    const auto followRecord = [this] {
        if (isShown() && !m_writingBack)
            fillValues();
    };
    connect(fa, &QAbstractItemModel::dataChanged, this,
        [this, fa, followRecord](const QModelIndex &from, const QModelIndex &to) {
            if (fa->row() >= from.row() && fa->row() <= to.row())
                followRecord();
        });
    connect(fa, &QAbstractItemModel::layoutChanged, this, followRecord);
    connect(fa, &QAbstractItemModel::rowsInserted, this, followRecord);
    connect(fa, &QAbstractItemModel::rowsRemoved, this, followRecord);
    connect(fa, &GridModel::cellChanged, this, [this, fa](int row, int col) {
        // A check box ticked in the record table is an edit there; typed edits come through afterEdit.
        if (!m_writingBack && row == fa->row() && fa->cellFormat(row, col).check != CheckBox::None)
            markEdited();
    });

    GridView *faView = &m_window.recordView();
    connect(faView, &GridView::cellClicked, &m_window, &frmMain::fa_Click);
    connect(faView, &GridView::keyDown, this, [this](int key) {
        // The key moves the current cell after this notification; refresh once it has.
        if (isNavigationKey(key))
            QMetaObject::invokeMethod(&m_window, &frmMain::fa_Click, Qt::QueuedConnection);
    });
    connect(faView, &GridView::beforeEdit, this, [this, fa](int row, int col, bool *) {
        m_editRow = row;
        m_editCol = col;
        m_editText = fa->text(row, col);
    });
    connect(faView, &GridView::afterEdit, this, &FormPanel::recordEdited);
}

void FormPanel::connectForm()
{
    GridModel *fa = &m_window.table().fa();
    connect(fb, &GridView::beforeEdit, this, [this, fa](int row, int col, bool *cancel) {
        const int field = row - 1;
        const int record = fa->row();
        if (col != kValueCol || row < 1 || field >= fa->cols() || record < fa->fixedRows()
            || fa->columnDataType(field) == DataType::Boolean) {
            // Titles are not values; a check box is ticked, not typed; no record, nothing to edit.
            *cancel = true;
            return;
        }
        // The editor starts from the stored value, not from its display format.
        m_filling = true;
        m_grid->setText(row, kValueCol, fa->text(record, field));
        m_filling = false;
    });
    connect(fb, &GridView::afterEdit, this, &FormPanel::formEdited);
    connect(fb->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, [this] {
        // An edit left with Escape still shows the value formatted again.
        if (isShown())
            fillValues();
    });
    connect(m_grid, &GridModel::cellChanged, this, [this](int row, int col) {
        if (!m_filling && col == kValueCol && m_grid->cellFormat(row, col).check != CheckBox::None)
            formCheckToggled(row, col);
    });
}

FormPanel::~FormPanel() = default;

QString FormPanel::buttonToolTip(int index)
{
    static const std::array<QString, kButtons> tips { QStringLiteral("Dlete this record"),
        QStringLiteral("Add one record"), QStringLiteral("First record"), QStringLiteral("Up one record"),
        QStringLiteral("Down one record"), QStringLiteral("Last record"), QStringLiteral("Row Height Increase"),
        QStringLiteral("Row Height Decrease") };
    return index >= 0 && index < kButtons ? tips[size_t(index)] : QString();
}

void FormPanel::setupGrid()
{
    m_grid->setCols(2);
    m_grid->setFixedRows(1);
    m_grid->setFixedCols(0);
    m_grid->setRows(m_window.table().fa().cols() + 1);
    for (int c : { kTitleCol, kValueCol })
        m_grid->setColumnWidth(c, kFieldWidth);
    m_grid->setColumnAlignment(kTitleCol, Alignment::RightCenter);
    m_grid->setColumnAlignment(kValueCol, Alignment::LeftCenter);
    m_grid->setText(0, kTitleCol, QStringLiteral("Column"));
    m_grid->setText(0, kValueCol, QStringLiteral("Value"));
    m_grid->updateFormats(GridRange { 0, 0, 0, 1 }, [](CellFormat &f) {
        f.bold = true;
        f.hasFore = true;
        f.fore = QColor(Qt::white).rgb();
        f.hasBack = true;
        f.back = kTitleBack.rgb();
        f.alignment = Alignment::CenterCenter;
    });
    m_grid->setSelectionMode(GridModel::SelectionMode::ListBox);
}

bool FormPanel::isShown() const
{
    return mnuViewFb->isChecked();
}

void FormPanel::setShown(bool on)
{
    if (mnuViewFb->isChecked() != on) {
        mnuViewFb->setChecked(on); // comes back here through toggled
        return;
    }
    m_window.setFormPanelShown(on);
    if (on)
        refresh();
}

void FormPanel::refresh()
{
    updateRowCounter();
    if (!isShown())
        return;
    if (!m_built || m_rebuild)
        writeTitles();
    fillValues();
}

void FormPanel::columnsChanged()
{
    const int lines = m_window.table().fa().cols() + 1;
    if (m_grid->rows() != lines)
        m_grid->setRows(lines);
    m_rebuild = true;
    if (isShown()) {
        writeTitles();
        fillValues();
    }
}

void FormPanel::writeTitles()
{
    const GridModel &fa = m_window.table().fa();
    m_filling = true;
    for (int c = 0; c < fa.cols(); ++c) {
        const QString title = fa.text(0, c);
        if (m_grid->text(c + 1, kTitleCol) != title)
            m_grid->setText(c + 1, kTitleCol, title);
    }
    m_filling = false;
    m_built = true;
    m_rebuild = false;
}

void FormPanel::fillValues()
{
    const int cols = qMin(m_window.table().fa().cols(), m_grid->rows() - 1);
    for (int c = 0; c < cols; ++c)
        fillValue(c);
}

void FormPanel::fillValue(int col)
{
    const GridModel &fa = m_window.table().fa();
    const int line = col + 1;
    if (col < 0 || col >= fa.cols() || line >= m_grid->rows())
        return;
    // A line being typed into keeps the user's text; closing its editor refills it.
    if (fb->isEditing() && fb->currentIndex().row() == line)
        return;
    const int row = fa.row();
    const bool haveRecord = row >= fa.fixedRows() && row < fa.rows();
    const DataType type = fa.columnDataType(col);
    QString value;
    CheckBox check = CheckBox::None;
    if (type == DataType::Boolean)
        check = haveRecord && isTicked(fa, row, col) ? CheckBox::Checked : CheckBox::Unchecked;
    else if (haveRecord && type == DataType::String)
        value = fa.text(row, col);
    else if (haveRecord)
        value = ValueFormat::display(fa.text(row, col), type, fa.columnFormat(col));

    m_filling = true;
    if (m_grid->text(line, kValueCol) != value)
        m_grid->setText(line, kValueCol, value);
    CellFormat f = m_grid->cellFormat(line, kValueCol);
    if (f.check != check) {
        f.check = check;
        m_grid->setCellFormat(line, kValueCol, f);
    }
    m_filling = false;
}

void FormPanel::updateRowCounter()
{
    const GridModel &fa = m_window.table().fa();
    if (QLabel *counter = m_window.panel(6))
        counter->setText(QStringLiteral("%1 / %2").arg(fa.row()).arg(qMax(0, fa.rows() - 1)));
}

void FormPanel::runButton(int index)
{
    const GridModel &fa = m_window.table().fa();
    const int first = fa.fixedRows();
    const int last = fa.rows() - 1;
    switch (index) {
    case 0:
        deleteRecord();
        return;
    case 1:
        addRecord();
        return;
    case 2:
        if (last < first)
            return;
        goToRow(first);
        break;
    case 3:
        if (fa.row() <= first)
            return;
        goToRow(fa.row() - 1);
        break;
    case 4:
        if (fa.row() >= last)
            return;
        goToRow(qMax(first, fa.row() + 1));
        break;
    case 5:
        if (last < first)
            return;
        goToRow(last);
        break;
    case 6:
        TableEdits::increaseRowHeights(*m_grid);
        fb->setFocus(Qt::OtherFocusReason);
        return;
    case 7:
        TableEdits::decreaseRowHeights(*m_grid);
        fb->setFocus(Qt::OtherFocusReason);
        return;
    default:
        return;
    }
    m_window.fa_Click();
}

void FormPanel::goToRow(int row)
{
    GridModel &fa = m_window.table().fa();
    TableEdits::makeCurrentRow(fa, row, m_window.mouseMode());
    m_window.recordView().scrollTo(fa.index(fa.row(), fa.col()));
}

void FormPanel::addRecord()
{
    RecordTable &table = m_window.table();
    GridModel &fa = table.fa();
    table.markChangedByCommand();
    fa.setRows(fa.rows() + 1);
    goToRow(fa.rows() - 1);
    fillValues();
    if (m_grid->rows() > 1) {
        m_grid->setCursor(1, kValueCol);
        m_grid->setSelectedRows({ 1 });
    }
    fb->setFocus(Qt::OtherFocusReason);
    updateRowCounter();
}

frmDelDialog &FormPanel::deleteDialog()
{
    if (!m_delDialog) {
        m_delDialog = new frmDelDialog(m_window);
        connect(m_delDialog, &QDialog::finished, this, [this] {
            if (m_delDialog->question().takeDeclined())
                return;
            afterDelete();
        });
    }
    return *m_delDialog;
}

void FormPanel::deleteRecord()
{
    RecordTable &table = m_window.table();
    GridModel &fa = table.fa();
    if (fa.row() < fa.fixedRows() || fa.row() >= fa.rows())
        return; // no record to delete
    frmDelDialog &question = deleteDialog();
    if (question.question().shouldAsk()) {
        question.ask(); // comes back through finished()
        return;
    }
    if (TableEdits::deleteCurrentRow(fa, m_window.mouseMode()))
        table.markChangedByCommand();
    afterDelete();
}

void FormPanel::afterDelete()
{
    m_window.fa_Click();
    m_window.recordView().setFocus(Qt::OtherFocusReason);
}

void FormPanel::formEdited(int row, int col)
{
    GridModel &fa = m_window.table().fa();
    const int field = row - 1;
    const int record = fa.row();
    if (col != kValueCol || field < 0 || field >= fa.cols())
        return;
    if (record >= fa.fixedRows() && record < fa.rows() && fa.columnDataType(field) != DataType::Boolean) {
        const QString typed = m_grid->text(row, kValueCol);
        if (typed != fa.text(record, field)) {
            m_writingBack = true;
            fa.setText(record, field, typed);
            m_writingBack = false;
            m_window.table().markChangedByCommand();
        }
    }
    fillValue(field);
}

void FormPanel::formCheckToggled(int row, int col)
{
    Q_UNUSED(col);
    RecordTable &table = m_window.table();
    GridModel &fa = table.fa();
    const int field = row - 1;
    const int record = fa.row();
    if (field < 0 || field >= fa.cols() || record < fa.fixedRows() || record >= fa.rows()
        || fa.columnDataType(field) != DataType::Boolean) {
        fillValue(field);
        return;
    }
    const CheckBox tick = m_grid->cellFormat(row, kValueCol).check;
    if (fa.cellFormat(record, field).check == tick)
        return;
    m_writingBack = true;
    fa.updateFormats(GridRange { record, field, record, field }, [tick](CellFormat &f) { f.check = tick; });
    m_writingBack = false;
    table.markChangedByCommand();
}

void FormPanel::recordEdited(int row, int col)
{
    const GridModel &fa = m_window.table().fa();
    const bool unchanged = row == m_editRow && col == m_editCol && fa.text(row, col) == m_editText;
    m_editRow = m_editCol = -1;
    if (row == fa.row() && isShown())
        fillValue(col);
    if (!unchanged)
        markEdited();
}

void FormPanel::markEdited()
{
    // A named file gets Save at its first change; any table, untitled too, now asks to be saved.
    m_window.table().markChangedByCommand();
    m_window.table().setChangedDirectly();
}

void FormPanel::setHovered(int index)
{
    if (index == m_hovered)
        return;
    if (m_hovered >= 0)
        imgBtn[size_t(m_hovered)]->setFrameShape(QFrame::NoFrame);
    m_hovered = index;
    if (index < 0)
        return;
    imgBtn[size_t(index)]->setFrameShape(QFrame::Box);
    imgBtn[size_t(index)]->setToolTip(buttonToolTip(index));
}

bool FormPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == imgClose) {
        if (event->type() == QEvent::MouseButtonRelease
            && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            setShown(false);
            return true;
        }
        return false;
    }
    for (int i = 0; i < kButtons; ++i) {
        if (watched != imgBtn[size_t(i)])
            continue;
        switch (event->type()) {
        case QEvent::Enter:
            setHovered(i);
            break;
        case QEvent::Leave:
            setHovered(-1);
            break;
        case QEvent::MouseButtonRelease: {
            auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() == Qt::LeftButton && imgBtn[size_t(i)]->rect().contains(mouse->position().toPoint())) {
                runButton(i);
                return true;
            }
            break;
        }
        default:
            break;
        }
        return false;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace dq
