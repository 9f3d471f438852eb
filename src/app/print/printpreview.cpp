#include "app/print/printpreview.h"

#include "core/print/sheetlayout.h"
#include "core/print/sheetpainter.h"
#include "core/shell/userprompts.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QPaintEngine>
#include <QPageSize>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>

namespace dq {

namespace {

void preview(const SheetPainter &painter, UserPrompts &prompts, QWidget *parent)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::Letter));
    painter.applyPageSetup(printer);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Print Preview"));
    bool failed = false;
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter *target) {
        // A sheet of many rows takes a while: the window answers between pages and Cancel
        // stops after the page in hand.
        QProgressDialog progress(QStringLiteral("Composing pages..."), QStringLiteral("Cancel"), 0, 100, &dialog);
        progress.setWindowTitle(QStringLiteral("Print"));
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(500);
        // The preview records its pages; anything else is a real print run.
        const bool previewing = target->paintEngine() && target->paintEngine()->type() == QPaintEngine::Picture;
        const int pages = painter.print(*target, [&](int done, int total) {
            progress.setMaximum(total);
            progress.setValue(done);
            // Until the progress dialog shows (and keeps the user's hands off the
            // preview), the window repaints and runs its timers but takes no input.
            if (!progress.isVisible())
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            // A cancelled print run is dropped rather than sent with the pages so far.
            if (progress.wasCanceled() && !previewing)
                target->abort();
            return !progress.wasCanceled();
        });
        failed = pages == 0 && !progress.wasCanceled();
        if (progress.wasCanceled() && !previewing && target->outputFormat() == QPrinter::PdfFormat
            && !target->outputFileName().isEmpty())
            QFile::remove(target->outputFileName());
    });
    dialog.exec();
    if (failed)
        prompts.message(QStringLiteral("Print"), QStringLiteral("The pages could not be sent to the printer."),
            UserPrompts::Icon::Warning, UserPrompts::Buttons::Ok);
}

} // namespace

PreviewHandler printPreviewHandler(UserPrompts &prompts, QWidget *parent)
{
    return [&prompts, parent](const SheetLayout &sheet) { preview(SheetPainter(sheet), prompts, parent); };
}

StreamedPreviewHandler printStreamedPreviewHandler(UserPrompts &prompts, QWidget *parent)
{
    return [&prompts, parent](const SheetLayout &setup, const SheetRows &rows) {
        preview(SheetPainter(setup, rows), prompts, parent);
    };
}

void runPrintJob(LongJobs *jobs, QWidget *parent, const QString &title, qint64 rows, LongJobs::Work work)
{
    if (!jobs) {
        JobControl control;
        if (const LongJobs::Apply apply = work(control))
            apply();
        return;
    }
    if (jobs->busy())
        return;
    // Shown once the work has lasted half a second; gone when the job ends, applied or not.
    auto *progress = new QProgressDialog(title, QStringLiteral("Cancel"), 0, 100, parent);
    progress->setWindowTitle(QStringLiteral("Print"));
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(500);
    progress->setAutoReset(false);
    progress->setAutoClose(false);
    progress->setValue(0);
    QPointer<QProgressDialog> guard(progress);
    const auto connections = std::make_shared<QList<QMetaObject::Connection>>();
    *connections << QObject::connect(jobs, &LongJobs::progress, progress, [guard](int percent) {
        if (guard)
            guard->setValue(std::min(percent, 99));
    });
    *connections << QObject::connect(progress, &QProgressDialog::canceled, jobs, &LongJobs::cancel);
    // The dialog goes before the result lands, so the preview that follows has the screen.
    *connections << QObject::connect(jobs, &LongJobs::applying, progress, [guard] {
        if (guard)
            guard->hide();
    });
    *connections << QObject::connect(jobs, &LongJobs::finished, progress, [guard, connections] {
        for (const QMetaObject::Connection &c : *connections)
            QObject::disconnect(c);
        if (guard)
            guard->deleteLater();
    });
    if (!jobs->start(title, rows, std::move(work)) && guard)
        guard->deleteLater();
}

} // namespace dq
