#pragma once

#include "core/contact/dialsettings.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace dq {

class GridModel;
class ModemDialer;
class SerialLine;
class UserPrompts;

// The "Dial Phone" dialog: dials the number in txtNum through the modem as soon as it is
// shown, lets the user cancel or redial, and keeps the port, long-distance prefix and panel
// state in the settings (read when the dialog is made, written when it closes).
class frmDial : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kExpandedHeightTwips = 2940;
    static constexpr int kCollapsedHeightTwips = 1900;

    explicit frmDial(UserPrompts &prompts, QWidget *parent = nullptr);
    ~frmDial() override;

    // The "Dial Phone" command: makes the dialog, puts the current record's number in it
    // and shows it modally.
    static int dialPhone(const GridModel &table, UserPrompts &prompts, QWidget *parent);

    // Puts the number to dial for the current record of table into txtNum.
    void setNumberFrom(const GridModel &table);

    bool isExpanded() const { return m_expanded; }
    ModemDialer &dialer() { return *m_dialer; }

    QLineEdit *txtNum = nullptr;
    QLineEdit *txtStatus = nullptr;
    QPushButton *cmdDial = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdExit = nullptr;
    QPushButton *cmdSet = nullptr;
    QWidget *fraSettings = nullptr;
    QLineEdit *txtPort = nullptr;
    QLineEdit *txtLongDis = nullptr;
    QCheckBox *chkDialOne = nullptr;
    QPushButton *cmdSave = nullptr;

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildWindow();
    void dialNumber();
    void toggleSettings();
    // Writes the settings; a write that fails is reported, and the dialog goes on.
    void saveSettings();
    void setExpanded(bool expanded);
    DialSettings currentSettings() const;

    UserPrompts &m_prompts;
    SerialLine *m_line = nullptr;
    ModemDialer *m_dialer = nullptr;
    bool m_expanded = false;
    int m_width = 0;
    bool m_shownOnce = false;
};

} // namespace dq
