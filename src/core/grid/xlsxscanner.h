#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <string>
#include <vector>

namespace dq {

// A pull scanner for the XML of workbook parts: UTF-8 bytes in, fed a block at a time, tokens
// out as byte views. It knows no namespaces (a prefixed name is seen by its local part) and
// keeps everything as bytes, which makes a sheet of a million rows several times quicker to
// read than a general XML reader does, yet it is as strict about well-formedness: tags must
// match, text must be valid UTF-8 without control characters, entities must be the predefined
// ones or character references, and a document type declaration is refused so no entity can
// expand. Comments and processing instructions are skipped.
class XlsxScanner
{
public:
    enum Token { StartElement, EndElement, Characters, EndDocument, Invalid };
    enum class Fault { None, Malformed, DocumentType, TooDeep, Source };
    // Puts the next block of the part into block; an empty block ends the part. Returning
    // false stops the scan with Fault::Source (the source knows why).
    using Source = std::function<bool(QByteArray &block)>;

    // With headroom, every block starts with that many bytes that are not part of the XML and
    // that the scanner may overwrite: markup split between two blocks is then joined there,
    // without copying the whole of the later block.
    XlsxScanner(Source source, int maxDepth, qsizetype headroom = 0);

    Token next();
    Token tokenType() const { return m_token; }
    // The local name of the current start or end element.
    QByteArrayView name() const { return m_name; }
    // The value of the current start element's attribute of this local name; empty when absent.
    QByteArrayView attribute(QByteArrayView localName) const;
    bool hasAttribute(QByteArrayView localName) const;
    template <qsizetype N> QByteArrayView attribute(const char (&localName)[N]) const
    {
        return attribute(QByteArrayView(localName, N - 1));
    }
    // Characters with references replaced and line ends made "\n". Long text may come as
    // several Characters tokens in a row; CDATA sections come as Characters too.
    QByteArrayView text() const { return m_text; }

    // Right after a start element: when all the element holds is text up to its own end tag,
    // and all of that has arrived, reads through the end tag in one go: text() gives the text
    // and the element has ended (tokenType() is EndElement). Otherwise nothing is read, and
    // false (the tokens come one by one as usual; a fault in the text is kept for next()).
    bool readTextContent();

    // The same for an element that holds nothing but one element named innerName holding
    // nothing but text (an inline string's <is><t>text</t></is>): on true the outer element
    // has ended and text() gives the inner text. The outer element's attributes are gone
    // either way.
    bool readWrappedText(QByteArrayView innerName);

    // A sheet cell in the plain shape workbook writers give it: attributes r, s and t (each at
    // most once, values of letters and digits) and nothing inside, <v>text</v> or
    // <is><t>text</t></is>. Views last until the scanner moves on.
    struct Cell
    {
        QByteArrayView ref, style, type, text;
    };
    // Where a cell may start (after its row's start tag or the previous cell's end): when a whole
    // cell in the plain shape comes next, after white space at most, reads through its end tag
    // (tokenType() is EndElement) and fills cell. Anything else, or a cell not all arrived, is
    // left for next() to read token by token: false, and cell holds nothing of use (a fault in
    // the text is kept for next()).
    // Most cells of a big sheet are read this way, without a token for each tag.
    bool readCell(Cell &cell);

    Fault fault() const { return m_fault; }
    // What is wrong (for Malformed), with the byte offset where it was found.
    QString errorString() const { return m_error; }

    // The longest single piece of markup (a tag, comment or CDATA section) accepted.
    static constexpr qsizetype kMaxMarkup = 8 << 20;

private:
    enum class Step { Done, Skip, NeedMore, Failed };
    struct Attribute
    {
        QByteArrayView name;
        QByteArrayView localName;
        QByteArrayView value;
        bool plain = true; // the value needs no decoding
        bool declaresNamespace = false;
        qsizetype decodedAt = -1; // offset into m_attrValues once decoded
        qsizetype decodedSize = 0;
    };

    bool fill();
    Token fail(Fault fault, const char *why);
    Step scanText();
    Step scanMarkup();
    Step scanStartTag();
    Step scanEndTag();
    Step scanCdata();
    bool decodeAttributes();
    bool rollBack(qsizetype pos, size_t depth, QByteArrayView name);
    bool decodeText(const char *begin, const char *end, bool references, std::string &out);

    Source m_source;
    int m_maxDepth;
    qsizetype m_headroom;
    QByteArray m_buf;
    QByteArray m_spare;
    qsizetype m_pos = 0;
    qint64 m_discarded = 0; // where m_buf starts in the document (negative within the first headroom)
    bool m_eof = false;
    bool m_bomSeen = false; // a byte-order mark at the start has been looked for
    bool m_rootSeen = false;
    bool m_rootClosed = false;
    bool m_pendingEnd = false; // a self-closing element's end comes next

    std::string m_names; // qualified names of the open elements back to back
    std::vector<qsizetype> m_nameStarts;

    Token m_token = Invalid;
    QByteArrayView m_name;
    QByteArrayView m_text;
    std::string m_decoded;
    std::vector<Attribute> m_attributes; // only the first m_attrCount belong to the current tag
    size_t m_attrCount = 0;
    std::string m_attrValues;

    Fault m_fault = Fault::None;
    QString m_error;
};

} // namespace dq
