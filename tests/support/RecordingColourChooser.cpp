#include "support/RecordingColourChooser.h"

RecordingColourChooser::RecordingColourChooser()
    : m_replaced {setColourChooser(this)}
{
}

RecordingColourChooser::~RecordingColourChooser()
{
    setColourChooser(m_replaced);
}

std::optional<std::uint32_t> RecordingColourChooser::chooseColour(QWidget *, std::uint32_t initial)
{
    initialColours.push_back(initial);
    if (m_answers.empty())
        return std::nullopt;
    const std::optional<std::uint32_t> next = m_answers.front();
    m_answers.pop_front();
    return next;
}
