#include "support/casefile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

namespace dq::test {

namespace {

QByteArray readData(const QString &file)
{
    QFile f(dataPath(file));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(f.fileName()));
    return f.readAll();
}

QString unescaped(const QString &field)
{
    QString out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QChar c = field.at(i);
        if (c != u'\\' || i + 1 == field.size()) {
            out += c;
            continue;
        }
        const QChar e = field.at(++i);
        out += e == u't' ? u'\t' : e == u'r' ? u'\r' : e == u'n' ? u'\n' : e;
    }
    return out;
}

} // namespace

QString dataPath(const QString &file)
{
    return QStringLiteral(DQ_TEST_DATA_DIR "/") + file;
}

void addCaseRows(const QString &file, const QStringList &names)
{
    const QStringList lines = QString::fromUtf8(readData(file)).split(u'\n', Qt::SkipEmptyParts);
    if (lines.size() < 2)
        qFatal("no cases in %s", qPrintable(file));
    const QStringList columns = lines.first().split(u'\t');
    if (!names.isEmpty() && names.size() + 1 != columns.size())
        qFatal("%s: %d columns named", qPrintable(file), int(names.size()));
    static QByteArrayList kept; // the test table keeps only pointers to its column names
    for (const QString &column : names.isEmpty() ? columns.first(columns.size() - 1) : names) {
        kept << column.toUtf8();
        QTest::addColumn<QString>(kept.last().constData());
    }
    for (const QString &line : lines.mid(1)) {
        const QStringList fields = line.split(u'\t');
        if (fields.size() != columns.size())
            qFatal("%s: %d fields in the case \"%s\"", qPrintable(file), int(fields.size()), qPrintable(fields.last()));
        QTestData &row = QTest::newRow(qPrintable(fields.last()));
        for (qsizetype i = 0; i + 1 < fields.size(); ++i)
            row << unescaped(fields.at(i));
    }
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

} // namespace dq::test
