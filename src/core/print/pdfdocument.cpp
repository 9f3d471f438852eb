#include "core/print/pdfdocument.h"

#include "core/print/pdffont.h"

#include <QIODevice>
#include <QRawFont>

#include <isa-l/igzip_lib.h>

#include <cstdio>

namespace dq {

namespace {

constexpr int kCatalog = 1;
constexpr int kPageTree = 2;
constexpr int kResources = 3;
constexpr int kInfo = 4;
constexpr size_t kFlushAt = 1 << 20;

// Deflates with a zlib header, as /FlateDecode wants. ISA-L's fastest level: the pages are
// mostly text, and compressing them is most of the time a PDF takes to write otherwise.
QByteArray deflate(std::string_view data, std::vector<uint8_t> &level)
{
    isal_zstream s;
    isal_deflate_init(&s);
    level.resize(ISAL_DEF_LVL1_DEFAULT);
    s.level = 1;
    s.level_buf = level.data();
    s.level_buf_size = uint32_t(level.size());
    s.gzip_flag = IGZIP_ZLIB;
    s.end_of_stream = 1;
    s.flush = NO_FLUSH;
    s.next_in = reinterpret_cast<uint8_t *>(const_cast<char *>(data.data()));
    s.avail_in = uint32_t(data.size());
    QByteArray out;
    out.resize(qsizetype(data.size() + data.size() / 8 + 1024));
    qsizetype used = 0;
    for (;;) {
        s.next_out = reinterpret_cast<uint8_t *>(out.data()) + used;
        s.avail_out = uint32_t(out.size() - used);
        if (isal_deflate(&s) != COMP_OK)
            return {};
        used = out.size() - s.avail_out;
        if (s.internal_state.state == ZSTATE_END)
            break;
        out.resize(out.size() * 2);
    }
    out.resize(used);
    return out;
}

// A text string as UTF-16 with its byte-order mark, in hex.
QByteArray textString(const QString &text)
{
    QByteArray out = "<FEFF";
    for (QChar ch : text)
        out += QByteArray::number(ch.unicode() | 0x10000, 16).mid(1).toUpper();
    return out + '>';
}

QByteArray ref(int number)
{
    return QByteArray::number(number) + " 0 R";
}

} // namespace

PdfDocument::PdfDocument(QIODevice &out, const QString &title, const QString &creator)
    : m_out(out)
    , m_title(title)
    , m_creator(creator)
    , m_objects(kInfo + 1, 0)
{
    write(std::string_view("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n"));
}

PdfDocument::~PdfDocument() = default;

int PdfDocument::fontIndex(const QRawFont &raw)
{
    const QString key = raw.familyName() + u'\n' + raw.styleName() + u'\n' + QString::number(raw.weight()) + u'\n'
        + QString::number(int(raw.style()));
    for (size_t i = 0; i < m_fontKeys.size(); ++i)
        if (m_fontKeys[i] == key)
            return int(i);
    m_fontKeys.push_back(key);
    m_fonts.push_back(std::make_unique<PdfFont>(raw));
    return int(m_fonts.size() - 1);
}

int PdfDocument::reserve()
{
    m_objects.push_back(0);
    return int(m_objects.size() - 1);
}

void PdfDocument::beginObject(int number)
{
    m_objects[size_t(number)] = m_offset + qint64(m_buffer.size());
    write(QByteArray::number(number).toStdString() + " 0 obj\n");
}

void PdfDocument::writeStream(int number, const QByteArray &dictionary, std::string_view data)
{
    const QByteArray packed = deflate(data, m_deflateLevel);
    if (packed.isEmpty() && !data.empty())
        m_failed = true;
    beginObject(number);
    write(
        ("<< " + dictionary + " /Filter /FlateDecode /Length " + QByteArray::number(packed.size()) + " >>\nstream\n"));
    write(std::string_view(packed.constData(), size_t(packed.size())));
    write(std::string_view("\nendstream\nendobj\n"));
}

void PdfDocument::addPage(const QSizeF &points, std::string_view content)
{
    const int page = reserve();
    const int stream = reserve();
    m_pages.push_back(page);
    writeStream(stream, {}, content);
    beginObject(page);
    write(("<< /Type /Page /Parent " + ref(kPageTree) + " /MediaBox [0 0 " + QByteArray::number(points.width()) + ' '
        + QByteArray::number(points.height()) + "] /Resources " + ref(kResources) + " /Contents " + ref(stream)
        + " >>\nendobj\n"));
    if (m_buffer.size() >= kFlushAt)
        flush();
}

bool PdfDocument::finish()
{
    QByteArray fonts;
    for (size_t i = 0; i < m_fonts.size(); ++i) {
        PdfFont &font = *m_fonts[i];
        const int type0 = reserve();
        const int cid = reserve();
        const int descriptor = reserve();
        const int file = reserve();
        const int cmap = reserve();
        // A six-letter tag per font marks it as a subset.
        QByteArray tag = "AAAAAA+";
        for (int k = 0, n = int(i); k < 6; ++k, n /= 26)
            tag[5 - k] = char('A' + n % 26);
        const QByteArray name = '/' + tag + font.baseName();
        const QByteArray program = font.subset();
        if (program.isEmpty())
            m_failed = true;
        fonts += "/F" + QByteArray::number(qsizetype(i)) + ' ' + ref(type0) + ' ';
        beginObject(type0);
        write(("<< /Type /Font /Subtype /Type0 /BaseFont " + name + " /Encoding /Identity-H /DescendantFonts ["
            + ref(cid) + "] /ToUnicode " + ref(cmap) + " >>\nendobj\n"));
        beginObject(cid);
        write(("<< /Type /Font /Subtype /CIDFontType2 /BaseFont " + name
            + " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /FontDescriptor "
            + ref(descriptor) + " /CIDToGIDMap /Identity /DW 0 /W " + font.widths() + " >>\nendobj\n"));
        beginObject(descriptor);
        write(("<< /Type /FontDescriptor /FontName " + name + ' ' + font.descriptorEntries() + " /FontFile2 "
            + ref(file) + " >>\nendobj\n"));
        writeStream(file, "/Length1 " + QByteArray::number(program.size()),
            std::string_view(program.constData(), size_t(program.size())));
        const QByteArray unicode = font.toUnicode();
        writeStream(cmap, {}, std::string_view(unicode.constData(), size_t(unicode.size())));
    }
    beginObject(kResources);
    write(QByteArray("<< /Font << " + fonts + ">> /ProcSet [/PDF /Text] >>\nendobj\n"));
    QByteArray kids;
    for (int page : m_pages)
        kids += ref(page) + ' ';
    beginObject(kPageTree);
    write(("<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(qsizetype(m_pages.size()))
        + " >>\nendobj\n"));
    beginObject(kCatalog);
    write(("<< /Type /Catalog /Pages " + ref(kPageTree) + " >>\nendobj\n"));
    beginObject(kInfo);
    write(("<< /Title " + textString(m_title) + " /Creator " + textString(m_creator) + " /Producer "
        + textString(m_creator) + " >>\nendobj\n"));

    const qint64 xref = m_offset + qint64(m_buffer.size());
    write("xref\n0 " + std::to_string(m_objects.size()) + "\n0000000000 65535 f \n");
    char entry[32];
    for (size_t i = 1; i < m_objects.size(); ++i) {
        std::snprintf(entry, sizeof entry, "%010lld 00000 n \n", static_cast<long long>(m_objects[i]));
        write(std::string_view(entry));
    }
    write("trailer\n<< /Size " + std::to_string(m_objects.size()) + " /Root " + ref(kCatalog).toStdString() + " /Info "
        + ref(kInfo).toStdString() + " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n");
    flush();
    return !m_failed;
}

void PdfDocument::write(const QByteArray &bytes)
{
    m_buffer.append(bytes.constData(), size_t(bytes.size()));
}

void PdfDocument::write(std::string_view bytes)
{
    m_buffer.append(bytes);
}

void PdfDocument::flush()
{
    if (!m_buffer.empty() && m_out.write(m_buffer.data(), qint64(m_buffer.size())) != qint64(m_buffer.size()))
        m_failed = m_writeFailed = true;
    m_offset += qint64(m_buffer.size());
    m_buffer.clear();
}

} // namespace dq
