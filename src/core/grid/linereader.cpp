#include "core/grid/linereader.h"

#include <QIODevice>

#include <cstring>

namespace dq {

namespace {
constexpr qint64 kChunk = 4 << 20;
}

LineReader::LineReader(QIODevice &device, qint64 maxLineBytes)
    : m_device(device)
    , m_max(maxLineBytes)
{
}

bool LineReader::fill()
{
    if (m_eof)
        return false;
    if (m_pos > 0) {
        m_buffer.remove(0, m_pos);
        m_pos = 0;
    }
    const qsizetype old = m_buffer.size();
    m_buffer.resize(old + kChunk);
    const qint64 got = m_device.read(m_buffer.data() + old, kChunk);
    if (got < 0) {
        m_error = true;
        m_eof = true;
        m_buffer.resize(old);
        return false;
    }
    m_buffer.resize(old + got);
    if (got == 0)
        m_eof = true;
    return got > 0;
}

LineReader::Status LineReader::next(QByteArrayView &line)
{
    qsizetype searchFrom = m_pos;
    for (;;) {
        const char *begin = m_buffer.constData() + m_pos;
        const qsizetype avail = m_buffer.size() - m_pos;
        const void *nl = avail > 0
            ? std::memchr(m_buffer.constData() + searchFrom, '\n', size_t(m_buffer.size() - searchFrom))
            : nullptr;
        if (nl) {
            const qsizetype len = static_cast<const char *>(nl) - begin;
            if (len > m_max)
                return Status::TooLong;
            qsizetype textLen = len;
            if (textLen > 0 && begin[textLen - 1] == '\r')
                --textLen;
            line = QByteArrayView(begin, textLen);
            m_pos += len + 1;
            ++m_lineNumber;
            return Status::Line;
        }
        if (avail > m_max)
            return Status::TooLong;
        searchFrom = m_buffer.size();
        const qsizetype consumed = m_pos;
        if (!fill()) {
            if (m_error)
                return Status::ReadError;
            if (m_buffer.size() - m_pos == 0)
                return Status::End;
            // The last line has no line end.
            begin = m_buffer.constData() + m_pos;
            qsizetype textLen = m_buffer.size() - m_pos;
            if (textLen > 0 && begin[textLen - 1] == '\r')
                --textLen;
            line = QByteArrayView(begin, textLen);
            m_pos = m_buffer.size();
            ++m_lineNumber;
            return Status::Line;
        }
        searchFrom -= consumed; // fill() moved the unread bytes to the front
    }
}

} // namespace dq
