#include "core/harvest/harvestjournal.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <variant>

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
// by hand, in UTF-16 with one conversion a page, because every page's rows pass through here.
void appendJsonString(QString &out, QStringView text)
{
    static const char hex[] = "0123456789abcdef";
    out.append(u'"');
    // Most cells need no escape: a check without early exit, which the compiler vectorises.
    bool plain = true;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        plain &= c >= 0x20 && c != u'"' && c != u'\\';
    }
    if (plain) {
        out.append(text);
        out.append(u'"');
        return;
    }
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x20 && c != u'"' && c != u'\\')
            continue;
        out.append(text.sliced(runStart, i - runStart));
        runStart = i + 1;
        if (c == u'"' || c == u'\\') {
            out.append(u'\\').append(QChar(c));
        } else {
            const char16_t esc[] = { u'\\', u'u', u'0', u'0', char16_t(hex[c >> 4]), char16_t(hex[c & 15]) };
            out.append(QStringView(esc, 6));
        }
    }
    out.append(text.sliced(runStart));
    out.append(u'"');
}

// The rows as a JSON array of arrays; trailing empty cells cost nothing to leave out and
// reading pads them back.
QByteArray rowsJson(const std::vector<QStringList> &rows)
{
    QString out;
    out.reserve(qsizetype(rows.size()) * 256);
    out.append(u'[');
    for (size_t r = 0; r < rows.size(); ++r) {
        const QStringList &row = rows[r];
        qsizetype used = row.size();
        while (used > 0 && row.at(used - 1).isEmpty())
            --used;
        if (r)
            out.append(u',');
        out.append(u'[');
        for (qsizetype c = 0; c < used; ++c) {
            if (c)
                out.append(u',');
            appendJsonString(out, row.at(c));
        }
        out.append(u']');
    }
    out.append(u']');
    return out.toUtf8();
}

} // namespace

// Writes the journal's lines on a thread of its own: a page's rows become JSON there, so the
// grab's thread only hands them over. Lines are written as soon as they come (a kill of the
// process cannot lose them then) and flushed to disk (fdatasync) at most every kSyncGap: a
// flush costs about a millisecond of disk work, and a fast grab accepts pages faster than that.
class HarvestJournal::Writer
{
public:
    static constexpr std::chrono::milliseconds kSyncGap { 100 };

    struct Page
    {
        std::vector<QStringList> rows;
        Extractor::RunState state;
        int pages = 0;
        int grabbed = 0;
        bool last = false;
    };
    using Job = std::variant<QByteArray, Page>;

    // file stays open, and untouched by anyone else, until the writer is gone.
    explicit Writer(QFile &file)
        : m_file(file)
        , m_thread([this] { loop(); })
    {
    }

    // Writes and flushes everything handed over (unless dropped), then ends.
    ~Writer()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

    void put(Job &&job)
    {
        {
            std::lock_guard lock(m_mutex);
            m_queue.push_back(std::move(job));
        }
        m_wake.notify_all();
    }

    // Forgets what is not yet written and skips the flush: the file is about to go.
    void drop()
    {
        std::lock_guard lock(m_mutex);
        m_queue.clear();
        m_dropped = true;
    }

    // Returns once every line handed over is written (in the system's hands); false when
    // one could not be.
    bool wait()
    {
        std::unique_lock lock(m_mutex);
        m_idle.wait(lock, [this] { return m_queue.empty() && !m_busy; });
        return m_error.isEmpty();
    }

    QString error() const
    {
        std::lock_guard lock(m_mutex);
        return m_error;
    }

private:
    static QByteArray lineFor(const Job &job)
    {
        if (const auto *line = std::get_if<QByteArray>(&job))
            return *line;
        const Page &page = std::get<Page>(job);
        QJsonObject o { { QStringLiteral("last"), page.last } };
        putState(o, page.state, page.pages, page.grabbed);
        // The rows go in by hand, spliced in as the object's first member.
        QByteArray line = lineOf(o);
        line.insert(1, "\"rows\":" + rowsJson(page.rows) + ',');
        return line;
    }

    void loop()
    {
        using Clock = std::chrono::steady_clock;
        Clock::time_point lastSync; // long ago: the first flush goes at once
        bool syncDue = false;
        std::unique_lock lock(m_mutex);
        const auto ready = [this] { return !m_queue.empty() || m_stop; };
        for (;;) {
            if (syncDue && !m_dropped)
                m_wake.wait_until(lock, lastSync + kSyncGap, ready);
            else
                m_wake.wait(lock, ready);

            if (!m_queue.empty()) {
                std::deque<Job> batch;
                batch.swap(m_queue);
                m_busy = true;
                lock.unlock();
                QByteArray out;
                for (const Job &job : batch)
                    out += lineFor(job);
                batch.clear();
                const bool written = m_file.write(out) == out.size() && m_file.flush();
                const QString why = written ? QString() : m_file.errorString();
                lock.lock();
                m_busy = false;
                if (!written && m_error.isEmpty())
                    m_error = QStringLiteral("\"%1\" could not be written: %2").arg(m_file.fileName(), why);
                syncDue = syncDue || written;
                m_idle.notify_all();
                continue;
            }
            if (syncDue && !m_dropped) {
                lock.unlock();
#ifdef Q_OS_UNIX
                const bool synced = ::fdatasync(m_file.handle()) == 0;
#else
                const bool synced = true;
#endif
                lock.lock();
                lastSync = Clock::now();
                syncDue = false;
                if (!synced && m_error.isEmpty())
                    m_error = QStringLiteral("\"%1\" could not be flushed to disk").arg(m_file.fileName());
                continue;
            }
            if (m_stop)
                return;
        }
    }

    QFile &m_file;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_queue;
    QString m_error;
    bool m_busy = false;
    bool m_stop = false;
    bool m_dropped = false;
    std::thread m_thread; // last: starts once the rest is ready
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
    if (m_writer) {
        takeError();
        m_writer.reset();
    }
    m_file.close();
}

bool HarvestJournal::takeError()
{
    if (!m_writer)
        return true;
    const QString error = m_writer->error();
    if (!error.isEmpty())
        m_error = error;
    return error.isEmpty();
}

bool HarvestJournal::flush()
{
    if (!m_writer)
        return true;
    m_writer->wait();
    return takeError();
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

bool HarvestJournal::writerReady()
{
    if (!m_writer)
        m_writer = std::make_unique<Writer>(m_file);
    // A line that could not be written is reported with the next one handed over.
    return takeError();
}

bool HarvestJournal::writeLine(QByteArray line)
{
    if (!writerReady())
        return false;
    m_writer->put(std::move(line));
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
    std::vector<QStringList> rows, const Extractor::RunState &state, int pages, int grabbed, bool last)
{
    if (!open())
        return false;
    if (!writerReady())
        return false;
    m_rows += qint64(rows.size());
    m_writer->put(Writer::Page { std::move(rows), state, pages, grabbed, last });
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
    // A run's end is where a caller may look at the file: every line is written by then.
    return writeLine(lineOf(QJsonObject { { QStringLiteral("end"), how } })) && flush();
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
    // What is not yet written or flushed is not worth the wait.
    if (m_writer)
        m_writer->drop();
    close();
    if (!m_path.isEmpty())
        QFile::remove(m_path);
    m_rows = 0;
    m_runOpen = false;
    m_runLine.clear();
}

} // namespace dq
