#pragma once

#include <optional>
#include <string>

#include <QString>

#include "base/TextId.h"

class DbManage;
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
    // The answer Enter gives to a Yes/No question.
    PromptAnswer preselected = PromptAnswer::Yes;
};

// Tells the user something and waits for the answer: message boxes in the
// program, a recording double in tests (so no test waits on a modal box).
//
// Main thread only.
class IMessagePrompt
{
public:
    virtual ~IMessagePrompt() = default;
    virtual PromptAnswer show(QWidget *parent, const PromptMessage &message) = 0;
};

// A message without a caption gets the platform's default one.
inline constexpr std::optional<TextId> NoCaption = std::nullopt;

// The prompt of the process: message boxes unless another one is set.
IMessagePrompt &messagePrompt();
// Replaces the prompt (nullptr restores the message boxes); returns the one
// it replaced, so a test double can put it back.
IMessagePrompt *setMessagePrompt(IMessagePrompt *prompt);

// Shows the text with the caption and an OK button.
void inform(QWidget *parent, TextId text, std::optional<TextId> caption = TextId::Prompt,
            PromptIcon icon = PromptIcon::Information);
// The same for a text made with its values (a file, a reason).
void inform(QWidget *parent, const QString &text, std::optional<TextId> caption = TextId::Prompt,
            PromptIcon icon = PromptIcon::Information);
// Asks the text with the caption, a question icon, Yes and No; true on Yes.
// A question whose Yes cannot be undone preselects No.
bool confirm(QWidget *parent, TextId text, TextId caption, PromptAnswer preselected = PromptAnswer::Yes);
// Tells the user that the database refused a change, with the reason it gave
// (DbManage::lastFailure()).
void tellChangeNotSaved(QWidget *parent, const std::string &reason);
// The same for the last change db refused: a refusal of a kind the program
// knows (a duplicate, a record gone) is told in the user's language, with
// the database's words after it.
void tellChangeNotSaved(QWidget *parent, const DbManage &db);
