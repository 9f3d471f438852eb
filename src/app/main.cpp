#include "app/shell/frmmain.h"
#include "app/shell/qtprompts.h"
#include "core/grid/gridfile.h"
#include "core/shell/shellsettings.h"
#include "core/table/filecommands.h"

#include <QApplication>
#include <QFileInfo>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Orlenco"));
    QCoreApplication::setApplicationName(QStringLiteral("Dirquill"));
    QCoreApplication::setApplicationVersion(QStringLiteral(DQ_VERSION));

    const bool showTips = dq::ShellSettings::readShowTips();
    dq::QtPrompts prompts;
    dq::frmMain window(prompts, showTips);
    prompts.setParent(&window);
    if (!window.load())
        return 1;
    QObject::connect(&window, &dq::frmMain::ended, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    window.show();
    // A data file named on the command line opens on the Results tab, its kind told by its extension.
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1) {
        const QString path = QFileInfo(args.at(1)).absoluteFilePath();
        if (window.fileCommands().openFile(path, dq::GridFile::kindForPath(path)))
            window.showTab(dq::frmMain::kTabResults);
    }
    return app.exec();
}
