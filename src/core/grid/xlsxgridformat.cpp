#include "core/grid/xlsxgridformat.h"

#include "core/grid/gridstore.h"
#include "core/grid/xlsxsheetreader.h"

#include <QFile>
#include <QIODevice>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <tuple>

namespace dq {

namespace {

// Everything a written cell's Excel format depends on; equal keys share one format.
struct FormatKey
{
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool wrap = false;
    quint8 fontSize = 0;
    qint64 fore = -1; // -1 = none
    qint64 back = -1;
    Alignment alignment = Alignment::General;

    auto tie() const { return std::tie(bold, italic, underline, wrap, fontSize, fore, back, alignment); }
    bool operator<(const FormatKey &o) const { return tie() < o.tie(); }
    bool isPlain() const { return tie() == FormatKey {}.tie(); }
};

lxw_color_t lxwColor(QRgb rgb)
{
    const lxw_color_t c = rgb & 0xFFFFFF;
    return c == 0 ? lxw_color_t(LXW_COLOR_BLACK) : c; // 0 means "unset" to the library
}

// Workbooks carry characters XML cannot as "_xHHHH_"; text that only looks like that would
// read back as the character, so its underscore is written as such an escape ("_x005F_").
void escapeLiteralEscapes(std::string &text)
{
    if (text.find("_x") == std::string::npos)
        return;
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '_' && i + 6 < text.size() && text[i + 1] == 'x' && text[i + 6] == '_'
            && std::all_of(text.begin() + qsizetype(i) + 2, text.begin() + qsizetype(i) + 6,
                [](char c) { return std::isxdigit(uchar(c)); }))
            out += "_x005F";
        out += text[i];
    }
    text.swap(out);
}

class WorkbookWriter
{
public:
    WorkbookWriter(const GridStore &store, const QString &path, const QString &tmpDir, const QString &name)
        : m_store(store)
        , m_name(name)
    {
        m_tmpDir = QFile::encodeName(tmpDir).toStdString();
        lxw_workbook_options options {};
        options.constant_memory = LXW_TRUE; // rows stream to disk: a million rows stay small
        options.tmpdir = m_tmpDir.data();
        options.use_zip64 = estimatedBytes() > (qint64(3) << 30) ? LXW_TRUE : LXW_FALSE;
        m_book = workbook_new_opt(QFile::encodeName(path).constData(), &options);
        if (m_book)
            m_sheet = workbook_add_worksheet(m_book, "Sheet1");
    }
    ~WorkbookWriter()
    {
        if (m_book)
            workbook_close(m_book); // only after a failure: close() below takes it otherwise
    }
    WorkbookWriter(const WorkbookWriter &) = delete;
    WorkbookWriter &operator=(const WorkbookWriter &) = delete;

    FileResult run()
    {
        if (!m_sheet)
            return fail(QStringLiteral("the workbook could not be created"));
        if (const QString limit = checkLimits(); !limit.isEmpty())
            return FileResult::failure(QStringLiteral("\"%1\" cannot be saved as a workbook: %2").arg(m_name, limit));
        for (int c = 0; c < m_store.colCount(); ++c) {
            const ColumnAttributes &a = m_store.columns[size_t(c)];
            lxw_row_col_options options {};
            options.hidden = a.hidden ? LXW_TRUE : LXW_FALSE;
            FormatKey key;
            key.alignment = a.alignment;
            const lxw_error e = worksheet_set_column_pixels_opt(
                m_sheet, lxw_col_t(c), lxw_col_t(c), quint32(qMax(0, (a.width + 7) / 15)), format(key), &options);
            if (e != LXW_NO_ERROR)
                return fail(e);
        }
        if (m_store.fixedRows > 0 && m_store.fixedRows < m_store.rowCount())
            worksheet_freeze_panes(m_sheet, lxw_row_t(m_store.fixedRows), 0);
        std::string text;
        for (int r = 0; r < m_store.rowCount(); ++r) {
            const GridRow &row = m_store.rows[size_t(r)];
            if (row.height >= 0) {
                if (const lxw_error e = worksheet_set_row(m_sheet, lxw_row_t(r), row.height / 20.0, nullptr))
                    return fail(e);
            }
            // Title cells are written even when empty (as bold blanks), so an empty last
            // column still counts when the workbook is read back.
            const bool title = r < m_store.fixedRows;
            const int stored
                = row.formats || title ? m_store.colCount() : qMin(row.cells.storedCount(), m_store.colCount());
            for (int c = 0; c < stored; ++c) {
                const QByteArrayView utf8 = row.cells.utf8(c);
                const CellFormat *cf = row.formats ? &(*row.formats)[size_t(c)] : nullptr;
                if (utf8.isEmpty() && !title && (!cf || cf->isDefault()))
                    continue;
                lxw_format *f = cellFormat(r, c, cf, utf8);
                text.assign(utf8.data(), size_t(utf8.size()));
                escapeLiteralEscapes(text);
                // Always a string cell: text that looks like a formula or a number stays text.
                const lxw_error e = utf8.isEmpty()
                    ? worksheet_write_blank(m_sheet, lxw_row_t(r), lxw_col_t(c), f)
                    : worksheet_write_string(m_sheet, lxw_row_t(r), lxw_col_t(c), text.c_str(), f);
                if (e != LXW_NO_ERROR)
                    return fail(e);
            }
        }
        lxw_workbook *book = m_book;
        m_book = nullptr;
        if (const lxw_error e = workbook_close(book))
            return fail(e);
        return FileResult::success();
    }

private:
    qint64 estimatedBytes() const
    {
        qint64 total = 0;
        for (const GridRow &row : m_store.rows)
            total += row.cells.byteSize() + qint64(row.cells.storedCount()) * 48;
        return total;
    }

    QString checkLimits() const
    {
        if (m_store.rowCount() > XlsxGridFormat::kMaxRows)
            return QStringLiteral("it has %1 rows, a workbook holds at most %2.")
                .arg(m_store.rowCount())
                .arg(XlsxGridFormat::kMaxRows);
        if (m_store.colCount() > XlsxGridFormat::kMaxCols)
            return QStringLiteral("it has %1 columns, a workbook holds at most %2.")
                .arg(m_store.colCount())
                .arg(XlsxGridFormat::kMaxCols);
        for (int r = 0; r < m_store.rowCount(); ++r) {
            const RowCells &cells = m_store.rows[size_t(r)].cells;
            for (int c = 0; c < cells.storedCount(); ++c) {
                // Only long cells are decoded: 32,767 UTF-16 units need at least that many bytes.
                if (cells.utf8(c).size() > XlsxGridFormat::kMaxCellChars
                    && cells.text(c).size() > XlsxGridFormat::kMaxCellChars)
                    return QStringLiteral("the cell in row %1, column %2 holds more than %3 characters, "
                                          "more than a workbook cell can hold.")
                        .arg(r + 1)
                        .arg(c + 1)
                        .arg(XlsxGridFormat::kMaxCellChars);
            }
        }
        return {};
    }

    lxw_format *cellFormat(int row, int col, const CellFormat *cf, QByteArrayView text)
    {
        FormatKey key;
        key.alignment = m_store.columns[size_t(col)].alignment;
        key.bold = row < m_store.fixedRows;
        key.wrap = text.contains('\n');
        if (cf) {
            key.bold = key.bold || cf->bold;
            key.italic = cf->italic;
            key.underline = cf->underline;
            key.fontSize = cf->fontSize;
            key.fore = cf->hasFore ? qint64(cf->fore & 0xFFFFFF) : -1;
            key.back = cf->hasBack ? qint64(cf->back & 0xFFFFFF) : -1;
            if (cf->alignment != Alignment::Default)
                key.alignment = cf->alignment;
        }
        return format(key);
    }

    lxw_format *format(const FormatKey &key)
    {
        if (key.isPlain())
            return nullptr;
        auto found = m_formats.find(key);
        if (found != m_formats.end())
            return found->second;
        lxw_format *f = workbook_add_format(m_book);
        if (key.bold)
            format_set_bold(f);
        if (key.italic)
            format_set_italic(f);
        if (key.underline)
            format_set_underline(f, LXW_UNDERLINE_SINGLE);
        if (key.wrap)
            format_set_text_wrap(f);
        if (key.fontSize)
            format_set_font_size(f, key.fontSize);
        if (key.fore >= 0)
            format_set_font_color(f, lxwColor(QRgb(key.fore)));
        if (key.back >= 0) {
            format_set_pattern(f, LXW_PATTERN_SOLID);
            format_set_bg_color(f, lxwColor(QRgb(key.back)));
        }
        switch (key.alignment) {
        case Alignment::LeftCenter:
            format_set_align(f, LXW_ALIGN_LEFT);
            break;
        case Alignment::CenterCenter:
            format_set_align(f, LXW_ALIGN_CENTER);
            break;
        case Alignment::RightCenter:
            format_set_align(f, LXW_ALIGN_RIGHT);
            break;
        case Alignment::General:
        case Alignment::Default:
            break;
        }
        if (key.alignment != Alignment::General && key.alignment != Alignment::Default)
            format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
        m_formats.emplace(key, f);
        return f;
    }

    FileResult fail(lxw_error e) { return fail(QString::fromUtf8(lxw_strerror(e))); }
    FileResult fail(const QString &why)
    {
        return FileResult::failure(QStringLiteral("\"%1\" could not be written: %2").arg(m_name, why));
    }

    const GridStore &m_store;
    QString m_name;
    std::string m_tmpDir;
    lxw_workbook *m_book = nullptr;
    lxw_worksheet *m_sheet = nullptr;
    std::map<FormatKey, lxw_format *> m_formats;
};

// The last row holding any text, -1 when none does.
int lastFilledRow(const GridStore &store)
{
    for (int r = store.rowCount() - 1; r >= 0; --r)
        for (int c = 0; c < store.colCount(); ++c)
            if (!store.rows[size_t(r)].cells.utf8(c).isEmpty())
                return r;
    return -1;
}

// The library does not check its writes to its own temporary files: a full disk or a file-size
// limit leaves a shortened sheet that still packs into a sound archive. Reading the workbook
// back shows whether every row made it, before the old file is replaced.
FileResult checkBuilt(const QString &path, const GridStore &store, const QString &name)
{
    QFile built(path);
    GridStore back;
    const bool read = built.open(QIODevice::ReadOnly) && XlsxSheetReader::read(built, name, back);
    if (read && lastFilledRow(back) == lastFilledRow(store))
        return FileResult::success();
    return FileResult::failure(
        QStringLiteral("\"%1\" could not be written: the workbook came out incomplete (the disk may be full)")
            .arg(name));
}

} // namespace

FileResult XlsxGridFormat::write(const GridStore &store, QIODevice &device, const QString &name)
{
    // The library writes to a named file; it is built in a private folder and then copied out.
    QTemporaryDir dir;
    if (!dir.isValid())
        return FileResult::failure(
            QStringLiteral("\"%1\" could not be written: no temporary folder (%2).").arg(name, dir.errorString()));
    const QString path = dir.filePath(QStringLiteral("book.xlsx"));
    {
        WorkbookWriter writer(store, path, dir.path(), name);
        if (const FileResult r = writer.run(); !r)
            return r;
    }
    if (const FileResult r = checkBuilt(path, store, name); !r)
        return r;
    QFile built(path);
    if (!built.open(QIODevice::ReadOnly))
        return FileResult::failure(QStringLiteral("\"%1\" could not be written: %2").arg(name, built.errorString()));
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 got = built.read(chunk.data(), chunk.size());
        if (got < 0)
            return FileResult::failure(
                QStringLiteral("\"%1\" could not be written: %2").arg(name, built.errorString()));
        if (got == 0)
            break;
        if (device.write(chunk.constData(), got) != got)
            return FileResult::failure(
                QStringLiteral("\"%1\" could not be written: %2").arg(name, device.errorString()));
    }
    return FileResult::success();
}

FileResult XlsxGridFormat::read(QIODevice &device, const QString &name, GridStore &store)
{
    return XlsxSheetReader::read(device, name, store);
}

} // namespace dq
