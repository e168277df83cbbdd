#pragma once

#include <deque>
#include <vector>

#include "ui/MessagePrompt.h"

// Stands in for the message boxes while it lives: records every message
// and answers at once, so no test waits on a modal box. Questions get the
// queued answers in order, then defaultAnswer.
class RecordingMessagePrompt : public IMessagePrompt
{
public:
    RecordingMessagePrompt();
    ~RecordingMessagePrompt() override;
    RecordingMessagePrompt(const RecordingMessagePrompt &) = delete;
    RecordingMessagePrompt &operator=(const RecordingMessagePrompt &) = delete;

    PromptAnswer show(QWidget *parent, const PromptMessage &message) override;
    void answerNext(PromptAnswer answer) { m_answers.push_back(answer); }

    PromptAnswer defaultAnswer = PromptAnswer::No;
    std::vector<PromptMessage> shown;

private:
    std::deque<PromptAnswer> m_answers;
    IMessagePrompt *m_replaced = nullptr;
};
