#pragma once

#include <QList>
#include <QMarginsF>
#include <QPageLayout>
#include <QRectF>
#include <QString>

#include <vector>

namespace dq {

// A block of sheet cells, inclusive. Sheet rows and columns count from 1, as in "A1:C16".
struct SheetRange
{
    int top = 1;
    int left = 1;
    int bottom = 0;
    int right = 0;

    bool isEmpty() const { return bottom < top || right < left; }
    bool contains(int row, int col) const { return row >= top && row <= bottom && col >= left && col <= right; }
    // "A1:C16" (also "A1" for one cell); an empty range gives empty text.
    QString text() const;
    // Parses "A1:C16", "c16:a1" or "B7"; anything else gives an empty range.
    static SheetRange parse(const QString &text);
    bool operator==(const SheetRange &) const = default;
};

// Column letters of a 1-based column: 1 -> "A", 26 -> "Z", 27 -> "AA".
QString sheetColumnName(int col);

// Our spreadsheet-layout component: a page of cells the print dialogs compose and
// SheetPainter puts on paper. It keeps text, column widths and row heights in twips,
// one font, alignment blocks, check-box objects and the page setup (print area, header,
// footer, column headings, scale, orientation, margins).
//
// The sheet spans rows 1..lastRow() and columns 1..lastCol(); writing beyond grows it,
// lowering the last row or column drops what lies beyond. Out-of-range addresses
// (row or column below 1) are ignored by setters and read as empty.
class SheetLayout
{
public:
    enum class HAlign { General, Left, Center, Right }; // General: numbers right, text left
    enum class VAlign { Top, Center, Bottom };

    struct CellAlignment
    {
        HAlign horizontal = HAlign::General;
        bool wrap = false;
        VAlign vertical = VAlign::Bottom;
        bool operator==(const CellAlignment &) const = default;
    };

    // A tick box drawn over the cells. rect is in cell coordinates: column c (1-based)
    // spans x from c - 1 to c, row r spans y from r - 1 to r.
    struct CheckBoxObject
    {
        int id = 0;
        QRectF rect;
        bool checked = false;
    };

    static constexpr int kDefaultColWidth = 960; // twips
    static constexpr int kDefaultRowHeight = 255; // twips

    SheetLayout();

    // Clears text, alignment blocks and check boxes anchored in the range; widths,
    // heights and the page setup stay.
    void clearRange(int top, int left, int bottom, int right);

    // --- shape ---------------------------------------------------------------------------
    int lastRow() const { return m_lastRow; }
    int lastCol() const { return m_lastCol; }
    void setLastRow(int row);
    void setLastCol(int col);

    int colWidth(int col) const; // twips; 0 = the column does not print
    void setColWidth(int col, int twips);
    int rowHeight(int row) const; // twips
    void setRowHeight(int row, int twips);
    // Height of every row: drops the heights set per row.
    void setAllRowHeights(int twips);
    int defaultRowHeight() const { return m_defaultRowHeight; }

    QString fontFamily() const { return m_fontFamily; }
    double fontSize() const { return m_fontSize; } // points
    void setFont(const QString &family, double points);

    // --- text ----------------------------------------------------------------------------
    QString text(int row, int col) const;
    void setText(int row, int col, const QString &text);
    // Pastes tab-separated fields and CR / LF / CR LF separated lines with the first
    // field at A1, one cell per field. The pasted block becomes the selection.
    SheetRange editPaste(const QString &clip);
    SheetRange selection() const { return m_selection; }

    // Drops every cell's text and every check box, and from now on keeps text only for rows
    // from firstRow on (earlier rows read as empty, writes to them are ignored). A long sheet
    // is printed a page at a time through one layout that never holds more than a page.
    void restartCells(int firstRow);

    void setAlignment(const SheetRange &range, const CellAlignment &alignment);
    CellAlignment alignment(int row, int col) const;

    // --- check-box objects ---------------------------------------------------------------
    int addCheckBox(const QRectF &cellRect); // returns the object id
    void setCheckBoxChecked(int id, bool checked);
    const QList<CheckBoxObject> &checkBoxes() const { return m_checkBoxes; }

    // --- page setup ----------------------------------------------------------------------
    // Returns false (and keeps the old area) when text is not a range.
    bool setPrintArea(const QString &text);
    void setPrintArea(const SheetRange &range) { m_printArea = range; } // empty: the whole sheet
    QString printArea() const { return m_printArea.text(); }
    SheetRange printAreaRange() const { return m_printArea; }

    // Header and footer texts; "&P" stands for the page number, "&N" for the page
    // count, "&&" for one ampersand.
    QString printHeader() const { return m_header; }
    void setPrintHeader(const QString &text) { m_header = text; }
    QString printFooter() const { return m_footer; }
    void setPrintFooter(const QString &text) { m_footer = text; }
    static QString expandPageCodes(const QString &text, int page, int pageCount);

    bool printColHeading() const { return m_colHeading; }
    void setPrintColHeading(bool on) { m_colHeading = on; }
    // The heading printed above a column; the column letters unless set.
    QString colText(int col) const;
    void setColText(int col, const QString &text);

    int scale() const { return m_scale; } // percent, kept within 10..400
    void setScale(int percent);
    QPageLayout::Orientation orientation() const { return m_orientation; }
    void setOrientation(QPageLayout::Orientation o) { m_orientation = o; }
    QMarginsF margins() const { return m_margins; } // inches: left, top, right, bottom
    void setMargins(const QMarginsF &inches) { m_margins = inches; }

private:
    struct AlignedBlock
    {
        SheetRange range;
        CellAlignment alignment;
    };

    void grow(int row, int col);

    std::vector<std::vector<QString>> m_cells; // [row - 1 - m_cellBase][col - 1], rows may be short
    int m_cellBase = 0; // rows up to this one hold no text
    int m_lastRow = 0;
    int m_lastCol = 0;
    std::vector<int> m_colWidths; // -1 = default
    std::vector<int> m_rowHeights; // -1 = default
    int m_defaultRowHeight = kDefaultRowHeight;
    QString m_fontFamily = QStringLiteral("Arial");
    double m_fontSize = 10;
    QList<AlignedBlock> m_aligned;
    QList<CheckBoxObject> m_checkBoxes;
    int m_nextCheckBoxId = 1;
    SheetRange m_selection;
    SheetRange m_printArea;
    QString m_header;
    QString m_footer = QStringLiteral("Page &P");
    bool m_colHeading = true;
    std::vector<QString> m_colTexts;
    int m_scale = 100;
    QPageLayout::Orientation m_orientation = QPageLayout::Portrait;
    QMarginsF m_margins { 0.75, 0.75, 0.75, 0.75 };
};

} // namespace dq
