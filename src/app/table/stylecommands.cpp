#include "app/table/stylecommands.h"

#include "app/grid/gridview.h"
#include "app/shell/frmmain.h"
#include "app/shell/menuentry.h"
#include "app/table/pancolor.h"
#include "core/table/recordtable.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QToolBar>

#include <array>
#include <tuple>

namespace dq {

namespace {

const QString kBold = QStringLiteral("Bold");
const QString kItalic = QStringLiteral("Italic");
const QString kUnderline = QStringLiteral("Underline");

constexpr int kIconSide = 20; // pixels, the toolbar's icon size

QPixmap blankIcon()
{
    QPixmap pixmap(kIconSide, kIconSide);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QIcon letterIcon(const QString &letter, CellStyling::FontStyle style)
{
    QPixmap pixmap = blankIcon();
    QPainter painter(&pixmap);
    QFont font = painter.font();
    font.setPixelSize(15);
    font.setBold(style == CellStyling::FontStyle::Bold);
    font.setItalic(style == CellStyling::FontStyle::Italic);
    font.setUnderline(style == CellStyling::FontStyle::Underline);
    painter.setFont(font);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, letter);
    return QIcon(pixmap);
}

// Four of the swatches in a square: the palette key.
QIcon paletteIcon()
{
    QPixmap pixmap = blankIcon();
    QPainter painter(&pixmap);
    const int half = kIconSide / 2;
    const int swatches[4] = { 1, 3, 4, 5 };
    for (int i = 0; i < 4; ++i)
        painter.fillRect(
            QRect((i % 2) * half + 1, (i / 2) * half + 1, half - 2, half - 2), CellStyling::paletteColor(swatches[i]));
    return QIcon(pixmap);
}

QIcon floodIcon()
{
    QPixmap pixmap = blankIcon();
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.setBrush(QColor(255, 255, 128));
    painter.drawRect(QRect(3, 3, kIconSide - 7, kIconSide - 7));
    return QIcon(pixmap);
}

// Rows in turn white and light green.
QIcon stripesIcon()
{
    QPixmap pixmap = blankIcon();
    QPainter painter(&pixmap);
    for (int r = 0; r < 4; ++r)
        painter.fillRect(
            QRect(2, 2 + r * 4, kIconSide - 4, 4), r % 2 ? CellStyling::alternateRowColor() : QColor(Qt::white));
    painter.setPen(Qt::gray);
    painter.drawRect(QRect(2, 2, kIconSide - 5, 15));
    return QIcon(pixmap);
}

} // namespace

StyleCommands::StyleCommands(frmMain &window)
    : QObject(&window)
    , m_window(window)
    , m_palette(new PanColor(&window))
{
    setObjectName(QStringLiteral("styleCommands"));
    createMenuEntries();
    createToolbarKeys();
    connectWindow();
    refreshState();
}

void StyleCommands::createMenuEntries()
{
    QMenu *edit = m_window.menu(frmMain::Menu::Edit);
    addMenuSeparator(edit, "mnuSpace222");
    QMenu *mnuAlign = addSubmenu(edit, "mnuAlign", QStringLiteral("A&lignment"));
    const std::array<std::tuple<const char *, QString, Alignment>, 3> alignments { {
        { "mnuAlignLeft", QStringLiteral("&Left"), Alignment::LeftCenter },
        { "mnuAlignCenter", QStringLiteral("&Center"), Alignment::CenterCenter },
        { "mnuAlignRight", QStringLiteral("&Right"), Alignment::RightCenter },
    } };
    for (const auto &[name, caption, alignment] : alignments)
        connect(addMenuEntry(mnuAlign, name, caption), &QAction::triggered, this, [this, a = alignment] { align(a); });
    QAction *mnuBkColor = addMenuEntry(edit, "mnuBkColor", QStringLiteral("&Backgorund Color..."));
    connect(mnuBkColor, &QAction::triggered, this, &StyleCommands::backgroundColor);

    m_mnuGrid = addMenuEntry(m_window.menu(frmMain::Menu::View), "mnuGrid", QStringLiteral("&Grid Lines"));
    m_mnuGrid->setCheckable(true);
    m_mnuGrid->setChecked(m_window.table().fa().gridLines());
    connect(m_mnuGrid, &QAction::triggered, this, &StyleCommands::gridLines);

    QMenu *mnuOptions = m_window.menu(frmMain::Menu::Tools)->addMenu(QStringLiteral("&Options"));
    mnuOptions->setObjectName(QStringLiteral("mnuOptions"));
    connect(addMenuEntry(mnuOptions, "mnuFonts", QStringLiteral("Fonts")), &QAction::triggered, this,
        &StyleCommands::fonts);
}

void StyleCommands::createToolbarKeys()
{
    const std::array<std::tuple<QString, CellStyling::FontStyle>, 3> styles { {
        { kBold, CellStyling::FontStyle::Bold },
        { kItalic, CellStyling::FontStyle::Italic },
        { kUnderline, CellStyling::FontStyle::Underline },
    } };
    for (const auto &[key, style] : styles) {
        QAction *button = m_window.addToolbarButton(0, key, key);
        button->setIcon(letterIcon(key.left(1), style));
        button->setCheckable(true);
        connect(button, &QAction::triggered, this, [this, s = style] { toggleStyle(s); });
    }
    QAction *keyA = m_window.addToolbarButton(0, QStringLiteral("A"), QStringLiteral("Current Font Color"));
    keyA->setIcon(PanColor::colorImage(CellStyling::kFirstPaletteImage));
    connect(keyA, &QAction::triggered, this, &StyleCommands::applyCurrentTextColor);
    m_window.addToolbarButton(0, QStringLiteral("Acolor"), QStringLiteral("Set Font Color"))->setIcon(paletteIcon());
    QAction *keyFlood = m_window.addToolbarButton(0, QStringLiteral("Flood"), QStringLiteral("Set Background Color"));
    keyFlood->setIcon(floodIcon());
    connect(keyFlood, &QAction::triggered, this, &StyleCommands::backgroundColor);
    // The key reaches the same switch as the View menu's entry, tick and setting included.
    QAction *keyAlternate
        = m_window.addToolbarButton(0, QStringLiteral("AlternateColor"), QStringLiteral("Toggle Alternate Color"));
    keyAlternate->setIcon(stripesIcon());
    connect(keyAlternate, &QAction::triggered, &m_window, &frmMain::toggleAlternateColor);
}

void StyleCommands::connectWindow()
{
    // Every results-toolbar key puts the palette away; "Acolor" then brings it back.
    connect(m_window.toolbar(0), &QToolBar::actionTriggered, this, [this](QAction *a) {
        if (a->data().toString() == QLatin1String("Acolor"))
            showPalette();
        else
            m_palette->hide();
    });
    connect(m_palette, &PanColor::colorChosen, this, &StyleCommands::chooseTextColor);

    connect(&m_window.table().fa(), &GridModel::selectionChanged, this, [this] {
        if (m_window.focusOwner() != FocusOwner::FormPanel)
            refreshState();
    });
    connect(&m_window, &frmMain::recordTableClicked, this, &StyleCommands::refreshState);
    connect(&m_window, &frmMain::focusOwnerChanged, this, [this](FocusOwner owner) {
        m_palette->hide();
        if (owner == FocusOwner::FormPanel) {
            followFormPanel();
            refreshFormState();
        } else
            refreshState();
    });
    connect(&m_window.table(), &RecordTable::tableRebuilt, this, [this] {
        applyWindowSwitches();
        refreshState();
    });
}

GridModel *StyleCommands::formPanel() const
{
    return m_window.formGrid();
}

GridModel *StyleCommands::target(std::vector<GridRange> &ranges) const
{
    if (m_window.focusOwner() == FocusOwner::RecordTable) {
        GridModel *fa = &m_window.table().fa();
        ranges = CellStyling::targetRanges(*fa, m_window.mouseMode());
        return fa;
    }
    GridModel *form = formPanel();
    if (!form)
        return nullptr;
    ranges = CellStyling::formTargets(*form);
    return form;
}

void StyleCommands::tableCommandDone(const GridModel *grid)
{
    if (grid == &m_window.table().fa())
        m_window.table().markChangedByCommand();
}

QAction *StyleCommands::styleButton(CellStyling::FontStyle style) const
{
    switch (style) {
    case CellStyling::FontStyle::Bold:
        return m_window.toolbarButton(0, kBold);
    case CellStyling::FontStyle::Italic:
        return m_window.toolbarButton(0, kItalic);
    case CellStyling::FontStyle::Underline:
        return m_window.toolbarButton(0, kUnderline);
    }
    return nullptr;
}

void StyleCommands::setStateButtons(const CellStyling::FontState &state)
{
    styleButton(CellStyling::FontStyle::Bold)->setChecked(state.bold);
    styleButton(CellStyling::FontStyle::Italic)->setChecked(state.italic);
    styleButton(CellStyling::FontStyle::Underline)->setChecked(state.underline);
}

void StyleCommands::toggleStyle(CellStyling::FontStyle style)
{
    std::vector<GridRange> ranges;
    GridModel *grid = target(ranges);
    const bool onTable = m_window.focusOwner() == FocusOwner::RecordTable;
    CellStyling::FontState &state = onTable ? m_state : m_formState;
    bool &flag = style == CellStyling::FontStyle::Bold ? state.bold
        : style == CellStyling::FontStyle::Italic      ? state.italic
                                                       : state.underline;
    if (grid && !ranges.empty()) {
        const bool wasOn = flag;
        for (const GridRange &range : ranges)
            flag = CellStyling::toggle(*grid, range, style, wasOn);
        tableCommandDone(grid);
    }
    // The button shows the stored state, also when there was nothing to style.
    styleButton(style)->setChecked(flag);
}

void StyleCommands::refreshState()
{
    const GridModel &fa = m_window.table().fa();
    m_state = CellStyling::fontState(fa, fa.row(), fa.col());
    setStateButtons(m_state);
}

void StyleCommands::followFormPanel()
{
    GridModel *form = formPanel();
    if (!form || form == m_followedForm)
        return;
    m_followedForm = form;
    connect(form, &GridModel::selectionChanged, this, [this, form] {
        if (m_window.focusOwner() == FocusOwner::FormPanel && form == formPanel())
            refreshFormState();
    });
}

void StyleCommands::refreshFormState()
{
    const GridModel *form = formPanel();
    if (!form)
        return;
    m_formState = CellStyling::fontState(*form, form->row(), 1);
    setStateButtons(m_formState);
}

void StyleCommands::showPalette()
{
    // Under the key that called it, above everything else in the window.
    QPoint at(0, 0);
    if (QAction *key = m_window.toolbarButton(0, QStringLiteral("Acolor"))) {
        if (QWidget *button = m_window.toolbar(0)->widgetForAction(key))
            at = button->mapTo(&m_window, QPoint(0, button->height()));
    }
    m_palette->move(at);
    m_palette->raise();
    m_palette->show();
}

void StyleCommands::chooseTextColor(int index)
{
    if (index < 0 || index >= CellStyling::kPaletteSize)
        return;
    m_palette->hide();
    m_palette->setChosen(index);
    m_textColor = index;
    if (QAction *keyA = m_window.toolbarButton(0, QStringLiteral("A")))
        keyA->setIcon(PanColor::colorImage(index + CellStyling::kFirstPaletteImage));
    applyCurrentTextColor();
}

void StyleCommands::applyCurrentTextColor()
{
    std::vector<GridRange> ranges;
    GridModel *grid = target(ranges);
    if (!grid || ranges.empty())
        return;
    for (const GridRange &range : ranges)
        CellStyling::setTextColor(*grid, range, CellStyling::paletteColor(m_textColor));
    tableCommandDone(grid);
}

void StyleCommands::backgroundColor()
{
    std::vector<GridRange> ranges;
    GridModel *grid = target(ranges);
    if (!grid || ranges.empty())
        return;
    // One question; the colour chosen for the first run goes to every other run too.
    const GridRange &first = ranges.front();
    if (!CellStyling::chooseBackColor(*grid, first, m_window.prompts()))
        return;
    const QColor chosen = QColor::fromRgb(grid->cellFormat(first.top, first.left).back);
    for (size_t i = 1; i < ranges.size(); ++i)
        CellStyling::setBackColor(*grid, ranges[i], chosen);
    tableCommandDone(grid);
}

void StyleCommands::align(Alignment alignment)
{
    GridModel &fa = m_window.table().fa();
    for (const GridRange &range : CellStyling::targetRanges(fa, m_window.mouseMode()))
        CellStyling::setAlignment(fa, range, alignment);
}

void StyleCommands::fonts()
{
    // The size is kept in the native file, so a new one is a change to save.
    if (CellStyling::setUniformFontSize(m_window.table().fa(), 12))
        tableCommandDone(&m_window.table().fa());
}

void StyleCommands::applyWindowSwitches()
{
    RecordTable &table = m_window.table();
    GridModel &fa = table.fa();
    const QColor alternate
        = m_window.alternateColor() ? CellStyling::alternateRowColor() : QApplication::palette().color(QPalette::Base);
    // The window's switches are no edits of the table.
    table.setTracking(false);
    fa.setGridLines(m_mnuGrid->isChecked());
    fa.setAlternateRowColor(alternate);
    table.setTracking(true);
}

void StyleCommands::gridLines()
{
    m_mnuGrid->setChecked(CellStyling::toggleGridLines(m_window.table().fa()));
}

} // namespace dq
