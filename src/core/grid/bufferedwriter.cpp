#include "core/grid/bufferedwriter.h"

#include <QIODevice>

namespace dq {

namespace {
constexpr qsizetype kBlock = 1 << 20;
}

BufferedWriter::BufferedWriter(QIODevice &device)
    : m_device(device)
{
    m_buffer.reserve(kBlock + 4096);
}

void BufferedWriter::append(QByteArrayView bytes)
{
    if (m_failed)
        return;
    m_buffer.append(bytes);
    if (m_buffer.size() >= kBlock)
        flush();
}

void BufferedWriter::append(char c)
{
    if (m_failed)
        return;
    m_buffer.append(c);
    if (m_buffer.size() >= kBlock)
        flush();
}

void BufferedWriter::flush()
{
    if (m_failed || m_buffer.isEmpty())
        return;
    if (m_device.write(m_buffer) != m_buffer.size())
        m_failed = true;
    m_buffer.clear();
}

bool BufferedWriter::finish()
{
    flush();
    return !m_failed;
}

QString BufferedWriter::errorString() const
{
    const QString reason = m_device.errorString();
    return reason.isEmpty() ? QStringLiteral("the data could not be written") : reason;
}

} // namespace dq
