#pragma once

#include "ui/MessagePrompt.h"

// The program's prompt: a modal message box.
//
// Main thread only.
class MessageBoxPrompt : public IMessagePrompt
{
public:
    PromptAnswer show(QWidget *parent, const PromptMessage &message) override;
};
