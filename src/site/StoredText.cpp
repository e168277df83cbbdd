#include "site/StoredText.h"

#include <QLineEdit>

namespace StoredText
{
void show(QLineEdit &field, const std::string &stored)
{
    const QString text = QString::fromStdString(stored);
    if (text.size() > field.maxLength())
        field.setMaxLength(int(text.size()));
    field.setText(text);
}

std::string taken(const QLineEdit &field, const std::string &stored)
{
    // Compared with what show() made of it: a stored text that is no valid
    // UTF-8 would not come back from the field as it was.
    const QString text = field.text();
    return text == QString::fromStdString(stored) ? stored : text.toStdString();
}
}
