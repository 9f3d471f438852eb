#pragma once

#include <QString>
#include <QStringView>

namespace dq {

// Addresses that come from pages, key files and users are untrusted: only these two tests decide
// whether one may be fetched, so every fetch path applies the same rule.
//
// The scheme an address starts with ("http" in "HTTP://x"), lower-cased; empty when the address
// does not start with "scheme://" (a bare "host/path" or "host:port/path").
QString addressScheme(QStringView address);
// Whether an address with that scheme may be fetched: only http and https, so a page can never
// make the program read local files or talk other protocols.
inline bool isWebScheme(QStringView scheme)
{
    return scheme == u"http" || scheme == u"https";
}

} // namespace dq
