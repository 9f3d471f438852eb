#include "app/contact/contactcommandactions.h"

#include "app/contact/desktoplinkopener.h"
#include "app/contact/frmdial.h"
#include "app/shell/frmmain.h"
#include "app/shell/menuentry.h"
#include "core/shell/settings.h"
#include "core/table/recordtable.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

namespace dq {

ContactCommandActions::ContactCommandActions(frmMain &window)
    : QObject(&window)
    , m_window(window)
    , m_desktopOpener(std::make_unique<DesktopLinkOpener>())
    , m_opener(m_desktopOpener.get())
{
    setLinkOpener(m_opener);
    QMenu *tools = window.menu(frmMain::Menu::Tools);

    const auto entry = [this, tools](const char *name, const QString &caption, const QKeySequence &keys,
                           ContactActions::Command command) {
        QAction *a = addMenuEntry(tools, name, caption, keys);
        connect(a, &QAction::triggered, this, [this, command] {
            if (command == ContactActions::Command::DialPhone)
                frmDial::dialPhone(m_window.table().fa(), m_window.prompts(), &m_window);
            else
                m_actions->run(command);
        });
        return a;
    };
    using Command = ContactActions::Command;
    entry("mnuTools_DialPhone", QStringLiteral("Dial &Phone"), QKeySequence(Qt::CTRL | Qt::Key_F7), Command::DialPhone);
    entry("mnuTools_InternetMap", QStringLiteral("Internet &Map"), QKeySequence(Qt::CTRL | Qt::Key_F6),
        Command::InternetMap);

    // The country choice and bulk e-mail are offered but do nothing: the map link is
    // always built the same way.
    QMenu *country = tools->addMenu(QStringLiteral("Internet Map Country"));
    country->setObjectName(QStringLiteral("mnuTools_MapCountry"));
    auto *countries = new QActionGroup(country);
    for (const auto &[name, caption] : { std::pair { "mnuTools_MapUSA", QStringLiteral("&USA") },
             std::pair { "mnuTools_MapCanada", QStringLiteral("&Canada") } }) {
        QAction *a = country->addAction(caption);
        a->setObjectName(QLatin1String(name));
        a->setCheckable(true);
        countries->addAction(a);
    }
    country->actions().first()->setChecked(true);

    entry("mnuTools_SendMail", QStringLiteral("Send &Email"), QKeySequence(Qt::CTRL | Qt::Key_F8), Command::SendMail);
    QAction *bulk = tools->addAction(QStringLiteral("Send Bulk &EMail..."));
    bulk->setObjectName(QStringLiteral("mnuTools_SendBulkMail"));
    entry("mnuTools_WebLink", QStringLiteral("&Web Site Link"), QKeySequence(Qt::CTRL | Qt::Key_F9), Command::WebLink);

    const struct
    {
        const char *key;
        const char *tip;
    } keys[] = { { "map", "Internet Map" }, { "phone", "Dial Phone" }, { "mail", "Send Email" },
        { "inet", "Web Site Link" } };
    for (const auto &k : keys) {
        const QString key = QLatin1String(k.key);
        QAction *button = window.addToolbarButton(0, key, QLatin1String(k.tip));
        connect(button, &QAction::triggered, this, [this, key] { runToolbarKey(key); });
    }
}

ContactCommandActions::~ContactCommandActions() = default;

void ContactCommandActions::setLinkOpener(LinkOpener *opener)
{
    m_opener = opener ? opener : m_desktopOpener.get();
    m_actions = std::make_unique<ContactActions>(m_window.table().fa(), *m_opener, m_window.prompts());
    m_actions->setMapAddress(Settings::read(QStringLiteral("MapAddress")));
}

void ContactCommandActions::runToolbarKey(const QString &key)
{
    const ContactActions::Command command = ContactActions::commandForToolbarKey(key);
    if (command == ContactActions::Command::DialPhone)
        frmDial::dialPhone(m_window.table().fa(), m_window.prompts(), &m_window);
    else
        m_actions->run(command);
}

} // namespace dq
