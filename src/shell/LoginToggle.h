#pragma once

#include <array>
#include <cstdint>

#include <QObject>
#include <QPointer>

#include "data/OperatorRules.h"
#include "data/User.h"

class DbManage;
class QAbstractButton;
class QWidget;

// The main window's login button and the seven rights buttons it unlocks.
// Holds the current operator: a click logs in through the login window and
// enables exactly the buttons of the operator's rights; the next click logs
// out and disables them all. Main thread only.
class LoginToggle : public QObject
{
    Q_OBJECT

public:
    // The rights whose windows the program offers: only their buttons are
    // ever enabled. A right's bit joins here when its window is built.
    static constexpr std::uint8_t OfferedRights = OperatorRules::bitValue(0)
                                                | OperatorRules::bitValue(1) // system settings
                                                | OperatorRules::bitValue(2) // attendants and timetable
                                                | OperatorRules::bitValue(3) // history
                                                | OperatorRules::bitValue(4) // statistics
                                                | OperatorRules::bitValue(5) // data maintenance
                                                | OperatorRules::bitValue(6); // zones, pagers and keys

    // Finds `btnLogin` and the rights buttons by name among the window's
    // children, shows the logged-out state and takes over `btnLogin`'s clicks.
    // offered narrows the rights buttons that can be enabled.
    LoginToggle(QWidget &window, DbManage &db, std::uint8_t offered = OfferedRights);

    const stUser &currentOperator() const
    {
        return m_current;
    }
    bool isLoggedIn() const
    {
        return m_loggedIn;
    }

    void toggle();

private:
    void logIn();
    void logOut();
    void enableRights(std::uint8_t authority);

    QWidget &m_window;
    DbManage &m_db;
    std::uint8_t m_offered;
    QPointer<QAbstractButton> m_login;
    std::array<QPointer<QAbstractButton>, OperatorRules::RightsButtons.size()> m_rightsButtons;
    stUser m_current;
    bool m_loggedIn = false;
};
