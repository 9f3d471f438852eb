#include "app/harvest/harvestcommands.h"

#include "app/grid/gridview.h"
#include "app/harvest/browsercommands.h"
#include "app/harvest/frmsites.h"
#include "app/harvest/frmt.h"
#include "app/harvest/searchcolormenu.h"
#include "app/shell/frmmain.h"
#include "app/shell/menuentry.h"
#include "browser/browsercookiemirror.h"
#include "browser/webpagerenderer.h"
#include "core/grid/gridfile.h"
#include "core/harvest/grabrun.h"
#include "core/harvest/keyfileloader.h"
#include "core/harvest/keyrules.h"
#include "core/harvest/retrypolicy.h"
#include "core/harvest/sitelist.h"
#include "core/shell/programfolder.h"
#include "core/shell/settings.h"
#include "core/shell/userprompts.h"
#include "core/table/cellstyling.h"
#include "core/table/recordtable.h"

#include <QAction>
#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace dq {

namespace {

const char *const kHintCaptions[3]
    = { "Fine tune your searching category until        enabled", " Ready to grab when you see lists", "Grabbing" };
const QString kRetriesKey = QStringLiteral("GrabRetries");
const QString kPauseKey = QStringLiteral("PauseBetweenPages");

const char *const kHintTips[3] = { "Go to the listing page and the grab button will become enabled",
    "Click the grab button on the left to start grabbing", "Click the grab button on the left to start grabbing" };

} // namespace

HarvestCommands::HarvestCommands(frmMain &w)
    : QObject(&w)
    , m_window(w)
    , m_browsers(new BrowserCommands(w))
    , m_run(new GrabRun(&w.table().fa(), nullptr, this))
{
    createControls();
    addSearchColorMenu(w.menu(frmMain::Menu::SearchTools));

    // Grabs that look like the user's browser use the search browser's own profile.
    QWebEngineProfile *profile = m_browsers->WBrowser->page()->profile();
    m_cookies = new BrowserCookieMirror(profile, this);
    m_renderer = new WebPageRenderer(profile, this);
    m_run->setRenderer(m_renderer);
    connect(m_run, &GrabRun::waiting, this, [this](const QString &text) {
        m_waitText = text;
        if (!text.isEmpty() && Timer1->isActive())
            animateStatus();
    });

    connect(&w, &frmMain::searchAddressChanged, this, &HarvestCommands::checkAddress);
    connect(w.engineBox(), &QComboBox::activated, this, &HarvestCommands::cboYP2_Click);
    connect(Timer1, &QTimer::timeout, this, &HarvestCommands::animateStatus);
    // A finished grab's "Done" belongs to the table it filled, not to a new or opened one.
    connect(&w.table(), &RecordTable::tableRebuilt, this, [this] {
        if (!isGrabbing()) {
            m_window.panel(2)->clear();
            m_window.panel(20)->clear();
        }
    });

    connect(m_run, &GrabRun::grabbedCountChanged, this,
        [this](int count) { m_window.panel(24)->setText(QString::number(count)); });
    connect(m_run, &GrabRun::pageStarted, this,
        [this](int, const QString &address) { m_window.panel(21)->setText(address); });
    // The table's own fresh flag is asked when a page lands: New or Open during the first
    // download must not leave the run a stale answer.
    m_run->setFreshQuery([this] { return m_window.table().fresh(); });
    connect(m_run, &GrabRun::freshCleared, this, [this] { m_window.table().setFresh(false); });
    connect(&w.table(), &RecordTable::tableRebuilt, m_run, &GrabRun::tableReplaced);
    // The Form panel and the row counter follow the rows as they come in.
    connect(m_run, &GrabRun::rowsAdded, this, [this] {
        showLastRow();
        m_window.fa_Click();
    });
    connect(m_run, &GrabRun::started, this, [this] { setReshapingEnabled(false); });
    connect(m_run, &GrabRun::finished, this,
        [this](GrabRun::End reason, const QString &message) { onFinished(int(reason), message); });
}

HarvestCommands::~HarvestCommands() = default;

void HarvestCommands::createControls()
{
    QAction *start = createToolbarKeys();
    createToolbarControls(start->icon());
    createMenuEntries();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(GrabRun::kAnimationMs);

    txtYP2 = new QLineEdit;
    txtYP2->setObjectName(QStringLiteral("txtYP2"));
    txtYP2->setReadOnly(true);
    txtYP2->setToolTip(QStringLiteral("Current Searching Site"));
    txtYP2->setMinimumWidth(240);
    m_window.insertSearchStatusWidget(txtYP2);

    // Nothing can be grabbed before an engine's listing page shows.
    start->setEnabled(false);
    mnuFileB_Grab->setEnabled(false);
    mnuFileB_StopGrab->setEnabled(false);
    setStopEnabled(false);
    ShowHint(0);
}

// The grab and stop keys of both toolbars; returns the start key.
QAction *HarvestCommands::createToolbarKeys()
{
    frmMain &w = m_window;
    QStyle *style = w.style();
    QAction *stop0 = w.addToolbarButton(0, QStringLiteral("Stop"), QStringLiteral("Stop Grabbing"));
    QAction *stop1 = w.addToolbarButton(1, QStringLiteral("Stop"), QStringLiteral("Stop Grabbing"));
    QAction *start = w.addToolbarButton(1, QStringLiteral("StartGrab"), QStringLiteral("Start Grabbing"));
    stop0->setIcon(style->standardIcon(QStyle::SP_BrowserStop));
    stop1->setIcon(style->standardIcon(QStyle::SP_BrowserStop));
    start->setIcon(style->standardIcon(QStyle::SP_MediaPlay));
    connect(stop0, &QAction::triggered, this, &HarvestCommands::StopGrab);
    connect(stop1, &QAction::triggered, this, &HarvestCommands::StopGrab);
    connect(start, &QAction::triggered, this, &HarvestCommands::Grab);
    return start;
}

// The engine list, its order and key-file buttons and the hints on the search toolbar.
void HarvestCommands::createToolbarControls(const QIcon &startIcon)
{
    frmMain &w = m_window;
    QStyle *style = w.style();
    QToolBar *bar = w.toolbar(1);
    bar->addSeparator();
    w.engineBox()->setToolTip(QStringLiteral("Select Yellow Pages Searching Site"));
    w.engineBox()->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    // The engine list gives way before the hint does when the window is narrow.
    w.engineBox()->setMinimumContentsLength(12);
    bar->addWidget(w.engineBox());
    cmdUpDown = new QToolButton(bar);
    cmdUpDown->setObjectName(QStringLiteral("cmdUpDown"));
    cmdUpDown->setToolTip(QStringLiteral("Set Default Searching Site and Order"));
    cmdUpDown->setText(QStringLiteral("\u21C5"));
    connect(cmdUpDown, &QToolButton::clicked, this, &HarvestCommands::editSiteOrder);
    bar->addWidget(cmdUpDown);
    Command1 = new QToolButton(bar);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setToolTip(QStringLiteral("Key File"));
    Command1->setIcon(style->standardIcon(QStyle::SP_FileDialogDetailedView));
    connect(Command1, &QToolButton::clicked, this, &HarvestCommands::showKeyTool);
    bar->addWidget(Command1);
    bar->addSeparator();
    // One container keeps the three hints in one place; exactly one of them shows.
    auto *hints = new QWidget(bar);
    hints->setObjectName(QStringLiteral("pnlHints"));
    auto *hintRow = new QHBoxLayout(hints);
    hintRow->setContentsMargins(4, 0, 4, 0);
    for (int i = 0; i < 3; ++i) {
        auto *label = new QLabel(QLatin1String(kHintCaptions[i]), hints);
        label->setObjectName(QStringLiteral("pnlHintMsg_%1").arg(i));
        label->setToolTip(QLatin1String(kHintTips[i]));
        label->setFrameShape(QFrame::StyledPanel);
        hintRow->addWidget(label);
        pnlHintMsg[size_t(i)] = label;
    }
    bar->addWidget(hints);
    // The first hint leaves room for a picture of the grab button: "until [>] enabled".
    QLabel *hint0 = pnlHintMsg[0];
    const QFontMetrics metrics = hint0->fontMetrics();
    const int size = metrics.height();
    hint0->setFixedHeight(hint0->sizeHint().height());
    auto *picture = new QLabel(hint0);
    picture->setObjectName(QStringLiteral("imgHintGrab"));
    picture->setPixmap(startIcon.pixmap(size, size));
    const QString caption = hint0->text();
    const QString before = caption.left(caption.indexOf(QStringLiteral("  ")));
    const int gap = metrics.horizontalAdvance(QString(8, QLatin1Char(' ')));
    picture->move(hint0->contentsRect().left() + metrics.horizontalAdvance(before) + qMax(0, (gap - size) / 2),
        (hint0->height() - size) / 2);
}

void HarvestCommands::createMenuEntries()
{
    frmMain &w = m_window;
    // The grab entries lead the search tab's File menu.
    QAction *first = w.menu(frmMain::Menu::SearchFile)->actions().value(0);
    mnuFileB_Grab = new QAction(QStringLiteral("Start &Grabbing"), w.menu(frmMain::Menu::SearchFile));
    mnuFileB_Grab->setObjectName(QStringLiteral("mnuFileB_Grab"));
    mnuFileB_Grab->setShortcut(QKeySequence(Qt::Key_F5));
    mnuFileB_StopGrab = new QAction(QStringLiteral("&Stop Grabbing"), w.menu(frmMain::Menu::SearchFile));
    mnuFileB_StopGrab->setObjectName(QStringLiteral("mnuFileB_StopGrab"));
    mnuFileB_StopGrab->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F5));
    w.menu(frmMain::Menu::SearchFile)->insertActions(first, { mnuFileB_Grab, mnuFileB_StopGrab });
    w.menu(frmMain::Menu::SearchFile)->insertSeparator(first);
    connect(mnuFileB_Grab, &QAction::triggered, this, &HarvestCommands::Grab);
    connect(mnuFileB_StopGrab, &QAction::triggered, this, &HarvestCommands::StopGrab);

    QMenu *tools = w.menu(frmMain::Menu::SearchTools);
    addMenuSeparator(tools, "mnuGrabPaceSep");
    mnuGrabRetries = addMenuEntry(tools, "mnuGrabRetries", QStringLiteral("&Retries of a Busy Page..."));
    mnuGrabPause = addMenuEntry(tools, "mnuGrabPause", QStringLiteral("&Pause between Pages..."));
    connect(mnuGrabRetries, &QAction::triggered, this, &HarvestCommands::askRetries);
    connect(mnuGrabPause, &QAction::triggered, this, &HarvestCommands::askPause);
}

frmT &HarvestCommands::keyTool()
{
    if (!m_frmT) {
        m_frmT = new frmT(m_window.prompts(), &m_window);
        m_frmT->setSiteGrid(&m_window.siteGrid());
        m_frmT->setSiteListPath(programFolder() + SiteList::fileName());
        connect(m_frmT, &frmT::siteListSaved, this, &HarvestCommands::reloadSiteList);
    }
    return *m_frmT;
}

GridModel &HarvestCommands::keyTable()
{
    return keyTool().keyTable();
}

bool HarvestCommands::isGrabbing() const
{
    return m_run->isRunning();
}

void HarvestCommands::cboYP2_Click()
{
    frmMain &w = m_window;
    const int index = w.engineBox()->currentIndex();
    if (index < 0)
        return;
    w.setListIndex(index);
    const QString name = w.engineBox()->itemText(index);
    frmT &tool = keyTool();
    tool.txtYP->setText(name);
    txtYP2->setText(name);
    txtYP2->setCursorPosition(0);
    tool.txtYP->setCursorPosition(0);

    m_grabDisabled = false;
    const KeyFileLoader::Result loaded = KeyFileLoader::load(w.engines(), index, tool.keyTable(), w.prompts());
    m_grabDisabled = loaded.grabDisabled;
    tool.setKeyFilePath(loaded.path);
    if (loaded.loaded)
        tool.keyFileLoaded();
    ShowHint(0);
    m_browsers->navigate(loaded.url);
    w.showTab(frmMain::kTabSearch);
    // The check must see the new key table even when the address stays the same.
    if (w.searchAddress() == loaded.url)
        checkAddress();
    else
        w.setSearchAddress(loaded.url);
    w.panel(24)->clear();
}

void HarvestCommands::reloadSiteList()
{
    frmMain &w = m_window;
    const QString path = dataFile(SiteList::fileName());
    if (const FileResult r = GridFile::load(w.siteGrid(), path, FileKind::Native); !r) {
        w.prompts().message(
            QStringLiteral("Dirquill"), r.errorString, UserPrompts::Icon::Warning, UserPrompts::Buttons::Ok);
        return;
    }
    const QStringList names = SiteList::fill(w.siteGrid(), w.engines());
    // The engine in use stays chosen when it is still listed.
    const QString shown = w.engineBox()->currentText();
    {
        const QSignalBlocker quiet(w.engineBox());
        w.engineBox()->clear();
        w.engineBox()->addItems(names);
        w.engineBox()->setCurrentIndex(names.isEmpty() ? -1 : qMax(0, int(names.indexOf(shown))));
    }
    w.setListIndex(w.engineBox()->currentIndex());
}

void HarvestCommands::reloadKeyFileIfSites()
{
    frmMain &w = m_window;
    if (!m_frmT || !m_frmT->showingSites() || w.engineBox()->currentIndex() < 0)
        return;
    const KeyFileLoader::Result loaded
        = KeyFileLoader::load(w.engines(), w.engineBox()->currentIndex(), m_frmT->keyTable(), w.prompts());
    m_grabDisabled = loaded.grabDisabled;
    m_frmT->setKeyFilePath(loaded.path);
    if (loaded.loaded)
        m_frmT->keyFileLoaded();
}

void HarvestCommands::showKeyTool()
{
    frmT &tool = keyTool();
    tool.show();
    tool.raise();
    tool.activateWindow();
}

void HarvestCommands::editSiteOrder()
{
    auto *editor = new frmSites(m_window);
    editor->setAttribute(Qt::WA_DeleteOnClose);
    editor->open();
}

void HarvestCommands::ShowHint(int index)
{
    if (index < 0 || index > 2)
        return;
    if (index == 2)
        pnlHintMsg[2]->setText(m_window.panel(2)->text());
    for (int i = 0; i < 3; ++i)
        pnlHintMsg[size_t(i)]->setVisible(i == index);
}

void HarvestCommands::ClearGrabStatus()
{
    for (int i : { 2, 20, 21, 22, 23, 24 })
        m_window.panel(i)->clear();
}

void HarvestCommands::checkAddress()
{
    frmMain &w = m_window;
    w.panel(2)->clear();
    w.panel(20)->clear();
    QAction *start = w.toolbarButton(1, QStringLiteral("StartGrab"));
    const bool grabbing = isGrabbing();
    // A missing key file disables grabbing outright, even when an earlier engine had enabled it.
    if (KeyRules::addressEnablesGrab(keyTable(), w.searchAddress(), m_grabDisabled)) {
        // A grab already running keeps its command disabled.
        start->setEnabled(!grabbing);
        mnuFileB_Grab->setEnabled(!grabbing);
        ShowHint(1);
    } else {
        start->setEnabled(false);
        ShowHint(0);
        setStopEnabled(false);
        mnuFileB_Grab->setEnabled(false);
        mnuFileB_StopGrab->setEnabled(false);
        ClearGrabStatus();
    }
    if (Timer1->isActive()) {
        ShowHint(2);
        setStopEnabled(true);
        mnuFileB_StopGrab->setEnabled(true);
    }
}

void HarvestCommands::animateStatus()
{
    QLabel *status = m_window.panel(2);
    if (!m_waitText.isEmpty()) {
        // The animation picks up where it was once the wait is over.
        m_window.panel(20)->setText(m_waitText);
        pnlHintMsg[2]->setText(m_waitText);
        status->setText(m_waitText);
        return;
    }
    status->setText(GrabRun::animationStep(status->text()));
    m_window.panel(20)->setText(status->text());
    pnlHintMsg[2]->setText(status->text());
}

void HarvestCommands::setStopEnabled(bool on)
{
    m_window.toolbarButton(0, QStringLiteral("Stop"))->setEnabled(on);
    m_window.toolbarButton(1, QStringLiteral("Stop"))->setEnabled(on);
}

void HarvestCommands::setBrowsingKeysEnabled(bool on)
{
    for (const char *key : { "StartGrab", "Back", "Forward" })
        if (QAction *a = m_window.toolbarButton(1, QLatin1String(key)))
            a->setEnabled(on);
    mnuFileB_Grab->setEnabled(on);
}

void HarvestCommands::enterGrabState()
{
    frmMain &w = m_window;
    // A site list shown in the key table is no set of extraction rules.
    reloadKeyFileIfSites();
    if (m_frmT && m_frmT->showingSites())
        return;
    setStopEnabled(true);
    mnuFileB_StopGrab->setEnabled(true);
    w.panel(2)->clear();
    ShowHint(2);
    Timer1->start();
    setBrowsingKeysEnabled(false);

    // The colours that tell runs apart follow the View menu's "Alternate Search Font Color"
    // entries when the window has them.
    const auto ticked = [&w](int i) {
        const QAction *a = w.findChild<QAction *>(QStringLiteral("mnuAltColor_%1").arg(i));
        return a && a->isChecked();
    };
    m_run->setBatchColors(CellStyling::searchFontColors(ticked(1), ticked(2), ticked(3)));
    m_run->setRetries(retriesSetting());
    m_run->setPauseMs(int(pauseSetting() * 1000));
    m_run->setSession(m_cookies->session());
    m_waitText.clear();
}

void HarvestCommands::Grab()
{
    // Start stays disabled until a stopped run has really ended; a shortcut cannot get past it.
    if (m_run->isRunning())
        return;
    frmMain &w = m_window;
    m_runInfo = { txtYP2->text(), keyTool().keyFilePath(), w.searchAddress(), w.table().currentFile(),
        QDateTime::currentDateTimeUtc() };
    enterGrabState();
    startUntracked([&] { return m_run->start(keyTable(), w.searchAddress()); });
}

bool HarvestCommands::startUntracked(const std::function<bool()> &start)
{
    // The run puts the key file's column titles in at once; they are no data of the user's,
    // so only the rows, when they come, mark the table changed.
    RecordTable &table = m_window.table();
    const bool tracking = table.tracking();
    table.setTracking(false);
    const bool started = start();
    table.setTracking(tracking);
    return started;
}

bool HarvestCommands::continueGrab(const HarvestJournal::Contents &journal)
{
    if (m_run->isRunning())
        return false;
    GridModel keys;
    if (const FileResult r = GridFile::load(keys, journal.run.keyFile, FileKind::Native); !r) {
        m_window.prompts().message(
            QStringLiteral("Continue Grabbing"), r.errorString, UserPrompts::Icon::Warning, UserPrompts::Buttons::Ok);
        return false;
    }
    m_runInfo = journal.run;
    m_window.showTab(frmMain::kTabResults);
    enterGrabState();
    return startUntracked(
        [&] { return m_run->resume(KeyRules::fromGrid(keys), journal.state, journal.pages, journal.grabbed); });
}

void HarvestCommands::setReshapingEnabled(bool on)
{
    // Commands that reorder or reshape the table would pull rows out from under the grab;
    // New and Open stay: the run goes on below whatever table they leave.
    for (const char *name : { "mnuAppend", "mnuDelDup", "mnuInsertCol", "mnuDeleteCol", "mnuColumnDefine" })
        if (auto *a = m_window.findChild<QAction *>(QLatin1String(name)))
            a->setEnabled(on);
    m_window.recordView().setTitleSortEnabled(on);
}

int HarvestCommands::retriesSetting()
{
    const QString text = Settings::read(kRetriesKey).trimmed();
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok ? qBound(0, n, RetryPolicy::kMaxRetries) : RetryPolicy::kDefaultRetries;
}

double HarvestCommands::pauseSetting()
{
    bool ok = false;
    const double seconds = Settings::read(kPauseKey).trimmed().toDouble(&ok);
    return ok ? qBound(0.0, seconds, 3600.0) : 0.0;
}

void HarvestCommands::askRetries()
{
    QString value = QString::number(retriesSetting());
    const QString label = QStringLiteral("How often a page is asked for again after a busy answer or a dropped "
                                         "connection (0 to %1; 0 never tries again):")
                              .arg(RetryPolicy::kMaxRetries);
    if (!m_window.prompts().input(QStringLiteral("Retries of a Busy Page"), label, value))
        return;
    bool ok = false;
    const int n = value.trimmed().toInt(&ok);
    if (!ok || n < 0 || n > RetryPolicy::kMaxRetries) {
        m_window.prompts().message(QStringLiteral("Retries of a Busy Page"),
            QStringLiteral("Enter a whole number from 0 to %1.").arg(RetryPolicy::kMaxRetries),
            UserPrompts::Icon::Warning, UserPrompts::Buttons::Ok);
        return;
    }
    if (!Settings::write(kRetriesKey, QString::number(n)))
        m_window.prompts().message(QStringLiteral("Retries of a Busy Page"), Settings::writeFailedText(),
            UserPrompts::Icon::Warning, UserPrompts::Buttons::Ok);
}

void HarvestCommands::askPause()
{
    QString value = QString::number(pauseSetting());
    if (!m_window.prompts().input(QStringLiteral("Pause between Pages"),
            QStringLiteral("Seconds to wait before each next page, so the site is not asked too often "
                           "(each pause varies by 20 %; 0 for none):"),
            value))
        return;
    bool ok = false;
    const double seconds = QLocale().toDouble(value.trimmed(), &ok);
    const double plain = ok ? seconds : value.trimmed().toDouble(&ok);
    if (!ok || plain < 0 || plain > 3600) {
        m_window.prompts().message(QStringLiteral("Pause between Pages"),
            QStringLiteral("Enter a number of seconds from 0 to 3600."), UserPrompts::Icon::Warning,
            UserPrompts::Buttons::Ok);
        return;
    }
    if (!Settings::write(kPauseKey, QString::number(plain)))
        m_window.prompts().message(QStringLiteral("Pause between Pages"), Settings::writeFailedText(),
            UserPrompts::Icon::Warning, UserPrompts::Buttons::Ok);
}

void HarvestCommands::StopGrab()
{
    frmMain &w = m_window;
    // Start comes back once the run has really ended (onFinished), never as a dead button.
    for (const char *key : { "Back", "Forward" })
        if (QAction *a = w.toolbarButton(1, QLatin1String(key)))
            a->setEnabled(true);
    mnuFileB_StopGrab->setEnabled(false);
    setStopEnabled(false);
    w.panel(2)->setText(GrabRun::cancelText());
    w.panel(20)->setText(GrabRun::cancelText());
    ShowHint(1);
    m_run->stop();
    Timer1->stop();
}

void HarvestCommands::onFinished(int reason, const QString &message)
{
    frmMain &w = m_window;
    m_waitText.clear();
    Timer1->stop();
    w.table().setChangedDirectly();
    setReshapingEnabled(true);
    if (GrabRun::End(reason) == GrabRun::End::Cancelled) {
        setBrowsingKeysEnabled(true);
        showLastRow();
        return;
    }
    if (GrabRun::End(reason) == GrabRun::End::Failed)
        w.prompts().message(QString(), message, UserPrompts::Icon::None, UserPrompts::Buttons::Ok);
    setBrowsingKeysEnabled(true);
    mnuFileB_StopGrab->setEnabled(false);
    ShowHint(1);
    w.panel(2)->setText(GrabRun::doneText());
    w.panel(20)->setText(GrabRun::doneText());
    QLabel *count = w.panel(24);
    if (count->text().isEmpty() || count->text() == QStringLiteral("N/A"))
        count->setText(QString::number(m_run->grabbedCount()));
    w.showTab(frmMain::kTabResults);
    setStopEnabled(false);
    showLastRow();
}

void HarvestCommands::showLastRow()
{
    GridModel &fa = m_window.table().fa();
    const QModelIndex last = fa.index(fa.rows() - 1, qMax(0, fa.col()));
    if (!last.isValid())
        return;
    m_window.recordView().setCurrentIndex(last);
    m_window.recordView().scrollTo(last);
}

} // namespace dq
