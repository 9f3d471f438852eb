#pragma once

#include <QByteArray>
#include <QString>

class QFile;

namespace dq {

// Opening files whose names come from data (key files, saved pages, cell pictures): only a regular
// file is ever opened, and the open never blocks, so a name that points at a FIFO, a device such
// as /dev/zero or a directory is refused with a message instead of hanging or reading forever.
class RegularFile
{
public:
    struct Bytes
    {
        bool ok = false;
        QByteArray bytes;
        QString errorString; // names the file and the reason
    };

    // Opens path read-only into file (its name set to path). On failure file stays closed and
    // error (when given) says why in words, without the file name.
    static bool open(QFile &file, const QString &path, QString *error = nullptr);
    // The whole file, read in bounded chunks; a file over maxBytes is refused before it is read.
    static Bytes read(const QString &path, qint64 maxBytes);
};

} // namespace dq
