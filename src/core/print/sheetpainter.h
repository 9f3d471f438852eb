#pragma once

#include <QList>
#include <QSizeF>
#include <QString>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QIODevice;
class QImage;
class QPagedPaintDevice;
class QPaintDevice;
class QPainter;

namespace dq {

class PageCanvas;
class SheetLayout;
class ShapedTexts;

// Supplies a long sheet's cells a few rows at a time, so that printing it never holds every
// row's text at once.
class SheetRows
{
public:
    virtual ~SheetRows() = default;
    // Writes the text and check boxes of sheet rows first..last into cells, which holds the
    // page setup and no cells yet; writing a few rows more does no harm.
    virtual void fill(SheetLayout &cells, int first, int last) const = 0;
};

// Puts a SheetLayout's print area on paper: the page header, the column headings, the
// cell text, the check-box objects and the page footer, split into as many pages as the
// printable area needs (down the rows first, then across the columns). Zero-width
// columns and zero-height rows are left out. Lengths are twips throughout; the sheet's
// scale shrinks or grows the cells, not the header and footer.
class SheetPainter
{
public:
    // One page: printed rows [rowBegin, rowEnd) and columns [colBegin, colEnd) as
    // indexes into printedRows() / printedCols().
    struct Page
    {
        int rowBegin = 0;
        int rowEnd = 0;
        int colBegin = 0;
        int colEnd = 0;
    };

    explicit SheetPainter(const SheetLayout &sheet);
    // A sheet whose cells rows supplies a page at a time; sheet holds the page setup (shape,
    // widths, heights, print area, alignment) and is printed as if it held the cells.
    SheetPainter(const SheetLayout &sheet, const SheetRows &rows);

    // Sheet rows and columns of the print area that take up space on paper.
    const std::vector<int> &printedRows() const { return m_rows; }
    const std::vector<int> &printedCols() const { return m_cols; }

    // The pages for a printable area (page size less margins) in twips. A page with
    // nothing on it is dropped, but there is always at least one page.
    QList<Page> paginate(const QSizeF &printableTwips) const;

    // Told how many of the page places have been painted or passed over (a place with
    // nothing on it prints no page) and how many there are, before each and once at the end;
    // answering false stops the painting there (Cancel).
    using Progress = std::function<bool(int done, int total)>;

    // Gives the device the sheet's orientation and margins, then paints every page.
    // Returns the number of pages painted, 0 when the device cannot be painted on.
    int print(QPagedPaintDevice &device, const Progress &progress = {}) const;
    void applyPageSetup(QPagedPaintDevice &device) const;

    // Writes the pages to a PDF file on US Letter paper, page by page: straight into the file
    // when the sheet's font is TrueType, through QPdfWriter otherwise. Returns false with a
    // reason naming the file when it cannot be written; the old file is then kept.
    bool writePdf(const QString &path, QString *errorString = nullptr) const;

    // Height reserved for a non-empty header or footer, twips.
    int headerFooterBand() const;

private:
    // Where a page's text and check boxes come from: the whole sheet, or the page's rows.
    struct Cells
    {
        const SheetLayout *sheet = nullptr;
        std::vector<std::pair<int, int>> boxRows; // (anchor row, index into the boxes), sorted
        void indexBoxes();
    };
    using Runs = std::vector<std::pair<int, int>>;

    std::pair<Runs, Runs> runs(const QSizeF &printableTwips) const; // rows, columns
    QList<Page> places(const Runs &rowRuns, const Runs &colRuns) const;
    // The cells of page: the whole sheet's, or the page's rows filled into work.
    const Cells &cellsFor(const Page &page, SheetLayout &work, Cells &workCells) const;
    bool pageHasContent(const Page &page, const Cells &cells) const;
    struct Painted
    {
        int pages = 0;
        bool cancelled = false;
        int places = 0; // page places looked at, with or without something on them
    };
    // Hands each page with something on it to paint, numbered from 1, with the page count when
    // a header or footer shows it.
    Painted paintPages(const QSizeF &area, const Progress &progress,
        const std::function<void(const Page &, const Cells &, int number, int pageCount)> &paint) const;
    void paintPage(QPainter &painter, const Page &page, const Cells &cells, ShapedTexts &shaped, int number,
        int pageCount, const QSizeF &area) const;
    void paintPage(
        PageCanvas &painter, const Page &page, const Cells &cells, int number, int pageCount, const QSizeF &area) const;
    // Writes the pages straight into a PDF; the number of pages, 0 when that failed (and
    // *shortWrite tells whether the file took less than it was given).
    int writeDirectPdf(QIODevice &file, const QString &title, bool *shortWrite) const;

    // The check boxes anchored in sheet rows first..last, as indexes into the sheet's list.
    template <typename Fn> static void forBoxesInRows(const Cells &cells, int first, int last, Fn fn);

    const SheetLayout &m_sheet;
    const SheetRows *m_source = nullptr;
    std::vector<int> m_rows;
    std::vector<int> m_cols;
    Cells m_cells;

public:
    // Pages one at a time, for a preview that paints only what is shown and a print run that
    // answers between pages. Holds the cells of the page in hand; the painter must outlive it.
    class PageWork
    {
    public:
        explicit PageWork(const SheetPainter &painter);
        ~PageWork();
        PageWork(const PageWork &) = delete;
        PageWork &operator=(const PageWork &) = delete;

        // Whether place prints a page; paginate leaves out the places that do not.
        bool hasContent(const Page &place);
        // Paints place as page number of pageCount. The painter draws in twips from the top
        // left of the printable area, which is area large.
        void paint(QPainter &painter, const Page &place, int number, int pageCount, const QSizeF &area);
        // The same on a canvas, such as the one that writes PDF straight (see writePdf).
        void paint(PageCanvas &canvas, const Page &place, int number, int pageCount, const QSizeF &area);

    private:
        const Cells &cellsFor(const Page &place);

        const SheetPainter &m_painter;
        std::unique_ptr<SheetLayout> m_work;
        Cells m_workCells;
        const Cells *m_cells = nullptr;
        Page m_place { -1, -1, -1, -1 };
        std::unique_ptr<ShapedTexts> m_shaped;
        const QPaintDevice *m_device = nullptr;
        std::unique_ptr<QImage> m_measure; // measures text for a widget, which has no engine of its own
    };

    // Every page place of a printable area, with or without content, in print order.
    QList<Page> pagePlaces(const QSizeF &printableTwips) const;
    // The one page paginate gives when no place has content: the first columns' headings.
    Page blankPage(const QSizeF &printableTwips) const;
    // Whether the header or footer shows the page count, so the pages are counted before the
    // first one is painted.
    bool pageCountShown() const;
    // Whether writePdf's own writer can write the sheet's fonts, so a PdfCanvas can take the pages.
    bool writesPdfDirectly() const;
};

} // namespace dq
