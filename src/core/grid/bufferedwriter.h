#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class QIODevice;

namespace dq {

// Collects output in a block of about a megabyte and hands it to the device whole, so a
// million small appends cost a few hundred writes. The first failed write is kept; later
// appends are then dropped and finish() reports it.
class BufferedWriter
{
public:
    explicit BufferedWriter(QIODevice &device);

    void append(QByteArrayView bytes);
    void append(char c);
    bool finish(); // flushes; false if any write failed
    QString errorString() const;

private:
    void flush();

    QIODevice &m_device;
    QByteArray m_buffer;
    bool m_failed = false;
};

} // namespace dq
