#include "ui/MessageBoxPrompt.h"

#include <QMessageBox>

namespace
{
QMessageBox::Icon boxIcon(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::Warning:
        return QMessageBox::Warning;
    case PromptIcon::Error:
        return QMessageBox::Critical;
    case PromptIcon::Information:
        break;
    }
    return QMessageBox::Information;
}
}

PromptAnswer MessageBoxPrompt::show(QWidget *parent, const PromptMessage &message)
{
    const bool yesNo = message.buttons == PromptButtons::YesNo;
    QMessageBox box(boxIcon(message.icon), message.caption, message.text,
                    yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
    if (!yesNo)
        box.setDefaultButton(QMessageBox::Ok);
    else
        box.setDefaultButton(message.preselected == PromptAnswer::No ? QMessageBox::No : QMessageBox::Yes);
    const int answer = box.exec();
    if (!yesNo)
        return PromptAnswer::Ok;
    return answer == QMessageBox::Yes ? PromptAnswer::Yes : PromptAnswer::No;
}
