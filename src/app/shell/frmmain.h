#pragma once

#include "core/harvest/colyps.h"
#include "core/table/clipcommands.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <map>

class QAction;
class QFrame;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QTabWidget;
class QToolBar;

namespace dq {

class ContactCommandActions;
class EditCommands;
class ToolbarDispatcher;
class FileCommands;
class GridModel;
class GridView;
class HarvestCommands;
class RecordTable;
class RecoveryKeeper;
class UserPrompts;
class frmTips;
struct ShellSettings;

// The main window: owns the record table for the whole run, the three work tabs
// ("Results", "Search", "Guide Online") with a toolbar, menu set and status panels
// each, and the start-up and exit sequences.
//
// Menus are created by name in one place (createMenus); each subsystem adds its
// entries from its own file through installCommands(), so commands can be added
// without touching the window's layout code.
// The grid that had the keyboard focus last; clipboard, styling, row-height and time-stamp
// commands act on it.
enum class FocusOwner : quint8 { None, RecordTable, FormPanel };

class frmMain : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int kTabResults = 0;
    static constexpr int kTabSearch = 1;
    static constexpr int kTabGuide = 2;

    // prompts must outlive the window.
    explicit frmMain(UserPrompts &prompts, bool showTips = true, QWidget *parent = nullptr);
    ~frmMain() override;

    // Runs the start-up steps. Returns false when the program cannot run (the site
    // list is missing); the user has then been told why and the caller ends the program.
    bool load();

    // Opens the table named first among the program's arguments (as the desktop entry's %f
    // passes it) on the Results tab, its kind told by its extension; a relative name is taken
    // from the working folder. False when there is none or it did not open.
    bool openArguments(const QStringList &arguments);

    // Checks for the site list beside the program and shows the fatal message when it
    // is missing. The searching engines are loaded from it here.
    bool loadSiteList();

    // The Exit command: asks to save a changed table, then writes the settings and ends.
    // A failed or cancelled save keeps the program running.
    void exitCommand();
    // Writes the window's settings and ends the program without further questions.
    void saveSettingsAndEnd();
    // The settings as they would be written now.
    ShellSettings currentSettings() const;

    // Makes a tab current and brings up its toolbar, menus, status panel and address box.
    void showTab(int index);
    void setDefaultTab(int index);
    int defaultTab() const { return m_defaultTab; }
    bool showTips() const { return m_showTips; }
    void setShowTips(bool on) { m_showTips = on; }
    // Shows the tip of the day without blocking the window; brings an open one to the
    // front instead of opening a second.
    void showTipOfTheDay();
    // The open tip dialog, or nullptr.
    frmTips *tipsDialog() const;
    // Position of the selected searching engine, kept for the record at exit.
    void setListIndex(int index) { m_listIndex = index; }
    // Row mode: whole rows are selected, the current row whole; panel 3 reads "ROW".
    void enterRowMode();
    // Block and Edit mode: any block of cells, collapsed to the current cell; panel 3 "BLOCK".
    void enterBlockMode();
    MouseMode mouseMode() const { return m_mouseMode; }

    // Which grid had the keyboard focus last (None before either had it).
    FocusOwner focusOwner() const { return m_focusOwner; }
    void setFocusOwner(FocusOwner owner);

    // The one refresh after the record table's current cell or shape changed: the style
    // buttons, the row counter and the Form panel follow through recordTableClicked().
    void fa_Click();

    RecordTable &table() { return *m_table; }
    FileCommands &fileCommands() { return *m_files; }
    ContactCommandActions &contactCommands() { return *m_contact; }
    UserPrompts &prompts() { return m_prompts; }

    // Status panels by index; nullptr for an index the window does not have.
    QLabel *panel(int index) const;
    // A toolbar button by its key; nullptr when that toolbar has none.
    QAction *toolbarButton(int toolbar, const QString &key) const;
    // Adds a button to a toolbar; its key is the action's data and "Toolbar_<n>_<key>" its name.
    QAction *addToolbarButton(int toolbar, const QString &key, const QString &toolTip);

    // Containers the browser panels go into.
    QWidget *searchPage() const { return m_searchPage; }
    QWidget *guidePage() const { return m_guidePage; }

    // The harvest: searching engines from the site list kept in the hidden grid `ft`, the
    // engine list, browsers and grab commands.
    colYPs &engines() { return m_colYPs; }
    GridModel &siteGrid() { return *ft; }
    HarvestCommands &harvest() { return *m_harvest; }
    // The harvest journal and recovery copy; start-up offers what a crashed run left.
    RecoveryKeeper &recovery() { return *m_recovery; }

    // The splitter's left edge in twips, as it stands (and as exit stores it).
    int vbarLeft() const { return m_vbarLeft; }
    void setVbarLeft(int twips);
    // Places every part of the window from its current sizes and states.
    void relayout();
    ToolbarDispatcher &toolbars() { return *m_dispatcher; }

    int twipsToPixelsX(int twips) const;
    int twipsToPixelsY(int twips) const;
    int pixelsToTwipsX(int pixels) const;
    int pixelsToTwipsY(int pixels) const;

    // --- What the window offers the subsystems that fill it -------------------------------
    // The menu sets, one per tab ("Search" and "Guide" for the browser tabs) plus Help.
    enum class Menu { File, Edit, View, Tools, SearchFile, SearchView, SearchTools, GuideFile, GuideView, Help };
    QMenu *menu(Menu which) const;
    // The toolbar of a tab (kTabResults, kTabSearch, kTabGuide); nullptr for another index.
    QToolBar *toolbar(int tab) const;
    // The view that shows the record table.
    GridView &recordView() const;
    // The Form panel's grid; nullptr until the panel exists.
    GridModel *formGrid() const;
    // The page of the "Form" tab that the Form panel fills, and showing or hiding that tab.
    QWidget *formPage() const;
    void setFormPanelShown(bool on);
    // The searching-engine list, filled from the site list; the harvest puts it on its toolbar.
    QComboBox *engineBox() const;
    // Puts a control at the front of the search tab's status panel.
    void insertSearchStatusWidget(QWidget *widget);
    // The address boxes of the Search and Guide Online tabs (shown when their View entry is ticked).
    QString searchAddress() const;
    void setSearchAddress(const QString &address);
    void setGuideAddress(const QString &address);
    // The alternate row colour switch of the View menu.
    bool alternateColor() const;
    void toggleAlternateColor();

signals:
    // The program has written its settings and is ending.
    void ended();
    // A grid took the keyboard focus (or Select All claimed the record table).
    void focusOwnerChanged(FocusOwner owner);
    void mouseModeChanged(MouseMode mode);
    void recordTableClicked();
    // The search address box's text changed, typed or set.
    void searchAddressChanged(const QString &address);
    // Enter in an address box: the address to open in that tab's browser.
    void searchAddressEntered(const QString &address);
    void guideAddressEntered(const QString &address);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Writes the settings; a store that cannot be written is reported, not ignored.
    void saveSettingsOrSay();
    void createMenus();
    void installCommands();
    void finishMenus();
    void createToolbars();
    void createCentralArea();
    void createAddressRow(QWidget *central);
    QWidget *createResultsPage();
    void createBrowserPages();
    void createStatusPanels();
    QWidget *createStatusPanel(const QString &name, std::initializer_list<int> indexes);
    void applyGeometry(const ShellSettings &s);
    void setAddressBoxTicks(bool on);
    void updateAddressRow();
    bool splitterMouse(QEvent *event);

    // The controls, named as their objectNames.
    QMenu *mnuFile = nullptr;
    QMenu *mnuEdit = nullptr;
    QMenu *mnuView = nullptr;
    QMenu *mnuTools = nullptr;
    QMenu *mnuFileB = nullptr;
    QMenu *mnuViewB = nullptr;
    QMenu *mnuToolsB = nullptr;
    QMenu *mnuFileG = nullptr;
    QMenu *mnuViewG = nullptr;
    QMenu *mnuHelp = nullptr;
    QMenu *mnuTab = nullptr;
    std::array<QAction *, 3> mnuTabs {};
    QAction *mnuAlternateColor = nullptr;
    QAction *mnuViewDropBox = nullptr;
    QAction *mnuViewDropBoxG = nullptr;
    QAction *mnuGudie = nullptr;
    QAction *mnuTip = nullptr;
    QAction *mnuExit = nullptr;
    QAction *mnuFileBexit = nullptr;

    std::array<QToolBar *, 3> Toolbar {};
    QTabWidget *tabMain = nullptr;
    QTabWidget *tabForm = nullptr;
    // The splitter moves only when the mouse is released: VBar1 shows where it would go,
    // VBar2 the limit it is held at.
    QFrame *VBar = nullptr;
    QFrame *VBar1 = nullptr;
    QFrame *VBar2 = nullptr;
    GridView *fa = nullptr;
    QWidget *SSPanMain = nullptr;
    QWidget *SSPanWeb = nullptr;
    QWidget *SSPanGuide = nullptr;
    QLabel *Image4 = nullptr;
    QLabel *lbDropBox = nullptr;
    QLineEdit *txtDrop = nullptr;
    QLineEdit *txtURL = nullptr;
    QComboBox *cboYP2 = nullptr;
    GridModel *ft = nullptr;

    UserPrompts &m_prompts;
    RecordTable *m_table;
    FileCommands *m_files;
    ContactCommandActions *m_contact = nullptr;
    colYPs m_colYPs;
    HarvestCommands *m_harvest = nullptr;
    EditCommands *m_edit = nullptr;
    RecoveryKeeper *m_recovery = nullptr;
    std::map<int, QLabel *> m_panels;
    QWidget *m_searchPage = nullptr;
    QWidget *m_guidePage = nullptr;
    ToolbarDispatcher *m_dispatcher = nullptr;
    int m_vbarLeft = 3570; // twips
    int m_dragStartX = 0; // pixels, global
    bool m_dragging = false;
    bool m_layingOut = false;
    int m_defaultTab = 1;
    int m_listIndex = 0;
    bool m_showTips = true;
    QPointer<frmTips> m_tips;
    bool m_ending = false;
    FocusOwner m_focusOwner = FocusOwner::None;
    MouseMode m_mouseMode = MouseMode::Row;
};

} // namespace dq
