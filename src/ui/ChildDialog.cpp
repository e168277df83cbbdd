#include "ui/ChildDialog.h"

#include <QAbstractButton>

#include "ui/UiText.h"
#include "ui/WindowFrame.h"

ChildDialog::ChildDialog(QWidget *owner)
    : QDialog(owner)
{
}

ChildDialog::~ChildDialog() = default;

void ChildDialog::setUpFrame(TextId name)
{
    setWindowTitle(uiText(name));
    m_frame = new WindowFrame(*this);
    if (auto *close = findChild<QAbstractButton *>(QStringLiteral("closebtn")))
        connect(close, &QAbstractButton::clicked, this, [this] { done(ResultClosed); });
}

int ChildDialog::run()
{
    WindowFrame::centre(*this, parentWidget());
    return exec();
}

void ChildDialog::reject()
{
    done(ResultCancelled);
}
