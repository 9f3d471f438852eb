#pragma once

#include <QString>
#include <QUrl>

namespace dq {

class GridModel;
class LinkOpener;
class UserPrompts;

// The contact commands that hand a link to the desktop: a street map of the current
// record, a new e-mail to the selected records and the current record's web site.
// The record table is only read.
class ContactActions
{
public:
    enum class Command { None, DialPhone, InternetMap, SendMail, WebLink };

    ContactActions(GridModel &table, LinkOpener &opener, UserPrompts &prompts);

    // The command behind a toolbar key ("phone", "map", "mail", "inet"; exact, case-sensitive).
    static Command commandForToolbarKey(const QString &key);

    void internetMap();
    void sendMail();
    void webLink();
    // Runs a link command; DialPhone and None are not link commands and return false.
    bool run(Command command);

    // The map search address (the "MapAddress" setting); empty is the default service.
    void setMapAddress(const QString &address) { m_mapAddress = address; }

private:
    void open(const QString &link);

    GridModel &m_table;
    LinkOpener &m_opener;
    UserPrompts &m_prompts;
    QString m_mapAddress;
};

} // namespace dq
