#include "core/print/sheetpainter.h"

#include "core/shell/writefailure.h"

#include "core/print/pagecanvas.h"
#include "core/print/pdfcanvas.h"
#include "core/print/pdfdocument.h"
#include "core/print/sheetlayout.h"

#include <QFileInfo>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QImage>
#include <QSet>
#include <QTextLayout>
#include <QPaintEngine>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <cmath>

namespace dq {

namespace {

constexpr double kCellPadX = 30; // twips of air between a cell's border and its text
constexpr double kCellPadY = 15;
constexpr double kFit = 0.5; // rounding slack when rows or columns fill a page exactly

QFont sheetFont(const SheetLayout &sheet, bool bold = false)
{
    QFont font(sheet.fontFamily());
    // Painting happens in twips, so the font is sized in twips: 20 to the point.
    font.setPixelSize(std::max(1, int(std::lround(sheet.fontSize() * 20))));
    font.setBold(bold);
    return font;
}

int alignmentFlags(const SheetLayout::CellAlignment &a, const QString &text)
{
    int flags = 0;
    switch (a.horizontal) {
    case SheetLayout::HAlign::Left:
        flags |= Qt::AlignLeft;
        break;
    case SheetLayout::HAlign::Center:
        flags |= Qt::AlignHCenter;
        break;
    case SheetLayout::HAlign::Right:
        flags |= Qt::AlignRight;
        break;
    case SheetLayout::HAlign::General: {
        bool numeric = false;
        text.toDouble(&numeric);
        flags |= numeric ? Qt::AlignRight : Qt::AlignLeft;
        break;
    }
    }
    switch (a.vertical) {
    case SheetLayout::VAlign::Top:
        flags |= Qt::AlignTop;
        break;
    case SheetLayout::VAlign::Center:
        flags |= Qt::AlignVCenter;
        break;
    case SheetLayout::VAlign::Bottom:
        flags |= Qt::AlignBottom;
        break;
    }
    flags |= a.wrap ? Qt::TextWordWrap : Qt::TextSingleLine;
    return flags;
}

bool showsPageCount(const QString &text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&')
            continue;
        if (text[i + 1] == u'N' || text[i + 1] == u'n')
            return true;
        ++i; // "&&" and "&P" say nothing of the count
    }
    return false;
}

} // namespace

// Cell texts shaped once each: names, towns and web addresses recur all down a long table,
// and shaping text is a good part of what printing costs. A text is kept shaped from its second
// showing on; one seen once is drawn straight, and measured only when it might not fit.
class ShapedTexts
{
public:
    struct Shaped
    {
        QList<QGlyphRun> runs; // glyph positions from the top left of the line
        double width = 0;
        double ascent = 0;
    };

    ShapedTexts(const QFont &font, QPaintDevice *device)
        : m_font(font)
        , m_device(device)
        , m_metrics(font, device)
        , m_slack(m_metrics.height() * 0.1)
        , m_drawShaped(device->paintEngine() && device->paintEngine()->type() == QPaintEngine::Pdf)
    {
        m_advance.fill(-1);
    }

    // Whether shaped text goes to the device as it is. A PDF takes its letters; other devices
    // (a print preview's recorded pages) would turn them into outlines, so they get the text.
    bool drawShaped() const { return m_drawShaped; }

    // The text shaped, or null when it is seen for the first time (unless always).
    const Shaped *shaped(const QString &text, bool always = false)
    {
        if (const auto it = m_shaped.constFind(text); it != m_shaped.constEnd())
            return &*it;
        if (m_seen.size() >= kKept || m_shaped.size() >= kKept) {
            m_seen.clear();
            m_shaped.clear();
        }
        if (!always && !m_seen.contains(text)) {
            m_seen.insert(text);
            return nullptr;
        }
        QTextLayout layout(text, m_font, m_device);
        layout.beginLayout();
        const QTextLine line = layout.createLine();
        layout.endLayout(); // one line as wide as the text
        return &*m_shaped.insert(text, Shaped { layout.glyphRuns(), line.naturalTextWidth(), line.ascent() });
    }

    // True when text is narrower than width whatever kerning or ligatures make of it; false
    // when it may not be.
    bool surelyFits(const QString &text, double width)
    {
        double sum = 0;
        for (QChar ch : text) {
            const char16_t u = ch.unicode();
            if (u >= m_advance.size())
                return false;
            double &a = m_advance[u];
            if (a < 0)
                a = m_metrics.horizontalAdvance(ch);
            sum += a + m_slack;
            if (sum >= width)
                return false;
        }
        return true;
    }

private:
    static constexpr qsizetype kKept = 20'000;
    QFont m_font;
    QPaintDevice *m_device;
    QFontMetricsF m_metrics;
    double m_slack; // kerning never moves a letter this far
    bool m_drawShaped;
    std::array<double, 0x250> m_advance; // of the Latin letters, as asked for
    QHash<QString, Shaped> m_shaped;
    QSet<QString> m_seen;
};

namespace {

// One line of text that fits its cell goes straight to its baseline; laying out text in a
// rectangle costs several times more and is needed only to wrap or to clip.
void drawCellText(QPainter &painter, const QFontMetricsF &metrics, ShapedTexts &texts, const QRectF &rect, int flags,
    const QString &raw)
{
    if (flags & Qt::TextWordWrap) {
        painter.drawText(rect, flags, raw);
        return;
    }
    const QString text = oneLine(raw);
    const bool tall = metrics.height() > rect.height() + kCellPadY * 2;
    const bool left = !(flags & (Qt::AlignRight | Qt::AlignHCenter));
    // A left-aligned text that surely fits needs no measuring: only its start matters. One that
    // may not is shaped, which measures it too.
    const bool fits = left && !tall && texts.surelyFits(text, rect.width());
    const ShapedTexts::Shaped *shaped = texts.shaped(text, !fits);
    const double width = shaped ? shaped->width : 0;
    const bool clip = tall || width > rect.width();
    if (clip && !left) {
        painter.drawText(rect, flags, text);
        return;
    }
    double x = rect.left();
    if (flags & Qt::AlignRight)
        x = rect.right() - width;
    else if (flags & Qt::AlignHCenter)
        x = rect.left() + (rect.width() - width) / 2;
    double baseline = rect.bottom() - metrics.descent();
    if (flags & Qt::AlignTop)
        baseline = rect.top() + metrics.ascent();
    else if (flags & Qt::AlignVCenter)
        baseline = rect.top() + (rect.height() - metrics.height()) / 2 + metrics.ascent();
    // Too wide or too tall: cut at the cell's edges. A left-aligned text starts where it would
    // in a laid-out rectangle.
    if (clip) {
        painter.save();
        painter.setClipRect(rect, Qt::IntersectClip);
    }
    if (!shaped || !texts.drawShaped())
        painter.drawText(QPointF(x, baseline), text);
    else
        for (const QGlyphRun &run : shaped->runs)
            painter.drawGlyphRun(QPointF(x, baseline - shaped->ascent), run);
    if (clip)
        painter.restore();
}

// Draws on a QPainter exactly as printing always has: the device gets shaped glyphs where it
// keeps them (a PDF) and text elsewhere.
class PainterCanvas : public PageCanvas
{
public:
    PainterCanvas(QPainter &painter, ShapedTexts &shaped)
        : m_painter(painter)
        , m_shaped(shaped)
        , m_metrics(painter.font())
    {
    }

    void save() override { m_painter.save(); }
    void restore() override { m_painter.restore(); }
    void translate(double dx, double dy) override { m_painter.translate(dx, dy); }
    void scale(double factor) override { m_painter.scale(factor, factor); }
    void setFont(const QFont &font) override
    {
        m_painter.setFont(font);
        m_metrics = QFontMetricsF(m_painter.font());
    }
    void drawText(const QRectF &rect, int flags, const QString &text) override
    {
        m_painter.drawText(rect, flags, text);
    }
    void drawCellText(const QRectF &rect, int flags, const QString &text) override
    {
        dq::drawCellText(m_painter, m_metrics, m_shaped, rect, flags, text);
    }
    void fillRect(const QRectF &rect, const QColor &color) override { m_painter.fillRect(rect, color); }
    void drawLine(const QPointF &from, const QPointF &to) override
    {
        m_painter.setPen(Qt::black);
        m_painter.drawLine(from, to);
    }
    void strokeRect(const QRectF &rect, double penWidth) override
    {
        m_painter.setBrush(Qt::NoBrush);
        m_painter.setPen(QPen(Qt::black, penWidth));
        m_painter.drawRect(rect);
    }
    void strokePolyline(const QPointF *points, int count, double penWidth) override
    {
        m_painter.setPen(QPen(Qt::black, penWidth));
        m_painter.drawPolyline(points, count);
    }

private:
    QPainter &m_painter;
    ShapedTexts &m_shaped;
    QFontMetricsF m_metrics;
};

} // namespace

SheetPainter::SheetPainter(const SheetLayout &sheet)
    : m_sheet(sheet)
{
    SheetRange area = sheet.printAreaRange();
    if (area.isEmpty())
        area = { 1, 1, sheet.lastRow(), sheet.lastCol() };
    for (int r = area.top; r <= area.bottom; ++r)
        if (sheet.rowHeight(r) > 0)
            m_rows.push_back(r);
    for (int c = area.left; c <= area.right; ++c)
        if (sheet.colWidth(c) > 0)
            m_cols.push_back(c);
    m_cells.sheet = &sheet;
    m_cells.indexBoxes();
}

SheetPainter::SheetPainter(const SheetLayout &sheet, const SheetRows &rows)
    : SheetPainter(sheet)
{
    m_source = &rows;
}

void SheetPainter::Cells::indexBoxes()
{
    // Each page looks only at the boxes of its own rows.
    const QList<SheetLayout::CheckBoxObject> &boxes = sheet->checkBoxes();
    boxRows.clear();
    boxRows.reserve(size_t(boxes.size()));
    for (qsizetype i = 0; i < boxes.size(); ++i)
        boxRows.emplace_back(int(boxes[i].rect.top()) + 1, int(i));
    std::sort(boxRows.begin(), boxRows.end());
}

template <typename Fn> void SheetPainter::forBoxesInRows(const Cells &cells, int first, int last, Fn fn)
{
    const QList<SheetLayout::CheckBoxObject> &boxes = cells.sheet->checkBoxes();
    for (auto it = std::lower_bound(cells.boxRows.begin(), cells.boxRows.end(), std::pair(first, -1));
         it != cells.boxRows.end() && it->first <= last; ++it) {
        if (it->second < boxes.size() && fn(boxes[it->second]))
            return;
    }
}

int SheetPainter::headerFooterBand() const
{
    return int(std::lround(m_sheet.fontSize() * 20 * 2));
}

std::pair<SheetPainter::Runs, SheetPainter::Runs> SheetPainter::runs(const QSizeF &printableTwips) const
{
    const double zoom = m_sheet.scale() / 100.0;
    double height = printableTwips.height();
    if (!m_sheet.printHeader().isEmpty())
        height -= headerFooterBand();
    if (!m_sheet.printFooter().isEmpty())
        height -= headerFooterBand();
    height /= zoom;
    if (m_sheet.printColHeading())
        height -= m_sheet.defaultRowHeight();
    const double width = printableTwips.width() / zoom;

    // Greedy runs; an item larger than a whole page still gets a page of its own.
    auto cut = [](const std::vector<int> &items, auto sizeOf, double room) {
        Runs out;
        int begin = 0;
        double used = 0;
        for (int i = 0; i < int(items.size()); ++i) {
            const double size = sizeOf(items[size_t(i)]);
            if (i > begin && used + size > room + kFit) {
                out.emplace_back(begin, i);
                begin = i;
                used = 0;
            }
            used += size;
        }
        if (begin < int(items.size()))
            out.emplace_back(begin, int(items.size()));
        return out;
    };
    Runs rowRuns = cut(
        m_rows, [&](int r) { return double(m_sheet.rowHeight(r)); }, height);
    Runs colRuns = cut(
        m_cols, [&](int c) { return double(m_sheet.colWidth(c)); }, width);
    return { std::move(rowRuns), std::move(colRuns) };
}

QList<SheetPainter::Page> SheetPainter::places(const Runs &rowRuns, const Runs &colRuns) const
{
    QList<Page> out;
    out.reserve(qsizetype(rowRuns.size() * colRuns.size()));
    for (const auto &[c0, c1] : colRuns)
        for (const auto &[r0, r1] : rowRuns)
            out.append(Page { r0, r1, c0, c1 });
    return out;
}

QList<SheetPainter::Page> SheetPainter::paginate(const QSizeF &printableTwips) const
{
    const auto [rowRuns, colRuns] = runs(printableTwips);
    SheetLayout work;
    Cells workCells;
    QList<Page> pages;
    for (const Page &page : places(rowRuns, colRuns))
        if (pageHasContent(page, cellsFor(page, work, workCells)))
            pages.append(page);
    if (pages.isEmpty())
        pages.append(
            Page { 0, rowRuns.empty() ? 0 : rowRuns.front().second, 0, colRuns.empty() ? 0 : colRuns.front().second });
    return pages;
}

const SheetPainter::Cells &SheetPainter::cellsFor(const Page &page, SheetLayout &work, Cells &workCells) const
{
    if (!m_source)
        return m_cells;
    if (!workCells.sheet) {
        work = m_sheet; // the page setup; the cells come a page at a time
        workCells.sheet = &work;
    }
    const int first = page.rowBegin < page.rowEnd ? m_rows[size_t(page.rowBegin)] : 1;
    const int last = page.rowBegin < page.rowEnd ? m_rows[size_t(page.rowEnd - 1)] : 0;
    work.restartCells(first);
    if (first <= last)
        m_source->fill(work, first, last);
    workCells.indexBoxes();
    return workCells;
}

bool SheetPainter::pageHasContent(const Page &page, const Cells &cells) const
{
    const SheetLayout &sheet = *cells.sheet;
    for (int i = page.rowBegin; i < page.rowEnd; ++i)
        for (int j = page.colBegin; j < page.colEnd; ++j)
            if (!sheet.text(m_rows[size_t(i)], m_cols[size_t(j)]).isEmpty())
                return true;
    if (page.rowBegin >= page.rowEnd || page.colBegin >= page.colEnd)
        return false;
    const SheetRange span { m_rows[size_t(page.rowBegin)], m_cols[size_t(page.colBegin)],
        m_rows[size_t(page.rowEnd - 1)], m_cols[size_t(page.colEnd - 1)] };
    bool found = false;
    forBoxesInRows(cells, span.top, span.bottom, [&](const SheetLayout::CheckBoxObject &box) {
        found = span.contains(int(box.rect.top()) + 1, int(box.rect.left()) + 1)
            && m_sheet.colWidth(int(box.rect.left()) + 1) > 0;
        return found;
    });
    return found;
}

void SheetPainter::applyPageSetup(QPagedPaintDevice &device) const
{
    device.setPageOrientation(m_sheet.orientation());
    if (device.setPageMargins(m_sheet.margins(), QPageLayout::Inch))
        return;
    // A printer that cannot print to the paper's edge keeps its own minimum there and the
    // sheet's margins everywhere else.
    QPageLayout layout = device.pageLayout();
    layout.setUnits(QPageLayout::Inch);
    const QMarginsF min = layout.minimumMargins();
    const QMarginsF want = m_sheet.margins();
    device.setPageMargins(QMarginsF(std::max(want.left(), min.left()), std::max(want.top(), min.top()),
                              std::max(want.right(), min.right()), std::max(want.bottom(), min.bottom())),
        QPageLayout::Inch);
}

SheetPainter::Painted SheetPainter::paintPages(const QSizeF &area, const Progress &progress,
    const std::function<void(const Page &, const Cells &, int number, int pageCount)> &paint) const
{
    const auto [rowRuns, colRuns] = runs(area);
    const QList<Page> places = this->places(rowRuns, colRuns);
    SheetLayout work;
    Cells workCells;

    // Only a header or footer that shows the page count needs the pages counted first.
    int pageCount = 0;
    if (showsPageCount(m_sheet.printHeader()) || showsPageCount(m_sheet.printFooter())) {
        for (const Page &page : places)
            pageCount += pageHasContent(page, cellsFor(page, work, workCells)) ? 1 : 0;
    }

    Painted out { 0, false, int(places.size()) };
    for (qsizetype i = 0; i < places.size(); ++i) {
        if (progress && !progress(int(i), int(places.size()))) {
            out.cancelled = true;
            break;
        }
        const Cells &cells = cellsFor(places[i], work, workCells);
        if (pageHasContent(places[i], cells)) {
            ++out.pages;
            paint(places[i], cells, out.pages, std::max(pageCount, out.pages));
        }
    }
    if (!out.pages && !out.cancelled) {
        // Nothing to print still gives one page: the headings of the first columns.
        const Page first { 0, rowRuns.empty() ? 0 : rowRuns.front().second, 0,
            colRuns.empty() ? 0 : colRuns.front().second };
        paint(first, cellsFor(first, work, workCells), ++out.pages, 1);
    }
    return out;
}

int SheetPainter::print(QPagedPaintDevice &device, const Progress &progress) const
{
    applyPageSetup(device);
    QPainter painter;
    if (!painter.begin(&device))
        return 0;
    const QSizeF area(device.width() * 1440.0 / device.logicalDpiX(), device.height() * 1440.0 / device.logicalDpiY());
    ShapedTexts shaped(sheetFont(m_sheet), &device);
    const Painted painted
        = paintPages(area, progress, [&](const Page &page, const Cells &cells, int number, int count) {
              if (number > 1)
                  device.newPage();
              painter.save();
              painter.scale(device.logicalDpiX() / 1440.0, device.logicalDpiY() / 1440.0);
              paintPage(painter, page, cells, shaped, number, count, area);
              painter.restore();
          });
    // The last page goes out at end(); a device that failed then has not printed.
    if (!painter.end())
        return 0;
    if (progress && !painted.cancelled)
        progress(painted.places, painted.places);
    return painted.pages;
}

bool SheetPainter::writePdf(const QString &path, QString *errorString) const
{
    auto fail = [&](const QString &why) {
        if (errorString)
            *errorString = QStringLiteral("Cannot write %1: %2.").arg(path, why);
        return false;
    };
    // Written beside the target and renamed at the end, so a full disk or a kill part way leaves
    // the old file as it was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    int pages = 0;
    bool shortWrite = false;
    const QString title = QFileInfo(path).completeBaseName();
    if (PdfCanvas::canWrite(sheetFont(m_sheet)) && PdfCanvas::canWrite(sheetFont(m_sheet, true))) {
        pages = writeDirectPdf(file, title, &shortWrite);
    } else {
        // Fonts without TrueType outlines go through Qt's own PDF engine.
        QPdfWriter writer(&file);
        writer.setPageSize(QPageSize(QPageSize::Letter));
        writer.setResolution(1200);
        writer.setCreator(QStringLiteral("Dirquill"));
        writer.setTitle(title);
        pages = print(writer);
    }
    // A write that failed part way is named as such, not as pages that could not be drawn.
    if (shortWrite || file.error() != QFileDevice::NoError) {
        const QString reason = writeFailureReason(path, file.errorString());
        file.cancelWriting();
        return fail(reason);
    }
    if (pages <= 0) {
        file.cancelWriting();
        return fail(QStringLiteral("the pages could not be drawn"));
    }
    if (!file.commit())
        return fail(writeFailureReason(path, file.errorString()));
    return true;
}

int SheetPainter::writeDirectPdf(QIODevice &file, const QString &title, bool *shortWrite) const
{
    const QPageLayout layout(QPageSize(QPageSize::Letter), m_sheet.orientation(), m_sheet.margins(), QPageLayout::Inch);
    // The printable area as QPdfWriter measures it at its 1200 dots an inch.
    const QSize dots = layout.paintRectPixels(1200).size();
    const QSizeF area(dots.width() * 1440.0 / 1200, dots.height() * 1440.0 / 1200);
    const QSizeF paper = layout.fullRect(QPageLayout::Point).size();
    const QPointF origin = layout.paintRect(QPageLayout::Point).topLeft();
    PdfDocument document(file, title, QStringLiteral("Dirquill"));
    PdfCanvas canvas(document);
    const Painted painted = paintPages(area, {}, [&](const Page &page, const Cells &cells, int number, int count) {
        canvas.beginPage(paper, origin);
        paintPage(canvas, page, cells, number, count, area);
        canvas.endPage();
    });
    const bool finished = document.finish();
    *shortWrite = document.writeFailed();
    return finished ? painted.pages : 0;
}

void SheetPainter::paintPage(QPainter &painter, const Page &page, const Cells &cells, ShapedTexts &shaped, int number,
    int pageCount, const QSizeF &area) const
{
    painter.setPen(Qt::black);
    painter.setFont(sheetFont(m_sheet));
    PainterCanvas canvas(painter, shaped);
    paintPage(canvas, page, cells, number, pageCount, area);
}

void SheetPainter::paintPage(
    PageCanvas &painter, const Page &page, const Cells &cells, int number, int pageCount, const QSizeF &area) const
{
    const SheetLayout &sheet = *cells.sheet;
    painter.setFont(sheetFont(m_sheet));
    const int band = headerFooterBand();
    double top = 0;
    if (!m_sheet.printHeader().isEmpty()) {
        painter.drawText(QRectF(0, 0, area.width(), band), Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine,
            SheetLayout::expandPageCodes(m_sheet.printHeader(), number, pageCount));
        top = band;
    }
    if (!m_sheet.printFooter().isEmpty())
        painter.drawText(QRectF(0, area.height() - band, area.width(), band),
            Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine,
            SheetLayout::expandPageCodes(m_sheet.printFooter(), number, pageCount));

    painter.save();
    painter.translate(0, top);
    const double zoom = m_sheet.scale() / 100.0;
    painter.scale(zoom);

    // Left edges of this page's columns, and the column number -> left edge lookup the
    // check boxes need.
    std::vector<double> xs;
    double x = 0;
    for (int j = page.colBegin; j < page.colEnd; ++j) {
        xs.push_back(x);
        x += m_sheet.colWidth(m_cols[size_t(j)]);
    }
    const double pageWidth = x;

    double y = 0;
    if (m_sheet.printColHeading()) {
        const double h = m_sheet.defaultRowHeight();
        painter.setFont(sheetFont(m_sheet, true));
        painter.fillRect(QRectF(0, 0, pageWidth, h), QColor(230, 230, 230));
        for (int j = page.colBegin; j < page.colEnd; ++j) {
            const int col = m_cols[size_t(j)];
            const QRectF cell(xs[size_t(j - page.colBegin)], 0, m_sheet.colWidth(col), h);
            painter.drawText(
                cell.adjusted(kCellPadX, 0, -kCellPadX, 0), Qt::AlignCenter | Qt::TextSingleLine, m_sheet.colText(col));
        }
        painter.drawLine(QPointF(0, h), QPointF(pageWidth, h));
        painter.setFont(sheetFont(m_sheet));
        y = h;
    }

    std::vector<double> ys;
    for (int i = page.rowBegin; i < page.rowEnd; ++i) {
        const int row = m_rows[size_t(i)];
        const double h = m_sheet.rowHeight(row);
        ys.push_back(y);
        for (int j = page.colBegin; j < page.colEnd; ++j) {
            const int col = m_cols[size_t(j)];
            const QString text = sheet.text(row, col);
            if (text.isEmpty())
                continue;
            const QRectF cell(xs[size_t(j - page.colBegin)], y, m_sheet.colWidth(col), h);
            painter.drawCellText(cell.adjusted(kCellPadX, kCellPadY, -kCellPadX, -kCellPadY),
                alignmentFlags(m_sheet.alignment(row, col), text), text);
        }
        y += h;
    }

    if (page.rowBegin < page.rowEnd && page.colBegin < page.colEnd) {
        const int firstRow = m_rows[size_t(page.rowBegin)];
        const int lastRow = m_rows[size_t(page.rowEnd - 1)];
        const int firstCol = m_cols[size_t(page.colBegin)];
        const int lastCol = m_cols[size_t(page.colEnd - 1)];
        forBoxesInRows(cells, firstRow, lastRow, [&](const SheetLayout::CheckBoxObject &box) {
            const int row = int(box.rect.top()) + 1;
            const int col = int(box.rect.left()) + 1;
            if (row < firstRow || row > lastRow || col < firstCol || col > lastCol)
                return false;
            const auto ci = std::find(m_cols.begin() + page.colBegin, m_cols.begin() + page.colEnd, col);
            const auto ri = std::find(m_rows.begin() + page.rowBegin, m_rows.begin() + page.rowEnd, row);
            if (ci == m_cols.begin() + page.colEnd || ri == m_rows.begin() + page.rowEnd)
                return false; // its column or row takes no space on paper
            const double w = m_sheet.colWidth(col);
            const double h = m_sheet.rowHeight(row);
            const double left = xs[size_t(ci - m_cols.begin() - page.colBegin)] + (box.rect.left() - (col - 1)) * w;
            const double boxTop = ys[size_t(ri - m_rows.begin() - page.rowBegin)] + (box.rect.top() - (row - 1)) * h;
            const QRectF r(left, boxTop, box.rect.width() * w, box.rect.height() * h);
            painter.strokeRect(r, 15);
            if (box.checked) {
                const QPointF tick[] = { { r.left() + r.width() * 0.2, r.top() + r.height() * 0.55 },
                    { r.left() + r.width() * 0.42, r.top() + r.height() * 0.8 },
                    { r.left() + r.width() * 0.82, r.top() + r.height() * 0.2 } };
                painter.strokePolyline(tick, 3, 25);
            }
            return false;
        });
    }
    painter.restore();
}

SheetPainter::PageWork::PageWork(const SheetPainter &painter)
    : m_painter(painter)
    , m_work(std::make_unique<SheetLayout>())
{
}

SheetPainter::PageWork::~PageWork() = default;

const SheetPainter::Cells &SheetPainter::PageWork::cellsFor(const Page &place)
{
    // A page shown again, or checked and then painted, is filled once.
    if (!m_cells || place.rowBegin != m_place.rowBegin || place.rowEnd != m_place.rowEnd) {
        m_cells = &m_painter.cellsFor(place, *m_work, m_workCells);
        m_place = place;
    }
    return *m_cells;
}

bool SheetPainter::PageWork::hasContent(const Page &place)
{
    return m_painter.pageHasContent(place, cellsFor(place));
}

void SheetPainter::PageWork::paint(QPainter &painter, const Page &place, int number, int pageCount, const QSizeF &area)
{
    const Cells &cells = cellsFor(place);
    if (!m_shaped || m_device != painter.device()) {
        m_device = painter.device();
        QPaintDevice *measure = painter.device();
        if (measure->devType() == QInternal::Widget) {
            m_measure = std::make_unique<QImage>(1, 1, QImage::Format_RGB32);
            measure = m_measure.get();
        }
        m_shaped = std::make_unique<ShapedTexts>(sheetFont(m_painter.m_sheet), measure);
    }
    painter.save();
    m_painter.paintPage(painter, place, cells, *m_shaped, number, pageCount, area);
    painter.restore();
}

void SheetPainter::PageWork::paint(PageCanvas &canvas, const Page &place, int number, int pageCount, const QSizeF &area)
{
    const Cells &cells = cellsFor(place);
    m_painter.paintPage(canvas, place, cells, number, pageCount, area);
}

QList<SheetPainter::Page> SheetPainter::pagePlaces(const QSizeF &printableTwips) const
{
    const auto [rowRuns, colRuns] = runs(printableTwips);
    return places(rowRuns, colRuns);
}

SheetPainter::Page SheetPainter::blankPage(const QSizeF &printableTwips) const
{
    const auto [rowRuns, colRuns] = runs(printableTwips);
    return Page { 0, rowRuns.empty() ? 0 : rowRuns.front().second, 0, colRuns.empty() ? 0 : colRuns.front().second };
}

bool SheetPainter::pageCountShown() const
{
    return showsPageCount(m_sheet.printHeader()) || showsPageCount(m_sheet.printFooter());
}

bool SheetPainter::writesPdfDirectly() const
{
    return PdfCanvas::canWrite(sheetFont(m_sheet)) && PdfCanvas::canWrite(sheetFont(m_sheet, true));
}

} // namespace dq
