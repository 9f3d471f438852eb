#include "core/harvest/harvestjournal.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace dq {

namespace {

const QString kFormat = QStringLiteral("dirquill-harvest-journal");
constexpr int kVersion = 1;
// A page of 201 listings is far below this; a longer line is not ours.
constexpr qint64 kMaxLine = 64 * 1024 * 1024;

QByteArray lineOf(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

QJsonObject runObject(const HarvestJournal::Run &run)
{
    return QJsonObject { { QStringLiteral("site"), run.site }, { QStringLiteral("key"), run.keyFile },
        { QStringLiteral("url"), run.url }, { QStringLiteral("table"), run.tableFile },
        { QStringLiteral("started"), run.started.toUTC().toString(Qt::ISODate) } };
}

QJsonArray rowsArray(const std::vector<QStringList> &rows)
{
    QJsonArray out;
    for (const QStringList &row : rows) {
        // Trailing empty cells cost nothing to leave out; reading pads them back.
        qsizetype used = row.size();
        while (used > 0 && row.at(used - 1).isEmpty())
            --used;
        out.append(QJsonArray::fromStringList(row.mid(0, used)));
    }
    return out;
}

} // namespace

HarvestJournal::HarvestJournal(const QString &path)
    : m_path(path)
{
}

HarvestJournal::~HarvestJournal() = default;

void HarvestJournal::setPath(const QString &path)
{
    if (path == m_path)
        return;
    m_file.close();
    m_path = path;
}

HarvestJournal::Contents HarvestJournal::read(const QString &path)
{
    Contents c;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return c;
    bool first = true;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine(kMaxLine);
        // Only a line with its newline was written whole.
        if (!line.endsWith('\n')) {
            c.torn = true;
            break;
        }
        QJsonParseError error;
        const QJsonObject o = QJsonDocument::fromJson(line, &error).object();
        if (error.error != QJsonParseError::NoError) {
            c.torn = true;
            break;
        }
        if (first) {
            if (o.value(QStringLiteral("format")).toString() != kFormat
                || o.value(QStringLiteral("version")).toInt() > kVersion)
                return c;
            first = false;
            c.found = true;
        } else if (o.contains(QStringLiteral("run"))) {
            const QJsonObject r = o.value(QStringLiteral("run")).toObject();
            c.run.site = r.value(QStringLiteral("site")).toString();
            c.run.keyFile = r.value(QStringLiteral("key")).toString();
            c.run.url = r.value(QStringLiteral("url")).toString();
            c.run.tableFile = r.value(QStringLiteral("table")).toString();
            c.run.started = QDateTime::fromString(r.value(QStringLiteral("started")).toString(), Qt::ISODate);
            c.state = Extractor::RunState();
            c.state.address = c.run.url;
            c.pages = 0;
            c.grabbed = 0;
            c.ended = false;
            ++c.runs;
        } else if (o.contains(QStringLiteral("rows"))) {
            for (const QJsonValue &row : o.value(QStringLiteral("rows")).toArray()) {
                QStringList cells;
                for (const QJsonValue &cell : row.toArray())
                    cells.append(cell.toString());
                c.rows.push_back(std::move(cells));
            }
            c.state.address = o.value(QStringLiteral("address")).toString();
            c.state.page = o.value(QStringLiteral("page")).toInt();
            c.state.next = o.value(QStringLiteral("next")).toString();
            c.state.prefix = o.value(QStringLiteral("prefix")).toString();
            c.state.suffix = o.value(QStringLiteral("suffix")).toString();
            c.state.scheme = o.value(QStringLiteral("scheme")).toString(QStringLiteral("http"));
            c.pages = o.value(QStringLiteral("pages")).toInt();
            c.grabbed = o.value(QStringLiteral("grabbed")).toInt();
            if (o.value(QStringLiteral("last")).toBool())
                c.ended = true;
        } else if (o.contains(QStringLiteral("end"))) {
            c.ended = true;
        }
        c.goodBytes = file.pos();
    }
    return c;
}

bool HarvestJournal::open()
{
    if (m_file.isOpen())
        return true;
    if (m_path.isEmpty()) {
        m_error = QStringLiteral("no journal file");
        return false;
    }
    // Whole lines already there are kept; a torn tail is cut before anything is added.
    const Contents existing = read(m_path);
    m_file.setFileName(m_path);
    if (!m_file.open(QIODevice::ReadWrite)) {
        m_error = QStringLiteral("\"%1\": %2").arg(m_path, m_file.errorString());
        return false;
    }
    if (!existing.found) {
        m_file.resize(0);
        m_rows = 0;
        if (!writeLine(
                lineOf(QJsonObject { { QStringLiteral("format"), kFormat }, { QStringLiteral("version"), kVersion } })))
            return false;
    } else {
        m_file.resize(existing.goodBytes);
        m_rows = qint64(existing.rows.size());
        m_file.seek(existing.goodBytes);
    }
    return true;
}

bool HarvestJournal::writeLine(const QByteArray &line)
{
    if (m_file.write(line) != line.size() || !m_file.flush()) {
        m_error = QStringLiteral("\"%1\" could not be written: %2").arg(m_path, m_file.errorString());
        return false;
    }
#ifdef Q_OS_UNIX
    if (::fdatasync(m_file.handle()) != 0) {
        m_error = QStringLiteral("\"%1\" could not be flushed to disk").arg(m_path);
        return false;
    }
#endif
    return true;
}

bool HarvestJournal::beginRun(const Run &run)
{
    if (!open())
        return false;
    m_runLine = lineOf(QJsonObject { { QStringLiteral("run"), runObject(run) } });
    m_runOpen = true;
    return writeLine(m_runLine);
}

bool HarvestJournal::appendPage(
    const std::vector<QStringList> &rows, const Extractor::RunState &state, int pages, int grabbed, bool last)
{
    if (!open())
        return false;
    const QJsonObject o { { QStringLiteral("rows"), rowsArray(rows) }, { QStringLiteral("address"), state.address },
        { QStringLiteral("page"), state.page }, { QStringLiteral("next"), state.next },
        { QStringLiteral("prefix"), state.prefix }, { QStringLiteral("suffix"), state.suffix },
        { QStringLiteral("scheme"), state.scheme }, { QStringLiteral("pages"), pages },
        { QStringLiteral("grabbed"), grabbed }, { QStringLiteral("last"), last } };
    if (!writeLine(lineOf(o)))
        return false;
    m_rows += qint64(rows.size());
    return true;
}

bool HarvestJournal::endRun(const QString &how)
{
    if (!m_runOpen)
        return true;
    m_runOpen = false;
    m_runLine.clear();
    if (!open())
        return false;
    return writeLine(lineOf(QJsonObject { { QStringLiteral("end"), how } }));
}

bool HarvestJournal::appendRecovered(const Contents &contents)
{
    if (contents.rows.empty())
        return true;
    return beginRun(contents.run) && appendPage(contents.rows, contents.state, contents.pages, contents.grabbed, true)
        && endRun(QStringLiteral("Recovered"));
}

void HarvestJournal::clear()
{
    const QByteArray runLine = m_runLine;
    remove();
    if (!runLine.isEmpty() && open()) {
        m_runLine = runLine;
        m_runOpen = true;
        writeLine(m_runLine);
    }
}

void HarvestJournal::remove()
{
    m_file.close();
    if (!m_path.isEmpty())
        QFile::remove(m_path);
    m_rows = 0;
    m_runOpen = false;
    m_runLine.clear();
}

} // namespace dq
