#include "app/print/printpreview.h"

#include "core/print/sheetlayout.h"
#include "core/print/sheetpainter.h"
#include "core/shell/userprompts.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPageSize>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>

namespace dq {

PreviewHandler printPreviewHandler(UserPrompts &prompts, QWidget *parent)
{
    return [&prompts, parent](const SheetLayout &sheet) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageSize(QPageSize(QPageSize::Letter));
        const SheetPainter painter(sheet);
        painter.applyPageSetup(printer);
        QPrintPreviewDialog preview(&printer, parent);
        preview.setWindowTitle(QStringLiteral("Print Preview"));
        bool failed = false;
        QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&](QPrinter *target) {
            // A sheet of many rows takes a while: the window answers between pages and Cancel
            // stops after the page in hand.
            QProgressDialog progress(QStringLiteral("Composing pages..."), QStringLiteral("Cancel"), 0, 100, &preview);
            progress.setWindowTitle(QStringLiteral("Print"));
            progress.setWindowModality(Qt::WindowModal);
            progress.setMinimumDuration(500);
            const int pages = painter.print(*target, [&progress](int done, int total) {
                progress.setMaximum(total);
                progress.setValue(done);
                // Until the progress dialog shows (and keeps the user's hands off the
                // preview), the window repaints and runs its timers but takes no input.
                if (!progress.isVisible())
                    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
                return !progress.wasCanceled();
            });
            failed = pages == 0 && !progress.wasCanceled();
        });
        preview.exec();
        if (failed)
            prompts.message(QStringLiteral("Print"), QStringLiteral("The pages could not be sent to the printer."),
                UserPrompts::Icon::Warning, UserPrompts::Buttons::Ok);
    };
}

} // namespace dq
