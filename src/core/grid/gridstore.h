#pragma once

#include "core/grid/gridmodel.h"

#include <QByteArrayView>
#include <QColor>
#include <QString>

#include <array>
#include <bit>
#include <memory>
#include <utility>
#include <vector>

namespace dq {

// The texts of one grid row in one allocation: a cell count, where every cell ends and then
// the cells' UTF-8 bytes back to back. A row of empty cells costs no allocation; cells past
// the stored count read as empty. A million 13-column listing rows then cost one small block
// each instead of thirteen separately allocated strings. A row of few, short cells (the usual
// listing) keeps one length byte per cell; other rows keep four-byte end offsets.
//
// Rows built while a thread holds a Pool are cut from shared 64 KB blocks instead of the heap:
// no allocator header or rounding per row, and a block goes back to the system as soon as its
// last row is gone, so freeing a whole table leaves no holes in the heap.
class RowCells
{
public:
    RowCells() = default;
    RowCells(RowCells &&other) noexcept
        : m_data(std::exchange(other.m_data, nullptr))
    {
    }
    RowCells &operator=(RowCells &&other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.m_data, nullptr));
        return *this;
    }
    RowCells(const RowCells &other);
    RowCells &operator=(const RowCells &other);
    ~RowCells() { reset(nullptr); }

    // While one lives, rows built on this thread come from shared blocks (see above). Meant
    // for readers and whole-table commands that build many rows at once off the window's thread.
    class Pool
    {
    public:
        Pool();
        ~Pool();
        Pool(const Pool &) = delete;
        Pool &operator=(const Pool &) = delete;
    };

    // Builds a row from UTF-8 cells; trailing empty cells are not stored.
    static RowCells fromUtf8(const QByteArrayView *cells, int count);
    static RowCells fromStrings(const QStringList &cells, int maxCount);

    int storedCount() const;
    bool isBlank() const { return !m_data; }
    QByteArrayView utf8(int col) const;
    QString text(int col) const { return textOf(utf8(col)); }
    // UTF-8 cell bytes as text. Unlike QString::fromUtf8, a U+FEFF at the start is kept: in a
    // cell it is text, not a byte-order mark.
    static QString textOf(QByteArrayView utf8);
    qsizetype byteSize() const;

    void setUtf8(int col, QByteArrayView value);
    void setText(int col, const QString &value) { setUtf8(col, value.toUtf8()); }
    void truncate(int count);
    void insertCell(int col);
    void removeCell(int col);
    void moveCell(int from, int to);

private:
    std::vector<QByteArrayView> views(int atLeast) const;
    void reset(char *data);
    // Header of the block: the first byte is the cell count when it is at most kMaxShortCells
    // and one length byte per cell follows; kWide means a four-byte count and four-byte ends.
    // kPooled is added to the first byte of a row cut from a shared block.
    static constexpr int kMaxShortCells = 64;
    static constexpr uchar kWide = 0x7F;
    static constexpr uchar kPooled = 0x80;
    char *m_data = nullptr;
};

struct GridRow
{
    RowCells cells;
    std::unique_ptr<std::vector<CellFormat>> formats; // only rows with formatting have it
    int height = -1; // twips; -1 = the default height
    bool selected = false; // list-box selection mark

    GridRow() = default;
    GridRow(GridRow &&) noexcept = default;
    GridRow &operator=(GridRow &&) noexcept = default;
};

// Grid-wide settings that files carry.
struct GridSettings
{
    QColor alternateRowColor; // invalid = no alternate background
    bool gridLines = true;
    int fontSize = 8; // points
    bool dragEnabled = false; // drag of the selection out as text
    bool sortOnTitleClick = false;
    bool columnDragEnabled = false;

    bool operator==(const GridSettings &) const = default;
};

// Everything a grid file holds: shape, texts, column attributes, row heights, cell formats
// and grid-wide settings. Readers fill one of these off to the side and hand it to the model
// in one step, so a failed read never touches the model.
struct GridStore
{
    std::vector<GridRow> rows;
    std::vector<ColumnAttributes> columns;
    int fixedRows = 1;
    int fixedCols = 0;
    GridSettings settings;

    // Set by fitRows(): no row holds more cells than there are columns, formats match the
    // columns and no row is marked, so a grid takes the rows without looking at each one.
    bool rowsFitted = false;
    bool anyRowHeight = true; // false once fitRows() found no row with its own height

    int rowCount() const { return int(rows.size()); }
    int colCount() const { return int(columns.size()); }
    // Readers call this on their own thread, so the window's thread need not touch every row.
    void fitRows();
};

// UTF-16 code-unit order of two UTF-8 texts without decoding them (sorting compares this way
// so it matches QString::compare).
int compareUtf8AsUtf16(QByteArrayView a, QByteArrayView b);

// UTF-8 byte order is code-point order; UTF-16 order departs from it only where a lead byte
// from here up (U+E000 and above) meets another such byte.
constexpr uchar kFirstByteOutOfUtf16Order = 0xEE;

// The first 8 * Words bytes of a UTF-8 text packed big-endian (zero padded), so comparing the
// numbers compares the texts' starts in UTF-16 order: most comparisons of a sort end here,
// without following every row's block. Prefixes that first differ at a byte from
// kFirstByteOutOfUtf16Order up do not decide.
template <size_t Words> struct Utf8SortPrefix
{
    std::array<quint64, Words> words {};

    Utf8SortPrefix() = default;
    explicit Utf8SortPrefix(QByteArrayView s)
    {
        const qsizetype n = qMin<qsizetype>(qsizetype(Words) * 8, s.size());
        for (qsizetype i = 0; i < n; ++i)
            words[size_t(i / 8)] |= quint64(uchar(s[i])) << (56 - 8 * (i % 8));
    }
    // <0 or >0 when the prefixes settle the order; 0 when only the whole texts can tell.
    int compare(const Utf8SortPrefix &o) const
    {
        for (size_t i = 0; i < Words; ++i) {
            if (words[i] == o.words[i])
                continue;
            const int shift = 56 - 8 * (std::countl_zero(words[i] ^ o.words[i]) / 8);
            const auto x = uchar(words[i] >> shift);
            const auto y = uchar(o.words[i] >> shift);
            if (x >= kFirstByteOutOfUtf16Order || y >= kFirstByteOutOfUtf16Order)
                return 0;
            return x < y ? -1 : 1;
        }
        return 0;
    }
};

} // namespace dq
