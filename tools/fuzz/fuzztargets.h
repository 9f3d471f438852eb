#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include <functional>
#include <vector>

namespace dq::fuzz {

// One thing to fuzz: a reader or the extractor, fed one input at a time. run() returns a short
// outcome (ok, or the error with its numbers taken out): a new outcome marks an input worth
// mutating further. A broken invariant (a saved file that does not read back the same) aborts,
// so the driver keeps that input like a crash.
struct Target
{
    QString name;
    QByteArrayList tokens; // pieces of the format worth splicing into inputs
    std::function<QByteArray(const QByteArray &input)> run;
};

// Every target; data is the folder holding the golden extraction cases (pages and key files the
// key-file and extractor targets run against).
std::vector<Target> targets(const QString &data);

} // namespace dq::fuzz
