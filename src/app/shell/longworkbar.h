#pragma once

#include <QPointer>
#include <QWidget>

class QProgressBar;
class QPushButton;
class QTimer;

namespace dq {

class LongJobs;
class frmMain;

// The status row's part in the record table's long jobs. While a job runs, the user's
// hands are kept off the window: clicks, keys and shortcuts are dropped (the table can
// still be scrolled with the wheel), and closing waits. Work that lasts over half a second
// shows a progress bar with its percent and a Cancel button (Escape does the same) and the
// busy cursor. What a finished command reports lands in the status text panel.
class LongWorkBar : public QWidget
{
    Q_OBJECT

public:
    // Sits at the end of statusPanel, the record table's status row.
    LongWorkBar(frmMain &window, QWidget *statusPanel);
    ~LongWorkBar() override;

    static constexpr int kShowAfterMs = 500;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onBusy(bool busy);
    void showProgress();
    bool isOwn(QObject *watched) const;

    frmMain &m_window;
    LongJobs &m_jobs;
    QProgressBar *m_bar;
    QPushButton *m_cancel;
    QTimer *m_delay;
    bool m_cursorSet = false;
    bool m_filtering = false;
};

} // namespace dq
