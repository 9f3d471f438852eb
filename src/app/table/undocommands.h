#pragma once

#include <QObject>
#include <QString>

class QAction;

namespace dq {

class TableUndo;
class frmMain;

// Edit menu Undo and Redo with their toolbar keys, over the record table's undo stack. Each
// menu or toolbar command is one step named by its entry ("Undo Delete Duplicates"), a title
// click's sort is "Sort", typing into a cell is "Typing", and a grab run, however many pages
// it takes, is one "Grab" step.
class UndoCommands : public QObject
{
    Q_OBJECT

public:
    explicit UndoCommands(frmMain &window);

    TableUndo &undo() { return *m_undo; }

private:
    void followStack();

    TableUndo *m_undo;
    QAction *m_mnuUndo;
    QAction *m_mnuRedo;
    QAction *m_keyUndo;
    QAction *m_keyRedo;
    QString m_jobStep; // the name of the step a running long job's result makes
};

} // namespace dq
