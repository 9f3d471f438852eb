#include "support/casetable.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <list>

namespace dq::test {

namespace {

QByteArray readData(const QString &file)
{
    QFile f(dataPath(file));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(f.fileName()));
    return f.readAll();
}

QList<QByteArrayList> tableLines(const QString &table)
{
    QList<QByteArrayList> lines;
    for (const QByteArray &line : readData(table).split('\n')) {
        if (!line.isEmpty() && !line.startsWith('#'))
            lines << line.split('\t');
    }
    if (lines.size() < 2)
        qFatal("no cases in %s", qPrintable(table));
    for (const QByteArrayList &fields : lines) {
        if (fields.size() != lines.first().size())
            qFatal("%s: the case \"%s\" has %d fields, not %d", qPrintable(table), fields.first().constData(),
                int(fields.size()), int(lines.first().size()));
    }
    return lines;
}

} // namespace

QString dataPath(const QString &file)
{
    return QDir::isAbsolutePath(file) ? file : QStringLiteral(DQ_TEST_DATA_DIR "/") + file;
}

QByteArray unescapedBytes(const QByteArray &field)
{
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        const char e = i + 1 < field.size() ? field[i + 1] : '\0';
        if (c != '\\' || !QByteArrayView("tnr\\x").contains(e)) {
            out += c;
        } else if (e == 'x') {
            out += char(field.mid(i + 2, 2).toInt(nullptr, 16));
            i += 3;
        } else {
            out += e == 't' ? '\t' : e == 'n' ? '\n' : e == 'r' ? '\r' : '\\';
            ++i;
        }
    }
    return out;
}

QString unescaped(const QString &field)
{
    QString out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QChar c = field[i];
        const QChar e = i + 1 < field.size() ? field[i + 1] : QChar();
        if (c != u'\\' || !QStringView(u"tnr\\x").contains(e)) {
            out += c;
        } else if (e == u'x') {
            out += QChar(field.mid(i + 2, 2).toUShort(nullptr, 16));
            i += 3;
        } else {
            out += e == u't' ? u'\t' : e == u'n' ? u'\n' : e == u'r' ? u'\r' : u'\\';
            ++i;
        }
    }
    return out;
}

void addCaseRows(const QString &table)
{
    QList<QByteArrayList> lines = tableLines(table);
    const QByteArrayList columns = lines.takeFirst();
    static std::list<QByteArray> names; // Qt Test keeps pointers to the column names
    for (const QByteArray &column : columns.mid(1)) {
        const char *name = names.emplace_back(column).constData();
        if (column.endsWith("Bytes"))
            QTest::addColumn<QByteArray>(name);
        else
            QTest::addColumn<QString>(name);
    }
    for (const QByteArrayList &fields : lines) {
        QTestData &row = QTest::newRow(fields.first().constData());
        for (qsizetype i = 1; i < fields.size(); ++i) {
            if (columns[i].endsWith("Bytes"))
                row << unescapedBytes(fields[i]);
            else
                row << unescaped(QString::fromUtf8(fields[i]));
        }
    }
}

QList<QStringList> caseLines(const QString &table)
{
    QList<QStringList> cases;
    const QList<QByteArrayList> lines = tableLines(table);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QStringList fields;
        for (const QByteArray &field : lines[i])
            fields << unescaped(QString::fromUtf8(field));
        cases << fields;
    }
    return cases;
}

void addJsonCases(const QString &file)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(readData(file), &error);
    if (!doc.isArray() || doc.array().isEmpty())
        qFatal("%s: no cases (%s)", qPrintable(file), qPrintable(error.errorString()));
    QTest::addColumn<QJsonObject>("row");
    for (const QJsonValue &c : doc.array())
        QTest::newRow(qPrintable(c[QLatin1String("case")].toString())) << c.toObject();
}

QStringList items(const QString &field)
{
    return field.isEmpty() ? QStringList() : field.split(u'|');
}

QList<int> numbers(const QString &field)
{
    QList<int> out;
    for (const QString &n : field.split(u' ', Qt::SkipEmptyParts))
        out << n.toInt();
    return out;
}

int choice(const QString &field, std::initializer_list<const char *> choices)
{
    int i = 0;
    for (const char *c : choices) {
        if (field == QLatin1String(c))
            return i;
        ++i;
    }
    qFatal("\"%s\" is none of the choices", qPrintable(field));
}

} // namespace dq::test
