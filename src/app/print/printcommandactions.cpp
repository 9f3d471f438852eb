#include "app/print/printcommandactions.h"

#include "app/print/frmprintsheet.h"
#include "app/print/frmreportoptions.h"
#include "app/shell/frmmain.h"
#include "core/table/longjobs.h"
#include "core/table/recordtable.h"

#include <QAction>
#include <QMenu>

namespace dq {

PrintCommandActions::PrintCommandActions(frmMain &window)
    : QObject(&window)
{
    QMenu *file = window.menu(frmMain::Menu::File);
    file->addSeparator();
    QAction *labels = file->addAction(QStringLiteral("&Print Mailing Labels..."));
    labels->setObjectName(QStringLiteral("mnuPrint"));
    labels->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    connect(labels, &QAction::triggered, this, [&window] {
        frmReportOptions::mnuPrint(window.table().fa(), window.prompts(), &window, &window.table().jobs());
    });

    QAction *sheet = file->addAction(QStringLiteral("Print &Sheet..."));
    sheet->setObjectName(QStringLiteral("mnuPrintSheet0"));
    sheet->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(sheet, &QAction::triggered, this, [&window] {
        frmPrintSheet::mnuPrintSheet0(window.table().fa(), window.prompts(), &window, &window.table().jobs());
    });
}

} // namespace dq
