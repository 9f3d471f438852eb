#pragma once

#include <QByteArray>
#include <QSizeF>
#include <QString>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QIODevice;
class QRawFont;

namespace dq {

class PdfFont;

// Writes a PDF page by page to a device: each page's content stream is compressed and written
// as soon as it is handed over, so memory holds no more than one page, the objects' offsets
// and the fonts' used glyphs. The fonts (TrueType only, see PdfFont), the page tree and the
// cross-reference table follow at finish().
class PdfDocument
{
public:
    PdfDocument(QIODevice &out, const QString &title, const QString &creator);
    ~PdfDocument();

    // The font's number for "/F<n> size Tf" in content streams; fonts are told apart by
    // family, style and weight, whatever their size.
    int fontIndex(const QRawFont &raw);
    PdfFont &font(int index) { return *m_fonts[size_t(index)]; }

    // Adds a page of the size in points with the content stream.
    void addPage(const QSizeF &points, std::string_view content);
    // Writes what follows the pages. False when anything failed.
    bool finish();
    // Whether the device took less than it was given (a full disk).
    bool writeFailed() const { return m_writeFailed; }

private:
    int reserve();
    void beginObject(int number);
    void writeStream(int number, const QByteArray &dictionary, std::string_view data);
    void write(std::string_view bytes);
    void write(const QByteArray &bytes);
    void flush();

    QIODevice &m_out;
    QString m_title;
    QString m_creator;
    std::string m_buffer;
    std::vector<uint8_t> m_deflateLevel; // the compressor's work area, kept between streams
    qint64 m_offset = 0;
    bool m_failed = false;
    bool m_writeFailed = false;
    std::vector<qint64> m_objects; // offset of each object; index 0 is unused
    std::vector<int> m_pages;
    std::vector<std::unique_ptr<PdfFont>> m_fonts;
    std::vector<QString> m_fontKeys;
};

} // namespace dq
