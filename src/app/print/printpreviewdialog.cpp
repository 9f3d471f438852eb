#include "app/print/printpreviewdialog.h"

#include "core/print/pdfcanvas.h"
#include "core/print/pdfdocument.h"
#include "core/shell/userprompts.h"
#include "core/shell/writefailure.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPageSize>
#include <QPainter>
#include <QPaintEvent>
#include <QPrintDialog>
#include <QProgressDialog>
#include <QSaveFile>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#endif

namespace dq {

namespace {

constexpr qint64 kSliceMs = 20; // the longest the window waits on one slice of counting or printing
constexpr int kGap = 12; // pixels of grey around the paper
constexpr double kZoomStep = 1.25;

// Starts writing what the file holds so far to disk without waiting for it, so that the flush to
// disk when the file is committed has little left to do on the window's thread.
void startWriteBack(QFileDevice &file)
{
#ifdef Q_OS_LINUX
    if (file.flush() && file.handle() >= 0)
        ::sync_file_range(file.handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
#else
    Q_UNUSED(file);
#endif
}

} // namespace

// The page places of one printable area and which of them print a page, looked at a slice at a
// time.
struct PrintPreviewDialog::Counter
{
    Counter(const SheetPainter &painter, const QSizeF &area)
        : places(painter.pagePlaces(area))
        , blank(painter.blankPage(area))
        , work(painter)
    {
    }

    bool done() const { return next >= places.size(); }

    // Looks at places until the slice is spent, or only until a first page is found; a sheet
    // with no page at all still gets one.
    void step(bool firstOnly = false)
    {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < kSliceMs && !(firstOnly && !pages.isEmpty())) {
            if (work.hasContent(places[next]))
                pages.append(places[next]);
            ++next;
        }
        if (done() && pages.isEmpty())
            pages.append(blank);
    }

    QList<SheetPainter::Page> places;
    SheetPainter::Page blank;
    SheetPainter::PageWork work;
    QList<SheetPainter::Page> pages; // the places that print a page, in order
    qsizetype next = 0;
};

struct PrintPreviewDialog::PrintRun
{
    PrintRun(const SheetPainter &painter, const QSizeF &printable)
        : area(printable)
        , work(painter)
    {
    }

    QSizeF area;
    std::unique_ptr<Counter> own; // counts another paper's pages
    Counter *counter = nullptr; // when set, the pages are counted before any is painted
    QList<SheetPainter::Page> places; // to paint in order; those with nothing on them print no page
    qsizetype next = 0;
    int pageCount = 0; // once counted
    int share = 0; // of the progress bar, taken by counting
    SheetPainter::PageWork work;
    QPainter painter; // on the printer, unless pdf
    // A PDF file written by the program's own writer, beside the target until it is whole.
    struct Pdf
    {
        explicit Pdf(const QString &path)
            : file(path)
        {
        }
        QSaveFile file;
        std::unique_ptr<PdfDocument> document;
        std::unique_ptr<PdfCanvas> canvas;
        QSizeF paper; // points
        QPointF origin; // of the printable area, points
    };
    std::unique_ptr<Pdf> pdf;
    int painted = 0;
    bool begun = false;
    bool ending = false; // every page place looked at; the output ends in the next slice
    QString failure; // why the pages did not go out
};

// The paper of the page in view: grey around, a shadow, white paper, and the page painted at
// the zoom from twips.
class PrintPreviewDialog::PageView : public QAbstractScrollArea
{
public:
    enum class Fit { Width, Page, None };

    explicit PageView(PrintPreviewDialog &dialog)
        : QAbstractScrollArea(&dialog)
        , m_dialog(dialog)
    {
        setObjectName(QStringLiteral("pageView"));
        setFocusPolicy(Qt::StrongFocus);
        viewport()->setBackgroundRole(QPalette::Dark);
        viewport()->setAutoFillBackground(true);
    }

    void setFit(Fit fit)
    {
        m_fit = fit;
        relayout();
    }

    void zoomBy(double factor)
    {
        m_fit = Fit::None;
        m_zoom = std::clamp(m_zoom * factor, 0.01, 1.0);
        relayout();
    }

    void relayout()
    {
        const QSizeF paper = paperTwips();
        const QSize room = viewport()->size() - QSize(2 * kGap, 2 * kGap);
        if (m_fit == Fit::Width && paper.width() > 0)
            m_zoom = std::max(0.01, room.width() / paper.width());
        else if (m_fit == Fit::Page && paper.width() > 0 && paper.height() > 0)
            m_zoom = std::max(0.01, std::min(room.width() / paper.width(), room.height() / paper.height()));
        const QSize shown = paperPixels();
        horizontalScrollBar()->setRange(0, std::max(0, shown.width() + 2 * kGap - viewport()->width()));
        verticalScrollBar()->setRange(0, std::max(0, shown.height() + 2 * kGap - viewport()->height()));
        horizontalScrollBar()->setPageStep(viewport()->width());
        verticalScrollBar()->setPageStep(viewport()->height());
        viewport()->update();
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QAbstractScrollArea::resizeEvent(event);
        relayout();
    }

    void scrollContentsBy(int, int) override { viewport()->update(); }

    void paintEvent(QPaintEvent *) override
    {
        const Counter *counter = m_dialog.m_counter.get();
        if (!counter || counter->pages.isEmpty())
            return;
        QPainter painter(viewport());
        const QSize shown = paperPixels();
        const int x = std::max(kGap, (viewport()->width() - shown.width()) / 2) - horizontalScrollBar()->value();
        const int y = std::max(kGap, (viewport()->height() - shown.height()) / 2) - verticalScrollBar()->value();
        const QRect paper(QPoint(x, y), shown);
        painter.fillRect(paper.translated(3, 3), QColor(60, 60, 60));
        painter.fillRect(paper, Qt::white);
        painter.setClipRect(paper);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        const QPointF margin = m_dialog.m_layout.paintRect(QPageLayout::Inch).topLeft() * 1440.0;
        painter.translate(paper.topLeft());
        painter.scale(m_zoom, m_zoom);
        painter.translate(margin);
        const int number = m_dialog.m_current + 1;
        const int count = m_dialog.counted() ? m_dialog.pageCount() : std::max(m_dialog.pageCount(), number);
        m_work.paint(painter, counter->pages[m_dialog.m_current], number, count, m_dialog.m_area);
    }

private:
    QSizeF paperTwips() const { return m_dialog.m_layout.fullRect(QPageLayout::Inch).size() * 1440.0; }
    QSize paperPixels() const { return (paperTwips() * m_zoom).toSize(); }

    PrintPreviewDialog &m_dialog;
    SheetPainter::PageWork m_work { m_dialog.m_painter };
    Fit m_fit = Fit::Width;
    double m_zoom = 0.05; // pixels per twip
};

PrintPreviewDialog::PrintPreviewDialog(const SheetPainter &painter, UserPrompts &prompts, QWidget *parent)
    : QDialog(parent)
    , m_painter(painter)
    , m_prompts(prompts)
    , m_printer(QPrinter::HighResolution)
{
    setObjectName(QStringLiteral("printPreview"));
    setWindowTitle(QStringLiteral("Print Preview"));
    m_printer.setPageSize(QPageSize(QPageSize::Letter));
    m_painter.applyPageSetup(m_printer);
    m_layout = m_printer.pageLayout();
    m_area = printableTwips(m_printer);
    m_counter = std::make_unique<Counter>(m_painter, m_area);

    createActions();
    createWidgets();

    // Page 1 shows at once; the rest are counted between the window's other work.
    m_countTimer = new QTimer(this);
    m_countTimer->setInterval(0);
    connect(m_countTimer, &QTimer::timeout, this, &PrintPreviewDialog::countSlice);
    m_printTimer = new QTimer(this);
    m_printTimer->setInterval(0);
    connect(m_printTimer, &QTimer::timeout, this, &PrintPreviewDialog::printSlice);
    m_counter->step(true);
    m_countTimer->start(); // tells of the count even when the first slice counted every page
    updateControls();
    resize(900, 800);
}

PrintPreviewDialog::~PrintPreviewDialog()
{
    if (m_run)
        finishPrint(false);
}

int PrintPreviewDialog::pageCount() const
{
    return int(m_counter->pages.size());
}

bool PrintPreviewDialog::counted() const
{
    return m_counter->done();
}

void PrintPreviewDialog::createActions()
{
    // Page buttons show the style's arrows; the rest their words, with the desktop's icon if it has one.
    const auto make = [this](const QString &name, const QString &text, const QIcon &icon,
                          const QList<QKeySequence> &keys, auto slot) {
        auto *action = new QAction(icon, text, this);
        action->setObjectName(name);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        QObject::connect(action, &QAction::triggered, this, slot);
        addAction(action);
        return action;
    };
    m_first = make(QStringLiteral("firstPage"), QStringLiteral("First page"),
        style()->standardIcon(QStyle::SP_MediaSkipBackward),
        { QKeySequence(Qt::CTRL | Qt::Key_Home), QKeySequence(Qt::Key_Home) }, [this] { showPage(1); });
    m_previous = make(QStringLiteral("previousPage"), QStringLiteral("Previous page"),
        style()->standardIcon(QStyle::SP_MediaSeekBackward), { QKeySequence(Qt::Key_PageUp) },
        [this] { showPage(currentPage() - 1); });
    m_next = make(QStringLiteral("nextPage"), QStringLiteral("Next page"),
        style()->standardIcon(QStyle::SP_MediaSeekForward), { QKeySequence(Qt::Key_PageDown) },
        [this] { showPage(currentPage() + 1); });
    m_last = make(QStringLiteral("lastPage"), QStringLiteral("Last page"),
        style()->standardIcon(QStyle::SP_MediaSkipForward),
        { QKeySequence(Qt::CTRL | Qt::Key_End), QKeySequence(Qt::Key_End) }, [this] { showPage(pageCount()); });
    m_zoomIn = make(QStringLiteral("zoomIn"), QStringLiteral("Zoom in"), QIcon::fromTheme(QStringLiteral("zoom-in")),
        { QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal) }, [this] { m_view->zoomBy(kZoomStep); });
    m_zoomOut
        = make(QStringLiteral("zoomOut"), QStringLiteral("Zoom out"), QIcon::fromTheme(QStringLiteral("zoom-out")),
            { QKeySequence::ZoomOut }, [this] { m_view->zoomBy(1 / kZoomStep); });
    m_fitWidth = make(QStringLiteral("fitWidth"), QStringLiteral("Fit width"),
        QIcon::fromTheme(QStringLiteral("zoom-fit-width")), {}, [this] { m_view->setFit(PageView::Fit::Width); });
    m_fitPage = make(QStringLiteral("fitPage"), QStringLiteral("Fit page"),
        QIcon::fromTheme(QStringLiteral("zoom-fit-best")), {}, [this] { m_view->setFit(PageView::Fit::Page); });
    m_print = make(QStringLiteral("printButton"), QStringLiteral("Print..."),
        QIcon::fromTheme(QStringLiteral("document-print")), { QKeySequence::Print }, [this] { print(); });
    m_close = make(QStringLiteral("closeButton"), QStringLiteral("Close"),
        QIcon::fromTheme(QStringLiteral("window-close")), {}, [this] { reject(); });
    m_print->setToolTip(QStringLiteral("Print... (Ctrl+P)"));
}

void PrintPreviewDialog::createWidgets()
{
    m_view = new PageView(*this);
    m_number = new QSpinBox(this);
    m_number->setObjectName(QStringLiteral("pageNumber"));
    m_number->setRange(1, 1);
    m_number->setKeyboardTracking(false);
    m_of = new QLabel(this);
    m_of->setObjectName(QStringLiteral("pageCount"));
    connect(m_number, &QSpinBox::valueChanged, this, &PrintPreviewDialog::showPage);

    auto *bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("previewToolBar"));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->addAction(m_first);
    bar->addAction(m_previous);
    bar->addWidget(m_number);
    bar->addWidget(m_of);
    bar->addAction(m_next);
    bar->addAction(m_last);
    bar->addSeparator();
    bar->addAction(m_zoomOut);
    bar->addAction(m_zoomIn);
    bar->addAction(m_fitWidth);
    bar->addAction(m_fitPage);
    bar->addSeparator();
    bar->addAction(m_print);
    bar->addAction(m_close);
    for (QAction *a : { m_first, m_previous, m_next, m_last })
        if (QWidget *button = bar->widgetForAction(a))
            button->setProperty("toolButtonStyle", int(Qt::ToolButtonIconOnly));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(m_view, 1);
    m_view->setFocus();
}

QSizeF PrintPreviewDialog::printableTwips(const QPrinter &printer) const
{
    // As SheetPainter::print measures it, so the preview's pages are the printed ones.
    return QSizeF(printer.width() * 1440.0 / printer.logicalDpiX(), printer.height() * 1440.0 / printer.logicalDpiY());
}

void PrintPreviewDialog::countSlice()
{
    const bool shown = pageCount() > 0;
    m_counter->step();
    if (counted()) {
        m_countTimer->stop();
        emit pagesCounted(pageCount());
    }
    // The first page once found, and a header or footer that shows the count once it is known.
    if (!shown || (counted() && m_painter.pageCountShown()))
        m_view->viewport()->update();
    updateControls();
}

void PrintPreviewDialog::showPage(int number)
{
    const int page = std::clamp(number, 1, std::max(1, pageCount())) - 1;
    if (page != m_current) {
        m_current = page;
        m_view->verticalScrollBar()->setValue(0);
        m_view->viewport()->update();
    }
    updateControls();
}

void PrintPreviewDialog::updateControls()
{
    const int pages = pageCount();
    const QSignalBlocker block(m_number);
    m_number->setRange(1, std::max(1, pages));
    m_number->setValue(currentPage());
    m_of->setText(counted() ? QStringLiteral(" of %1 ").arg(pages) : QStringLiteral(" of \u2026 "));
    m_first->setEnabled(m_current > 0);
    m_previous->setEnabled(m_current > 0);
    m_next->setEnabled(currentPage() < pages);
    m_last->setEnabled(currentPage() < pages);
    m_print->setEnabled(!m_run);
}

void PrintPreviewDialog::print()
{
    if (m_run)
        return;
    if (m_outputFile.isEmpty()) {
        QPrintDialog dialog(&m_printer, this);
        if (dialog.exec() != QDialog::Accepted)
            return;
    } else {
        m_printer.setOutputFormat(QPrinter::PdfFormat);
        m_printer.setOutputFileName(m_outputFile);
    }
    m_painter.applyPageSetup(m_printer);
    m_run = std::make_unique<PrintRun>(m_painter, printableTwips(m_printer));
    PrintRun &run = *m_run;
    // The run looks at the pages itself, counting only when a header or footer shows the count.
    m_countTimer->stop();
    const bool previewed = run.area == m_area; // the paper chosen may hold other pages
    if (previewed && counted()) {
        run.places = m_counter->pages;
        run.pageCount = pageCount();
    } else if (m_painter.pageCountShown()) {
        if (!previewed)
            run.own = std::make_unique<Counter>(m_painter, run.area);
        run.counter = previewed ? m_counter.get() : run.own.get();
        run.share = 50;
    } else {
        run.places = m_painter.pagePlaces(run.area);
    }

    m_progress = new QProgressDialog(QStringLiteral("Composing pages..."), QStringLiteral("Cancel"), 0, 100, this);
    m_progress->setWindowTitle(QStringLiteral("Print"));
    // Not modal: a modal progress dialog runs the event loop inside setValue, which would call
    // back into the run. The tool bar's Print is off meanwhile, and Close cancels the run.
    m_progress->setWindowModality(Qt::NonModal);
    m_progress->setMinimumDuration(500);
    m_progress->setAutoReset(false);
    m_progress->setAutoClose(false);
    m_progress->setValue(0);
    updateControls();
    m_printTimer->start();
}

void PrintPreviewDialog::printSlice()
{
    PrintRun &run = *m_run;
    if (m_progress->wasCanceled()) {
        finishPrint(false);
        return;
    }
    if (Counter *counter = run.counter) {
        if (!counter->done()) {
            if (counter == m_counter.get())
                countSlice();
            else
                counter->step();
            m_progress->setValue(int(counter->next * run.share / std::max<qsizetype>(1, counter->places.size())));
            return;
        }
        run.places = counter->pages;
        run.pageCount = int(counter->pages.size());
        run.counter = nullptr;
    }
    if (!run.begun) {
        run.begun = true;
        if (!beginOutput(run)) {
            const QString failure = run.failure;
            finishPrint(false);
            m_prompts.message(QStringLiteral("Print"), failure, UserPrompts::Icon::Warning, UserPrompts::Buttons::Ok);
            return;
        }
    }
    const auto paint = [&](const SheetPainter::Page &place) {
        ++run.painted;
        const int count = std::max(run.pageCount, run.painted);
        if (run.pdf) {
            run.pdf->canvas->beginPage(run.pdf->paper, run.pdf->origin);
            run.work.paint(*run.pdf->canvas, place, run.painted, count, run.area);
            run.pdf->canvas->endPage();
            return;
        }
        if (run.painted > 1)
            m_printer.newPage();
        run.painter.save();
        run.painter.scale(m_printer.logicalDpiX() / 1440.0, m_printer.logicalDpiY() / 1440.0);
        run.work.paint(run.painter, place, run.painted, count, run.area);
        run.painter.restore();
    };
    const qsizetype total = run.places.size();
    QElapsedTimer clock;
    clock.start();
    while (run.next < total && clock.elapsed() < kSliceMs) {
        const SheetPainter::Page &place = run.places[run.next++];
        if (!run.work.hasContent(place))
            continue;
        paint(place);
        emit printProgress(int(run.next), int(total));
        if (m_progress->wasCanceled())
            break;
    }
    m_progress->setValue(run.share + int(run.next * (100 - run.share) / std::max<qsizetype>(1, total)));
    if (run.pdf)
        startWriteBack(run.pdf->file);
    if (run.next < total)
        return;
    // The end (the fonts, and the file flushed to disk) takes a slice of its own.
    if (!run.ending) {
        run.ending = true;
        return;
    }
    // Nothing to print still gives one page: the headings of the first columns.
    if (!run.painted)
        paint(m_painter.blankPage(run.area));
    const bool printed = endOutput(run);
    const QString failure = run.failure;
    finishPrint(printed);
    if (!printed)
        m_prompts.message(QStringLiteral("Print"), failure, UserPrompts::Icon::Warning, UserPrompts::Buttons::Ok);
    else
        accept();
}

bool PrintPreviewDialog::beginOutput(PrintRun &run)
{
    run.failure = QStringLiteral("The pages could not be sent to the printer.");
    const QString path = m_printer.outputFileName();
    if (m_printer.outputFormat() != QPrinter::PdfFormat || path.isEmpty() || !m_painter.writesPdfDirectly())
        return run.painter.begin(&m_printer);
    // A PDF file goes through the program's own writer, as the command line writes it.
    auto pdf = std::make_unique<PrintRun::Pdf>(path);
    if (!pdf->file.open(QIODevice::WriteOnly)) {
        run.failure = QStringLiteral("Cannot write %1: %2.").arg(path, pdf->file.errorString());
        return false;
    }
    const QPageLayout layout = m_printer.pageLayout();
    pdf->paper = layout.fullRect(QPageLayout::Point).size();
    pdf->origin = layout.paintRect(QPageLayout::Point).topLeft();
    pdf->document
        = std::make_unique<PdfDocument>(pdf->file, QFileInfo(path).completeBaseName(), QStringLiteral("Dirquill"));
    pdf->canvas = std::make_unique<PdfCanvas>(*pdf->document);
    run.pdf = std::move(pdf);
    return true;
}

bool PrintPreviewDialog::endOutput(PrintRun &run)
{
    if (!run.pdf) {
        // The last page goes out at end(); a printer that failed then has not printed.
        return run.painter.end();
    }
    PrintRun::Pdf &pdf = *run.pdf;
    const bool finished = pdf.document->finish();
    const bool shortWrite = pdf.document->writeFailed();
    pdf.canvas.reset();
    pdf.document.reset();
    if (!shortWrite && finished && pdf.file.error() == QFileDevice::NoError && pdf.file.commit())
        return true;
    run.failure = QStringLiteral("Cannot write %1: %2.")
                      .arg(pdf.file.fileName(), writeFailureReason(pdf.file.fileName(), pdf.file.errorString()));
    return false;
}

void PrintPreviewDialog::finishPrint(bool printed)
{
    m_printTimer->stop();
    std::unique_ptr<PrintRun> run = std::move(m_run);
    // A cancelled run is dropped rather than sent with the pages so far. Our own PDF file was
    // written beside the target, which stays as it was; one the printer has begun is removed.
    if (!printed && run->pdf && run->pdf->file.isOpen())
        run->pdf->file.cancelWriting();
    if (!printed && run->painter.isActive()) {
        m_printer.abort();
        run->painter.end();
        if (m_printer.outputFormat() == QPrinter::PdfFormat && !m_printer.outputFileName().isEmpty())
            QFile::remove(m_printer.outputFileName());
    }
    if (m_progress) {
        m_progress->deleteLater();
        m_progress = nullptr;
    }
    if (!counted())
        m_countTimer->start();
    updateControls();
    emit printFinished(printed);
}

void PrintPreviewDialog::reject()
{
    if (m_run)
        finishPrint(false);
    QDialog::reject();
}

} // namespace dq
