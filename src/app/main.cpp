#include "app/files/recoverykeeper.h"
#include "app/shell/frmmain.h"
#include "app/shell/qtprompts.h"
#include "browser/webpagerenderer.h"
#include "core/shell/shellsettings.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    dq::WebPageRenderer::prepareEngine();
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Orlenco"));
    QCoreApplication::setApplicationName(QStringLiteral("Dirquill"));
    QCoreApplication::setApplicationVersion(QStringLiteral(DQ_VERSION));

    const bool showTips = dq::ShellSettings::readShowTips();
    dq::QtPrompts prompts;
    dq::frmMain window(prompts, showTips);
    prompts.setDialogParent(&window);
    if (!window.load())
        return 1;
    QObject::connect(&window, &dq::frmMain::ended, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    window.show();
    // What a crashed run left unsaved comes back before anything else can replace the table.
    window.recovery().offerRecovery();
    window.openArguments(QCoreApplication::arguments().mid(1));
    return app.exec();
}
