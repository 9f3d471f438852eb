#include "app/print/printpreview.h"

#include "app/print/printpreviewdialog.h"
#include "core/print/sheetpainter.h"

#include <QPointer>
#include <QProgressDialog>

namespace dq {

namespace {

void preview(const SheetPainter &painter, UserPrompts &prompts, QWidget *parent)
{
    PrintPreviewDialog dialog(painter, prompts, parent);
    dialog.exec();
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
