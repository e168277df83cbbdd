#pragma once

#include <QString>

class QWidget;

enum class PromptIcon
{
    Information,
    Question,
    Warning,
    Error,
};

enum class PromptButtons
{
    Ok,
    YesNo,
};

enum class PromptAnswer
{
    Ok,
    Yes,
    No,
};

struct PromptMessage
{
    QString text;
    QString caption;
    PromptIcon icon = PromptIcon::Information;
    PromptButtons buttons = PromptButtons::Ok;
};

// Tells the user something and waits for the answer: message boxes in the
// program, a recording double in tests (so no test waits on a modal box).
class IMessagePrompt
{
public:
    virtual ~IMessagePrompt() = default;
    virtual PromptAnswer show(QWidget *parent, const PromptMessage &message) = 0;
};

// String-table ids of the captions.
namespace PromptCaption
{
constexpr int Prompt = 212;
constexpr int Confirm = 265;
constexpr int Program = 103;
}

// The prompt of the process: message boxes unless another one is set.
IMessagePrompt &messagePrompt();
// Replaces the prompt (nullptr restores the message boxes); returns the one
// it replaced, so a test double can put it back.
IMessagePrompt *setMessagePrompt(IMessagePrompt *prompt);

// Shows text id textId with caption id captionId and an OK button.
void informById(QWidget *parent, int textId, int captionId = PromptCaption::Prompt,
                PromptIcon icon = PromptIcon::Information);
// Asks text id textId with caption id captionId, a question icon, Yes and
// No; true on Yes.
bool confirmById(QWidget *parent, int textId, int captionId);
