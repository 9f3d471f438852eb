#include "core/contact/contactactions.h"

#include "core/contact/contactlinks.h"
#include "core/contact/linkopener.h"
#include "core/grid/gridmodel.h"
#include "core/shell/userprompts.h"

namespace dq {

ContactActions::ContactActions(GridModel &table, LinkOpener &opener, UserPrompts &prompts)
    : m_table(table)
    , m_opener(opener)
    , m_prompts(prompts)
{
}

ContactActions::Command ContactActions::commandForToolbarKey(const QString &key)
{
    if (key == QLatin1String("phone"))
        return Command::DialPhone;
    if (key == QLatin1String("map"))
        return Command::InternetMap;
    if (key == QLatin1String("mail"))
        return Command::SendMail;
    if (key == QLatin1String("inet"))
        return Command::WebLink;
    return Command::None;
}

void ContactActions::internetMap()
{
    open(ContactLinks::mapSearchLink(m_table, m_table.row(), m_mapAddress));
}

void ContactActions::sendMail()
{
    open(ContactLinks::mailLink(ContactLinks::mailList(m_table)));
}

void ContactActions::webLink()
{
    const int row = m_table.row();
    const QString site = row >= m_table.fixedRows() ? m_table.text(row, ContactLinks::kWebSiteCol) : QString();
    if (ContactLinks::lacksWebSite(site)) {
        m_prompts.message(QStringLiteral("Web Site Link"), ContactLinks::noWebSiteMessage(), UserPrompts::Icon::Warning,
            UserPrompts::Buttons::Ok);
        open(ContactLinks::kHomePage);
        return;
    }
    open(ContactLinks::webLink(site));
}

bool ContactActions::run(Command command)
{
    switch (command) {
    case Command::InternetMap:
        internetMap();
        return true;
    case Command::SendMail:
        sendMail();
        return true;
    case Command::WebLink:
        webLink();
        return true;
    case Command::DialPhone:
    case Command::None:
        break;
    }
    return false;
}

void ContactActions::open(const QString &link)
{
    const QUrl url = ContactLinks::toUrl(link);
    if (m_opener.open(url))
        return;
    // Without a browser or mail program the command would do nothing visible: say so, with
    // the address to copy.
    const bool mail = url.scheme().compare(QLatin1String("mailto"), Qt::CaseInsensitive) == 0;
    const QString text = mail ? QStringLiteral("No program is set up to write e-mail: ") + url.path()
                              : QStringLiteral("No program is set up to open web addresses: ") + url.toString();
    m_prompts.message(QStringLiteral("Dirquill"), text, UserPrompts::Icon::Warning, UserPrompts::Buttons::Ok);
}

} // namespace dq
