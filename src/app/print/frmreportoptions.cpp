#include "app/print/frmreportoptions.h"

#include "core/grid/gridmodel.h"
#include "core/print/sheetpainter.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace dq {

namespace {

// A small drawing of a label sheet: the page with its label columns and rows.
QPixmap layoutSketch(const MailingLabels::Layout &layout, int labelRows)
{
    const QSize page(85, 110); // a Letter page, 10 pixels to the inch
    QPixmap pixmap(page + QSize(1, 1));
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(QRect(QPoint(0, 0), page));
    p.setPen(QColor(0, 0, 160));
    p.setBrush(QColor(220, 230, 255));
    int total = 0;
    for (int w : layout.widths)
        total += w;
    const double scaleX = (page.width() - 8.0) / total;
    const double rowHeight = (page.height() - 10.0) / labelRows;
    double x = 4;
    for (int w : layout.widths) {
        for (int r = 0; r < labelRows; ++r)
            p.drawRoundedRect(QRectF(x + 1, 5 + r * rowHeight + 1, w * scaleX - 2, rowHeight - 2), 2, 2);
        x += w * scaleX;
    }
    return pixmap;
}

} // namespace

frmReportOptions::frmReportOptions(GridModel &recordTable, UserPrompts &prompts, QWidget *parent, LongJobs *jobs)
    : QDialog(parent)
    , m_table(recordTable)
    , m_preview(printPreviewHandler(prompts, this))
    , m_streamed(printStreamedPreviewHandler(prompts, this))
    , m_jobs(jobs)
{
    setObjectName(QStringLiteral("frmReportOptions"));
    setWindowTitle(QStringLiteral("Address Labels Printing"));

    QLayout *sketches = createLayoutChoice();
    auto [countryFrame, areaFrame] = createOptions();
    createButtons();
    layOut(sketches, countryFrame, areaFrame);
    connectControls();
}

// The label layouts: the list and a sketch of each sheet.
QLayout *frmReportOptions::createLayoutChoice()
{
    cboLabelFormat = new QComboBox(this);
    cboLabelFormat->setObjectName(QStringLiteral("cboLabelFormat"));
    cboLabelFormat->addItems(MailingLabels::layoutNames());
    cboLabelFormat->setCurrentIndex(0);

    auto *sketches = new QHBoxLayout;
    const QStringList names = MailingLabels::layoutNames();
    for (int i = 0; i < 3; ++i) {
        imgLayout[size_t(i)] = new QLabel(this);
        imgLayout[size_t(i)]->setObjectName(QStringLiteral("imgLayout_%1").arg(i));
        const int labelRows = names[i].section(u'x', 1).trimmed().toInt();
        imgLayout[size_t(i)]->setPixmap(layoutSketch(MailingLabels::layout(names[i]), labelRows));
        imgLayout[size_t(i)]->setToolTip(names[i]);
        sketches->addWidget(imgLayout[size_t(i)]);
    }
    return sketches;
}

std::pair<QWidget *, QWidget *> frmReportOptions::createOptions()
{
    chkSkip = new QCheckBox(QStringLiteral("Skip incompleted address"), this);
    chkSkip->setObjectName(QStringLiteral("chkSkip"));
    chkSkip->setChecked(true);

    auto *countryFrame = new QGroupBox(QStringLiteral("Print Country Name"), this);
    txtCountry = new QLineEdit(QStringLiteral("U.S.A."), countryFrame);
    txtCountry->setObjectName(QStringLiteral("txtCountry"));
    chkCountry = new QCheckBox(QStringLiteral("Print on the 4th line"), countryFrame);
    chkCountry->setObjectName(QStringLiteral("chkCountry"));
    auto *countryLayout = new QVBoxLayout(countryFrame);
    countryLayout->addWidget(txtCountry);
    countryLayout->addWidget(chkCountry);

    auto *areaFrame = new QGroupBox(QStringLiteral("Print Area"), this);
    auto *areaLayout = new QVBoxLayout(areaFrame);
    OpDataSource[0] = new QRadioButton(QStringLiteral("All"), areaFrame);
    OpDataSource[1] = new QRadioButton(QStringLiteral("Selected rows only"), areaFrame);
    for (int i = 0; i < 2; ++i) {
        OpDataSource[size_t(i)]->setObjectName(QStringLiteral("OpDataSource_%1").arg(i));
        areaLayout->addWidget(OpDataSource[size_t(i)]);
    }
    OpDataSource[1]->setText(QStringLiteral("Slected rows (%1)").arg(m_table.selectedRowCount()));
    OpDataSource[1]->setChecked(true);
    return { countryFrame, areaFrame };
}

void frmReportOptions::createButtons()
{
    cmdPrint = new QPushButton(QStringLiteral("&Print && Preview"), this);
    cmdPrint->setObjectName(QStringLiteral("cmdPrint"));
    cmdPrint->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
}

void frmReportOptions::layOut(QLayout *sketches, QWidget *countryFrame, QWidget *areaFrame)
{
    auto *grid = new QGridLayout(this);
    grid->addWidget(cboLabelFormat, 0, 0);
    grid->addLayout(sketches, 1, 0);
    grid->addWidget(chkSkip, 2, 0);
    grid->addWidget(countryFrame, 3, 0);
    grid->addWidget(areaFrame, 4, 0);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdPrint);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 5, 0);
}

void frmReportOptions::connectControls()
{
    connect(cboLabelFormat, &QComboBox::currentIndexChanged, this, &frmReportOptions::labelFormatChosen);
    connect(chkCountry, &QCheckBox::toggled, this, &frmReportOptions::countryToggled);
    connect(cmdPrint, &QPushButton::clicked, this, &frmReportOptions::printLabels);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    labelFormatChosen();
    countryToggled();
    // Wide enough for the title bar to show the whole title beside its buttons.
    const QFontMetrics title(QApplication::font());
    setMinimumWidth(qMax(minimumSizeHint().width(), title.horizontalAdvance(windowTitle()) * 5 / 4 + 160));
}

void frmReportOptions::mnuPrint(GridModel &recordTable, UserPrompts &prompts, QWidget *parent, LongJobs *jobs)
{
    frmReportOptions dialog(recordTable, prompts, parent, jobs);
    dialog.exec();
}

MailingLabels::Options frmReportOptions::options() const
{
    MailingLabels::Options o;
    o.layout = cboLabelFormat->currentText();
    o.skipIncomplete = chkSkip->isChecked();
    o.printCountry = chkCountry->isChecked();
    o.country = txtCountry->text();
    o.allRows = OpDataSource[0]->isChecked();
    return o;
}

void frmReportOptions::labelFormatChosen()
{
    const QString name = cboLabelFormat->currentText();
    const int shown = name == QLatin1String("3 x 10") ? 0 : name == QLatin1String("2 x 10") ? 1 : 2;
    for (int i = 0; i < 3; ++i)
        imgLayout[size_t(i)]->setVisible(i == shown);
}

void frmReportOptions::countryToggled()
{
    txtCountry->setEnabled(chkCountry->isChecked());
}

void frmReportOptions::printLabels()
{
    const MailingLabels::Options o = options();
    if (!m_streamed) {
        const std::vector<int> rows = MailingLabels::gatherRows(m_table, o);
        MailingLabels::compose(f1, m_table, rows, o);
        if (m_preview)
            m_preview(f1);
        return;
    }
    // The rows are read off the window's thread; the labels are written a page at a time as
    // the preview paints them.
    runPrintJob(m_jobs, this, QStringLiteral("Reading the addresses..."), m_table.rows(),
        [this, o](JobControl &control) -> LongJobs::Apply {
            auto picked = std::make_shared<MailingLabels::Picked>(MailingLabels::pickRows(m_table, o));
            if (control.cancelled())
                return {};
            return [this, o, picked] {
                MailingLabels::markPicked(m_table, o, *picked);
                const auto labels = MailingLabels::composeStreamed(f1, m_table, std::move(picked->rows), o);
                m_streamed(f1, *labels);
            };
        });
}

} // namespace dq
