#pragma once

#include <QList>
#include <QSizeF>
#include <QString>

#include <functional>
#include <utility>
#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace dq {

class SheetLayout;

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

    // Sheet rows and columns of the print area that take up space on paper.
    const std::vector<int> &printedRows() const { return m_rows; }
    const std::vector<int> &printedCols() const { return m_cols; }

    // The pages for a printable area (page size less margins) in twips. A page with
    // nothing on it is dropped, but there is always at least one page.
    QList<Page> paginate(const QSizeF &printableTwips) const;

    // Told the pages painted and the page count before each page and once at the end;
    // answering false stops the painting there (Cancel).
    using Progress = std::function<bool(int done, int total)>;

    // Gives the device the sheet's orientation and margins, then paints every page.
    // Returns the number of pages painted, 0 when the device cannot be painted on.
    int print(QPagedPaintDevice &device, const Progress &progress = {}) const;
    void applyPageSetup(QPagedPaintDevice &device) const;

    // Writes the pages to a PDF file on US Letter paper. Returns false with a reason
    // naming the file when it cannot be written.
    bool writePdf(const QString &path, QString *errorString = nullptr) const;

    // Height reserved for a non-empty header or footer, twips.
    int headerFooterBand() const;

private:
    bool pageHasContent(const Page &page) const;
    void paintPage(QPainter &painter, const Page &page, int number, int pageCount, const QSizeF &area) const;

    // The check boxes anchored in sheet rows first..last, as indexes into the sheet's list.
    template <typename Fn> void forBoxesInRows(int first, int last, Fn fn) const;

    const SheetLayout &m_sheet;
    std::vector<int> m_rows;
    std::vector<int> m_cols;
    std::vector<std::pair<int, int>> m_boxRows; // (anchor row, index), sorted
};

} // namespace dq
