#pragma once

#include "core/table/longjobs.h"

#include <functional>

class QWidget;

namespace dq {

class SheetLayout;
class SheetRows;
class UserPrompts;

// What "&Print && Preview" does with a composed page. The program opens a print preview
// from which the user prints through the system print dialog; tests put a recorder here.
using PreviewHandler = std::function<void(const SheetLayout &sheet)>;
// The same for a long page whose cells rows supplies a page at a time; setup holds the rest.
using StreamedPreviewHandler = std::function<void(const SheetLayout &setup, const SheetRows &rows)>;

// The program's handlers: a modal PrintPreviewDialog on a Letter-size printer set up from the
// sheet's page setup. A printer that cannot be painted on is reported through prompts.
PreviewHandler printPreviewHandler(UserPrompts &prompts, QWidget *parent);
StreamedPreviewHandler printStreamedPreviewHandler(UserPrompts &prompts, QWidget *parent);

// Runs what a print dialog reads from the record table before the preview as one of the
// table's long jobs, off the window's thread, with a progress dialog over parent whose Cancel
// drops the result. Without jobs it runs at once.
void runPrintJob(LongJobs *jobs, QWidget *parent, const QString &title, qint64 rows, LongJobs::Work work);

} // namespace dq
