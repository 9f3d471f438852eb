#pragma once

#include "core/table/finder.h"

#include <array>

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace dq {

class frmMain;

// The modeless "Search" dialog: finds the search text in the record table one hit per
// Find Next (Enter in the text box, or the button), selecting each hit in the table, and
// tells when the pass is over. Its search state lives as long as the dialog; closing
// destroys it. While it is the active window the record table selects single cells.
class frmSearch : public QDialog
{
    Q_OBJECT

public:
    explicit frmSearch(frmMain &window);

    void findNext();
    const Finder &finder() const { return m_finder; }

    QLineEdit *txtSearched = nullptr;
    std::array<QLabel *, 2> Label1 {};
    QCheckBox *chkFromBeginning = nullptr;
    QCheckBox *chkMatchCase = nullptr;
    QPushButton *cmdNext = nullptr;
    QPushButton *cmdClose = nullptr;

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void useCellSelection();
    // Moves to a finished search's hit, or tells that the pass is over.
    void showFound(GridModel &fa, const Finder::Request &request, const Finder::Found &found);

    frmMain &m_window;
    Finder m_finder;
};

} // namespace dq
