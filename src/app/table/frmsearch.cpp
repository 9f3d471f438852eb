#include "app/table/frmsearch.h"

#include "app/grid/gridview.h"
#include "app/shell/frmmain.h"
#include "core/table/longjobs.h"
#include "core/table/recordtable.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace dq {

frmSearch::frmSearch(frmMain &window)
    : QDialog(&window)
    , m_window(window)
{
    setObjectName(QStringLiteral("frmSearch"));
    setWindowTitle(QStringLiteral("Search"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);

    Label1[0] = new QLabel(QStringLiteral("Find text:"), this);
    Label1[1] = new QLabel(QStringLiteral("(Enter)"), this);
    for (int i = 0; i < 2; ++i)
        Label1[size_t(i)]->setObjectName(QStringLiteral("Label1_%1").arg(i));
    txtSearched = new QLineEdit(this);
    txtSearched->setObjectName(QStringLiteral("txtSearched"));
    Label1[0]->setBuddy(txtSearched);
    chkFromBeginning = new QCheckBox(QStringLiteral("Starting from the beginning"), this);
    chkFromBeginning->setObjectName(QStringLiteral("chkFromBeginning"));
    chkMatchCase = new QCheckBox(QStringLiteral("Match case"), this);
    chkMatchCase->setObjectName(QStringLiteral("chkMatchCase"));
    cmdNext = new QPushButton(QStringLiteral("&Find Next"), this);
    cmdNext->setObjectName(QStringLiteral("cmdNext"));
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    // Enter in the text box reaches the default button; Enter on a focused button clicks it.
    cmdNext->setDefault(true);

    auto *form = new QGridLayout;
    form->addWidget(Label1[0], 0, 0);
    form->addWidget(txtSearched, 0, 1);
    form->addWidget(Label1[1], 0, 2);
    form->addWidget(chkFromBeginning, 1, 1, 1, 2);
    form->addWidget(chkMatchCase, 2, 1, 1, 2);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(cmdNext);
    buttons->addWidget(cmdClose);
    buttons->addStretch(1);
    auto *row = new QHBoxLayout(this);
    row->addLayout(form, 1);
    row->addLayout(buttons);

    connect(txtSearched, &QLineEdit::textChanged, this, [this](const QString &text) { m_finder.setSearchText(text); });
    connect(cmdNext, &QPushButton::clicked, this, &frmSearch::findNext);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    txtSearched->installEventFilter(this);
}

void frmSearch::findNext()
{
    GridModel *fa = &m_window.table().fa();
    LongJobs &jobs = m_window.table().jobs();
    if (jobs.busy())
        return;
    m_finder.setFromBeginning(chkFromBeginning->isChecked());
    m_finder.setMatchCase(chkMatchCase->isChecked());
    const Finder::Request request = m_finder.request(*fa);
    QPointer<frmSearch> self(this);
    jobs.start(QStringLiteral("Searching"), qint64(request.lastRow - request.firstRow + 1),
        [fa, request, self](JobControl &control) -> LongJobs::Apply {
            const Finder::Found found = Finder::search(*fa, request, &control);
            if (control.cancelled())
                return {};
            return [fa, request, found, self] {
                if (self)
                    self->showFound(*fa, request, found);
            };
        });
}

void frmSearch::showFound(GridModel &fa, const Finder::Request &request, const Finder::Found &found)
{
    const Finder::Outcome outcome = m_finder.conclude(fa, request, found);
    LongJobs &jobs = m_window.table().jobs();
    if (outcome.result != Finder::Result::Hit) {
        jobs.report(QStringLiteral("%1 rows searched: %2")
                        .arg(LongJobs::count(found.rowsRead),
                            outcome.result == Finder::Result::NotFound ? QStringLiteral("not found")
                                                                       : outcome.message.section(u'\n', 1)));
        Finder::announce(m_window.prompts(), outcome);
        return;
    }
    jobs.report(QStringLiteral("Found in row %1 of %2")
                    .arg(LongJobs::count(outcome.row), LongJobs::count(fa.rows() - fa.fixedRows())));
    m_window.recordView().scrollTo(fa.index(outcome.row, outcome.col));
    m_window.fa_Click();
}

void frmSearch::useCellSelection()
{
    // A hit is one cell; whole-row selection would hide which one.
    m_window.recordView().setSelectionMode(GridModel::SelectionMode::Free);
}

bool frmSearch::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show)
        useCellSelection();
    return QDialog::event(event);
}

bool frmSearch::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtSearched && event->type() == QEvent::FocusIn) {
        // After a mouse click has placed the cursor, so the click does not undo it.
        QTimer::singleShot(0, txtSearched, &QLineEdit::selectAll);
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace dq
