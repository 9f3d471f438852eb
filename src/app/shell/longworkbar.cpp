#include "app/shell/longworkbar.h"

#include "app/shell/frmmain.h"
#include "core/table/longjobs.h"
#include "core/table/recordtable.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

namespace dq {

LongWorkBar::LongWorkBar(frmMain &window, QWidget *statusPanel)
    : QWidget(statusPanel)
    , m_window(window)
    , m_jobs(window.table().jobs())
    , m_bar(new QProgressBar(this))
    , m_cancel(new QPushButton(QStringLiteral("Cancel"), this))
    , m_delay(new QTimer(this))
{
    setObjectName(QStringLiteral("LongWorkBar"));
    m_bar->setObjectName(QStringLiteral("prgLongWork"));
    m_cancel->setObjectName(QStringLiteral("cmdCancelWork"));
    m_bar->setRange(0, 100);
    m_bar->setFormat(QStringLiteral("%p%"));
    m_bar->setTextVisible(true);
    m_bar->setMaximumWidth(160);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    row->addWidget(m_bar);
    row->addWidget(m_cancel);
    if (QLayout *status = statusPanel->layout())
        status->addWidget(this);
    hide();

    m_delay->setSingleShot(true);
    m_delay->setInterval(kShowAfterMs);
    connect(m_delay, &QTimer::timeout, this, &LongWorkBar::showProgress);
    connect(m_cancel, &QPushButton::clicked, &m_jobs, &LongJobs::cancel);
    connect(&m_jobs, &LongJobs::busyChanged, this, &LongWorkBar::onBusy);
    connect(&m_jobs, &LongJobs::started, this, [this](const QString &title) {
        m_bar->setValue(0);
        m_bar->setToolTip(title);
        m_window.panel(2)->setText(title + QStringLiteral("..."));
    });
    connect(&m_jobs, &LongJobs::progress, m_bar, &QProgressBar::setValue);
    connect(&m_jobs, &LongJobs::finished, this, [this](bool applied) {
        if (!applied)
            m_window.panel(2)->setText(m_jobs.title() + QStringLiteral(" cancelled"));
    });
    connect(&m_jobs, &LongJobs::reported, m_window.panel(2), &QLabel::setText);
}

LongWorkBar::~LongWorkBar()
{
    if (m_filtering)
        qApp->removeEventFilter(this);
    if (m_cursorSet)
        QApplication::restoreOverrideCursor();
}

void LongWorkBar::onBusy(bool busy)
{
    if (busy) {
        if (!m_filtering)
            qApp->installEventFilter(this);
        m_filtering = true;
        m_delay->start();
        return;
    }
    m_delay->stop();
    if (m_filtering)
        qApp->removeEventFilter(this);
    m_filtering = false;
    hide();
    if (m_cursorSet)
        QApplication::restoreOverrideCursor();
    m_cursorSet = false;
}

void LongWorkBar::showProgress()
{
    if (!m_jobs.busy())
        return;
    show();
    if (!m_cursorSet)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    m_cursorSet = true;
}

bool LongWorkBar::isOwn(QObject *watched) const
{
    for (QObject *o = watched; o; o = o->parent())
        if (o == m_cancel || qobject_cast<QScrollBar *>(o))
            return true;
    return false;
}

bool LongWorkBar::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
            m_jobs.cancel();
        return true;
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        // The window system's window hands these on to the widget, where they are judged.
        return watched->isWidgetType() && !isOwn(watched);
    case QEvent::Close:
        // Windows close once the job is over or cancelled (a Find dialog waits for its search).
        return watched->isWidgetType() && static_cast<QWidget *>(watched)->isWindow();
    default:
        return false;
    }
}

} // namespace dq
