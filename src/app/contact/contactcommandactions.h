#pragma once

#include "core/contact/contactactions.h"

#include <QObject>

#include <memory>

namespace dq {

class frmMain;
class LinkOpener;

// The Tools menu entries and results-toolbar keys that act on a listing: dial its phone,
// open its map or web site, write to the selected rows. Links go through a LinkOpener,
// the desktop's by default; tests put in their own.
class ContactCommandActions : public QObject
{
    Q_OBJECT

public:
    explicit ContactCommandActions(frmMain &window);
    ~ContactCommandActions() override;

    void setLinkOpener(LinkOpener *opener);
    // Runs the command behind a results-toolbar key; unknown keys do nothing.
    void runToolbarKey(const QString &key);

private:
    frmMain &m_window;
    std::unique_ptr<LinkOpener> m_desktopOpener;
    LinkOpener *m_opener;
    std::unique_ptr<ContactActions> m_actions;
};

} // namespace dq
