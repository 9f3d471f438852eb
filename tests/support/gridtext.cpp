#include "support/gridtext.h"

#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"

#include <QBuffer>

#include <QFile>

namespace dq::test {

QStringList texts(std::initializer_list<const char *> items)
{
    QStringList out;
    for (const char *item : items)
        out << QString::fromUtf8(item);
    return out;
}

void fillRows(GridModel &grid, const QStringList &rows, int cols)
{
    for (const QString &row : rows)
        cols = qMax(cols, int(row.count(u'|')) + 1);
    grid.setCols(cols);
    grid.setRows(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList cells = rows.at(r).split(u'|');
        for (int c = 0; c < cols; ++c)
            grid.setText(r, c, cells.value(c));
    }
}

QStringList rowsOf(const GridModel &grid, int firstRow)
{
    QStringList out;
    for (int r = firstRow; r < grid.rows(); ++r)
        out << grid.rowTexts(r).join(u'|');
    return out;
}

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray nativeState(const GridModel &grid)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!GridFile::write(grid, buffer, FileKind::Native, QStringLiteral("state")))
        qFatal("cannot write the grid state");
    return buffer.data();
}

} // namespace dq::test
