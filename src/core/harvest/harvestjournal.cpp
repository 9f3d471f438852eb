#include "core/harvest/harvestjournal.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

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

// Where a run stands, in the fields both "run" and page lines carry.
void putState(QJsonObject &o, const Extractor::RunState &state, int pages, int grabbed)
{
    o.insert(QStringLiteral("address"), state.address);
    o.insert(QStringLiteral("page"), state.page);
    o.insert(QStringLiteral("next"), state.next);
    o.insert(QStringLiteral("prefix"), state.prefix);
    o.insert(QStringLiteral("suffix"), state.suffix);
    o.insert(QStringLiteral("scheme"), state.scheme);
    o.insert(QStringLiteral("pages"), pages);
    o.insert(QStringLiteral("grabbed"), grabbed);
}

void takeState(const QJsonObject &o, HarvestJournal::Contents &c)
{
    c.state.address = o.value(QStringLiteral("address")).toString();
    c.state.page = o.value(QStringLiteral("page")).toInt();
    c.state.next = o.value(QStringLiteral("next")).toString();
    c.state.prefix = o.value(QStringLiteral("prefix")).toString();
    c.state.suffix = o.value(QStringLiteral("suffix")).toString();
    c.state.scheme = o.value(QStringLiteral("scheme")).toString(QStringLiteral("http"));
    c.pages = o.value(QStringLiteral("pages")).toInt();
    c.grabbed = o.value(QStringLiteral("grabbed")).toInt();
}

// A JSON string: only the quote, the backslash and control characters need escapes. Written
// by hand because a page's rows are serialised on the grab's own thread, for every page.
void appendJsonString(QByteArray &out, const QString &text)
{
    static const char hex[] = "0123456789abcdef";
    const QByteArray utf8 = text.toUtf8();
    out.append('"');
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const auto c = uchar(utf8[i]);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(QByteArrayView(utf8).sliced(runStart, i - runStart));
        runStart = i + 1;
        if (c == '"' || c == '\\') {
            out.append('\\').append(char(c));
        } else {
            const char esc[] = { '\\', 'u', '0', '0', hex[c >> 4], hex[c & 15] };
            out.append(esc, 6);
        }
    }
    out.append(QByteArrayView(utf8).sliced(runStart));
    out.append('"');
}

// The rows as a JSON array of arrays; trailing empty cells cost nothing to leave out and
// reading pads them back.
QByteArray rowsJson(const std::vector<QStringList> &rows)
{
    QByteArray out;
    out.reserve(qsizetype(rows.size()) * 256);
    out.append('[');
    for (size_t r = 0; r < rows.size(); ++r) {
        const QStringList &row = rows[r];
        qsizetype used = row.size();
        while (used > 0 && row.at(used - 1).isEmpty())
            --used;
        out.append(r ? ",[" : "[");
        for (qsizetype c = 0; c < used; ++c) {
            if (c)
                out.append(',');
            appendJsonString(out, row.at(c));
        }
        out.append(']');
    }
    out.append(']');
    return out;
}

} // namespace

// Flushes the journal file to disk on its own thread. Requests that arrive while a flush runs
// are served by one more flush, so a fast grab costs one flush per few pages, not one per page.
class HarvestJournal::Syncer
{
public:
    explicit Syncer(int fd)
        : m_fd(fd)
        , m_thread([this] { loop(); })
    {
    }

    // Serves a request still waiting, then ends.
    ~Syncer()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }

    void request()
    {
        {
            std::lock_guard lock(m_mutex);
            m_pending = true;
        }
        m_wake.notify_one();
    }

    bool failed() const { return m_failed; }

private:
    void loop()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_pending || m_stop; });
            if (!m_pending)
                return;
            m_pending = false;
            lock.unlock();
#ifdef Q_OS_UNIX
            if (::fdatasync(m_fd) != 0)
                m_failed = true;
#endif
            lock.lock();
        }
    }

    int m_fd;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_pending = false;
    bool m_stop = false;
    std::atomic<bool> m_failed { false };
    std::thread m_thread;
};

HarvestJournal::HarvestJournal() = default;

HarvestJournal::HarvestJournal(const QString &path)
    : m_path(path)
{
}

HarvestJournal::~HarvestJournal()
{
    close();
}

void HarvestJournal::setPath(const QString &path)
{
    if (path == m_path)
        return;
    close();
    m_path = path;
}

void HarvestJournal::close()
{
    // The last lines reach the disk before the file is let go.
    m_syncer.reset();
    m_file.close();
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
            takeState(o, c);
            c.ended = false;
            ++c.runs;
        } else if (o.contains(QStringLiteral("rows"))) {
            for (const QJsonValue &row : o.value(QStringLiteral("rows")).toArray()) {
                QStringList cells;
                for (const QJsonValue &cell : row.toArray())
                    cells.append(cell.toString());
                c.rows.push_back(std::move(cells));
            }
            takeState(o, c);
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
    // Handed to the system at once, the line outlives a kill of this process; the flush to
    // disk, against power loss, follows on the syncer's thread.
    if (m_file.write(line) != line.size() || !m_file.flush()) {
        m_error = QStringLiteral("\"%1\" could not be written: %2").arg(m_path, m_file.errorString());
        return false;
    }
    if (!m_syncer)
        m_syncer = std::make_unique<Syncer>(m_file.handle());
    if (m_syncer->failed()) {
        m_error = QStringLiteral("\"%1\" could not be flushed to disk").arg(m_path);
        return false;
    }
    m_syncer->request();
    return true;
}

bool HarvestJournal::beginRun(const Run &run, const Extractor::RunState &state, int pages, int grabbed)
{
    if (!open())
        return false;
    QJsonObject o { { QStringLiteral("run"), runObject(run) } };
    putState(o, state, pages, grabbed);
    m_runLine = lineOf(o);
    m_runOpen = true;
    return writeLine(m_runLine);
}

bool HarvestJournal::appendPage(
    const std::vector<QStringList> &rows, const Extractor::RunState &state, int pages, int grabbed, bool last)
{
    if (!open())
        return false;
    QJsonObject o { { QStringLiteral("last"), last } };
    putState(o, state, pages, grabbed);
    // The rows go in by hand, spliced in as the object's first member.
    QByteArray line = lineOf(o);
    line.insert(1, "\"rows\":" + rowsJson(rows) + ',');
    if (!writeLine(line))
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
    return beginRun(contents.run, contents.state, contents.pages, contents.grabbed)
        && appendPage(contents.rows, contents.state, contents.pages, contents.grabbed, true)
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
    close();
    if (!m_path.isEmpty())
        QFile::remove(m_path);
    m_rows = 0;
    m_runOpen = false;
    m_runLine.clear();
}

} // namespace dq
