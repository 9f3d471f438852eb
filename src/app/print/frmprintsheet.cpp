#include "app/print/frmprintsheet.h"

#include "app/grid/gridview.h"
#include "core/print/recordselection.h"
#include "core/print/sheetpainter.h"

#include <QClipboard>
#include <QEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace dq {

frmPrintSheet::frmPrintSheet(GridModel &recordTable, UserPrompts &prompts, QWidget *parent, LongJobs *jobs)
    : QDialog(parent)
    , m_table(recordTable)
    , m_preview(printPreviewHandler(prompts, this))
    , m_streamed(printStreamedPreviewHandler(prompts, this))
    , m_jobs(jobs)
{
    setObjectName(QStringLiteral("frmPrintSheet"));
    setWindowTitle(QStringLiteral("Print Sheet "));

    PrintSheet::buildChooser(m_chooser, m_table);
    createChooser();
    QWidget *orientation = createOrientationBox();
    QWidget *scale = createScaleBox();
    QWidget *area = createAreaBox();
    createButtons();
    layOut(orientation, scale, area);
    connectControls();
}

void frmPrintSheet::createChooser()
{
    // The program's own grid view, like every other table: the chooser's title row is its
    // header, widths and check boxes come from the model.
    auto *chooser = new GridView(this);
    chooser->setObjectName(QStringLiteral("fd"));
    chooser->setGridModel(&m_chooser);
    chooser->setEditTriggers(QAbstractItemView::NoEditTriggers);
    fd = chooser;
    const double pixelsPerTwip = logicalDpiX() / 1440.0;
    fd->setMinimumWidth(int((500 + 1500 + 700) * pixelsPerTwip) + 24);
}

QWidget *frmPrintSheet::createOrientationBox()
{
    auto *orientationFrame = new QGroupBox(QStringLiteral("Orintation"), this);
    auto *orientationLayout = new QVBoxLayout(orientationFrame);
    OpOrin[0] = new QRadioButton(QStringLiteral("Portrait"), orientationFrame);
    OpOrin[1] = new QRadioButton(QStringLiteral("Landscape"), orientationFrame);
    for (int i = 0; i < 2; ++i) {
        OpOrin[size_t(i)]->setObjectName(QStringLiteral("OpOrin_%1").arg(i));
        orientationLayout->addWidget(OpOrin[size_t(i)]);
    }
    OpOrin[0]->setChecked(true);
    return orientationFrame;
}

QWidget *frmPrintSheet::createScaleBox()
{
    auto *scaleFrame = new QGroupBox(QStringLiteral("Print Scale"), this);
    txtScale = new QLineEdit(QStringLiteral("75"), scaleFrame);
    txtScale->setObjectName(QStringLiteral("txtScale"));
    txtScale->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
    UpDownCol = new QWidget(scaleFrame);
    UpDownCol->setObjectName(QStringLiteral("UpDownCol"));
    auto *up = new QToolButton(UpDownCol);
    up->setObjectName(QStringLiteral("UpDownCol_up"));
    up->setArrowType(Qt::UpArrow);
    up->setAutoRepeat(true);
    auto *down = new QToolButton(UpDownCol);
    down->setObjectName(QStringLiteral("UpDownCol_down"));
    down->setArrowType(Qt::DownArrow);
    down->setAutoRepeat(true);
    auto *upDownLayout = new QVBoxLayout(UpDownCol);
    upDownLayout->setContentsMargins(0, 0, 0, 0);
    upDownLayout->setSpacing(0);
    upDownLayout->addWidget(up);
    upDownLayout->addWidget(down);
    auto *scaleLayout = new QHBoxLayout(scaleFrame);
    scaleLayout->addWidget(txtScale);
    scaleLayout->addWidget(UpDownCol);
    scaleLayout->addWidget(new QLabel(QStringLiteral("Max 100 Min   50"), scaleFrame));
    return scaleFrame;
}

QWidget *frmPrintSheet::createAreaBox()
{
    auto *areaFrame = new QGroupBox(QStringLiteral("Print Area"), this);
    auto *areaLayout = new QVBoxLayout(areaFrame);
    OpDataSource[0] = new QRadioButton(QStringLiteral("All"), areaFrame);
    OpDataSource[1] = new QRadioButton(QStringLiteral("Selected rows only"), areaFrame);
    for (int i = 0; i < 2; ++i) {
        OpDataSource[size_t(i)]->setObjectName(QStringLiteral("OpDataSource_%1").arg(i));
        areaLayout->addWidget(OpDataSource[size_t(i)]);
    }
    OpDataSource[1]->setChecked(true);
    refreshSelectedCaption();
    return areaFrame;
}

void frmPrintSheet::createButtons()
{
    cmdPrint = new QPushButton(QStringLiteral("&Print && Preview"), this);
    cmdPrint->setObjectName(QStringLiteral("cmdPrint"));
    cmdPrint->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
}

void frmPrintSheet::layOut(QWidget *orientationFrame, QWidget *scaleFrame, QWidget *areaFrame)
{
    auto *hint = new QLabel(
        QStringLiteral("On the main program, adjust each column's width. From the table above, unselect the "
                       "column you don't want to print. Select a few rows to test before printing a "
                       "large amount of data."),
        this);
    hint->setWordWrap(true);

    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("Select columns to print"), this));
    left->addWidget(fd, 1);
    left->addWidget(new QLabel(QStringLiteral("Hint:"), this));
    left->addWidget(hint);
    auto *right = new QVBoxLayout;
    right->addWidget(orientationFrame);
    right->addWidget(scaleFrame);
    right->addWidget(areaFrame);
    right->addStretch();
    right->addWidget(cmdPrint);
    right->addWidget(cmdCancel);
    auto *top = new QHBoxLayout(this);
    top->addLayout(left, 1);
    top->addLayout(right);
}

void frmPrintSheet::connectControls()
{
    auto *up = UpDownCol->findChild<QToolButton *>(QStringLiteral("UpDownCol_up"));
    auto *down = UpDownCol->findChild<QToolButton *>(QStringLiteral("UpDownCol_down"));
    connect(up, &QToolButton::clicked, this, &frmPrintSheet::scaleUp);
    connect(down, &QToolButton::clicked, this, &frmPrintSheet::scaleDown);
    connect(cmdPrint, &QPushButton::clicked, this, &frmPrintSheet::printSheet);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmPrintSheet::mnuPrintSheet0(GridModel &recordTable, UserPrompts &prompts, QWidget *parent, LongJobs *jobs)
{
    if (!PrintSheet::mayOpen(recordTable, prompts))
        return;
    frmPrintSheet dialog(recordTable, prompts, parent, jobs);
    dialog.exec();
}

PrintSheet::Options frmPrintSheet::options() const
{
    PrintSheet::Options o;
    o.printColumns = PrintSheet::chosenColumns(m_chooser);
    o.allRows = OpDataSource[0]->isChecked();
    o.landscape = OpOrin[1]->isChecked();
    o.scaleText = txtScale->text();
    return o;
}

void frmPrintSheet::scaleUp()
{
    txtScale->setText(PrintSheet::stepScale(txtScale->text(), +1));
}

void frmPrintSheet::scaleDown()
{
    txtScale->setText(PrintSheet::stepScale(txtScale->text(), -1));
}

void frmPrintSheet::refreshSelectedCaption()
{
    OpDataSource[1]->setText(QStringLiteral("Slected rows (%1)").arg(m_table.selectedRowCount()));
}

void frmPrintSheet::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        refreshSelectedCaption();
    QDialog::changeEvent(event);
}

void frmPrintSheet::printSheet()
{
    const PrintSheet::Options o = options();
    const auto toClipboard = [](const QString &clip) {
        if (QClipboard *clipboard = QGuiApplication::clipboard()) {
            clipboard->clear();
            clipboard->setText(clip);
        }
    };
    if (!m_streamed) {
        toClipboard(PrintSheet::compose(f1, m_table, o));
        if (m_preview)
            m_preview(f1);
        return;
    }
    // The clipboard's text is made off the window's thread; the cells are written a page at a
    // time as the preview paints them.
    runPrintJob(m_jobs, this, QStringLiteral("Reading the rows..."), m_table.rows(),
        [this, o, toClipboard](JobControl &control) -> LongJobs::Apply {
            const std::vector<int> rows = o.allRows ? allDataRows(m_table) : selectedDataRows(m_table);
            auto clip = std::make_shared<QString>(PrintSheet::clipText(m_table, rows));
            if (control.cancelled())
                return {};
            return [this, o, clip, toClipboard] {
                toClipboard(*clip);
                clip->clear();
                const auto rows = PrintSheet::composeStreamed(f1, m_table, o);
                m_streamed(f1, *rows);
            };
        });
}

} // namespace dq
