#include "ui/controls/MenuCommand.h"

MenuCommandEvent::MenuCommandEvent(std::uint32_t command, std::uint32_t subChoice)
    : QEvent {EventType}
    , m_command {command}
    , m_subChoice {subChoice}
{
}
