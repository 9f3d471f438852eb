#pragma once

#include "core/shell/tips.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

namespace dq {

// The "Tip of the Day" dialog: one hint at a time, starting at a random one, paged with
// Next and Previous. It is shown without blocking the main window and deletes itself
// when closed. The check box's choice leaves the dialog only through "Close"
// (showTipsChosen); closing by the window's close box or Escape keeps the old choice.
class frmTips : public QDialog
{
    Q_OBJECT

public:
    // showTips: the program's current choice, shown in the check box.
    explicit frmTips(bool showTips, QWidget *parent = nullptr);

    const Tips &tips() const { return m_tips; }
    // Shows tip number (1-based) and makes it current.
    void showTip(int number);

    QLabel *Label1 = nullptr; // "Did you know..."
    QLabel *Label2 = nullptr; // the current tip
    QCheckBox *chkShowTips = nullptr;
    QPushButton *cmdPrevious = nullptr;
    QPushButton *cmdNext = nullptr;
    QPushButton *cmdOK = nullptr;

signals:
    // "Close" was pressed with the check box in this state.
    void showTipsChosen(bool on);

private:
    void buildWindow();
    void centreOnScreen();
    void finish();

    Tips m_tips;
};

} // namespace dq
