#include "shell/LoginToggle.h"

#include <QAbstractButton>
#include <QWidget>

#include "base/EventLog.h"
#include "ui/UiText.h"
#include "shell/LoginDlg.h"

namespace
{
QAbstractButton *findButton(QWidget &window, std::string_view name)
{
    const QString objectName = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    auto *button = window.findChild<QAbstractButton *>(objectName);
    if (!button)
        logEvent("the main window has no button " + std::string(name));
    return button;
}
}

LoginToggle::LoginToggle(QWidget &window, DbManage &db, std::uint8_t offered)
    : QObject {&window}
    , m_window {window}
    , m_db {db}
    , m_offered {offered}
    , m_login {findButton(window, "btnLogin")}
{
    for (std::size_t i = 0; i < m_rightsButtons.size(); ++i)
        m_rightsButtons[i] = findButton(window, OperatorRules::RightsButtons[i].name);
    if (m_login) {
        m_login->setText(uiText(TextId::Login));
        connect(m_login, &QAbstractButton::clicked, this, &LoginToggle::toggle);
    }
    enableRights(0);
}

void LoginToggle::toggle()
{
    if (m_loggedIn)
        logOut();
    else
        logIn();
}

void LoginToggle::logIn()
{
    CLoginDlg login(m_db, &m_window);
    if (login.run() != CLoginDlg::ResultOk)
        return;
    m_current = login.user();
    m_loggedIn = true;
    enableRights(m_current.Authority);
    if (m_login)
        m_login->setText(uiText(TextId::Logout));
}

void LoginToggle::logOut()
{
    // Only the name goes; the next login overwrites the whole record.
    m_current.Operator.clear();
    m_loggedIn = false;
    enableRights(0);
    if (m_login)
        m_login->setText(uiText(TextId::Login));
}

void LoginToggle::enableRights(std::uint8_t authority)
{
    for (std::size_t i = 0; i < m_rightsButtons.size(); ++i) {
        if (m_rightsButtons[i])
            m_rightsButtons[i]->setEnabled(OperatorRules::enables(authority, m_offered, OperatorRules::RightsButtons[i]));
    }
}
