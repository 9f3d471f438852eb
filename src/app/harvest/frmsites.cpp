#include "app/harvest/frmsites.h"

#include "app/grid/gridview.h"
#include "core/grid/rowblockmover.h"
#include "app/shell/frmmain.h"
#include "core/harvest/sitelist.h"
#include "core/shell/programfolder.h"
#include "core/shell/userprompts.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

namespace dq {

frmSites::frmSites(frmMain &w)
    : QDialog(&w)
    , m_window(w)
    , m_sites(new GridModel(this))
{
    setObjectName(QStringLiteral("frmSites"));
    setWindowTitle(QStringLiteral("Set Default Site & Order"));

    m_sites->setFixedRows(0);
    m_sites->setCols(1);
    m_sites->setRows(w.engineBox()->count());
    for (int i = 0; i < w.engineBox()->count(); ++i)
        m_sites->setText(i, 0, w.engineBox()->itemText(i));
    m_sites->setCursor(0, 0);

    fs = new GridView(this);
    fs->setObjectName(QStringLiteral("fs"));
    fs->setGridModel(m_sites);
    fs->setSelectionMode(GridModel::SelectionMode::Free);
    fs->setEditTriggers(QAbstractItemView::NoEditTriggers);
    fs->horizontalHeader()->setStretchLastSection(true);
    fs->horizontalHeader()->hide();

    lblDefault = new QLabel(QStringLiteral("--> Default Site"), this);
    lblDefault->setObjectName(QStringLiteral("lblDefault"));

    const QStringList captions { QStringLiteral("Move &Up"), QStringLiteral("Move &Down") };
    for (int i = 0; i < 2; ++i) {
        cmd[i] = new QPushButton(captions.at(i), this);
        cmd[i]->setObjectName(QStringLiteral("cmd_%1").arg(i));
        connect(cmd[i], &QPushButton::clicked, this, [this, i] { moveSelection(i); });
    }
    cmdSave = new QPushButton(QStringLiteral("Save"), this);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdSave->setToolTip(QStringLiteral("Save and Close"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdSave, &QPushButton::clicked, this, &frmSites::saveOrder);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *grid = new QGridLayout(this);
    grid->addWidget(lblDefault, 0, 0, Qt::AlignTop);
    grid->addWidget(fs, 0, 1, 4, 1);
    grid->addWidget(cmd[0], 0, 2);
    grid->addWidget(cmd[1], 1, 2);
    grid->addWidget(cmdSave, 2, 2, Qt::AlignBottom);
    grid->addWidget(cmdCancel, 3, 2, Qt::AlignTop);
    grid->setRowStretch(2, 1);
    resize(520, 280);
}

frmSites::~frmSites() = default;

QStringList frmSites::names() const
{
    QStringList out;
    for (int r = 0; r < m_sites->rows(); ++r)
        out << m_sites->text(r, 0);
    return out;
}

void frmSites::moveSelection(int index)
{
    if (index == 0)
        RowBlockMover::moveUp(*m_sites, 1);
    else
        RowBlockMover::moveDown(*m_sites);
}

void frmSites::saveOrder()
{
    const QStringList order = names();
    const FileResult saved
        = SiteList::saveOrder(order, m_window.engines(), m_window.siteGrid(), userDataFile(SiteList::fileName()));

    // The engine list takes the new order; the engine shown stays the one in use.
    QComboBox *list = m_window.engineBox();
    const QString shown = list->currentText();
    {
        const QSignalBlocker quiet(list);
        list->clear();
        list->addItems(order);
        list->setCurrentIndex(list->findText(shown));
    }
    m_window.setListIndex(list->currentIndex());
    if (!saved)
        m_window.prompts().message(
            windowTitle(), saved.errorString, UserPrompts::Icon::Warning, UserPrompts::Buttons::Ok);
    accept();
}

} // namespace dq
