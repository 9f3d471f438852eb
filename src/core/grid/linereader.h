#pragma once

#include <QByteArray>
#include <QByteArrayView>

class QIODevice;

namespace dq {

// Reads a device line by line through a large buffer without ever holding more than one
// line (plus one buffer) in memory. A line longer than the limit is reported, not read.
class LineReader
{
public:
    enum class Status { Line, End, TooLong, ReadError };

    LineReader(QIODevice &device, qint64 maxLineBytes);

    // The next line without its LF or CR LF; valid until the next call.
    Status next(QByteArrayView &line);
    qint64 lineNumber() const { return m_lineNumber; }

private:
    bool fill();

    QIODevice &m_device;
    qint64 m_max;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qint64 m_lineNumber = 0;
    bool m_eof = false;
    bool m_error = false;
};

} // namespace dq
