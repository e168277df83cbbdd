#include "ui/controls/MenuCommand.h"

#include <utility>

MenuCommandEvent::MenuCommandEvent(std::uint32_t command, std::uint32_t subChoice)
    : QEvent {EventType}
    , m_command {command}
    , m_subChoice {subChoice}
{
}

void MenuCommandDispatcher::setHandler(std::uint32_t command, Handler handler)
{
    if (command >= FirstCommand && command <= LastCommand)
        m_handlers[command] = std::move(handler);
}

bool MenuCommandDispatcher::dispatch(std::uint32_t command, std::uint32_t subChoice) const
{
    if (command < FirstCommand || command > LastCommand || !m_handlers[command])
        return false;
    m_handlers[command](subChoice);
    return true;
}

bool MenuCommandDispatcher::dispatch(const MenuCommandEvent &event) const
{
    return dispatch(event.command(), event.subChoice());
}
