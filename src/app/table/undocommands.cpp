#include "app/table/undocommands.h"

#include "app/shell/frmmain.h"
#include "core/grid/gridmodel.h"
#include "core/harvest/grabrun.h"
#include "core/table/longjobs.h"
#include "core/table/recordtable.h"
#include "core/table/tableundo.h"

#include <QAction>
#include <QIcon>
#include <QMenu>

namespace dq {

namespace {

// "&Column Define..." names its step "Column Define".
QString stepName(QString caption)
{
    caption.replace(QLatin1String("&&"), QLatin1String("\x01"));
    caption.remove(QLatin1Char('&'));
    caption.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    if (caption.endsWith(QLatin1String("...")))
        caption.chop(3);
    return caption.trimmed();
}

} // namespace

UndoCommands::UndoCommands(frmMain &window)
    : QObject(&window)
    , m_undo(new TableUndo(window.table(), this))
{
    m_undo->setDeferred(true);

    QMenu *edit = window.menu(frmMain::Menu::Edit);
    QAction *first = edit->actions().value(0);
    m_mnuUndo = new QAction(QStringLiteral("&Undo"), edit);
    m_mnuUndo->setObjectName(QStringLiteral("mnuEditUndo"));
    m_mnuUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_mnuRedo = new QAction(QStringLiteral("&Redo"), edit);
    m_mnuRedo->setObjectName(QStringLiteral("mnuEditRedo"));
    m_mnuRedo->setShortcuts({ QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z) });
    edit->insertActions(first, { m_mnuUndo, m_mnuRedo });
    edit->insertSeparator(first)->setObjectName(QStringLiteral("mnuSpaceUndo"));

    m_keyUndo = window.addToolbarButton(0, QStringLiteral("Undo"), QStringLiteral("Undo"));
    m_keyRedo = window.addToolbarButton(0, QStringLiteral("Redo"), QStringLiteral("Redo"));
    m_keyUndo->setIcon(QIcon::fromTheme(QStringLiteral("edit-undo")));
    m_keyRedo->setIcon(QIcon::fromTheme(QStringLiteral("edit-redo")));
    for (QAction *a : { m_mnuUndo, m_keyUndo })
        connect(a, &QAction::triggered, m_undo, &TableUndo::undo);
    for (QAction *a : { m_mnuRedo, m_keyRedo })
        connect(a, &QAction::triggered, m_undo, &TableUndo::redo);

    // Every menu entry and toolbar key names the step its command makes. These connections
    // come after the commands' own, so the name arrives once the changes are made, and a
    // question the command asks on the way cannot end the step early.
    for (QAction *a : window.findChildren<QAction *>()) {
        if (a == m_mnuUndo || a == m_mnuRedo || a == m_keyUndo || a == m_keyRedo)
            continue;
        connect(a, &QAction::triggered, this, [this, a, &window] {
            if (window.table().jobs().busy())
                m_jobStep = stepName(a->toolTip());
            else
                m_undo->nameStep(stepName(a->toolTip()));
        });
    }
    // A command whose work runs off the window's thread has returned long before its result
    // lands: the step that result makes takes the name the command gave while it ran.
    LongJobs &jobs = window.table().jobs();
    connect(&jobs, &LongJobs::applying, this, [this] {
        if (!m_jobStep.isEmpty())
            m_undo->begin(m_jobStep);
    });
    connect(&jobs, &LongJobs::finished, this, [this](bool applied) {
        if (applied && !m_jobStep.isEmpty())
            m_undo->end();
        m_jobStep.clear();
    });
    connect(&window.table().fa(), &GridModel::beforeSort, this,
        [this] { m_undo->nameStep(QStringLiteral("Sort"), false); });
    for (GrabRun *run : window.findChildren<GrabRun *>()) {
        connect(run, &GrabRun::started, m_undo, [this] { m_undo->begin(QStringLiteral("Grab")); });
        connect(run, &GrabRun::finished, m_undo, [this] { m_undo->end(); });
    }

    QUndoStack &stack = m_undo->stack();
    connect(&stack, &QUndoStack::indexChanged, this, &UndoCommands::followStack);
    connect(&stack, &QUndoStack::cleanChanged, this, &UndoCommands::followStack);
    followStack();
}

void UndoCommands::followStack()
{
    const QUndoStack &stack = m_undo->stack();
    const auto show = [](QAction *entry, QAction *key, const QString &caption, bool can, const QString &text) {
        entry->setEnabled(can);
        key->setEnabled(can);
        entry->setText(text.isEmpty() || !can ? caption : caption + QLatin1Char(' ') + text);
        const QString tip = stepName(entry->text());
        entry->setToolTip(tip);
        key->setToolTip(tip);
    };
    show(m_mnuUndo, m_keyUndo, QStringLiteral("&Undo"), stack.canUndo(), stack.undoText());
    show(m_mnuRedo, m_keyRedo, QStringLiteral("&Redo"), stack.canRedo(), stack.redoText());
}

} // namespace dq
