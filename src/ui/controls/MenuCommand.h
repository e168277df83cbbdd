#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include <QEvent>

// The message a pop-up menu posts to its owner when a leaf item is chosen.
inline constexpr int UM_MENU_COMMAND = 1145;

// A chosen menu item as a posted event: its command id and sub-choice.
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

// The main window's table of menu commands 1-15. A command outside that
// range, or one without a handler, is ignored.
class MenuCommandDispatcher
{
public:
    static constexpr std::uint32_t FirstCommand = 1;
    static constexpr std::uint32_t LastCommand = 15;

    using Handler = std::function<void(std::uint32_t subChoice)>;

    void setHandler(std::uint32_t command, Handler handler);
    // Whether a handler ran.
    bool dispatch(std::uint32_t command, std::uint32_t subChoice) const;
    bool dispatch(const MenuCommandEvent &event) const;

private:
    std::array<Handler, LastCommand + 1> m_handlers;
};
