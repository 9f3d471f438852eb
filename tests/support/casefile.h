#pragma once

// Cases kept as data: a tab-separated file under tests/data whose first line names the fields
// and whose other lines are one case each.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QStringList>
#include <QTest>

#include <initializer_list>

namespace dq::test {

// The cases of file (relative to tests/data), each split into its fields; a file that cannot
// be read, holds no case, or has a line with another number of fields than its first ends the run.
inline QList<QStringList> caseLines(const char *file)
{
    QFile f(QStringLiteral(DQ_TEST_DATA_DIR "/") + QString::fromUtf8(file));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", file);
    QList<QStringList> lines;
    for (const QString &line : QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts))
        lines << line.split(u'\t');
    for (const QStringList &fields : lines)
        if (fields.size() != lines.first().size())
            qFatal("%s: %d fields in \"%s\"", file, int(fields.size()), qPrintable(fields.join(u'|')));
    if (lines.size() < 2)
        qFatal("no cases in %s", file);
    return lines.mid(1);
}

// Adds a QString column per name in columns and a row per case, named by its first field.
inline void addCaseRows(const char *file, std::initializer_list<const char *> columns)
{
    for (const char *column : columns)
        QTest::addColumn<QString>(column);
    for (const QStringList &fields : caseLines(file)) {
        if (fields.size() != qsizetype(columns.size()))
            qFatal("%s has %d fields, the test reads %d", file, int(fields.size()), int(columns.size()));
        QTestData &row = QTest::newRow(qPrintable(fields.first()));
        for (const QString &field : fields)
            row << field;
    }
}

// The index of field among choices; a field that is none of them ends the run.
inline int choice(const QString &field, std::initializer_list<const char *> choices)
{
    int i = 0;
    for (const char *c : choices) {
        if (field == QLatin1String(c))
            return i;
        ++i;
    }
    qFatal("\"%s\" is none of the choices", qPrintable(field));
}

// A field's "\r", "\n", "\t" and "\\" as the bytes they stand for.
inline QByteArray unescaped(const QString &field)
{
    QByteArray out;
    const QByteArray in = field.toUtf8();
    for (qsizetype i = 0; i < in.size(); ++i) {
        const char c = in[i] == '\\' && i + 1 < in.size() ? in[++i] : '\0';
        out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c ? c : in[i];
    }
    return out;
}

} // namespace dq::test
