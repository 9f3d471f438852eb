#include "app/harvest/frmt.h"

#include "app/grid/gridview.h"
#include "core/grid/rowblockmover.h"
#include "app/harvest/selectallonfocus.h"
#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/shell/programfolder.h"
#include "core/shell/userprompts.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace dq {

frmT::frmT(UserPrompts &prompts, QWidget *parent)
    : QWidget(parent, Qt::Tool)
    , m_prompts(prompts)
    , m_keyTable(new GridModel(this))
{
    setObjectName(QStringLiteral("frmT"));
    setWindowTitle(QStringLiteral("Key File"));

    txtYP = new QLineEdit(this);
    txtYP->setObjectName(QStringLiteral("txtYP"));
    txtYP->setReadOnly(true);
    txtYP->setToolTip(QStringLiteral("Current Searching Site"));

    fc = new GridView(this);
    fc->setObjectName(QStringLiteral("fc"));
    fc->setGridModel(m_keyTable);
    fc->setSelectionMode(GridModel::SelectionMode::Free);

    const std::array<QString, 8> captions { QStringLiteral("vbCrLF"), QStringLiteral("Save Sites Map"),
        QStringLiteral("Save"), QStringLiteral("vbTab"), QStringLiteral("vbLf"), QString(), QString(),
        QStringLiteral("Del") };
    for (int i = 0; i < 8; ++i) {
        auto *b = new QPushButton(captions[size_t(i)], this);
        b->setObjectName(QStringLiteral("cmdButton_%1").arg(i));
        connect(b, &QPushButton::clicked, this, [this, i] { runButton(i); });
        cmdButton[size_t(i)] = b;
    }
    cmdButton[5]->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    cmdButton[5]->setToolTip(QStringLiteral("Move Up"));
    cmdButton[6]->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    cmdButton[6]->setToolTip(QStringLiteral("Move Down"));

    txtDrop = new QLineEdit(this);
    txtDrop->setObjectName(QStringLiteral("txtDrop"));
    SelectAllOnFocus::install(txtDrop);
    txtCount = new QLineEdit(this);
    txtCount->setObjectName(QStringLiteral("txtCount"));
    txtCount->setReadOnly(true);
    txtCount->setMaximumWidth(70);
    cmdEraser = new QPushButton(QStringLiteral("erase"), this);
    cmdEraser->setObjectName(QStringLiteral("cmdEraser"));
    cmdEraser->setToolTip(QStringLiteral("Erase text in Drop Box"));
    connect(txtDrop, &QLineEdit::textChanged, this,
        [this](const QString &text) { txtCount->setText(QString::number(text.size())); });
    connect(cmdEraser, &QPushButton::clicked, this, [this] {
        txtDrop->clear();
        txtDrop->setFocus();
    });

    lblSites = new QLabel(QStringLiteral("Double click to show sites"), this);
    lblSites->setObjectName(QStringLiteral("lblSites"));

    auto *top = new QHBoxLayout;
    top->addWidget(txtYP, 1);
    top->addWidget(lblSites);
    auto *buttons = new QHBoxLayout;
    for (int i : { 0, 3, 4, 5, 6, 7, 2, 1 })
        buttons->addWidget(cmdButton[size_t(i)]);
    auto *scratch = new QHBoxLayout;
    scratch->addWidget(txtDrop, 1);
    scratch->addWidget(txtCount);
    scratch->addWidget(cmdEraser);
    auto *column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addWidget(fc, 1);
    column->addLayout(buttons);
    column->addLayout(scratch);
    resize(900, 600);
}

frmT::~frmT() = default;

void frmT::runButton(int index)
{
    switch (index) {
    case 0:
        appendToCell(QStringLiteral("\r\n"));
        break;
    case 1:
        save(m_siteListPath, true);
        break;
    case 2:
        save(m_keyPath, false);
        break;
    case 3:
        appendToCell(QStringLiteral("\t"));
        break;
    case 4:
        appendToCell(QStringLiteral("\n"));
        break;
    case 5:
        RowBlockMover::moveUp(*m_keyTable, 2);
        break;
    case 6:
        RowBlockMover::moveDown(*m_keyTable);
        break;
    case 7:
        deleteRows();
        break;
    default:
        break;
    }
}

void frmT::appendToCell(const QString &text)
{
    m_keyTable->setCurrentText(m_keyTable->currentText() + text);
}

void frmT::save(const QString &shipped, bool asSiteList)
{
    if (shipped.isEmpty())
        return;
    // Edits go to the user's copy: the shipped folder may be read-only, and the user's
    // copy is read first from now on.
    const QString path = userDataFile(QFileInfo(shipped).fileName());
    if (asSiteList != m_showingSites) {
        const QString question = asSiteList
            ? QStringLiteral("The table shows a key file, not the site list. Save it as the site list '") + path
                + QStringLiteral("' anyway?")
            : QStringLiteral("The table shows the site list, not a key file. Save it as the key file '") + path
                + QStringLiteral("' anyway?");
        if (m_prompts.message(windowTitle(), question, UserPrompts::Icon::Question, UserPrompts::Buttons::YesNoCancel)
            != UserPrompts::Answer::Yes)
            return;
    }
    const FileResult r = GridFile::save(*m_keyTable, path, FileKind::Native);
    if (!r) {
        m_prompts.message(windowTitle(), r.errorString, UserPrompts::Icon::Warning, UserPrompts::Buttons::Ok);
        return;
    }
    if (asSiteList)
        emit siteListSaved();
}

void frmT::deleteRows()
{
    std::vector<int> rows;
    for (int r : m_keyTable->selectedRows())
        if (r >= m_keyTable->fixedRows())
            rows.push_back(r);
    if (rows.empty() && m_keyTable->row() >= m_keyTable->fixedRows())
        rows.push_back(m_keyTable->row());
    m_keyTable->removeRowsSorted(rows);
}

void frmT::showSites()
{
    if (!m_siteGrid)
        return;
    const GridModel &sites = *m_siteGrid;
    m_keyTable->clear();
    m_keyTable->setCols(sites.cols());
    m_keyTable->setRows(sites.rows());
    for (int r = 0; r < sites.rows(); ++r)
        for (int c = 0; c < sites.cols(); ++c)
            m_keyTable->setText(r, c, sites.text(r, c));
    m_showingSites = true;
}

void frmT::mouseDoubleClickEvent(QMouseEvent *event)
{
    showSites();
    QWidget::mouseDoubleClickEvent(event);
}

} // namespace dq
