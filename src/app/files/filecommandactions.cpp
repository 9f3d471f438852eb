#include "app/files/filecommandactions.h"

#include "app/shell/frmmain.h"
#include "app/shell/menuentry.h"
#include "core/table/filecommands.h"
#include "core/table/recordtable.h"

#include <QAction>
#include <QMenu>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include <array>
#include <tuple>

namespace dq {

FileCommandActions::FileCommandActions(frmMain &window)
    : QObject(&window)
{
    FileCommands *files = &window.fileCommands();
    RecordTable *table = &window.table();
    QMenu *menu = window.menu(frmMain::Menu::File);

    // Shortcuts live on the menu entries, so they work while the record tab's menus show.

    QAction *mnuNew = addMenuEntry(menu, "mnuNew", QStringLiteral("&New"), QKeySequence(Qt::CTRL | Qt::Key_N));
    QAction *mnuOpen = addMenuEntry(menu, "mnuOpen", QStringLiteral("&Open"), QKeySequence(Qt::CTRL | Qt::Key_O));
    QAction *mnuAppend
        = addMenuEntry(menu, "mnuAppend", QStringLiteral("&Append"), QKeySequence(Qt::SHIFT | Qt::Key_F2));
    QAction *mnuSave = addMenuEntry(menu, "mnuSave", QStringLiteral("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S));
    QMenu *mnuSaveAs = menu->addMenu(QStringLiteral("Save &As"));
    mnuSaveAs->setObjectName(QStringLiteral("mnuSaveAs"));
    QAction *asTsy = addMenuEntry(mnuSaveAs, "mnuSaveAsTsy", QStringLiteral("Tessary (*.tsy)"), {});
    QAction *asCsv = addMenuEntry(mnuSaveAs, "mnuSaveAsCsv", QStringLiteral("Comma Delimited (*.csv)"), {});
    QAction *asTxt = addMenuEntry(mnuSaveAs, "mnuSaveAsTxt", QStringLiteral("Tab Delimited (*.txt)"), {});
    QAction *asXlsx = addMenuEntry(mnuSaveAs, "mnuSaveAsXlsx", QStringLiteral("Excel Workbook (*.xlsx)"), {});
    QAction *asCsvExcel
        = addMenuEntry(mnuSaveAs, "mnuSaveAsCsvExcel", QStringLiteral("Comma Delimited for Excel (*.csv)"), {});

    connect(mnuNew, &QAction::triggered, files, &FileCommands::newTable);
    connect(mnuOpen, &QAction::triggered, files, [files] { files->open(FileKind::Native); });
    connect(mnuAppend, &QAction::triggered, files, &FileCommands::append);
    connect(mnuSave, &QAction::triggered, files, &FileCommands::save);
    connect(asTsy, &QAction::triggered, files, [files] { files->saveAs(FileKind::Native); });
    connect(asCsv, &QAction::triggered, files, [files] { files->saveAs(FileKind::Comma); });
    connect(asTxt, &QAction::triggered, files, [files] { files->saveAs(FileKind::Tab); });
    connect(asXlsx, &QAction::triggered, files, [files] { files->saveAs(FileKind::Excel); });
    connect(asCsvExcel, &QAction::triggered, files, [files] { files->saveAs(FileKind::CommaForExcel); });

    QAction *keyNew = window.addToolbarButton(0, QStringLiteral("New"), QStringLiteral("New / Clear"));
    QAction *keyOpen = window.addToolbarButton(0, QStringLiteral("Open"), QStringLiteral("Open Data File"));
    QAction *keySave = window.addToolbarButton(0, QStringLiteral("Save"), QStringLiteral("Save"));
    keyNew->setIcon(window.style()->standardIcon(QStyle::SP_FileIcon));
    keyOpen->setIcon(window.style()->standardIcon(QStyle::SP_DialogOpenButton));
    keySave->setIcon(window.style()->standardIcon(QStyle::SP_DialogSaveButton));
    connect(keyNew, &QAction::triggered, files, &FileCommands::newTable);
    connect(keyOpen, &QAction::triggered, files, [files] { files->open(FileKind::Native); });
    connect(keySave, &QAction::triggered, files, &FileCommands::save);

    auto *openKinds = new QMenu(&window);
    openKinds->setObjectName(QStringLiteral("Toolbar_0_Open_menu"));
    const std::array<std::tuple<QString, QString, FileKind>, 4> kinds { {
        { QStringLiteral("OPEN_TSY"), QStringLiteral("Tessary (*.tsy)"), FileKind::Native },
        { QStringLiteral("OPEN_CSV"), QStringLiteral("Comma Delimited (*.csv)"), FileKind::Comma },
        { QStringLiteral("OPEN_TXT"), QStringLiteral("Tab Delimited (*.txt)"), FileKind::Tab },
        { QStringLiteral("OPEN_XLSX"), QStringLiteral("Excel Workbook (*.xlsx)"), FileKind::Excel },
    } };
    for (const auto &[key, caption, kind] : kinds) {
        QAction *a = openKinds->addAction(caption);
        a->setData(key);
        a->setObjectName(QStringLiteral("Toolbar_0_") + key);
        connect(a, &QAction::triggered, files, [files, k = kind] { files->open(k); });
    }
    keyOpen->setMenu(openKinds);
    if (auto *button = qobject_cast<QToolButton *>(window.toolbar(0)->widgetForAction(keyOpen)))
        button->setPopupMode(QToolButton::MenuButtonPopup);

    const auto followSave = [mnuSave, keySave](bool enabled) {
        mnuSave->setEnabled(enabled);
        keySave->setEnabled(enabled);
    };
    followSave(table->saveEnabled());
    connect(table, &RecordTable::saveEnabledChanged, this, followSave);
}

} // namespace dq
