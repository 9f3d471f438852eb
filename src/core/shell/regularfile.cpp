#include "core/shell/regularfile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dq {

bool RegularFile::open(QFile &file, const QString &path, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    file.setFileName(path);
    if (path.contains(QChar(0)))
        return fail(QStringLiteral("the name holds a NUL character"));
    // Non-blocking, so a FIFO without a writer cannot hold the open; the mode is dropped again
    // once the file is known to be regular.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(S_ISDIR(st.st_mode) ? QStringLiteral("it is a folder, not a file")
                                        : QStringLiteral("it is not a regular file (a device, pipe or socket)"));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(file.errorString());
    }
    return true;
}

RegularFile::Bytes RegularFile::read(const QString &path, qint64 maxBytes)
{
    Bytes out;
    QFile file;
    QString why;
    if (!open(file, path, &why)) {
        out.errorString = QStringLiteral("\"%1\" could not be read: %2").arg(path, why);
        return out;
    }
    auto tooBig = [&] {
        out.bytes.clear();
        out.errorString = QStringLiteral("\"%1\" is larger than the limit of %2 MB")
                              .arg(path, QString::number(double(maxBytes) / (1024 * 1024), 'g', 4));
        return out;
    };
    if (file.size() > maxBytes)
        return tooBig();
    // The size can still change while the file is read: read no more than one byte past the cap.
    constexpr qint64 kChunk = 1 << 20;
    while (true) {
        const QByteArray chunk = file.read(qMin(kChunk, maxBytes + 1 - out.bytes.size()));
        if (chunk.isEmpty())
            break;
        out.bytes += chunk;
        if (out.bytes.size() > maxBytes)
            return tooBig();
    }
    if (file.error() != QFileDevice::NoError) {
        out.bytes.clear();
        out.errorString = QStringLiteral("\"%1\" could not be read: %2").arg(path, file.errorString());
        return out;
    }
    out.ok = true;
    return out;
}

} // namespace dq
