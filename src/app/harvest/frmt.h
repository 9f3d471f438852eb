#pragma once

#include <QWidget>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace dq {

class GridModel;
class GridView;
class UserPrompts;

// The key-file tool window: shows and edits the key table of the selected engine, which it
// holds for the whole run, even while hidden. It also serves the key author: insert line
// breaks and tabs into a cell, move and delete rows, save the key file, and edit and save the
// site list (after a double click on the window shows it).
//
// Saving over the other file than the one shown (the key table as the site list, or the site
// list as a key file) asks first: either mistake would leave the program unable to grab.
class frmT : public QWidget
{
    Q_OBJECT

public:
    frmT(UserPrompts &prompts, QWidget *parent = nullptr);
    ~frmT() override;

    GridModel &keyTable() { return *m_keyTable; }
    const GridModel &keyTable() const { return *m_keyTable; }

    // Where "Save" writes the key table, and where the site list lives ("Save Sites Map").
    void setKeyFilePath(const QString &path) { m_keyPath = path; }
    QString keyFilePath() const { return m_keyPath; }
    void setSiteListPath(const QString &path) { m_siteListPath = path; }
    // The grid the double click copies in: the site list kept by the main window.
    void setSiteGrid(const GridModel *sites) { m_siteGrid = sites; }

    // The key table now holds the selected engine's key file (not the site list).
    void keyFileLoaded() { m_showingSites = false; }
    bool showingSites() const { return m_showingSites; }

    QLineEdit *txtYP = nullptr;
    GridView *fc = nullptr;
    std::array<QPushButton *, 8> cmdButton {};
    QLineEdit *txtDrop = nullptr;
    QLineEdit *txtCount = nullptr;
    QPushButton *cmdEraser = nullptr;
    QLabel *lblSites = nullptr;

    void runButton(int index);
    // The double click: the key table takes the site list's shape and texts.
    void showSites();

signals:
    // The site list file was written from the key table: the engines must be read again.
    void siteListSaved();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void appendToCell(const QString &text);
    void save(const QString &path, bool asSiteList);
    void deleteRows();

    UserPrompts &m_prompts;
    GridModel *m_keyTable;
    const GridModel *m_siteGrid = nullptr;
    QString m_keyPath;
    QString m_siteListPath;
    bool m_showingSites = false;
};

} // namespace dq
