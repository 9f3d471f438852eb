#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace dq {

class GridModel;
class GridView;
class frmMain;

// "Set Default Site & Order": the engine names in list order, one per row, moved up and down
// by the user. Save brings the engines, the engine list and the site list file into that
// order (the first engine is the default at the next start); Cancel changes nothing.
class frmSites : public QDialog
{
    Q_OBJECT

public:
    explicit frmSites(frmMain &window);
    ~frmSites() override;

    GridModel &sites() { return *m_sites; }
    // The names as the editor's rows hold them now.
    QStringList names() const;

    GridView *fs = nullptr;
    QPushButton *cmd[2] {};
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdCancel = nullptr;
    QLabel *lblDefault = nullptr;

    void moveSelection(int index);
    void saveOrder();

private:
    frmMain &m_window;
    GridModel *m_sites;
};

} // namespace dq
