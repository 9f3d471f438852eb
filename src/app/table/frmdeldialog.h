#pragma once

#include "core/table/tableedits.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QLabel;
class QPushButton;

namespace dq {

class frmMain;

// The Delete Record dialog of the Form panel. Yes removes the record table's current row
// itself; No and Cancel (also Escape and the close box) leave the declined flag for the
// Form panel. The dialog is only hidden after use, so "Do not ask me next time" holds for
// the rest of the run (it is not stored).
//
// ask() shows it window-modal and returns at once; finished() reports the answer, so
// nothing waits in a nested event loop.
class frmDelDialog : public QDialog
{
    Q_OBJECT

public:
    explicit frmDelDialog(frmMain &window);

    // Shows the question for the record table's current row.
    void ask();
    TableEdits::DeleteRecordQuestion &question() { return m_question; }
    // The answer of a button (Yes 0, No 1, Cancel 2), as a click on it gives.
    void answer(int index);

    std::array<QPushButton *, 3> cmdBtn {};
    QCheckBox *chkAskDel = nullptr;
    QLabel *lblRecord = nullptr;

public slots:
    void reject() override;

private:
    frmMain &m_window;
    TableEdits::DeleteRecordQuestion m_question;
};

} // namespace dq
