#pragma once

#include "support/gridtext.h"

#include <QTest>

#include <initializer_list>

namespace dq::test {

// Makes the cases of a tab-separated file under tests/data the rows of the running _data()
// function. Its first line names the fields (columns, then "case"); each further line is a case
// whose last field names it. Every field is a QString column.
inline void addCaseRows(const char *file, std::initializer_list<const char *> columns)
{
    const QStringList lines
        = QString::fromUtf8(readBytes(QStringLiteral(DQ_TEST_DATA_DIR "/") + QString::fromLatin1(file)))
              .split(u'\n', Qt::SkipEmptyParts);
    QStringList header;
    for (const char *column : columns) {
        QTest::addColumn<QString>(column); // keeps the pointer: the names are literals
        header << QString::fromLatin1(column);
    }
    if (lines.size() < 2 || lines.first() != header.join(u'\t') + QStringLiteral("\tcase"))
        qFatal("%s: no cases, or fields other than %s", file, qPrintable(header.join(u' ')));
    for (const QString &line : lines.mid(1)) {
        const QStringList fields = line.split(u'\t');
        if (fields.size() != header.size() + 1)
            qFatal("%s: %d fields in \"%s\"", file, int(fields.size()), qPrintable(line));
        QTestData &row = QTest::newRow(qPrintable(fields.last()));
        for (qsizetype i = 0; i < header.size(); ++i)
            row << fields.at(i);
    }
}

} // namespace dq::test
