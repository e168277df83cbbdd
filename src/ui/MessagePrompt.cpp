#include "ui/MessagePrompt.h"

#include "data/DbManage.h"
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

void inform(QWidget *parent, TextId text, std::optional<TextId> caption, PromptIcon icon)
{
    inform(parent, uiText(text), caption, icon);
}

void inform(QWidget *parent, const QString &text, std::optional<TextId> caption, PromptIcon icon)
{
    messagePrompt().show(parent, {text, caption ? uiText(*caption) : QString(), icon, PromptButtons::Ok});
}

bool confirm(QWidget *parent, TextId text, TextId caption, PromptAnswer preselected)
{
    const PromptMessage question {uiText(text), uiText(caption), PromptIcon::Question, PromptButtons::YesNo,
                                  preselected};
    return messagePrompt().show(parent, question) == PromptAnswer::Yes;
}

void tellChangeNotSaved(QWidget *parent, const std::string &reason)
{
    const QString text = uiText(TextId::ChangeNotSaved, {QString::fromStdString(reason)});
    messagePrompt().show(parent, {text, uiText(TextId::Prompt), PromptIcon::Warning, PromptButtons::Ok});
}

void tellChangeNotSaved(QWidget *parent, const DbManage &db)
{
    TextId lead = TextId::ChangeNotSaved;
    switch (db.lastFailureKind()) {
    case FailureKind::Duplicate:
        lead = TextId::DuplicateNotSaved;
        break;
    case FailureKind::NoRowMatched:
        lead = TextId::RecordGone;
        break;
    case FailureKind::Other:
        break;
    }
    const QString text = uiText(lead, {QString::fromStdString(db.lastFailure())});
    messagePrompt().show(parent, {text, uiText(TextId::Prompt), PromptIcon::Warning, PromptButtons::Ok});
}
