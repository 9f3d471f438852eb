#include "app/shell/frmmain.h"

#include "core/shell/mainlayout.h"
#include "app/shell/longworkbar.h"
#include "app/shell/toolbardispatcher.h"

#include "app/contact/contactcommandactions.h"
#include "app/files/filecommandactions.h"
#include "app/files/recoverykeeper.h"
#include "app/harvest/browsercommands.h"
#include "app/harvest/harvestcommands.h"
#include "app/print/printcommandactions.h"
#include "app/grid/gridview.h"
#include "app/shell/frmtips.h"
#include "app/table/datatoolcommands.h"
#include "app/table/editcommands.h"
#include "app/table/formpanel.h"
#include "app/harvest/selectallonfocus.h"
#include "app/table/frmcoldef.h"
#include "app/table/stylecommands.h"
#include "app/table/undocommands.h"
#include "core/grid/gridfile.h"
#include "core/harvest/sitelist.h"
#include "core/shell/programfolder.h"
#include "core/shell/settings.h"
#include "core/shell/shellsettings.h"
#include "core/shell/userprompts.h"
#include "core/table/filecommands.h"
#include "core/table/longjobs.h"
#include "core/table/recordtable.h"
#include "core/table/tableedits.h"
#include "core/table/valueformat.h"

#include <memory>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QStandardPaths>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QTabBar>
#include <QSignalBlocker>
#include <QMenuBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace dq {

namespace {

constexpr int kTwipsPerInch = 1440;
const QColor kAlternateRowColor(0xC0, 0xFF, 0xC0);

} // namespace

frmMain::frmMain(UserPrompts &prompts, bool showTips, QWidget *parent)
    : QMainWindow(parent)
    , m_prompts(prompts)
    , m_table(new RecordTable(this))
    , m_files(new FileCommands(*m_table, prompts, this))
    , m_showTips(showTips)
{
    setObjectName(QStringLiteral("frmMain"));
    // Without a desktop session Qt knows no icon theme nor where themes live; the program's
    // pictures then come from Adwaita in the system's data folders.
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor")) {
        QStringList paths = QIcon::themeSearchPaths();
        const QStringList system = QStandardPaths::locateAll(
            QStandardPaths::GenericDataLocation, QStringLiteral("icons"), QStandardPaths::LocateDirectory);
        for (const QString &path : system)
            if (!paths.contains(path))
                paths << path;
        QIcon::setThemeSearchPaths(paths);
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    }
    setWindowTitle(QStringLiteral("Dirquill"));
    createMenus();
    createToolbars();
    createCentralArea();
    installCommands();
    finishMenus();
    m_dispatcher->fillMissingIcons();

    connect(m_table, &RecordTable::captionChanged, this, &QWidget::setWindowTitle);
    connect(m_files, &FileCommands::opened, this, &frmMain::enterRowMode);
    connect(&m_table->fa(), &GridModel::selectionChanged, this,
        [this] { panel(5)->setText(QString::number(m_table->fa().selectedRowCount()) + QStringLiteral(" Sel")); });
    connect(tabMain, &QTabWidget::currentChanged, this, &frmMain::showTab);
    setMinimumWidth(twipsToPixelsX(MainLayout::kMinWindowWidth));
}

frmMain::~frmMain() = default;

// Each subsystem adds its menu entries and toolbar keys here, one line each.
void frmMain::installCommands()
{
    m_dispatcher = new ToolbarDispatcher(*this);
    new FileCommandActions(*this);
    m_edit = new EditCommands(*this);
    new PrintCommandActions(*this);
    m_contact = new ContactCommandActions(*this);
    m_harvest = new HarvestCommands(*this);
    m_recovery = new RecoveryKeeper(*this);
    frmColDef::installCommands(*this);
    new StyleCommands(*this);
    new DataToolCommands(*this);
    new LongWorkBar(*this, SSPanMain);
    // A grab adds rows as they come, so nothing may read the table in the background then.
    m_table->jobs().setInlineWhen([this] { return m_harvest && m_harvest->isGrabbing(); });
    // Last: it names its steps after the entries and keys the others made.
    new UndoCommands(*this);
}

void frmMain::createMenus()
{
    QMenuBar *bar = menuBar();
    const auto menu = [bar](const char *name, const QString &caption) {
        QMenu *m = bar->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        m->menuAction()->setObjectName(QLatin1String(name) + QStringLiteral("Action"));
        return m;
    };
    mnuFile = menu("mnuFile", QStringLiteral("&File"));
    mnuEdit = menu("mnuEdit", QStringLiteral("&Edit"));
    mnuView = menu("mnuView", QStringLiteral("&View"));
    mnuTools = menu("mnuTools", QStringLiteral("&Tools"));
    mnuFileB = menu("mnuFileB", QStringLiteral("&File"));
    mnuViewB = menu("mnuViewB", QStringLiteral("&View"));
    mnuToolsB = menu("mnuToolsB", QStringLiteral("&Tools"));
    mnuFileG = menu("mnuFileG", QStringLiteral("&File"));
    mnuViewG = menu("mnuViewG", QStringLiteral("&View"));
    mnuHelp = menu("mnuHelp", QStringLiteral("&Help"));

    mnuAlternateColor = mnuView->addAction(QStringLiteral("&Alternate Row Color"));
    mnuAlternateColor->setObjectName(QStringLiteral("mnuAlternateColor"));
    mnuAlternateColor->setCheckable(true);
    connect(mnuAlternateColor, &QAction::toggled, this, [this](bool on) {
        // Switched off by hand the alternate rows turn white.
        m_table->fa().setAlternateRowColor(on ? kAlternateRowColor : QColor(Qt::white));
    });

    mnuTab = mnuView->addMenu(QStringLiteral("Set Default &Tab at Start Up"));
    mnuTab->setObjectName(QStringLiteral("mnuTab"));
    auto *tabs = new QActionGroup(this);
    const std::array<QString, 3> captions { QStringLiteral("&Results"), QStringLiteral("&Search"),
        QStringLiteral("&Guide Online") };
    for (int i = 0; i < 3; ++i) {
        QAction *a = mnuTab->addAction(captions[size_t(i)]);
        a->setObjectName(QStringLiteral("mnuTabs_%1").arg(i));
        a->setCheckable(true);
        tabs->addAction(a);
        connect(a, &QAction::triggered, this, [this, i] { setDefaultTab(i); });
        mnuTabs[size_t(i)] = a;
    }
    mnuTabs[kTabSearch]->setChecked(true);

    const auto dropBox = [this](QMenu *menu, const char *name) {
        QAction *a = menu->addAction(QStringLiteral("&URL Address Box"));
        a->setObjectName(QLatin1String(name));
        a->setCheckable(true);
        // The two entries are one choice shown in two menus.
        connect(a, &QAction::triggered, this, [this](bool on) {
            setAddressBoxTicks(on);
            updateAddressRow();
        });
        return a;
    };
    mnuViewDropBox = dropBox(mnuViewB, "mnuViewDropBox");
    mnuViewDropBoxG = dropBox(mnuViewG, "mnuViewDropBoxG");

    mnuGudie = mnuHelp->addAction(QStringLiteral("&Guide Online / Version Update"));
    mnuGudie->setObjectName(QStringLiteral("mnuGudie"));
    connect(mnuGudie, &QAction::triggered, this, [this] { showTab(kTabGuide); });

    mnuTip = new QAction(QStringLiteral("&Tip of The Day"), this);
    mnuTip->setObjectName(QStringLiteral("mnuTip"));
    mnuTip->setShortcut(QKeySequence(Qt::Key_F1));
    mnuHelp->insertAction(mnuGudie, mnuTip);
    connect(mnuTip, &QAction::triggered, this, &frmMain::showTipOfTheDay);
}

void frmMain::finishMenus()
{
    mnuFile->addSeparator();
    mnuExit = mnuFile->addAction(QStringLiteral("E&xit"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    connect(mnuExit, &QAction::triggered, this, &frmMain::exitCommand);
    mnuFileB->addSeparator();
    mnuFileBexit = mnuFileB->addAction(QStringLiteral("E&xit"));
    mnuFileBexit->setObjectName(QStringLiteral("mnuFileBexit"));
    connect(mnuFileBexit, &QAction::triggered, this, &frmMain::exitCommand);
}

void frmMain::createToolbars()
{
    for (int i = 0; i < 3; ++i) {
        auto *bar = new QToolBar(this);
        bar->setIconSize(QSize(20, 20));
        bar->setObjectName(QStringLiteral("Toolbar_%1").arg(i));
        bar->setMovable(false);
        bar->setFloatable(false);
        bar->toggleViewAction()->setEnabled(false);
        addToolBar(Qt::TopToolBarArea, bar);
        Toolbar[size_t(i)] = bar;
    }
    // The engine list rides on the search toolbar; the harvest commands place it there.
    cboYP2 = new QComboBox(this);
    cboYP2->setObjectName(QStringLiteral("cboYP2"));
    ft = new GridModel(this);
    ft->setObjectName(QStringLiteral("ft"));
}

QAction *frmMain::addToolbarButton(int toolbar, const QString &key, const QString &toolTip)
{
    // The buttons stand in their fixed order already; a subsystem gets the one for its key.
    if (QAction *existing = toolbarButton(toolbar, key))
        return existing;
    QAction *a = Toolbar.at(size_t(toolbar))->addAction(toolTip);
    a->setData(key);
    a->setToolTip(toolTip);
    a->setObjectName(QStringLiteral("Toolbar_%1_%2").arg(toolbar).arg(key));
    return a;
}

QAction *frmMain::toolbarButton(int toolbar, const QString &key) const
{
    if (toolbar < 0 || toolbar > 2)
        return nullptr;
    const QList<QAction *> actions = Toolbar[size_t(toolbar)]->actions();
    for (QAction *a : actions)
        if (a->data().toString() == key)
            return a;
    return nullptr;
}

QWidget *frmMain::createStatusPanel(const QString &name, std::initializer_list<int> indexes)
{
    auto *pan = new QWidget;
    pan->setObjectName(name);
    auto *row = new QHBoxLayout(pan);
    row->setContentsMargins(2, 1, 2, 1);
    row->setSpacing(2);
    for (int index : indexes) {
        auto *label = new QLabel(pan);
        label->setObjectName(QStringLiteral("Panels_%1").arg(index));
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        label->setMinimumWidth(40);
        row->addWidget(label, index == 2 || index == 21 ? 1 : 0);
        m_panels[index] = label;
    }
    return pan;
}

void frmMain::createCentralArea()
{
    // Every part below is placed by relayout() from the window's sizes, not by layouts.
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("frmMainClient"));
    central->installEventFilter(this);

    createAddressRow(central);
    tabMain = new QTabWidget(central);
    tabMain->setObjectName(QStringLiteral("tabMain"));
    // The tab buttons sit at the bottom, the status panels beside them.
    tabMain->setTabPosition(QTabWidget::South);
    tabMain->installEventFilter(this);
    tabMain->addTab(createResultsPage(), QStringLiteral("Results"));
    createBrowserPages();
    createStatusPanels();

    setCentralWidget(central);
    showTab(kTabResults);
}

void frmMain::createAddressRow(QWidget *central)
{
    lbDropBox = new QLabel(QStringLiteral("Address:"), central);
    lbDropBox->setObjectName(QStringLiteral("lbDropBox"));
    txtDrop = new QLineEdit(central);
    txtDrop->setObjectName(QStringLiteral("txtDrop"));
    txtURL = new QLineEdit(central);
    txtURL->setObjectName(QStringLiteral("txtURL"));
    for (QLineEdit *box : { txtDrop, txtURL })
        box->setToolTip(QStringLiteral("URL Address"));
    SelectAllOnFocus::install(txtDrop);
    connect(txtDrop, &QLineEdit::textChanged, this, &frmMain::searchAddressChanged);
    connect(txtDrop, &QLineEdit::returnPressed, this, [this] { emit searchAddressEntered(txtDrop->text()); });
    connect(txtURL, &QLineEdit::returnPressed, this, [this] { emit guideAddressEntered(txtURL->text()); });
    // Shown on the browser tabs only, when their menu entry is ticked.
    lbDropBox->hide();
    txtDrop->hide();
    txtURL->hide();
}

QWidget *frmMain::createResultsPage()
{
    // Results: the Form panel, the splitter and the record table.
    auto *results = new QWidget;
    results->setObjectName(QStringLiteral("resultsPage"));
    tabForm = new QTabWidget(results);
    tabForm->setObjectName(QStringLiteral("tabForm"));
    auto *formArea = new QWidget;
    formArea->setObjectName(QStringLiteral("fbArea"));
    formArea->setLayout(new QVBoxLayout);
    tabForm->addTab(formArea, QStringLiteral("Form"));
    tabForm->installEventFilter(this);
    fa = new GridView(results);
    fa->setObjectName(QStringLiteral("fa"));
    fa->setGridModel(&m_table->fa());
    // Number, money and date columns show their values in the column's format.
    m_table->fa().setDisplayFormatter(ValueFormat::formatter());
    const auto bar = [results](const char *name, QFrame::Shadow shadow) {
        auto *f = new QFrame(results);
        f->setObjectName(QLatin1String(name));
        f->setFrameShape(QFrame::VLine);
        f->setFrameShadow(shadow);
        return f;
    };
    VBar = bar("VBar", QFrame::Raised);
    VBar->setCursor(Qt::SplitHCursor);
    VBar->installEventFilter(this);
    VBar1 = bar("VBar1", QFrame::Sunken);
    VBar1->setAutoFillBackground(true);
    VBar1->setBackgroundRole(QPalette::Dark);
    VBar1->hide();
    VBar2 = bar("VBar2", QFrame::Sunken);
    VBar2->setAutoFillBackground(true);
    VBar2->setBackgroundRole(QPalette::Shadow);
    VBar2->hide();
    return results;
}

void frmMain::createBrowserPages()
{
    const auto browserPage = [](const QString &pageName) {
        auto *page = new QWidget;
        auto *container = new QWidget(page);
        container->setObjectName(pageName);
        container->setLayout(new QVBoxLayout);
        container->layout()->setContentsMargins(0, 0, 0, 0);
        return std::make_pair(page, container);
    };
    auto [search, searchContainer] = browserPage(QStringLiteral("searchPage"));
    m_searchPage = searchContainer;
    tabMain->addTab(search, QStringLiteral("Search"));
    auto [guide, guideContainer] = browserPage(QStringLiteral("guidePage"));
    m_guidePage = guideContainer;
    tabMain->addTab(guide, QStringLiteral("Guide Online"));
}

void frmMain::createStatusPanels()
{
    // The status panels lie over the tab strip, right of the tab buttons.
    SSPanMain = createStatusPanel(QStringLiteral("SSPanMain"), { 2, 3, 4, 5, 6, 8 });
    SSPanWeb = createStatusPanel(QStringLiteral("SSPanWeb"), { 20, 21, 22, 23, 24 });
    SSPanGuide = createStatusPanel(QStringLiteral("SSPanGuide"), {});
    Image4 = new QLabel(SSPanWeb);
    Image4->setObjectName(QStringLiteral("Image4"));
    Image4->setFixedSize(12, 12);
    SSPanWeb->layout()->addWidget(Image4);
    for (QWidget *pan : { SSPanMain, SSPanWeb, SSPanGuide }) {
        pan->setParent(tabMain);
        pan->setAutoFillBackground(true);
    }
}

void frmMain::setVbarLeft(int twips)
{
    m_vbarLeft = MainLayout::clampSplitter(twips, pixelsToTwipsX(width()));
    relayout();
}

void frmMain::relayout()
{
    QWidget *client = centralWidget();
    if (!client || m_layingOut)
        return;
    if (width() < twipsToPixelsX(MainLayout::kMinWindowWidth)) {
        resize(twipsToPixelsX(MainLayout::kMinWindowWidth), height());
        return; // the resize comes back here
    }
    const QScopedValueRollback<bool> busy(m_layingOut, true);
    const int tab = tabMain->currentIndex();
    const QToolBar *bar = Toolbar[size_t(qBound(0, tab, 2))];
    const int toolbar = bar->isVisible() ? pixelsToTwipsY(bar->height()) : pixelsToTwipsY(bar->sizeHint().height());

    MainLayout::Input in;
    in.width = pixelsToTwipsX(client->width());
    in.height = pixelsToTwipsY(client->height()) + toolbar;
    in.toolbarHeight = toolbar;
    in.tabStripHeight = pixelsToTwipsY(tabMain->tabBar()->sizeHint().height());
    in.addressBoxHeight = pixelsToTwipsY(txtDrop->sizeHint().height());
    in.tabButtonsWidth = pixelsToTwipsX(tabMain->tabBar()->sizeHint().width()) + 20;
    in.statusPanelHeight = in.tabStripHeight;
    in.statusPanelWidth = qMax(0, in.width - 20 - qMax(2670, in.tabButtonsWidth) - 20);
    in.tab = tab;
    in.addressBoxTicked = mnuViewDropBox->isChecked();
    in.formPanelShown = !tabForm->isHidden();
    in.splitterLeft = m_vbarLeft;
    in.splitterWidth = pixelsToTwipsX(6);
    const MainLayout::Result r = MainLayout::compute(in);

    // Twips to pixels; the client starts below the toolbar row.
    const auto px = [this](const QRect &t, int dy = 0) {
        return QRect(twipsToPixelsX(t.left()), twipsToPixelsY(t.top() - dy), twipsToPixelsX(t.width()),
            twipsToPixelsY(t.height()));
    };
    lbDropBox->setGeometry(px(r.addressLabel, toolbar));
    txtDrop->setGeometry(px(r.searchAddress, toolbar));
    txtURL->setGeometry(px(r.guideAddress, toolbar));
    tabMain->setGeometry(px(r.tabMain, toolbar));

    for (QWidget *pan : { SSPanMain, SSPanGuide })
        pan->setGeometry(px(r.statusMain));
    SSPanWeb->setGeometry(px(r.statusWeb));
    panel(21)->setFixedWidth(qMax(40, twipsToPixelsX(r.webWideCellWidth)));
    for (QWidget *pan : { SSPanMain, SSPanWeb, SSPanGuide })
        pan->raise();

    // Pages sit inside the tab control's frame; rules are in the tab control's coordinates.
    const auto inPage = [this, &px](QWidget *child, const QRect &t) {
        const QPoint origin = child->parentWidget()->mapTo(tabMain, QPoint(0, 0));
        child->setGeometry(px(t).translated(-origin));
    };
    inPage(m_searchPage, r.browser);
    inPage(m_guidePage, r.browser);
    inPage(fa, r.recordTable);
    inPage(VBar, r.splitter);
    inPage(tabForm, r.formPanel);
    m_vbarLeft = r.splitter.left();
    VBar->setVisible(in.formPanelShown);
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == VBar)
        return splitterMouse(event);
    switch (event->type()) {
    case QEvent::Resize:
        if (watched == centralWidget() || watched == tabMain)
            relayout();
        break;
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
        // The Form panel shown or hidden moves the record table.
        if (watched == tabForm)
            relayout();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool frmMain::splitterMouse(QEvent *event)
{
    const auto *mouse = static_cast<QMouseEvent *>(event);
    const auto held = [this, mouse] {
        const int offset = pixelsToTwipsX(qRound(mouse->globalPosition().x()) - m_dragStartX);
        return MainLayout::dragBar(m_vbarLeft, offset, pixelsToTwipsX(width()));
    };
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (mouse->button() != Qt::LeftButton)
            return false;
        m_dragging = true;
        m_dragStartX = qRound(mouse->globalPosition().x());
        VBar1->setGeometry(VBar->geometry());
        VBar1->show();
        VBar1->raise();
        VBar2->hide();
        return true;
    case QEvent::MouseMove: {
        if (!m_dragging)
            return false;
        const MainLayout::DragBar d = held();
        QFrame *shown = d.atLimit ? VBar2 : VBar1;
        (d.atLimit ? VBar1 : VBar2)->hide();
        const QRect g = VBar->geometry();
        shown->setGeometry(twipsToPixelsX(d.left), g.top(), g.width(), g.height());
        shown->show();
        shown->raise();
        return true;
    }
    case QEvent::MouseButtonRelease: {
        if (!m_dragging || mouse->button() != Qt::LeftButton)
            return false;
        m_dragging = false;
        VBar1->hide();
        VBar2->hide();
        m_vbarLeft = held().left;
        relayout();
        return true;
    }
    default:
        return false;
    }
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    relayout();
}

QMenu *frmMain::menu(Menu which) const
{
    switch (which) {
    case Menu::File:
        return mnuFile;
    case Menu::Edit:
        return mnuEdit;
    case Menu::View:
        return mnuView;
    case Menu::Tools:
        return mnuTools;
    case Menu::SearchFile:
        return mnuFileB;
    case Menu::SearchView:
        return mnuViewB;
    case Menu::SearchTools:
        return mnuToolsB;
    case Menu::GuideFile:
        return mnuFileG;
    case Menu::GuideView:
        return mnuViewG;
    case Menu::Help:
        return mnuHelp;
    }
    return nullptr;
}

QToolBar *frmMain::toolbar(int tab) const
{
    return tab >= 0 && tab <= 2 ? Toolbar[size_t(tab)] : nullptr;
}

GridView &frmMain::recordView() const
{
    return *fa;
}

GridModel *frmMain::formGrid() const
{
    return m_edit ? &m_edit->formPanel().grid() : nullptr;
}

QWidget *frmMain::formPage() const
{
    return tabForm->widget(0);
}

void frmMain::setFormPanelShown(bool on)
{
    tabForm->setVisible(on);
}

QComboBox *frmMain::engineBox() const
{
    return cboYP2;
}

void frmMain::insertSearchStatusWidget(QWidget *widget)
{
    widget->setParent(SSPanWeb);
    if (auto *row = qobject_cast<QBoxLayout *>(SSPanWeb->layout()))
        row->insertWidget(0, widget);
}

QString frmMain::searchAddress() const
{
    return txtDrop->text();
}

void frmMain::setSearchAddress(const QString &address)
{
    txtDrop->setText(address);
}

void frmMain::setGuideAddress(const QString &address)
{
    txtURL->setText(address);
}

bool frmMain::alternateColor() const
{
    return mnuAlternateColor->isChecked();
}

void frmMain::toggleAlternateColor()
{
    mnuAlternateColor->trigger();
}

QLabel *frmMain::panel(int index) const
{
    const auto it = m_panels.find(index);
    return it == m_panels.end() ? nullptr : it->second;
}

int frmMain::twipsToPixelsX(int twips) const
{
    return qRound(double(twips) * logicalDpiX() / kTwipsPerInch);
}
int frmMain::twipsToPixelsY(int twips) const
{
    return qRound(double(twips) * logicalDpiY() / kTwipsPerInch);
}
int frmMain::pixelsToTwipsX(int pixels) const
{
    return qRound(double(pixels) * kTwipsPerInch / logicalDpiX());
}
int frmMain::pixelsToTwipsY(int pixels) const
{
    return qRound(double(pixels) * kTwipsPerInch / logicalDpiY());
}

bool frmMain::load()
{
    panel(8)->setText(QStringLiteral(DQ_VERSION));

    const ShellSettings s = ShellSettings::load(tablesFolder());
    applyGeometry(s);
    m_vbarLeft = s.vbarLeft;
    setVbarLeft(s.vbarLeft);
    mnuAlternateColor->setChecked(s.alternateColor);
    // Off at start-up means the system's own window background.
    m_table->fa().setAlternateRowColor(
        s.alternateColor ? kAlternateRowColor : QApplication::palette().color(QPalette::Base));
    setAddressBoxTicks(s.addressBox != 0);
    m_table->setLastOpenFolder(s.lastOpenPath);

    m_table->SetDefaults();
    enterRowMode();
    m_table->buildNewTable();

    if (!loadSiteList())
        return false;

    panel(4)->setText(QStringLiteral("US"));
    setDefaultTab(s.defaultTab);
    if (s.defaultTab >= 0 && s.defaultTab <= 2)
        showTab(s.defaultTab);

    // The tip comes once the window has had its pending events, so it opens over a
    // window that is already drawn.
    if (m_showTips)
        QTimer::singleShot(0, this, &frmMain::showTipOfTheDay);
    return true;
}

bool frmMain::openArguments(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return false;
    const QString path = QFileInfo(arguments.first()).absoluteFilePath();
    if (!fileCommands().openFile(path, GridFile::kindForPath(path)))
        return false;
    showTab(kTabResults);
    return true;
}

bool frmMain::loadSiteList()
{
    const QString path = dataFile(SiteList::fileName());
    if (QFile::exists(path)) {
        // The site list stays in ft for the run. An empty file lists no engines; a damaged one
        // is reported and the program runs on without engines.
        if (QFileInfo(path).size() > 0) {
            if (const FileResult r = GridFile::load(*ft, path, FileKind::Native); !r)
                m_prompts.message(
                    QStringLiteral("Dirquill"), r.errorString, UserPrompts::Icon::Warning, UserPrompts::Buttons::Ok);
        }
        const QStringList names = SiteList::fill(*ft, m_colYPs);
        {
            const QSignalBlocker quiet(cboYP2);
            cboYP2->clear();
            cboYP2->addItems(names);
        }
        // Position 0 is the default engine: its key file loads and its start page opens.
        if (!names.isEmpty())
            m_harvest->cboYP2_Click();
        m_harvest->browsers().openGuidePage();
        return true;
    }
    m_prompts.message(QStringLiteral("Dirquill"),
        QStringLiteral("Key file 'stpl00.bin' not found. Make sure the file is in the same directory or "
                       "contact your software vendor."),
        UserPrompts::Icon::Critical, UserPrompts::Buttons::Ok);
    return false;
}

void frmMain::showTipOfTheDay()
{
    if (m_tips) {
        m_tips->raise();
    } else {
        m_tips = new frmTips(m_showTips, this);
        connect(m_tips, &frmTips::showTipsChosen, this, &frmMain::setShowTips);
    }
    m_tips->show();
    m_tips->activateWindow();
}

frmTips *frmMain::tipsDialog() const
{
    return m_tips.data();
}

void frmMain::applyGeometry(const ShellSettings &s)
{
    move(twipsToPixelsX(s.left), twipsToPixelsY(s.top));
    resize(twipsToPixelsX(s.width), twipsToPixelsY(s.height));
}

void frmMain::enterRowMode()
{
    m_mouseMode = MouseMode::Row;
    GridModel &grid = m_table->fa();
    fa->setSelectionMode(GridModel::SelectionMode::ListBox);
    if (grid.row() >= grid.fixedRows())
        TableEdits::makeCurrentRow(grid, grid.row(), MouseMode::Row);
    panel(3)->setText(QStringLiteral("ROW"));
    emit mouseModeChanged(m_mouseMode);
}

void frmMain::enterBlockMode()
{
    m_mouseMode = MouseMode::Block;
    GridModel &grid = m_table->fa();
    fa->setSelectionMode(GridModel::SelectionMode::Free);
    grid.setCursor(grid.row(), grid.col());
    panel(3)->setText(QStringLiteral("BLOCK"));
    emit mouseModeChanged(m_mouseMode);
}

void frmMain::setFocusOwner(FocusOwner owner)
{
    m_focusOwner = owner;
    emit focusOwnerChanged(owner);
}

void frmMain::fa_Click()
{
    emit recordTableClicked();
}

void frmMain::setDefaultTab(int index)
{
    m_defaultTab = index;
    if (index >= 0 && index <= 2)
        mnuTabs[size_t(index)]->setChecked(true);
}

void frmMain::setAddressBoxTicks(bool on)
{
    mnuViewDropBox->setChecked(on);
    mnuViewDropBoxG->setChecked(on);
}

void frmMain::showTab(int index)
{
    if (index < 0 || index > 2)
        return;
    if (tabMain->currentIndex() != index) {
        tabMain->setCurrentIndex(index); // comes back here through currentChanged
        return;
    }
    for (int i = 0; i < 3; ++i)
        Toolbar[size_t(i)]->setVisible(i == index);
    SSPanMain->setVisible(index == kTabResults);
    SSPanWeb->setVisible(index == kTabSearch);
    SSPanGuide->setVisible(index == kTabGuide);
    const std::array<std::pair<QMenu *, int>, 9> sets { { { mnuFile, 0 }, { mnuEdit, 0 }, { mnuView, 0 },
        { mnuTools, 0 }, { mnuFileB, 1 }, { mnuViewB, 1 }, { mnuToolsB, 1 }, { mnuFileG, 2 }, { mnuViewG, 2 } } };
    for (const auto &[menu, tab] : sets)
        menu->menuAction()->setVisible(tab == index);
    mnuGudie->setVisible(index != kTabGuide);
    updateAddressRow();
}

void frmMain::updateAddressRow()
{
    // The results tab starts right under the toolbar, where a box would be covered anyway.
    const int tab = tabMain->currentIndex();
    const bool search = tab == kTabSearch && mnuViewDropBox->isChecked();
    const bool guide = tab == kTabGuide && mnuViewDropBoxG->isChecked();
    txtDrop->setVisible(search);
    txtURL->setVisible(guide);
    lbDropBox->setVisible(search || guide);
    relayout();
}

ShellSettings frmMain::currentSettings() const
{
    ShellSettings s;
    QRect g(pos(), size());
    if (isMaximized() || isMinimized()) {
        // normalGeometry() places the inner area; the stored position is the frame's, as
        // move() takes it back at start-up, or each such run would sit a title bar lower.
        const QPoint frame = geometry().topLeft() - pos();
        g = QRect(normalGeometry().topLeft() - frame, normalGeometry().size());
    }
    s.top = pixelsToTwipsY(g.y());
    s.left = pixelsToTwipsX(g.x());
    s.width = pixelsToTwipsX(g.width());
    s.height = pixelsToTwipsY(g.height());
    s.vbarLeft = m_vbarLeft;
    s.alternateColor = mnuAlternateColor->isChecked();
    s.lastOpenPath = m_table->lastOpenFolder();
    s.showTips = m_showTips;
    s.defaultTab = m_defaultTab;
    s.addressBox = mnuViewDropBox->isChecked() ? 1 : 0;
    s.listIndex = m_listIndex;
    return s;
}

void frmMain::exitCommand()
{
    showTab(kTabResults);
    m_files->saveChangesFirst(QStringLiteral("Exit"), [this] {
        saveSettingsAndEnd();
        return true;
    });
}

void frmMain::saveSettingsAndEnd()
{
    saveSettingsOrSay();
    m_ending = true;
    close();
    emit ended();
}

void frmMain::saveSettingsOrSay()
{
    // The window still closes: the user loses only the layout, and is told so.
    if (!currentSettings().save())
        m_prompts.message(QStringLiteral("Dirquill"), Settings::writeFailedText(), UserPrompts::Icon::Warning,
            UserPrompts::Buttons::Ok);
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (m_ending) {
        event->accept();
        return;
    }
    if (m_table->changed())
        showTab(kTabResults);
    // A save that runs on after this event closes the window itself once the file is written.
    auto inside = std::make_shared<bool>(true);
    m_files->saveChangesFirst(QStringLiteral("Exit"), [this, inside] {
        if (!*inside) {
            saveSettingsAndEnd();
            return true;
        }
        saveSettingsOrSay();
        m_ending = true;
        emit ended();
        return true;
    });
    *inside = false;
    if (m_ending)
        event->accept();
    else
        event->ignore();
}

} // namespace dq
