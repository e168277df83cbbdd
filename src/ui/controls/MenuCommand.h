#pragma once

#include <cstdint>

#include <QEvent>

// The message a pop-up menu posts to its owner when a leaf item is chosen.
inline constexpr int UM_MENU_COMMAND = 1145;

// A chosen menu item as a posted event: its command id and sub-choice.
//
// Main thread only, as the menus that post it.
class MenuCommandEvent : public QEvent
{
public:
    static constexpr QEvent::Type EventType = static_cast<QEvent::Type>(QEvent::User + UM_MENU_COMMAND);

    MenuCommandEvent(std::uint32_t command, std::uint32_t subChoice);

    std::uint32_t command() const
    {
        return m_command;
    }
    std::uint32_t subChoice() const
    {
        return m_subChoice;
    }

private:
    std::uint32_t m_command;
    std::uint32_t m_subChoice;
};
