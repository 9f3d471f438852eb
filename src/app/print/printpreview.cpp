#include "app/print/printpreview.h"

#include "core/print/sheetlayout.h"
#include "core/print/sheetpainter.h"
#include "core/shell/userprompts.h"

#include <QPageSize>
#include <QPrintPreviewDialog>
#include <QPrinter>

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
        QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
            [&](QPrinter *target) { failed = painter.print(*target) == 0; });
        preview.exec();
        if (failed)
            prompts.message(QStringLiteral("Print"), QStringLiteral("The pages could not be sent to the printer."),
                UserPrompts::Icon::Warning, UserPrompts::Buttons::Ok);
    };
}

} // namespace dq
