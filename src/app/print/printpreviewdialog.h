#pragma once

#include "core/print/sheetpainter.h"

#include <QDialog>
#include <QPrinter>

#include <memory>

class QAction;
class QLabel;
class QProgressDialog;
class QSpinBox;
class QTimer;

namespace dq {

class UserPrompts;

// "Print Preview": shows a sheet's pages one at a time, painting only the page on screen when
// it is shown, so a sheet of a million rows opens at once and holds no page but the one in
// view. The pages are counted from a timer a slice at a time ("of ..." until then). Print...
// asks the system print dialog for a Letter-size printer set up from the sheet, then paints
// the pages in slices under a progress dialog whose Cancel drops the run. A PDF file is
// written by the program's own writer beside the target and takes its place once whole. The painter must
// outlive the dialog, and its sheet and rows must hold still while it is open.
class PrintPreviewDialog : public QDialog
{
    Q_OBJECT

public:
    PrintPreviewDialog(const SheetPainter &painter, UserPrompts &prompts, QWidget *parent = nullptr);
    ~PrintPreviewDialog() override;

    // Pages found so far, and whether every page place has been looked at.
    int pageCount() const;
    bool counted() const;
    int currentPage() const { return m_current + 1; } // from 1
    bool printing() const { return bool(m_run); }

    // Print... then prints to this PDF file without asking; empty asks the system print dialog.
    void setOutputFileName(const QString &path) { m_outputFile = path; }

public slots:
    void showPage(int number); // from 1; kept within the pages counted so far
    void print();
    void reject() override;

signals:
    void pagesCounted(int pages);
    // While printing: page places looked at of those to look at.
    void printProgress(int done, int total);
    // A print run's end: printed is false when it was cancelled or failed.
    void printFinished(bool printed);

private:
    class PageView;
    struct Counter;
    struct PrintRun;

    void createActions();
    void createWidgets();
    void countSlice();
    void printSlice();
    bool beginOutput(PrintRun &run);
    bool endOutput(PrintRun &run);
    void finishPrint(bool printed);
    void updateControls();
    QSizeF printableTwips(const QPrinter &printer) const;

    const SheetPainter &m_painter;
    UserPrompts &m_prompts;
    QPrinter m_printer;
    QPageLayout m_layout; // of the previewed paper; a print run may choose another
    QSizeF m_area; // printable area of the previewed paper, twips
    std::unique_ptr<Counter> m_counter; // the previewed pages
    int m_current = 0;
    QString m_outputFile;
    std::unique_ptr<PrintRun> m_run;

    PageView *m_view = nullptr;
    QSpinBox *m_number = nullptr;
    QLabel *m_of = nullptr;
    QTimer *m_countTimer = nullptr;
    QTimer *m_printTimer = nullptr;
    QProgressDialog *m_progress = nullptr;
    QAction *m_first = nullptr;
    QAction *m_previous = nullptr;
    QAction *m_next = nullptr;
    QAction *m_last = nullptr;
    QAction *m_zoomIn = nullptr;
    QAction *m_zoomOut = nullptr;
    QAction *m_fitWidth = nullptr;
    QAction *m_fitPage = nullptr;
    QAction *m_print = nullptr;
    QAction *m_close = nullptr;
};

} // namespace dq
