#include "ui/MessagePrompt.h"

#include "ui/MessageBoxPrompt.h"
#include "ui/UiText.h"

namespace
{
IMessagePrompt *g_prompt = nullptr;
}

IMessagePrompt &messagePrompt()
{
    static MessageBoxPrompt boxes;
    return g_prompt ? *g_prompt : boxes;
}

IMessagePrompt *setMessagePrompt(IMessagePrompt *prompt)
{
    IMessagePrompt *previous = g_prompt;
    g_prompt = prompt;
    return previous;
}

void informById(QWidget *parent, int textId, int captionId, PromptIcon icon)
{
    messagePrompt().show(parent, {uiText(textId), uiText(captionId), icon, PromptButtons::Ok});
}

bool confirmById(QWidget *parent, int textId, int captionId)
{
    const PromptMessage question {uiText(textId), uiText(captionId), PromptIcon::Question, PromptButtons::YesNo};
    return messagePrompt().show(parent, question) == PromptAnswer::Yes;
}
