#pragma once

#include "core/harvest/extractor.h"

#include <QDateTime>
#include <QFile>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace dq {

// The harvest journal: the rows of every accepted page, appended as each page arrives, with
// what a later run needs to go on from the next page. It holds the rows grabbed since the
// table was last saved, possibly over several runs.
//
// The lines are written on a thread of its own moments after they are handed over, and
// flushed to disk (fdatasync) within a tenth of a second, so the grab never waits for the disk.
// A kill or power loss costs at most the pages not yet written or flushed, and each page line
// says where the run goes on after it, so a run taken up from the journal grabs those pages again. Reading stops at the
// first line that is not a whole record and keeps every complete page before it; the next write cuts the torn tail off
// before appending. JSON Lines: a format line, then per run a "run" line, one line per page and an "end" line when the
// run ended.
class HarvestJournal
{
public:
    struct Run
    {
        QString site; // the engine's name, or the key file's name
        QString keyFile; // the key file the run cuts with
        QString url; // the run's first page
        QString tableFile; // the table the rows went into
        QDateTime started;
    };

    // A journal read back.
    struct Contents
    {
        bool found = false; // the file exists and starts with the journal's format line
        std::vector<QStringList> rows; // every complete page's rows, in order
        int runs = 0;
        Run run; // the last run
        // Where the last run goes on; valid while !ended.
        Extractor::RunState state;
        int pages = 0; // of the last run
        int grabbed = 0; // of the last run
        bool ended = true; // the last run ended (or never accepted a page)
        bool torn = false; // a line at the end was cut short and is left out
        qint64 goodBytes = 0; // length of the file's whole lines
    };

    HarvestJournal();
    explicit HarvestJournal(const QString &path);
    ~HarvestJournal();
    HarvestJournal(const HarvestJournal &) = delete;
    HarvestJournal &operator=(const HarvestJournal &) = delete;

    QString path() const { return m_path; }
    void setPath(const QString &path);
    QString errorString() const { return m_error; }
    bool hasRows() const { return m_rows > 0; }
    qint64 rowCount() const { return m_rows; }
    bool runOpen() const { return m_runOpen; }

    static Contents read(const QString &path);

    // Each write is handed to the journal's thread; false (errorString() says why) when the
    // file cannot be opened or an earlier line could not be written.
    // state is where the run starts: its first page, or where a cut-off run goes on.
    bool beginRun(const Run &run, const Extractor::RunState &state, int pages = 0, int grabbed = 0);
    // rows are taken over: move them in where the caller has no more use for them.
    bool appendPage(std::vector<QStringList> rows, const Extractor::RunState &state, int pages, int grabbed, bool last);
    // Returns once every line, the end's included, is written (a kill of this process can no
    // longer lose it).
    bool endRun(const QString &how);
    // Returns once every line handed over is written; false when one could not be.
    bool flush();
    // Rows that come back from another journal, as one page of an ended run (before a run starts).
    bool appendRecovered(const Contents &contents);
    // The table was saved or replaced: the rows are no longer at risk. A run still going keeps
    // its "run" line so its later pages can still be continued.
    void clear();
    // Closes the file and deletes it.
    void remove();
    // Closes the file once everything written is on disk; the next write opens it again.
    void close();

private:
    class Writer;

    bool open();
    bool writerReady();
    bool writeLine(QByteArray line);
    // Takes up an error of the journal's thread; false when there was one.
    bool takeError();

    QString m_path;
    QFile m_file;
    std::unique_ptr<Writer> m_writer; // writes m_file; goes before the file closes
    QString m_error;
    QByteArray m_runLine; // the running run's "run" line, kept across clear()
    qint64 m_rows = 0;
    bool m_runOpen = false;
};

} // namespace dq
