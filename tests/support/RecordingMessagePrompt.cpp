#include "support/RecordingMessagePrompt.h"

RecordingMessagePrompt::RecordingMessagePrompt()
    : m_replaced {setMessagePrompt(this)}
{
}

RecordingMessagePrompt::~RecordingMessagePrompt()
{
    setMessagePrompt(m_replaced);
}

PromptAnswer RecordingMessagePrompt::show(QWidget *, const PromptMessage &message)
{
    shown.push_back(message);
    if (message.buttons == PromptButtons::Ok)
        return PromptAnswer::Ok;
    if (m_answers.empty())
        return defaultAnswer;
    const PromptAnswer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}
