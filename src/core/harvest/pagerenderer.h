#pragma once

#include "core/harvest/pagefetcher.h"

#include <QObject>
#include <QUrl>

namespace dq {

// Loads result pages in a real browser page, so that listings a site writes in by script are
// there to cut out. The window and the browser-capable command line provide one; the core only
// knows this interface.
class PageRenderer : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Loads url. finished() follows exactly once, never from inside this call: with the page's
    // current HTML as soon as loading has finished and marker shows in it (an empty marker is
    // there at once), or after timeoutMs with whatever the page holds by then.
    virtual void render(const QUrl &url, const QString &marker, int timeoutMs) = 0;
    // Ends a running load; finished() reports it as cancelled.
    virtual void abort() = 0;

signals:
    void finished(const dq::PageFetcher::Result &result);
};

} // namespace dq
